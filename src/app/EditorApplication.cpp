#include "EditorApplication.h"

#include "AboutBox.h"
#include "Autosave.h"
#include "CanvasForm1.h"
#include "CanvasForm2.h"
#include "EditForm1.h"
#include "FileJob.h"
#include "MainForm1.h"
#include "MessageForm1.h"
#include "ProgressForm1.h"
#include "QtUserDialogs.h"
#include "RecentFiles.h"
#include "SettingsFile.h"
#include "SystemClipboard.h"
#include "TreeForm1.h"

#include "canvas/EditCommands.h"
#include "io/FileError.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSessionManager>

#include <algorithm>

namespace qm {

namespace {

// The edit history's memory budget: "UndoMemory" of section "Edit" in the
// settings file, in MiB.
std::size_t HistoryBudget(const TIniFile& settings)
{
    const std::int32_t mebibytes =
        settings.ReadInteger("Edit", "UndoMemory", static_cast<std::int32_t>(TEditHistory::kDefaultBudget >> 20));
    return static_cast<std::size_t>(std::max(mebibytes, 0)) << 20;
}

// Seconds between writes of the recovery file: "AutosaveSeconds" of section
// "Edit"; 0 turns autosave off.
int AutosaveInterval(const TIniFile& settings)
{
    return std::max(settings.ReadInteger("Edit", "AutosaveSeconds", 60), 0);
}

} // namespace

// Shows the edit history in the main window: undo and redo name their steps,
// and the title the drawing with its modified mark.
class TEditorApplication::THistoryMenus final : private TTreeObserver {
public:
    THistoryMenus(TObjectTree& tree, TMainForm1& mainForm, const TFileCommands& files)
        : tree_(tree), mainForm_(mainForm), files_(files)
    {
        tree_.AddObserver(this);
        HistoryChanged();
    }
    ~THistoryMenus() override { tree_.RemoveObserver(this); }

