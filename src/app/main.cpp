// Quillmark: `quillmark [FILE.dof]` opens the editor; `quillmark --convert
// IN.dof OUT` renders without a display.
#include "CommandLine.h"
#include "EditorApplication.h"
#include "SettingsFile.h"
#include "Translations.h"

#include "canvas/BitmapExport.h"
#include "canvas/MetafileExport.h"
#include "canvas/PictureLoader.h"
#include "io/ShapeTemplate.h"
#include "qtplatform/RasterFonts.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (const std::optional<int> status = qm::RunCommandLine(argc, argv))
        return *status;

    QApplication application(argc, argv);
    qm::InstallFontSubstitutes();
    qm::InstallJapaneseTranslations(application);

    const QString executableDir = qm::ExecutableDir();
    qm::TFileCommands::TExporters exporters;
    exporters.Bitmap = [](const qm::TBitmap& surface, const QString& path) { qm::ExportBitmap(surface, path); };
    exporters.Metafile = qm::ExportMetafile;
    qm::TEditorApplication editor({qm::SettingsFilePath(), executableDir, qm::RectTemplateFolders(executableDir)},
                                  std::move(exporters), qm::LoadPicture);
    editor.Show();
    editor.OfferRecovery();
    const QStringList arguments = application.arguments();
    if (arguments.size() > 1)
        editor.OpenAtStart(arguments.at(1));
    return application.exec();
}
