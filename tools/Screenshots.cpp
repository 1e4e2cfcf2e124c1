// Starts the real editor on a drawing and saves pictures of its windows: the
// main window, the tree window, the canvas window with a selected item (also
// at 200 % and smoothed), the file and view menus open, the three tabs of
// the object editor, the canvas settings dialog, the print preview and the
// version dialog. Run it under a display server (scripts/screenshots.sh
// uses Xvfb).
#include "app/AboutBox.h"
#include "app/CanvasForm1.h"
#include "app/CanvasForm2.h"
#include "app/EditForm1.h"
#include "app/EditorApplication.h"
#include "app/MainForm1.h"
#include "app/Printing.h"
#include "app/SettingsFile.h"
#include "app/Translations.h"
#include "app/TreeForm1.h"
#include "canvas/BitmapExport.h"
#include "canvas/MetafileExport.h"
#include "canvas/PictureLoader.h"
#include "io/ShapeTemplate.h"
#include "qtplatform/RasterFonts.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>

namespace {

void Save(QWidget* window, const QString& file)
{
    window->grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

// Grabs the modal dialog that `open` shows, then closes it.
template <typename Grab>
void WithModal(const std::function<void()>& open, Grab grab)
{
    QTimer::singleShot(300, [grab] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            grab(dialog);
            dialog->close();
        }
    });
    open();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: screenshots DRAWING.dof OUTPUT_FOLDER\n");
        return 2;
    }
    qm::InstallFontSubstitutes();
    qm::InstallJapaneseTranslations(application);
    const QDir out(QString::fromLocal8Bit(argv[2]));
    const QString executableDir = qm::ExecutableDir();
    qm::TFileCommands::TExporters exporters;
    exporters.Bitmap = [](const qm::TBitmap& surface, const QString& path) { qm::ExportBitmap(surface, path); };
    exporters.Metafile = qm::ExportMetafile;
    qm::TEditorApplication editor({out.filePath(QStringLiteral("quillmark.ini")), executableDir,
                                   qm::RectTemplateFolders(executableDir)},
                                  std::move(exporters), qm::LoadPicture);
    editor.Show();
    editor.OpenAtStart(QString::fromLocal8Bit(argv[1]));

    QTimer::singleShot(500, [&] {
        qm::TObjectTree& tree = editor.Tree();
        qm::TTreeNode* first = tree.ObjectRoot()->FirstChild()->NextSibling();
        editor.CanvasForm().Canvas().SelectFromTree(first);
        Save(&editor.MainForm(), out.filePath(QStringLiteral("main-window.png")));
        Save(&editor.TreeForm(), out.filePath(QStringLiteral("tree-window.png")));
        Save(&editor.CanvasForm(), out.filePath(QStringLiteral("canvas-window.png")));
        // The menus as they drop down from the main window's menu bar.
        for (const auto& [index, name] : {std::pair{0, "file-menu.png"}, {2, "view-menu.png"}}) {
            QMenu* menu = editor.MainForm().menuBar()->actions().at(index)->menu();
            menu->popup(editor.MainForm().mapToGlobal(QPoint(0, editor.MainForm().menuBar()->height())));
            QApplication::processEvents();
            Save(menu, out.filePath(QString::fromUtf8(name)));
            menu->hide();
        }
        editor.CanvasForm().SetSmooth(true);
        editor.CanvasForm().SetZoom(2);
        QApplication::processEvents();
        Save(&editor.CanvasForm(), out.filePath(QStringLiteral("canvas-window-200-smooth.png")));
        editor.CanvasForm().SetSmooth(false);
        editor.CanvasForm().SetZoom(1);
        WithModal([&] { editor.Dialogs().PrintPreview([&](QPrinter& printer, qm::TPrintScale scale) {
                      const qm::TCanvasWindow& canvas = editor.CanvasForm().Canvas();
                      qm::PrintDrawing(printer, tree, canvas.ImageWidth(), canvas.ImageHeight(), canvas.Background(),
                                       scale);
                  }); },
                  [&](QWidget* dialog) { Save(dialog, out.filePath(QStringLiteral("print-preview.png"))); });
        auto* tabs = editor.EditForm().findChild<QTabWidget*>();
        WithModal([&] { editor.EditForm().Execute(first); }, [&](QWidget* dialog) {
            for (int page = 0; tabs && page < tabs->count(); ++page) {
                tabs->setCurrentIndex(page);
                Save(dialog, out.filePath(QStringLiteral("object-editor-%1.png").arg(page + 1)));
            }
        });
        WithModal([&] { editor.SettingsForm().Execute(); },
                  [&](QWidget* dialog) { Save(dialog, out.filePath(QStringLiteral("canvas-settings.png"))); });
        qm::TAboutBox about(&editor.MainForm());
        WithModal([&] { about.exec(); },
                  [&](QWidget* dialog) { Save(dialog, out.filePath(QStringLiteral("about.png"))); });
        QApplication::quit();
    });
    return application.exec();
}
