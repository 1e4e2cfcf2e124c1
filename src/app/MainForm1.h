#pragma once

#include "canvas/MainState.h"

#include <QMainWindow>

#include <functional>

class QAction;
class QActionGroup;
class QComboBox;
class QSpinBox;
class QToolBar;

namespace qm {

// What the main window's menus act on; the application wires it once every
// window exists.
struct TMainWindowCommands {
    std::function<void()> New, Open, Save, SaveAs, Print;
    std::function<void()> Undo, Redo;
    std::function<void()> Cut, Copy, Paste, Delete, SelectAll, Duplicate;
    std::function<void()> BringToFront, BringForward, SendBackward, SendToBack;
    // An entry of "最近使ったファイル" chosen.
    std::function<void(const QString& path)> OpenRecent;
    std::function<void()> ShowTree, ShowCanvas;
    std::function<void()> ToggleGrid, ToggleTraceImage;
    std::function<void()> ZoomIn, ZoomOut, ZoomActualSize, ZoomToFit, ToggleSmooth;
    std::function<void()> Font, Background, CanvasSettings;
    std::function<void()> EditObject, InsertExtensionObject, SaveExtensionObject;
    std::function<void()> NewGroup, Group, Ungroup;
    std::function<void()> About;
    // The font bar changed (list, size, bold, italic, underline).
    std::function<void()> FontBarChanged;
    // The main window closes: the application writes its settings and ends.
    std::function<void()> Closing;
};

// The main window "Quillmark1.1.0.0": a strip of fixed height with the menu
// bar and the three tool bars (file commands, shape tools, font bar). It is
// the main-window state the canvas reads (tool, paste offset) and presses or
// raises its own buttons when the canvas or the commands ask.
class TMainForm1 final : public QMainWindow, public TMainState {
    Q_OBJECT

public:
    explicit TMainForm1(QWidget* parent = nullptr);

    void SetCommands(TMainWindowCommands commands) { commands_ = std::move(commands); }

    // TMainState
    void ReleaseTool() override;
    void LoadFontBar(const TFont& font) override;
    void RaiseFontStyleButtons() override;
    void SetPasteEnabled(bool enabled) override;
    void SetSaveEnabled(bool enabled) override;
    void ShowDocumentWindows() override;

    // Index of `name` (UTF-8) in the font list, searched from index 8 on; -1 if absent.
    int FindFontIndex(const QString& name) const;
    // The font bar's font: a copy of `base` with the list's name (kept when
    // the list has no selection), the size and the three styles.
    TFont FontBarFont(const TFont& base) const;

    // "元に戻す" and "やり直し" name the step each would take, enabled only
    // when there is one (an empty name: none).
    void ShowHistory(const QString& undoName, const QString& redoName);

    // "最近使ったファイル": the drawings, newest first; disabled when none.
    void ShowRecentFiles(const QStringList& paths);

    void SetGridChecked(bool checked);
    void SetTraceImageChecked(bool checked);
    void SetSmoothChecked(bool checked);

    // The title: the drawing's name, marked "*" while it has unsaved changes.
    void ShowDocument(const QString& name, bool modified);
    // Asked before the window closes; false keeps it open.
    std::function<bool()> QueryClose;

    // Other windows whose paste items follow the main menu's.
    std::function<void(bool)> PasteEnabledChanged;
    std::function<void()> DocumentWindowsShown;

    QAction* SaveAction() const { return saveAction_; }
    QAction* PasteAction() const { return pasteAction_; }
    QAction* UndoAction() const { return undoAction_; }
    QAction* RedoAction() const { return redoAction_; }
    QSpinBox* FontSize() const { return fontSize_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildToolBars();
    QToolBar* BuildFileBar();
    QToolBar* BuildShapeBar();
    QToolBar* BuildFontBar();
    using TCommand = std::function<void()> TMainWindowCommands::*;
    QAction* AddMenuItem(QMenu* menu, const QString& caption, TCommand command, const QKeySequence& shortcut = {});
    void Run(TCommand command);
    void ToolButton1MouseUp();
    void ComboBox1Change();

    TMainWindowCommands commands_;
    QAction* saveAction_ = nullptr;
    QAction* saveButton_ = nullptr;
    QAction* pasteAction_ = nullptr;
    QAction* undoAction_ = nullptr;
    QAction* redoAction_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QAction* gridAction_ = nullptr;
    QAction* traceAction_ = nullptr;
    QAction* smoothAction_ = nullptr;
    QActionGroup* shapeTools_ = nullptr;
    QList<QAction*> shapeButtons_; // ToolButton14, ToolButton1 .. ToolButton6
    QComboBox* fontList_ = nullptr;
    QSpinBox* fontSize_ = nullptr;
    QAction* boldButton_ = nullptr;
    QAction* italicButton_ = nullptr;
    QAction* underlineButton_ = nullptr;
    bool loadingFontBar_ = false;
};

} // namespace qm
