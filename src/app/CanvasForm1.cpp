#include "CanvasForm1.h"

#include "canvas/EditCommands.h"
#include "platform/ShiftJis.h"
#include "qtplatform/PainterCanvas.h"
#include "qtplatform/QtBitmap.h"
#include "qtplatform/QtFont.h"
#include "qtplatform/QtText.h"
#include "qtplatform/RasterCanvas.h"
#include "qtplatform/RasterFonts.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace qm {

namespace {

// The in-place editor takes plain text from the clipboard and nothing else.
// Qt's own paste of whatever the clipboard offers crashed inside Qt Widgets
// on an X display whose clipboard had no owner.
class TMemo final : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override { return source && source->hasText(); }
    void insertFromMimeData(const QMimeData* source) override
    {
        if (source && source->hasText())
            insertPlainText(source->text());
    }
};

// The zoom levels the keys and the wheel step through.
constexpr std::array<double, 14> kZoomLevels = {0.1, 0.25,  1.0 / 3, 0.5, 2.0 / 3, 1, 1.5,
                                                2,   3,     4,       6,   8,       12, 16};
// A wheel notch is 15 degrees, reported in eighths of a degree.
constexpr int kWheelNotch = 120;

// The direction an arrow key moves the selection; (0, 0) for any other key.
QPoint ArrowDirection(int key)
{
    switch (key) {
    case Qt::Key_Left: return {-1, 0};
    case Qt::Key_Right: return {1, 0};
    case Qt::Key_Up: return {0, -1};
    case Qt::Key_Down: return {0, 1};
    default: return {};
    }
}

TCanvasWindow::TMouse MouseOf(const QMouseEvent* event, bool doubleClick, bool pressed)
{
    TCanvasWindow::TMouse mouse;
    const Qt::MouseButtons buttons = pressed ? Qt::MouseButtons(event->button()) : event->buttons();
    if (buttons & Qt::LeftButton)
        mouse.Buttons |= TCanvasWindow::mbLeft;
    if (buttons & Qt::RightButton)
        mouse.Buttons |= TCanvasWindow::mbRight;
    if (buttons & Qt::MiddleButton)
        mouse.Buttons |= TCanvasWindow::mbMiddle;
    mouse.Shift = event->modifiers().testFlag(Qt::ShiftModifier);
    mouse.DoubleClick = doubleClick;
    return mouse;
}

} // namespace

// --- TCanvasPicture ---------------------------------------------------------------

TCanvasPicture::TCanvasPicture(QWidget* parent) : QWidget(parent), fonts_(std::make_unique<TRasterFontCache>())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    // A click gives the canvas the keyboard, for the arrow keys and Escape.
    setFocusPolicy(Qt::ClickFocus);
}

TCanvasPicture::~TCanvasPicture() = default;

void TCanvasPicture::SyncSize()
{
    if (!canvas_)
        return;
    const QSize viewSize(ToView(canvas_->ImageWidth()), ToView(canvas_->ImageHeight()));
    if (size() != viewSize)
        setFixedSize(viewSize);
}

void TCanvasPicture::SetZoom(double zoom)
{
    zoom_ = zoom;
    SyncSize();
    update();
}

void TCanvasPicture::SetSmooth(bool smooth)
{
    smooth_ = smooth;
    update();
}

QPoint TCanvasPicture::ToCanvas(QPointF position) const
{
    if (zoom_ == 1)
        return position.toPoint();
    return QPoint(static_cast<int>(std::floor(position.x() / zoom_)), static_cast<int>(std::floor(position.y() / zoom_)));
}

int TCanvasPicture::ToView(double u) const
{
    return static_cast<int>(std::ceil(u * zoom_ - 1e-9));
}

