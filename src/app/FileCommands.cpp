#include "FileCommands.h"

#include "FileJob.h"
#include "SettingsFile.h"

#include "canvas/FileFormats.h"
#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"
#include "io/ExtensionObject.h"
#include "platform/IniFile.h"
#include "render/BitmapX.h"

#include <QFileInfo>

#include <algorithm>

namespace qm {

namespace {

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
                             TFileJob& job, QString settingsPath, QString executableDir, TExporters exporters)
    : tree_(tree), canvas_(canvas), main_(main), dialogs_(dialogs), job_(job), settingsPath_(std::move(settingsPath)),
      executableDir_(std::move(executableDir)), exporters_(std::move(exporters))
{
}

TCanvasGeometry TFileCommands::CanvasGeometry() const
{
    return tree_.CanvasGeometry();
}

void TFileCommands::ApplyCanvasGeometry(const TCanvasGeometry& geometry)
{
    // Not an edit: a new or opened document starts with this canvas. The
    // picture is sized first, so the canvas window, told of the new
    // geometry, has no size of its own to change and draws nothing twice.
    canvas_.ResizeCanvas(geometry.Width, geometry.Height);
    tree_.ResetCanvasGeometry({geometry.Width, geometry.Height, std::max(geometry.Grid, 1)});
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
    if (const std::optional<QString> path = dialogs_.ChooseOpenFile(QString(), OpenFilter(), initialDir))
        OpenDocument(*path);
}

void TFileCommands::OpenDocument(const QString& path)
{
    if (QFileInfo(path).size() < kBackgroundOpenBytes) {
        TDocument document = ReadDocument(path); // throws before anything is discarded
        OpenedDocument(document, path);
        return;
    }
    // The new tree is seen by nothing until it is shown: it is built on the
    // job's thread, and a failed or cancelled read frees it there.
    auto document = std::make_shared<TDocument>();
    opening_ = true;
    job_.Start([path, document](TFileProgress& progress) { *document = ReadDocument(path, &progress); },
               [this, path, document] { OpenedDocument(*document, path); });
}

void TFileCommands::OpenedDocument(TDocument& document, const QString& path)
{
    opening_ = false;
    ShowDocument(document, path);
    TIniFile settings = OpenSettings(settingsPath_);
    WritePathSetting(settings, "LastDir", path);
}

void TFileCommands::FinishFileJob()
{
    if (opening_)
        job_.Cancel();
    job_.Wait();
    opening_ = false;
}

void TFileCommands::OpenRecovered(const QString& recoveryFile, const QString& documentPath)
{
    TDocument document = ReadDocument(recoveryFile);
    ShowDocument(document, documentPath);
    tree_.MarkUnsaved();
}

void TFileCommands::ShowDocument(TDocument& document, const QString& documentPath)
{
    main_.CreateMode = false;
    main_.CurrentTool = TTool::Rectangle;
    main_.SetPasteEnabled(false);
    main_.ShowDocumentWindows();
    tree_.ReplaceContents(*document.Tree);
    SetDocumentPath(documentPath);
    canvas_.ClearSelection();
    if (document.Canvas)
        ApplyCanvasGeometry(*document.Canvas);
    canvas_.SetBackColor(clWhite);
    canvas_.Repaint();
    main_.SetSaveEnabled(!documentPath.isEmpty());
}

void TFileCommands::Save1Click()
{
    if (documentPath_.isEmpty())
        SaveAs1Click();
    else
        WriteDrawing(documentPath_, [] {});
}

bool TFileCommands::SaveDocument()
{
    Save1Click();
    job_.Wait();
    return !tree_.History().IsModified();
}

void TFileCommands::WriteDrawing(const QString& path, std::function<void()> saved)
{
    auto markSaved = [this, saved = std::move(saved)](const std::vector<TTreeNode*>& fileOrder) {
        tree_.TakeFileIds(fileOrder);
        tree_.MarkSaved();
        saved();
    };
    const TCanvasGeometry canvas = CanvasGeometry();
    if (tree_.NodeCount() < kBackgroundSaveNodes) {
        markSaved(WriteDocumentFile(path, tree_, canvas));
        return;
    }
    // The job's thread only reads the tree; edits are refused until it ends.
    auto fileOrder = std::make_shared<std::vector<TTreeNode*>>();
    job_.Start([this, path, canvas, fileOrder](TFileProgress& progress) {
                   *fileOrder = WriteDocumentFile(path, tree_, canvas, &progress);
               },
               [fileOrder, markSaved] { markSaved(*fileOrder); });
}

void TFileCommands::SaveAs1Click()
{
    TIniFile settings = OpenSettings(settingsPath_);
    const QString initialDir = FolderOf(ReadPathSetting(settings, "LastDir"), executableDir_);
    const std::optional<TUserDialogs::TSaveChoice> choice = dialogs_.ChooseSaveFile(QString(), SaveAsFilter(), initialDir);
    if (!choice)
        return;
    const TFileFormat& format = SaveAsFormat(choice->FilterIndex);
    const QString path = WithExtension(choice->Path, format.Extension());
    if (format.CanRead) {
        // A format the editor reads back holds the drawing itself: it becomes
        // the drawing's own file.
        WriteDrawing(path, [this, path] {
            SetDocumentPath(path);
            TIniFile settings = OpenSettings(settingsPath_);
            WritePathSetting(settings, "LastDir", path);
            main_.SetSaveEnabled(true);
        });
        return;
    }
    Export(format, path);
    WritePathSetting(settings, "LastDir", path);
}

void TFileCommands::Export(const TFileFormat& format, const QString& path)
{
    TCanvasBackground background = canvas_.Background();
    background.ShowGrid = false;
    TExportSource source{tree_, CanvasGeometry(), background};
    source.Canvas.Width = canvas_.ImageWidth();
    source.Canvas.Height = canvas_.ImageHeight();
    if (format.Id == TFileFormatId::Metafile && exporters_.Metafile) {
        exporters_.Metafile(path, tree_, source.Canvas.Width, source.Canvas.Height);
        return;
    }
    if (!format.NeedsPixels) {
        format.Write(source, path);
        return;
    }
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
    source.Pixels = &canvas_.Surface().Bitmap();
    if (format.Id == TFileFormatId::Bitmap && exporters_.Bitmap)
        exporters_.Bitmap(*source.Pixels, path);
    else
        format.Write(source, path);
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