    void HistoryChanged() override
    {
        const TEditHistory& history = tree_.History();
        mainForm_.ShowHistory(QString::fromUtf8(history.UndoName()), QString::fromUtf8(history.RedoName()));
        mainForm_.ShowDocument(files_.DocumentName(), history.IsModified());
    }

private:
    TObjectTree& tree_;
    TMainForm1& mainForm_;
    const TFileCommands& files_;
};

TEditorApplication::TEditorApplication(const TPlaces& places, TFileCommands::TExporters exporters,
                                       TPictureLoader loadPicture, TDialogsFactory makeDialogs)
    : places_(places), tree_(std::make_unique<TObjectTree>()), mainForm_(std::make_unique<TMainForm1>())
{
    const TIniFile settingsFile(places_.SettingsFile.toStdString());
    const TCanvasGeometry settings = ReadCanvasSettings(settingsFile);
    tree_->SetHistoryBudget(HistoryBudget(settingsFile));
    canvasForm_ = std::make_unique<TCanvasForm1>(*tree_, *mainForm_, settings, places_.TemplateFolders);
    canvasForm_->SetSmooth(settingsFile.ReadBool("View", "Smooth", false));
    mainForm_->SetSmoothChecked(canvasForm_->Smooth());
    if (!SettingsWritable(places_.SettingsFile)) {
        canvasForm_->ShowStatus(QStringLiteral("　設定ファイル %1 に書き込めないため、設定は保存されません")
                                    .arg(QDir::toNativeSeparators(places_.SettingsFile)));
    }
    messageForm_ = std::make_unique<TMessageForm1>(mainForm_.get());
    dialogs_ = makeDialogs ? makeDialogs(mainForm_.get(), *messageForm_)
                           : std::make_unique<TQtUserDialogs>(mainForm_.get(), *messageForm_);
    commands_ = std::make_unique<TEditCommands>(*tree_, canvasForm_->Canvas(), *mainForm_, *canvasForm_, *dialogs_);
    editForm_ = std::make_unique<TEditForm1>(*tree_, *dialogs_, mainForm_.get());
    treeForm_ = std::make_unique<TTreeForm1>(*tree_, canvasForm_->Canvas(), *commands_, *editForm_);
    canvasForm2_ = std::make_unique<TCanvasForm2>(canvasForm_->Canvas(), *dialogs_, std::move(loadPicture),
                                                  mainForm_.get());
    progressForm_ = std::make_unique<TProgressForm1>(mainForm_.get());
    fileJob_ = std::make_unique<TFileJob>(*progressForm_, [this](const std::function<void()>& ending) { Guarded(ending); });
    aboutBox_ = std::make_unique<TAboutBox>(mainForm_.get());
    files_ = std::make_unique<TFileCommands>(*tree_, canvasForm_->Canvas(), *mainForm_, *dialogs_, *fileJob_,
                                             places_.SettingsFile, places_.ExecutableDir, std::move(exporters));
    canvasForm_->SetCommands(commands_.get());
    historyMenus_ = std::make_unique<THistoryMenus>(*tree_, *mainForm_, *files_);
    recentFiles_ = std::make_unique<TRecentFiles>(places_.SettingsFile);
    mainForm_->ShowRecentFiles(recentFiles_->Files());
    files_->DocumentChanged = [this] {
        historyMenus_->HistoryChanged();
        RememberDocument();
        // A new or opened drawing can still take what another editor copied.
        if (TSystemClipboard::OffersPaste())
            mainForm_->SetPasteEnabled(true);
    };
    autosave_ = std::make_unique<TAutosave>(*tree_, [this] { return files_->DocumentPath(); },
                                            AutosaveInterval(settingsFile));
    WireMainWindow();
    WireSystemClipboard();
}

TEditorApplication::~TEditorApplication()
{
    // The tree outlives every window that shows or edits it, and the file
    // job that reads it.
    fileJob_.reset();
    autosave_.reset();
    historyMenus_.reset();
    files_.reset();
    aboutBox_.reset();
    progressForm_.reset();
    canvasForm2_.reset();
    treeForm_.reset();
    editForm_.reset();
    commands_.reset();
    dialogs_.reset();
    messageForm_.reset();
    canvasForm_.reset();
    mainForm_.reset();
}

void TEditorApplication::Guarded(const std::function<void()>& command)
{
    try {
        command();
    } catch (const TFileError& error) {
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Quillmark"), QString::fromUtf8(error.what()));
    } catch (const TEditRefused& error) {
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Quillmark"), QString::fromUtf8(error.what()));
    } catch (const std::bad_alloc&) {
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Quillmark"),
                              QStringLiteral("メモリが足りません。"));
    } catch (const TFileCancelled&) {
        // The user stopped it: the drawing and its file stay as they were.
    }
}