void TCanvasPicture::DrawView(const QRect& needed)
{
    const TViewKey key{canvas_->SurfaceRevision(), zoom_, smooth_, size()};
    if (key == viewKey_ && viewRect_.contains(needed))
        return;
    if (!view_.isNull() && viewRect_.contains(needed) && key.Zoom == viewKey_.Zoom && key.Smooth == viewKey_.Smooth
        && key.Size == viewKey_.Size) {
        // Only the surface was drawn on: draw again the part it changed.
        DrawViewPart(ToViewRect(canvas_->DamageSince(viewKey_.SurfaceRevision)));
        viewKey_ = key;
        return;
    }
    // The part of the picture the scroll box shows, and what is asked for.
    QRect area = visibleRegion().boundingRect().united(needed).intersected(rect());
    if (area.isEmpty())
        area = needed;
    view_ = QImage(area.size(), QImage::Format_RGB32);
    viewRect_ = area;
    viewKey_ = key;
    DrawViewPart(area);
}

QRect TCanvasPicture::ToViewRect(const TRect& area) const
{
    if (area.IsEmpty())
        return {};
    // Smoothed edges reach a pixel or two past the units they belong to.
    constexpr int kBleed = 2;
    const int left = static_cast<int>(std::floor(area.Left * zoom_)) - kBleed;
    const int top = static_cast<int>(std::floor(area.Top * zoom_)) - kBleed;
    const int right = static_cast<int>(std::ceil((static_cast<double>(area.Right) + 1) * zoom_)) + kBleed;
    const int bottom = static_cast<int>(std::ceil((static_cast<double>(area.Bottom) + 1) * zoom_)) + kBleed;
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

void TCanvasPicture::DrawViewPart(const QRect& part)
{
    const QRect drawn = part.intersected(viewRect_);
    if (drawn.isEmpty())
        return;
    QPainter painter(&view_);
    painter.translate(-viewRect_.topLeft());
    painter.setClipRect(drawn);
    painter.fillRect(drawn, Qt::white);
    painter.scale(zoom_, zoom_);
    // The canvas units under the part, with those whose smoothed edges reach into it.
    const TRect units{static_cast<std::int32_t>(std::floor(drawn.left() / zoom_)) - 1,
                      static_cast<std::int32_t>(std::floor(drawn.top() / zoom_)) - 1,
                      static_cast<std::int32_t>(std::floor(drawn.right() / zoom_)) + 1,
                      static_cast<std::int32_t>(std::floor(drawn.bottom() / zoom_)) + 1};
    TPainterCanvas canvas(painter, canvas_->ImageWidth(), canvas_->ImageHeight(), {.Smooth = smooth_}, fonts_.get());
    canvas_->DrawDrawingPart(canvas, units);
}

void TCanvasPicture::paintEvent(QPaintEvent* event)
{
    if (!canvas_)
        return;
    QPainter painter(this);
    if (ShowsPicture()) {
        painter.drawImage(event->rect(), BitmapImage(canvas_->Picture()), event->rect());
        return;
    }
    DrawView(event->rect());
    const QRect part = event->rect();
    if (canvas_->Overlay().Empty()) {
        painter.drawImage(part, view_, part.translated(-viewRect_.topLeft()));
        return;
    }
    // The marks go on a copy of the part, drawn as on the picture: a whole
    // selection of a large drawing is over a million shapes, gathered.
    QImage marked = view_.copy(part.translated(-viewRect_.topLeft()));
    {
        TRasterCanvas marks(marked);
        canvas_->Overlay().Draw(marks, zoom_, {part.left(), part.top(), part.right(), part.bottom()});
    }
    painter.drawImage(part.topLeft(), marked);
}

void TCanvasPicture::wheelEvent(QWheelEvent* event)
{
    if (!event->modifiers().testFlag(Qt::ControlModifier)) {
        // The scroll box scrolls: handed to it here, as an event passed on
        // by ignoring it reaches it only when it came from the window system.
        if (QWidget* viewport = parentWidget()) {
            QWheelEvent scroll(mapTo(viewport, event->position()), event->globalPosition(), event->pixelDelta(),
                               event->angleDelta(), event->buttons(), event->modifiers(), event->phase(),
                               event->inverted(), event->source());
            QCoreApplication::sendEvent(viewport, &scroll);
        }
        event->accept();
        return;
    }
    wheelSteps_ += event->angleDelta().y();
    const int steps = wheelSteps_ / kWheelNotch;
    wheelSteps_ -= steps * kWheelNotch;
    if (steps != 0)
        emit ZoomWheel(steps, event->position().toPoint());
    event->accept();
}

void TCanvasPicture::Press(QMouseEvent* event, bool doubleClick)
{
    if (!canvas_)
        return;
    const QPoint at = ToCanvas(event->position());
    canvas_->Image1MouseDown(MouseOf(event, doubleClick, true), at.x(), at.y());
    if (event->button() == Qt::RightButton)
        emit ContextMenuRequested(event->globalPosition().toPoint());
}

void TCanvasPicture::mousePressEvent(QMouseEvent* event)
{
    Press(event, false);
}

void TCanvasPicture::mouseDoubleClickEvent(QMouseEvent* event)
{
    Press(event, true);
}

void TCanvasPicture::mouseMoveEvent(QMouseEvent* event)
{
    if (!canvas_)
        return;
    const QPoint at = ToCanvas(event->position());
    canvas_->Image1MouseMove(MouseOf(event, false, false), at.x(), at.y());
}

void TCanvasPicture::mouseReleaseEvent(QMouseEvent* event)
{
    if (!canvas_)
        return;
    const QPoint at = ToCanvas(event->position());
    canvas_->Image1MouseUp(MouseOf(event, false, true), at.x(), at.y());
}

void TCanvasPicture::keyPressEvent(QKeyEvent* event)
{
    const QPoint direction = ArrowDirection(event->key());
    if (!canvas_ || (direction.isNull() && event->key() != Qt::Key_Escape)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (direction.isNull()) {
        canvas_->CancelGesture();
        return;
    }
    const std::int32_t step = event->modifiers().testFlag(Qt::ShiftModifier) ? canvas_->GridStep() : 1;
    canvas_->NudgeSelection(direction.x() * step, direction.y() * step);
}

void TCanvasPicture::keyReleaseEvent(QKeyEvent* event)
{
    // A held key repeats press and release; only the real release ends the run.
    if (canvas_ && !ArrowDirection(event->key()).isNull() && !event->isAutoRepeat()) {
        canvas_->EndNudge();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

// --- TCanvasForm1 ----------------------------------------------------------------

TCanvasForm1::TCanvasForm1(TObjectTree& tree, TMainState& main, const TCanvasGeometry& settings,
                           QStringList templateFolders, QWidget* parent)
    // The window's font and the memo's first font: "ＭＳ Ｐゴシック", 12 pixels.
    : QWidget(parent, Qt::Window), memoFont_(DefaultItemFont())
{
    setWindowTitle(QStringLiteral("キャンバス"));
    setFont(ToQFont(DefaultItemFont()));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    scrollBox_ = new QScrollArea(this);
    scrollBox_->setFrameShape(QFrame::NoFrame);
    scrollBox_->setWidgetResizable(false);
    picture_ = new TCanvasPicture(scrollBox_);
    scrollBox_->setWidget(picture_);
    layout->addWidget(scrollBox_);
    statusBar_ = new QStatusBar(this);
    statusBar_->showMessage(QStringLiteral("　起動完了"));
    statusBar_->setSizeGripEnabled(true);
    zoomLabel_ = new QLabel(statusBar_);
    zoomLabel_->setObjectName(QStringLiteral("ZoomLabel"));
    zoomLabel_->setToolTip(QStringLiteral("表示倍率"));
    statusBar_->addPermanentWidget(zoomLabel_);
    layout->addWidget(statusBar_);

    memo_ = new TMemo(picture_);
    memo_->setFrameShape(QFrame::NoFrame);
    memo_->setStyleSheet(QStringLiteral("QPlainTextEdit { background: white; color: black; }"));
    memo_->setFont(ToQFont(memoFont_));
    memo_->hide();

    canvas_ = std::make_unique<TCanvasWindow>(tree, main, *this, settings, std::move(templateFolders));
    picture_->SetCanvas(canvas_.get());
    canvas_->OnPictureChanged = [this] {
        if (picture_->size() != QSize(canvas_->ImageWidth(), canvas_->ImageHeight()))
            FitToPicture();
        picture_->update();
        if (canvas_->PreparationPending())
            preparation_.start();
    };
    preparation_.setInterval(0);
    connect(&preparation_, &QTimer::timeout, this, [this] {
        // One block of bounding, half on each thread: about 15 ms, so that
        // input waits no longer than a frame or so.
        constexpr std::size_t kItemsPerStep = 8192;
        if (canvas_->PrepareSome(kItemsPerStep))
            preparation_.stop();
    });
    FitToPicture();
    connect(picture_, &TCanvasPicture::ContextMenuRequested, this, &TCanvasForm1::ShowContextMenu);
    connect(picture_, &TCanvasPicture::ZoomWheel, this, [this](int steps, const QPoint& position) {
        const QPoint anchor = picture_->mapTo(scrollBox_->viewport(), position);
        for (int i = 0; i < std::abs(steps); ++i) {
            if (steps > 0)
                ZoomIn(anchor);
            else
                ZoomOut(anchor);
        }
    });
    zoomLabel_->setText(ZoomText());
    BuildContextMenu();
}

void TCanvasForm1::FitToPicture()
{
    picture_->SyncSize();
    // Large enough for the whole canvas, within reason; scroll bars do the rest.
    const QSize chrome = size() - scrollBox_->viewport()->size();
    resize(std::min(canvas_->ImageWidth(), 1000) + chrome.width(), std::min(canvas_->ImageHeight(), 700) + chrome.height());
}

TCanvasForm1::~TCanvasForm1()
{
    // The canvas logic calls back into the memo while it is torn down.
    canvas_->OnPictureChanged = nullptr;
    preparation_.stop();
    picture_->SetCanvas(nullptr);
    canvas_.reset();
}

void TCanvasForm1::BuildContextMenu()
{
    contextMenu_ = new QMenu(this);
    contextMenu_->addAction(QStringLiteral("オブジェクトの編集(&O)"), this, [this] { canvas_->EditSelection(); });
    contextMenu_->addSeparator();
    contextMenu_->addAction(QStringLiteral("切り取り(&C)"), this, [this] {
        if (commands_)
            commands_->CutSelection();
    });
    pasteAction_ = contextMenu_->addAction(QStringLiteral("貼り付け(&P)"), this, [this] {
        if (commands_)
            commands_->PasteClipboard();
    });
    pasteAction_->setEnabled(false);
    contextMenu_->addAction(QStringLiteral("削除(&D)"), this, [this] {
        if (commands_)
            commands_->DeleteSelection();
    });
    contextMenu_->addAction(QStringLiteral("コピー(&C)"), this, [this] {
        if (commands_)
            commands_->CopySelection();
    });
    contextMenu_->addSeparator();
    contextMenu_->addAction(QStringLiteral("グループ化"), this, [this] {
        if (commands_)
            commands_->GroupSelection();
    });
}

void TCanvasForm1::ShowContextMenu(const QPoint& globalPosition)
{
    contextMenu_->popup(globalPosition);
}

QString TCanvasForm1::StatusText() const
{
    return statusBar_->currentMessage();
}

void TCanvasForm1::ShowStatus(const QString& text)
{
    statusBar_->showMessage(text);
}

void TCanvasForm1::SetPasteEnabled(bool enabled)
{
    pasteAction_->setEnabled(enabled);
}

void TCanvasForm1::closeEvent(QCloseEvent* event)
{
    if (closeAllowed_) {
        QWidget::closeEvent(event);
        return;
    }
    event->ignore();
    hide();
}

void TCanvasForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (firstShow_) {
        firstShow_ = false;
        canvas_->Repaint();
    }
}

bool TCanvasForm1::HasFocus() const
{
    return memoShown_ && memo_->hasFocus();
}

double TCanvasForm1::Zoom() const
{
    return picture_->Zoom();
}

QString TCanvasForm1::ZoomText() const
{
    return QStringLiteral("%1%").arg(std::round(Zoom() * 100));
}

void TCanvasForm1::SetZoom(double zoom, std::optional<QPoint> anchor)
{
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    const double old = Zoom();
    if (zoom == old)
        return;
    QWidget* viewport = scrollBox_->viewport();
    const QPoint at = anchor.value_or(viewport->rect().center());
    QScrollBar* horizontal = scrollBox_->horizontalScrollBar();
    QScrollBar* vertical = scrollBox_->verticalScrollBar();
    // The canvas point under the anchor, in canvas units.
    const QPointF point((at.x() - picture_->x()) / old, (at.y() - picture_->y()) / old);
    canvas_->SetViewScale(zoom);
    picture_->SetZoom(zoom);
    PlaceMemo();
    horizontal->setValue(static_cast<int>(std::lround(point.x() * zoom - at.x())));
    vertical->setValue(static_cast<int>(std::lround(point.y() * zoom - at.y())));
    zoomLabel_->setText(ZoomText());
}

void TCanvasForm1::ZoomIn(std::optional<QPoint> anchor)
{
    const double zoom = Zoom();
    const auto next = std::find_if(kZoomLevels.begin(), kZoomLevels.end(), [zoom](double level) {
        return level > zoom * 1.0001;
    });
    SetZoom(next == kZoomLevels.end() ? kMaxZoom : *next, anchor);
}

void TCanvasForm1::ZoomOut(std::optional<QPoint> anchor)
{
    const double zoom = Zoom();
    const auto next = std::find_if(kZoomLevels.rbegin(), kZoomLevels.rend(), [zoom](double level) {
        return level < zoom / 1.0001;
    });
    SetZoom(next == kZoomLevels.rend() ? kMinZoom : *next, anchor);
}

void TCanvasForm1::ZoomToFit()
{
    const QSize room = scrollBox_->maximumViewportSize();
    const double zoom = std::min(static_cast<double>(room.width()) / std::max(canvas_->ImageWidth(), 1),
                                 static_cast<double>(room.height()) / std::max(canvas_->ImageHeight(), 1));
    SetZoom(zoom);
}

bool TCanvasForm1::Smooth() const
{
    return picture_->Smooth();
}

void TCanvasForm1::SetSmooth(bool smooth)
{
    picture_->SetSmooth(smooth);
}

void TCanvasForm1::PlaceMemo()
{
    if (!memoShown_)
        return;
    const int left = picture_->ToView(memoBox_.left());
    const int top = picture_->ToView(memoBox_.top());
    memo_->setGeometry(left, top, picture_->ToView(memoBox_.left() + memoBox_.width()) - left,
                       picture_->ToView(memoBox_.top() + memoBox_.height()) - top);
    QFont font = ToQFont(memoFont_);
    if (Zoom() != 1 && font.pixelSize() > 0)
        font.setPixelSize(std::max(1, static_cast<int>(std::lround(font.pixelSize() * Zoom()))));
    memo_->setFont(font);
}

void TCanvasForm1::Show(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                        const std::string& text)
{
    memoBox_ = QRect(left, top, width, height);
    memoShown_ = true;
    PlaceMemo();
    memo_->setPlainText(ItemTextToQString(text));
    memo_->document()->setModified(false);
    memoOriginal_ = text;
    memo_->show();
    memo_->setFocus();
}

void TCanvasForm1::Hide()
{
    memo_->clear();
    memo_->hide();
    memoShown_ = false;
}

std::string TCanvasForm1::Text() const
{
    return memo_->document()->isModified() ? QStringToItemText(memo_->toPlainText()) : memoOriginal_;
}

void TCanvasForm1::SetFont(const TFont& font)
{
    memoFont_ = font;
    memo_->setFont(ToQFont(font));
    PlaceMemo();
}

} // namespace qm
