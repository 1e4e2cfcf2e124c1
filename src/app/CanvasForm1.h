#pragma once

#include "canvas/CanvasWindow.h"
#include "canvas/MainState.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QScrollArea;
class QStatusBar;

namespace qm {

class TEditCommands;
class TRasterFontCache;

// The picture control Image1: shows the canvas window's picture and turns Qt
// mouse events into the canvas's handlers, positions in canvas units.
//
// At 100 % without smoothing it shows the picture's pixels as they are. At
// another zoom, or smoothed, it draws the drawing itself through the
// painter canvas at that scale, as vectors (kept as an image of the part in
// view until the surface is drawn anew), and the picture's marks over it at
// their own size on the screen.
class TCanvasPicture final : public QWidget {
    Q_OBJECT

public:
    explicit TCanvasPicture(QWidget* parent);
    ~TCanvasPicture() override;
    void SetCanvas(TCanvasWindow* canvas) { canvas_ = canvas; }
    // Follows the picture's size (times the zoom) after the canvas was resized.
    void SyncSize();

    // View pixels per canvas unit.
    double Zoom() const { return zoom_; }
    void SetZoom(double zoom);
    bool Smooth() const { return smooth_; }
    void SetSmooth(bool smooth);
    // The canvas unit under a point of the widget.
    QPoint ToCanvas(QPointF position) const;
    // Where canvas unit `u` begins in the widget.
    int ToView(double u) const;

signals:
    void ContextMenuRequested(const QPoint& globalPosition);
    // The wheel turned with Ctrl held: `steps` notches up (positive) or down.
    void ZoomWheel(int steps, const QPoint& position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // The arrow keys move the selection (with Shift by a grid step); Escape
    // takes back what the mouse is doing.
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Press(QMouseEvent* event, bool doubleClick);
    // The pixels are the picture's own.
    bool ShowsPicture() const { return zoom_ == 1 && !smooth_; }
    // Draws the drawing into the image of the part in view, when that does
    // not hold this drawing at this zoom already: after the surface alone
    // changed, only the part the canvas reports changed, and always only
    // the items that reach into what is drawn.
    void DrawView(const QRect& needed);
    // Draws the view pixels `part` of the image again.
    void DrawViewPart(const QRect& part);
    // The view pixels that show canvas units `area`, with the pixels that
    // smoothed edges there reach.
    QRect ToViewRect(const TRect& area) const;

    TCanvasWindow* canvas_ = nullptr;
    double zoom_ = 1;
    bool smooth_ = false;
    int wheelSteps_ = 0; // eighths of a degree not yet a whole notch
    QImage view_;
    QRect viewRect_;
    struct TViewKey {
        std::uint64_t SurfaceRevision = 0;
        double Zoom = 0;
        bool Smooth = false;
        QSize Size;
        friend bool operator==(const TViewKey&, const TViewKey&) = default;
    } viewKey_;
    std::unique_ptr<TRasterFontCache> fonts_;
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

    // The view's zoom, 10 % to 1600 %, shown in the status bar. Zooming
    // keeps the canvas point under `anchor` (a point of the scroll box's
    // view; its middle when none) where it is.
    static constexpr double kMinZoom = 0.1;
    static constexpr double kMaxZoom = 16;
    double Zoom() const;
    void SetZoom(double zoom, std::optional<QPoint> anchor = std::nullopt);
    // The next of the usual zoom levels up or down: 10, 25, 33, 50, 67, 100,
    // 150, 200, 300, 400, 600, 800, 1200, 1600 %.
    void ZoomIn(std::optional<QPoint> anchor = std::nullopt);
    void ZoomOut(std::optional<QPoint> anchor = std::nullopt);
    // The whole canvas in the window.
    void ZoomToFit();
    // "なめらか表示": shapes and text smoothed, drawn through the painter canvas.
    bool Smooth() const;
    void SetSmooth(bool smooth);
    // The status bar's zoom, "100%".
    QString ZoomText() const;

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
    // The memo over its item's box at the view's zoom, its font to scale.
    void PlaceMemo();
    void ShowContextMenu(const QPoint& globalPosition);

    QScrollArea* scrollBox_ = nullptr;
    TCanvasPicture* picture_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    QStatusBar* statusBar_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    // The box of the item whose text the memo edits, in canvas units.
    QRect memoBox_;
    bool memoShown_ = false;
    // The item's text as it came, returned unchanged when the user typed nothing.
    std::string memoOriginal_;
    TFont memoFont_;
    QMenu* contextMenu_ = nullptr;
    QAction* pasteAction_ = nullptr;
    TEditCommands* commands_ = nullptr;
    std::unique_ptr<TCanvasWindow> canvas_;
    // The canvas's preparation for the next edit, a step between events.
    QTimer preparation_;
    bool firstShow_ = true;
    bool closeAllowed_ = false;
};

} // namespace qm