void TEditorApplication::WireMainWindow()
{
    TCanvasWindow& canvas = canvasForm_->Canvas();
    auto guarded = [this](std::function<void()> command) {
        return [this, command = std::move(command)] { Guarded(command); };
    };
    TMainWindowCommands c;
    c.New = guarded([this] { files_->New1Click(); });
    c.Open = guarded([this] { files_->Open1Click(); });
    c.Save = guarded([this] { files_->Save1Click(); });
    c.SaveAs = guarded([this] { files_->SaveAs1Click(); });
    c.Print = guarded([this] { PrintDrawing(); });
    c.Undo = guarded([this] { commands_->Undo(); });
    c.Redo = guarded([this] { commands_->Redo(); });
    c.Cut = [this] { commands_->CutSelection(); };
    c.Copy = [this] { commands_->CopySelection(); };
    c.Paste = guarded([this] { commands_->PasteClipboard(); });
    c.Delete = [this] { commands_->DeleteSelection(); };
    c.SelectAll = [&canvas] { canvas.SelectAll(); };
    c.Duplicate = [this] { commands_->DuplicateSelection(); };
    c.BringToFront = [this] { commands_->RestackSelection(TObjectTree::TRestack::ToFront); };
    c.BringForward = [this] { commands_->RestackSelection(TObjectTree::TRestack::Forward); };
    c.SendBackward = [this] { commands_->RestackSelection(TObjectTree::TRestack::Backward); };
    c.SendToBack = [this] { commands_->RestackSelection(TObjectTree::TRestack::ToBack); };
    c.OpenRecent = [this](const QString& path) { Guarded([this, &path] { OpenRecent(path); }); };
    c.ShowTree = [this] {
        treeForm_->show();
        treeForm_->raise();
        treeForm_->activateWindow();
    };
    c.ShowCanvas = [this] {
        canvasForm_->show();
        canvasForm_->raise();
        canvasForm_->activateWindow();
    };
    c.ToggleGrid = [this] { ToggleGrid(); };
    c.ToggleTraceImage = [this] { ToggleTraceImage(); };
    c.ZoomIn = [this] { canvasForm_->ZoomIn(); };
    c.ZoomOut = [this] { canvasForm_->ZoomOut(); };
    c.ZoomActualSize = [this] { canvasForm_->SetZoom(1); };
    c.ZoomToFit = [this] { canvasForm_->ZoomToFit(); };
    c.ToggleSmooth = [this] { ToggleSmooth(); };
    c.Font = [this] { ChooseFont(); };
    c.Background = [this] { ChooseBackground(); };
    c.CanvasSettings = guarded([this] { canvasForm2_->Execute(); });
    c.EditObject = [&canvas] { canvas.EditSelection(); };
    c.InsertExtensionObject = guarded([this] { files_->Load1Click(); });
    c.SaveExtensionObject = guarded([this] { files_->N1Click(); });
    c.NewGroup = [this] { commands_->NewGroup(); };
    c.Group = [this] { commands_->GroupSelection(); };
    c.Ungroup = [this] { commands_->UngroupSelection(); };
    c.About = [this] { aboutBox_->exec(); };
    c.FontBarChanged = [this] { FontBarChanged(); };
    c.Closing = [this] { CloseProgram(); };
    mainForm_->SetCommands(std::move(c));
    mainForm_->QueryClose = [this] { return MayDiscardChanges(); };
    // The desktop session ends: a modified drawing is offered for saving,
    // and the user may keep the session going.
    QObject::connect(qApp, &QGuiApplication::commitDataRequest, mainForm_.get(), [this](QSessionManager& manager) {
        if (!tree_->History().IsModified() || !manager.allowsInteraction())
            return;
        const bool mayEnd = MayDiscardChanges();
        manager.release();
        if (!mayEnd)
            manager.cancel();
    });

    mainForm_->PasteEnabledChanged = [this](bool enabled) {
        treeForm_->SetPasteEnabled(enabled);
        canvasForm_->SetPasteEnabled(enabled);
    };
    mainForm_->DocumentWindowsShown = [this] {
        treeForm_->show();
        canvasForm_->show();
    };
    canvas.OnEditSelection = [this, &canvas] {
        const std::vector<TTreeNode*> selection = canvas.Selection().Nodes();
        EditSelection(*editForm_, *tree_, selection);
        canvas.Repaint();
    };
    editForm_->SetTextEntryFontReceiver([this](const TFont& font) { canvasForm_->SetFont(font); });
    canvasForm2_->SetTraceMenuCheckReceiver([this](bool checked) { mainForm_->SetTraceImageChecked(checked); });
}

void TEditorApplication::Show()
{
    mainForm_->show();
    treeForm_->move(mainForm_->x(), mainForm_->y() + mainForm_->frameGeometry().height() + 8);
    treeForm_->show();
    canvasForm_->move(treeForm_->x() + treeForm_->frameGeometry().width() + 8, treeForm_->y());
    canvasForm_->show();
}

void TEditorApplication::OpenAtStart(const QString& path)
{
    Guarded([this, &path] {
        // A recovered drawing is modified: it is offered for saving first.
        if (files_->MayDiscardChanges())
            files_->OpenDocument(path);
    });
}

void TEditorApplication::OfferRecovery()
{
    for (const TRecoveryFiles& left : TRecoveryFiles::LeftBehind()) {
        if (!dialogs_->Confirm(QStringLiteral("前回保存されずに終了した図面があります。復元しますか？"))) {
            left.Remove();
            continue;
        }
        try {
            files_->OpenRecovered(left.Drawing(), left.OriginalPath());
        } catch (const TFileError& error) {
            dialogs_->ShowError(QString::fromUtf8(error.what()));
            left.KeepAside();
            continue;
        }
        left.Remove();
        return; // one drawing at a time: the others are offered at the next start
    }
}

