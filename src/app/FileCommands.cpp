#include "FileCommands.h"

#include "SettingsFile.h"

#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"
#include "io/ExtensionObject.h"
#include "platform/IniFile.h"
#include "render/BitmapX.h"

#include <QFileInfo>

#include <algorithm>

namespace qm {

namespace {

const QString kDocumentFilter = QStringLiteral("Quillmarkオブジェクトファイル(dof)|*dof");
const QString kSaveAsFilter = QStringLiteral(
    "Quillmarkオブジェクトファイル(dof)|*dof|ビットマップ型式(bmp)|*bmp|拡張メタファイル型式(emf)|*emf");
// The file types of kSaveAsFilter by their 1-based positions; any other
// choice saves a document.
constexpr int kSaveAsBitmap = 2;
constexpr int kSaveAsMetafile = 3;
const QString kExtensionObjectFilter = QStringLiteral("ユーザー定義ファイル(ud2)|*ud2");

TIniFile OpenSettings(const QString& path)
{
    return TIniFile(path.toStdString());
}

} // namespace

QString WithExtension(const QString& path, const QString& extension)
{
    return path.endsWith(extension, Qt::CaseSensitive) ? path : path + extension;
}

TFileCommands::TFileCommands(TObjectTree& tree, TCanvasWindow& canvas, TMainState& main, TUserDialogs& dialogs,
                             QString settingsPath, QString executableDir, TExporters exporters)
    : tree_(tree), canvas_(canvas), main_(main), dialogs_(dialogs), settingsPath_(std::move(settingsPath)),
      executableDir_(std::move(executableDir)), exporters_(std::move(exporters))
{
}

TCanvasGeometry TFileCommands::CanvasGeometry() const
{
    return tree_.CanvasGeometry();
}

void TFileCommands::ApplyCanvasGeometry(const TCanvasGeometry& geometry)
{
    // Not an edit: a new or opened document starts with this canvas.
    tree_.ResetCanvasGeometry({geometry.Width, geometry.Height, std::max(geometry.Grid, 1)});
    canvas_.ResizeCanvas(geometry.Width, geometry.Height);
}

QString TFileCommands::DocumentName() const
{
    return documentPath_.isEmpty() ? QStringLiteral("無題") : QFileInfo(documentPath_).fileName();
}

void TFileCommands::SetDocumentPath(const QString& path)
{
    documentPath_ = path;
    if (DocumentChanged)
        DocumentChanged();
}

bool TFileCommands::MayDiscardChanges()
{
    if (!tree_.History().IsModified())
        return true;
    switch (dialogs_.AskSaveChanges(DocumentName())) {
    case TUserDialogs::TSaveAnswer::Save: return SaveDocument();
    case TUserDialogs::TSaveAnswer::Discard: return true;
    default: return false;
    }
}

bool TFileCommands::MayReplaceDrawing()
{
    if (tree_.History().IsModified())
        return MayDiscardChanges();
    return dialogs_.Confirm(QStringLiteral("現在の編集中のデータは失われますがよろしいですか？"));
}

void TFileCommands::New1Click()
{
    if (MayReplaceDrawing())
        NewDocument();
}

void TFileCommands::NewDocument()
{
    main_.CreateMode = false;
    main_.SetPasteEnabled(false);
    main_.CurrentTool = TTool::Rectangle;
    main_.ShowDocumentWindows();
    main_.SetSaveEnabled(false);
    tree_.NewDocument();
    SetDocumentPath(QString());
    const TCanvasGeometry settings = ReadCanvasSettings(OpenSettings(settingsPath_));
    canvas_.ClearSelection();
    ApplyCanvasGeometry(settings);
    canvas_.SetBackColor(clWhite);
    canvas_.Repaint();
}

void TFileCommands::Open1Click()
{
    TIniFile settings = OpenSettings(settingsPath_);
    const QString initialDir = FolderOf(ReadPathSetting(settings, "LastDir"), executableDir_);
    if (!MayReplaceDrawing())
        return;
    if (const std::optional<QString> path = dialogs_.ChooseOpenFile(QString(), kDocumentFilter, initialDir))
        OpenDocument(*path);
}

void TFileCommands::OpenDocument(const QString& path)
{
    TDocument document = ReadDocument(path); // throws before anything is discarded
    main_.CreateMode = false;
    main_.CurrentTool = TTool::Rectangle;
    main_.SetPasteEnabled(false);
    main_.ShowDocumentWindows();
    tree_.ReplaceContents(*document.Tree);
    SetDocumentPath(path);
    canvas_.ClearSelection();
    if (document.Canvas)
        ApplyCanvasGeometry(*document.Canvas);
    canvas_.SetBackColor(clWhite);
    TIniFile settings = OpenSettings(settingsPath_);
    WritePathSetting(settings, "LastDir", path);
    canvas_.Repaint();
    main_.SetSaveEnabled(true);
}

void TFileCommands::Save1Click()
{
    SaveDocument();
}

bool TFileCommands::SaveDocument()
{
    if (documentPath_.isEmpty()) {
        SaveAs1Click();
    } else {
        WriteDocument(documentPath_, tree_, CanvasGeometry());
        tree_.MarkSaved();
    }
    return !tree_.History().IsModified();
}

void TFileCommands::SaveAs1Click()
{
    TIniFile settings = OpenSettings(settingsPath_);
    const QString initialDir = FolderOf(ReadPathSetting(settings, "LastDir"), executableDir_);
    const std::optional<TUserDialogs::TSaveChoice> choice = dialogs_.ChooseSaveFile(QString(), kSaveAsFilter, initialDir);
    if (!choice)
        return;
    switch (choice->FilterIndex) {
    case kSaveAsBitmap: {
        const QString path = WithExtension(choice->Path, QStringLiteral(".bmp"));
        ExportBitmap(path);
        WritePathSetting(settings, "LastDir", path);
        break;
    }
    case kSaveAsMetafile: {
        const QString path = WithExtension(choice->Path, QStringLiteral(".emf"));
        exporters_.Metafile(path, tree_, canvas_.ImageWidth(), canvas_.ImageHeight());
        WritePathSetting(settings, "LastDir", path);
        break;
    }
    default: {
        const QString path = WithExtension(choice->Path, QStringLiteral(".dof"));
        WriteDocument(path, tree_, CanvasGeometry());
        tree_.MarkSaved();
        SetDocumentPath(path);
        WritePathSetting(settings, "LastDir", path);
        main_.SetSaveEnabled(true);
        break;
    }
    }
}

void TFileCommands::ExportBitmap(const QString& path)
{
    // The surface holds no grid lines while it is written; the user's grid
    // switch comes back as it was, also when the export fails.
    const bool showGrid = canvas_.ShowGrid();
    struct TRestoreGrid {
        TCanvasWindow& canvas;
        bool showGrid;
        ~TRestoreGrid()
        {
            canvas.SetShowGrid(showGrid);
            canvas.Repaint();
        }
    } restore{canvas_, showGrid};
    canvas_.SetShowGrid(false);
    canvas_.Repaint();
    exporters_.Bitmap(canvas_.Surface().Bitmap(), path);
}

void TFileCommands::N1Click()
{
    if (canvas_.Selection().Size() != 1)
        return;
    TIniFile settings = OpenSettings(settingsPath_);
    const QString initialDir = FolderOf(ReadPathSetting(settings, "LastDir2"), executableDir_);
    const std::optional<TUserDialogs::TSaveChoice> choice =
        dialogs_.ChooseSaveFile(QStringLiteral("拡張オブジェクトの保存"), kExtensionObjectFilter, initialDir);
    if (!choice)
        return;
    const QString path = WithExtension(choice->Path, QStringLiteral(".ud2"));
    WriteExtensionObject(path, tree_, canvas_.Selection().First());
    WritePathSetting(settings, "LastDir2", path);
}

void TFileCommands::Load1Click()
{
    TIniFile settings = OpenSettings(settingsPath_);
    const QString initialDir = FolderOf(ReadPathSetting(settings, "LastDir2"), executableDir_);
    const std::optional<QString> path = dialogs_.ChooseOpenFile(QString(), kExtensionObjectFilter, initialDir);
    if (!path)
        return;
    {
        const TEditStepScope step(tree_, "拡張オブジェクトの挿入");
        InsertExtensionObject(*path, tree_, tree_.ObjectRoot());
    }
    canvas_.Repaint();
    WritePathSetting(settings, "LastDir2", *path);
}

} // namespace qm
