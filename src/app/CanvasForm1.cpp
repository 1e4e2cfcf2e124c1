#include "CanvasForm1.h"

#include "canvas/EditCommands.h"
#include "platform/ShiftJis.h"
#include "qtplatform/QtBitmap.h"
#include "qtplatform/QtFont.h"
#include "qtplatform/QtText.h"
#include "qtplatform/RasterFonts.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStatusBar>
#include <QVBoxLayout>

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

TCanvasPicture::TCanvasPicture(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
}

void TCanvasPicture::SyncSize()
{
    if (canvas_ && size() != QSize(canvas_->ImageWidth(), canvas_->ImageHeight()))
        setFixedSize(canvas_->ImageWidth(), canvas_->ImageHeight());
}

void TCanvasPicture::paintEvent(QPaintEvent* event)
{
    if (!canvas_)
        return;
    QPainter painter(this);
    painter.drawImage(event->rect(), BitmapImage(canvas_->Picture()), event->rect());
}

void TCanvasPicture::Press(QMouseEvent* event, bool doubleClick)
{
    if (!canvas_)
        return;
    const QPoint at = event->position().toPoint();
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
    const QPoint at = event->position().toPoint();
    canvas_->Image1MouseMove(MouseOf(event, false, false), at.x(), at.y());
}

void TCanvasPicture::mouseReleaseEvent(QMouseEvent* event)
{
    if (!canvas_)
        return;
    const QPoint at = event->position().toPoint();
    canvas_->Image1MouseUp(MouseOf(event, false, true), at.x(), at.y());
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
    };
    FitToPicture();
    connect(picture_, &TCanvasPicture::ContextMenuRequested, this, &TCanvasForm1::ShowContextMenu);
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

void TCanvasForm1::Show(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height,
                        const std::string& text)
{
    memo_->setGeometry(left, top, width, height);
    memo_->setPlainText(ItemTextToQString(text));
    memo_->document()->setModified(false);
    memoOriginal_ = text;
    memoShown_ = true;
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
}

} // namespace qm
