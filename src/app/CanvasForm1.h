#pragma once

#include "canvas/CanvasWindow.h"
#include "canvas/MainState.h"

#include <QWidget>

#include <memory>

class QAction;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QStatusBar;

namespace qm {

class TEditCommands;

// The picture control Image1: shows the canvas window's picture at one pixel
// per canvas unit and turns Qt mouse events into the canvas's handlers.
class TCanvasPicture final : public QWidget {
    Q_OBJECT

public:
    explicit TCanvasPicture(QWidget* parent);
    void SetCanvas(TCanvasWindow* canvas) { canvas_ = canvas; }
    // Follows the picture's size after the canvas was resized.
    void SyncSize();

signals:
    void ContextMenuRequested(const QPoint& globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Press(QMouseEvent* event, bool doubleClick);

    TCanvasWindow* canvas_ = nullptr;
};

// The canvas window "キャンバス": a scroll box holding the picture, the
// borderless memo for editing an item's text in place, the status bar and
// the picture's context menu. It owns the canvas logic; closing it only
// hides it.
class TCanvasForm1 final : public QWidget, public TTextBox {
    Q_OBJECT

public:
    TCanvasForm1(TObjectTree& tree, TMainState& main, const TCanvasGeometry& settings, QStringList templateFolders,
                 QWidget* parent = nullptr);
    ~TCanvasForm1() override;

    TCanvasWindow& Canvas() { return *canvas_; }
    // The context menu's commands; set once the commands exist.
    void SetCommands(TEditCommands* commands) { commands_ = commands; }
    void SetPasteEnabled(bool enabled);
    // The status bar's message.
    QString StatusText() const;
    void ShowStatus(const QString& text);
    // Closing the window hides it, until the program ends.
    void AllowClose() { closeAllowed_ = true; }

    // TTextBox: the memo Memo1.
    bool Visible() const override { return memoShown_; }
    bool HasFocus() const override;
    void Show(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
              const std::string& text) override;
    void Hide() override;
    std::string Text() const override;
    TFont Font() const override { return memoFont_; }
    void SetFont(const TFont& font) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildContextMenu();
    void FitToPicture();
    void ShowContextMenu(const QPoint& globalPosition);

    QScrollArea* scrollBox_ = nullptr;
    TCanvasPicture* picture_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    bool memoShown_ = false;
    // The item's text as it came, returned unchanged when the user typed nothing.
    std::string memoOriginal_;
    TFont memoFont_;
    QMenu* contextMenu_ = nullptr;
    QAction* pasteAction_ = nullptr;
    TEditCommands* commands_ = nullptr;
    std::unique_ptr<TCanvasWindow> canvas_;
    bool firstShow_ = true;
    bool closeAllowed_ = false;
};

} // namespace qm
