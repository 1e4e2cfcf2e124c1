#pragma once

#include "FileCommands.h"

#include "platform/Canvas.h"

#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

namespace qm {

class TAboutBox;
class TAutosave;
class TCanvasForm1;
class TCanvasForm2;
class TEditCommands;
class TEditForm1;
class TFileJob;
class TMainForm1;
class TMessageForm1;
class TObjectTree;
class TProgressForm1;
class TRecentFiles;
class TSystemClipboard;
class TTreeForm1;

// The running editor: every window, one instance each, and the commands
// between them. Windows are made in the start-up order (main window, tree
// window with the document's three fixed nodes, canvas window from the
// settings file, object editor, canvas settings, confirmation, progress and
// version dialogs); the tree itself comes first because the windows show it.
class TEditorApplication {
public:
    struct TPlaces {
        QString SettingsFile;        // "quillmark.ini"
        QString ExecutableDir;       // where the file dialogs start
        QStringList TemplateFolders; // where "Rect.udf" is looked for
    };

    // Reads a trace picture by its extension; throws TFileError.
    using TPictureLoader = std::function<std::unique_ptr<TGraphic>(const QString& path)>;

    // Makes the questions' answerer; by default the program's real dialogs.
    using TDialogsFactory = std::function<std::unique_ptr<TUserDialogs>(QWidget* parent, TMessageForm1& messageForm)>;

    TEditorApplication(const TPlaces& places, TFileCommands::TExporters exporters, TPictureLoader loadPicture,
                       TDialogsFactory makeDialogs = {});
    ~TEditorApplication();
    TEditorApplication(const TEditorApplication&) = delete;
    TEditorApplication& operator=(const TEditorApplication&) = delete;

    // Shows the main window, then the tree and canvas windows.
    void Show();
    // Opens a document given on the command line; a file error is shown.
    void OpenAtStart(const QString& path);
    // A drawing left unsaved by an editor that ended without saving it (a
    // crash, a kill): asks, then opens it as modified under its own name, or
    // deletes it. A damaged one gives the file error and is kept aside.
    void OfferRecovery();

    TMainForm1& MainForm() { return *mainForm_; }
    TTreeForm1& TreeForm() { return *treeForm_; }
    TCanvasForm1& CanvasForm() { return *canvasForm_; }
    TEditForm1& EditForm() { return *editForm_; }
    TCanvasForm2& SettingsForm() { return *canvasForm2_; }
    TObjectTree& Tree() { return *tree_; }
    TEditCommands& Commands() { return *commands_; }
    TFileCommands& Files() { return *files_; }
    TFileJob& FileJob() { return *fileJob_; }
    TUserDialogs& Dialogs() { return *dialogs_; }
    TAutosave& Autosave() { return *autosave_; }

    // Runs a command; a file that cannot be read or written is reported in a
    // message box and the program goes on. A cancelled file job ends quietly.
    void Guarded(const std::function<void()>& command);

private:
    void WireMainWindow();
    void FontBarChanged();
    void ToggleGrid();
    void ToggleTraceImage();
    // "なめらか表示": flips the canvas's smoothing and keeps the choice in the
    // settings file ("Smooth" of section "View").
    void ToggleSmooth();
    void ChooseFont();
    void ChooseBackground();
    // "印刷(&P)...": the print preview of the drawing as the canvas shows it.
    void PrintDrawing();
    void CloseProgram();
    // Asks to save a modified drawing; false when the user keeps it open.
    bool MayDiscardChanges();
    // "最近使ったファイル": the drawing's own file joins the list, which the
    // menu shows again; a chosen entry whose file is gone leaves it with
    // the file error.
    void RememberDocument();
    void OpenRecent(const QString& path);
    // The desktop's clipboard for copy, cut and paste; false when a paste
    // finds nothing it can use (said in the status bar or a message).
    void WireSystemClipboard();
    bool TakeSystemClipboard();

    class THistoryMenus;

    TPlaces places_;
    std::unique_ptr<TObjectTree> tree_;
    std::unique_ptr<TMainForm1> mainForm_;
    std::unique_ptr<TCanvasForm1> canvasForm_;
    std::unique_ptr<TMessageForm1> messageForm_;
    std::unique_ptr<TUserDialogs> dialogs_;
    std::unique_ptr<TEditCommands> commands_;
    std::unique_ptr<TEditForm1> editForm_;
    std::unique_ptr<TTreeForm1> treeForm_;
    std::unique_ptr<TCanvasForm2> canvasForm2_;
    std::unique_ptr<TProgressForm1> progressForm_;
    std::unique_ptr<TFileJob> fileJob_;
    std::unique_ptr<TAboutBox> aboutBox_;
    std::unique_ptr<TFileCommands> files_;
    std::unique_ptr<THistoryMenus> historyMenus_;
    std::unique_ptr<TAutosave> autosave_;
    std::unique_ptr<TRecentFiles> recentFiles_;
    std::unique_ptr<TSystemClipboard> systemClipboard_;
};

} // namespace qm