void TEditorApplication::WireSystemClipboard()
{
    systemClipboard_ = std::make_unique<TSystemClipboard>(*tree_);
    commands_->ClipboardFilled = [this] { Guarded([this] { systemClipboard_->Publish(); }); };
    commands_->TakeClipboard = [this] { return TakeSystemClipboard(); };
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, mainForm_.get(), [this] {
        if (TSystemClipboard::OffersPaste())
            mainForm_->SetPasteEnabled(true);
    });
    if (TSystemClipboard::OffersPaste())
        mainForm_->SetPasteEnabled(true);
}

bool TEditorApplication::TakeSystemClipboard()
{
    try {
        if (systemClipboard_->TakeIntoTemp() != TSystemClipboard::TContent::Image)
            return true;
        canvasForm_->ShowStatus(QStringLiteral("　画像は貼り付けできません"));
    } catch (const TFileError& error) {
        dialogs_->ShowError(QString::fromUtf8(error.what()));
    }
    return false;
}

void TEditorApplication::RememberDocument()
{
    if (!files_->DocumentPath().isEmpty())
        recentFiles_->Add(files_->DocumentPath());
    mainForm_->ShowRecentFiles(recentFiles_->Files());
}

void TEditorApplication::OpenRecent(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        recentFiles_->Remove(path);
        mainForm_->ShowRecentFiles(recentFiles_->Files());
        throw TFileError(TFileError::TKind::CannotOpen, path);
    }
    if (files_->MayDiscardChanges())
        files_->OpenDocument(path);
}

void TEditorApplication::FontBarChanged()
{
    TCanvasWindow& canvas = canvasForm_->Canvas();
    if (canvas.Creating() || canvas.Selection().Empty())
        return;
    const TFont font = mainForm_->FontBarFont(canvas.Selection().First()->Data()->Font);
    canvasForm_->SetFont(font);
    const TEditStepScope step(*tree_, "フォント");
    for (TTreeNode* node : canvas.Selection().Nodes())
        tree_->ApplyFont(font, node);
    if (!canvasForm_->Visible())
        canvas.Repaint();
}

void TEditorApplication::ToggleGrid()
{
    TCanvasWindow& canvas = canvasForm_->Canvas();
    canvas.ToggleGrid();
    mainForm_->SetGridChecked(canvas.ShowGrid());
}

void TEditorApplication::ToggleSmooth()
{
    canvasForm_->SetSmooth(!canvasForm_->Smooth());
    mainForm_->SetSmoothChecked(canvasForm_->Smooth());
    TIniFile settings(places_.SettingsFile.toStdString());
    settings.WriteBool("View", "Smooth", canvasForm_->Smooth());
}

void TEditorApplication::ToggleTraceImage()
{
    // The dialog's check box sets the menu's check mark and redraws the canvas.
    canvasForm2_->CheckBox2()->click();
}

void TEditorApplication::ChooseFont()
{
    dialogs_->PresetFont(mainForm_->FontBarFont(canvasForm_->Font()));
    if (const std::optional<TFont> font = dialogs_->ChooseFont())
        canvasForm_->SetFont(*font);
}

void TEditorApplication::PrintDrawing()
{
    const TCanvasWindow& canvas = canvasForm_->Canvas();
    const TCanvasBackground background = canvas.Background();
    dialogs_->PrintPreview([&](QPrinter& printer, TPrintScale scale) {
        qm::PrintDrawing(printer, *tree_, canvas.ImageWidth(), canvas.ImageHeight(), background, scale);
    });
}

void TEditorApplication::ChooseBackground()
{
    TCanvasWindow& canvas = canvasForm_->Canvas();
    if (const std::optional<TColor> color = dialogs_->ChooseColor())
        canvas.SetBackColor(*color);
    canvas.Repaint();
}

bool TEditorApplication::MayDiscardChanges()
{
    bool mayDiscard = false;
    files_->FinishFileJob();
    Guarded([this, &mayDiscard] { mayDiscard = files_->MayDiscardChanges(); });
    return mayDiscard;
}

void TEditorApplication::CloseProgram()
{
    const TCanvasWindow& canvas = canvasForm_->Canvas();
    TIniFile settings(places_.SettingsFile.toStdString());
    WriteCanvasSettings(settings, {canvas.ImageWidth(), canvas.ImageHeight(), canvas.GridStep()});
    // The canvas window only hides on close; a quit asks every window, and
    // its refusal left the program running with the tree window up.
    canvasForm_->AllowClose();
    QApplication::quit();
}

} // namespace qm
