#include "RasterCanvas.h"

#include "QtBitmap.h"
#include "QtColor.h"
#include "QtGraphics.h"

#include "platform/Cp932Characters.h"
#include "platform/PixelRaster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace qm {

namespace {

// Whether `box`, placed at the cell corner (x, y), reaches into the picture.
bool Touches(const TPixelView& pixels, const QRect& box, std::int64_t x, std::int64_t y)
{
    return x + box.right() >= pixels.Left() && y + box.bottom() >= pixels.Top() && x + box.left() < pixels.Right()
        && y + box.top() < pixels.Bottom();
}

QPen ToQPen(const TPen& pen)
{
    // A one-pixel line leaves out its end pixel like a GDI cosmetic pen; a
    // width of 0 or below draws one pixel wide, as GDI does.
    if (pen.Width <= 1)
        return QPen(ToQColor(pen.Color), 1, ToQtPenStyle(pen.Style), Qt::FlatCap, Qt::MiterJoin);
    return QPen(ToQColor(pen.Color), std::min(pen.Width, kMaxPenWidth), ToQtPenStyle(pen.Style), Qt::RoundCap,
                Qt::RoundJoin);
}

std::uint32_t ToArgb(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return 0xFF000000u | (static_cast<std::uint32_t>(RedOf(rgb)) << 16) | (static_cast<std::uint32_t>(GreenOf(rgb)) << 8)
        | static_cast<std::uint32_t>(BlueOf(rgb));
}

// Solid pens are drawn by the canvas itself; styled ones (only played
// metafiles use them) by Qt's dash patterns.
bool IsPlainPen(const TPen& pen)
{
    return pen.Style == psSolid || pen.Style == psInsideFrame;
}

} // namespace

TRasterCanvas::TRasterCanvas(QImage& image) : image_(image) {}

TRasterCanvas::~TRasterCanvas()
{
    Finish();
}

void TRasterCanvas::Finish()
{
    SettleInversions();
    if (painter_.isActive())
        painter_.end();
    pixelsKnown_ = false;
}

QPainter* TRasterCanvas::Painter()
{
    if (painter_.isActive())
        return &painter_;
    if (image_.isNull() || !painter_.begin(&image_))
        return nullptr;
    pixelsKnown_ = false; // beginning may have given the image its own copy of the pixels
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setBackgroundMode(Qt::TransparentMode);
    painter_.setBrushOrigin(0, 0);
    setup_ = TSetup::Other;
    ApplyClip();
    return &painter_;
}

QPainter* TRasterCanvas::StrokePainter()
{
    QPainter* painter = Painter();
    if (!painter)
        return nullptr;
    // A path is drawn as many strokes with one pen: set the painter up once.
    if (setup_ == TSetup::Stroke && Pen() == setupPen_)
        return painter;
    painter->setPen(ToQPen(Pen()));
    painter->setBrush(Qt::NoBrush);
    painter->setCompositionMode(CompositionOf(Pen().Mode, Pen().Style != psSolid && Pen().Style != psInsideFrame));
    // GDI centres a wide pen on the pixel at the coordinate; Qt centres it
    // on the pixel corner, which would make a width-5 line cover 4.5 pixels
    // above and 0.5 below.
    if (Pen().Width > 1)
        painter->setTransform(QTransform::fromTranslate(0.5, 0.5));
    else
        painter->resetTransform();
    setup_ = TSetup::Stroke;
    setupPen_ = Pen();
    return painter;
}

QPainter* TRasterCanvas::FillPainter()
{
    QPainter* painter = Painter();
    if (!painter)
        return nullptr;
    if (setup_ == TSetup::Fill && Brush() == setupBrush_ && Pen().Mode == setupPen_.Mode)
        return painter;
    painter->setPen(Qt::NoPen);
    painter->setBrush(ToQBrush(Brush()));
    // GDI's pen mode applies to the fill as well.
    painter->setCompositionMode(CompositionOf(Pen().Mode, Brush().Style != bsSolid));
    painter->resetTransform();
    setup_ = TSetup::Fill;
    setupBrush_ = Brush();
    setupPen_ = Pen();
    return painter;
}

TPixelView TRasterCanvas::Pixels()
{
    // Kept until Finish: whoever reads, copies or resizes the image ends
    // painting first, so until then the pixels stay where they are.
    if (!pixelsKnown_ && !image_.isNull()) {
        pixels_ = {reinterpret_cast<std::uint32_t*>(image_.bits()), image_.width(), image_.height(),
                   static_cast<std::ptrdiff_t>(image_.bytesPerLine() / 4)};
        pixelsKnown_ = true;
        ApplyClip();
    }
    return pixelsKnown_ ? pixels_ : TPixelView{};
}

void TRasterCanvas::SetClip(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    clip_ = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    ApplyClip();
}

void TRasterCanvas::ClearClip()
{
    clip_.reset();
    ApplyClip();
}

void TRasterCanvas::ApplyClip()
{
    if (pixelsKnown_) {
        pixels_.clipLeft = clip_ ? clip_->left() : 0;
        pixels_.clipTop = clip_ ? clip_->top() : 0;
        pixels_.clipRight = clip_ ? clip_->right() + 1 : INT32_MAX;
        pixels_.clipBottom = clip_ ? clip_->bottom() + 1 : INT32_MAX;
    }
    if (!painter_.isActive())
        return;
    // The transform of a wide pen must not move the clip.
    const QTransform transform = painter_.transform();
    painter_.resetTransform();
    if (clip_)
        painter_.setClipRect(*clip_);
    else
        painter_.setClipping(false);
    painter_.setTransform(transform);
}

TInversionParity* TRasterCanvas::Gathering(TPixelPaint paint)
{
    if (!gatherInversions_ || paint.mode != TPenMode::pmNotXor)
        return nullptr;
    if (inversions_ && inversions_->Argb() != paint.argb)
        SettleInversions();
    if (!inversions_)
        inversions_.emplace(image_.width(), image_.height(), paint.argb);
    return &*inversions_;
}

void TRasterCanvas::SettleInversions()
{
    if (!inversions_)
        return;
    inversions_->ApplyTo(Pixels());
    inversions_.reset();
}

void TRasterCanvas::EndInversions()
{
    SettleInversions();
    gatherInversions_ = false;
}

void TRasterCanvas::StrokeSegment(TCanvasPoint from, TCanvasPoint to)
{
    const TPixelPaint paint{ToArgb(Pen().Color), Pen().Mode};
    if (Pen().Width > 1) {
        DrawWideLine(Pixels(), from, to, Pen().Width, paint);
        return;
    }
    if (TInversionParity* parity = Gathering(paint); parity && parity->ToggleThinLine(Pixels(), from, to))
        return;
    DrawThinLine(Pixels(), from, to, paint);
}

const QVector<QPoint>& TRasterCanvas::ToQPoints(std::span<const TCanvasPoint> points)
{
    pointBuffer_.resize(static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i)
        pointBuffer_[static_cast<qsizetype>(i)] = QPoint(points[i].x, points[i].y);
    return pointBuffer_;
}

void TRasterCanvas::LineTo(std::int32_t x, std::int32_t y)
{
    SettleInversionsForPen();
    const TCanvasPoint from = PenPos();
    SetPenPos({x, y});
    if ((from.x == x && from.y == y) || Pen().Style == psClear)
        return;
    if (IsPlainPen(Pen())) {
        StrokeSegment(from, {x, y});
        return;
    }
    if (QPainter* painter = StrokePainter())
        painter->drawLine(from.x, from.y, x, y);
}

void TRasterCanvas::Polygon(std::span<const TCanvasPoint> points)
{
    SettleInversionsForPen();
    if (points.empty())
        return;
    FillPolygon(Pixels(), points, Brush().Style, {ToArgb(Brush().Color), Pen().Mode});
    if (Pen().Style == psClear)
        return;
    // Wide edges drawn one by one would invert their shared ends twice in
    // not-xor mode; Qt strokes the outline as one path.
    if (IsPlainPen(Pen()) && (Pen().Width <= 1 || Pen().Mode == TPenMode::pmCopy)) {
        for (std::size_t i = 0; i < points.size(); ++i)
            StrokeSegment(points[i], points[(i + 1) % points.size()]);
        return;
    }
    if (QPainter* painter = StrokePainter())
        painter->drawPolygon(ToQPoints(points));
}

void TRasterCanvas::Polyline(std::span<const TCanvasPoint> points)
{
    SettleInversionsForPen();
    if (points.size() < 2 || Pen().Style == psClear)
        return;
    if (IsPlainPen(Pen()) && Pen().Width <= 1) {
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            StrokeSegment(points[i], points[i + 1]);
        return;
    }
    if (QPainter* painter = StrokePainter())
        painter->drawPolyline(ToQPoints(points));
}

// drawRect(l, t, w, h) and drawEllipse cover l .. l + w with a one-pixel
// pen, and fill w pixels without one, as GDI's Rectangle(l, t, l + w + 1, ...)
// does.
void TRasterCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    SettleInversionsForPen();
    if (!NormalizedBox(left, top, right, bottom))
        return;
    const QRect box(left, top, right - left - 1, bottom - top - 1);
    if (Brush().Style != bsClear) {
        if (QPainter* painter = FillPainter())
            painter->drawRect(box);
    }
    if (Pen().Style == psClear)
        return;
    // A frame of one-pixel edges, each leaving out its end pixel, touches
    // every pixel of the outline once, as Qt's does; marks draw tens of
    // thousands of them, where QPainter's set-up per call would dominate.
    if (IsPlainPen(Pen()) && Pen().Width <= 1 && box.width() > 0 && box.height() > 0) {
        const std::array<TCanvasPoint, 4> corners = {TCanvasPoint{left, top}, TCanvasPoint{right - 1, top},
                                                     TCanvasPoint{right - 1, bottom - 1},
                                                     TCanvasPoint{left, bottom - 1}};
        for (std::size_t i = 0; i < corners.size(); ++i)
            StrokeSegment(corners[i], corners[(i + 1) % corners.size()]);
        return;
    }
    if (QPainter* painter = StrokePainter())
        painter->drawRect(box);
}

const TPixelStamp& TRasterCanvas::EllipseOutline(std::int32_t width, std::int32_t height, const TPen& pen)
{
    const auto key = std::make_tuple(width, height, pen.Width);
    if (const auto found = ellipseOutlines_.find(key); found != ellipseOutlines_.end())
        return found->second;
    // Drawn as Ellipse draws it, on a blank image with room for the pen.
    const std::int32_t margin = std::max(pen.Width, 1) + 2;
    QImage scratch(width + 2 * margin, height + 2 * margin, QImage::Format_RGB32);
    scratch.fill(Qt::white);
    {
        QPainter painter(&scratch);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(ToQPen(pen));
        painter.setBrush(Qt::NoBrush);
        painter.setCompositionMode(CompositionOf(TPenMode::pmNotXor, false));
        if (pen.Width > 1)
            painter.setTransform(QTransform::fromTranslate(0.5, 0.5));
        painter.drawEllipse(QRect(margin, margin, width - 1, height - 1));
    }
    std::vector<TCanvasPoint> offsets;
    for (std::int32_t y = 0; y < scratch.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
        for (std::int32_t x = 0; x < scratch.width(); ++x) {
            if (row[x] != 0xFFFFFFFFu)
                offsets.push_back({x - margin, y - margin});
        }
    }
    return ellipseOutlines_.emplace(key, TPixelStamp(std::move(offsets))).first->second;
}

void TRasterCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    SettleInversionsForPen();
    if (!NormalizedBox(left, top, right, bottom))
        return;
    const QRect box(left, top, right - left - 1, bottom - top - 1);
    if (Brush().Style != bsClear) {
        if (QPainter* painter = FillPainter())
            painter->drawEllipse(box);
    }
    // The marks' circles: tens of thousands for a large selection, each
    // costing QPainter more to set up than its few pixels.
    constexpr std::int32_t kMaxStamped = 64;
    if (Brush().Style == bsClear && IsPlainPen(Pen()) && Pen().Mode == TPenMode::pmNotXor
        && right - left <= kMaxStamped && bottom - top <= kMaxStamped) {
        const TPixelPaint paint{ToArgb(Pen().Color), TPenMode::pmNotXor};
        const TPixelStamp& outline = EllipseOutline(right - left, bottom - top, Pen());
        if (TInversionParity* parity = Gathering(paint))
            parity->ToggleStamp(Pixels(), {left, top}, outline);
        else
            PaintOffsets(Pixels(), {left, top}, outline.Offsets(), paint);
        return;
    }
    if (Pen().Style != psClear) {
        if (QPainter* painter = StrokePainter())
            painter->drawEllipse(box);
    }
}

void TRasterCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    SettleInversions();
    if (left >= right || top >= bottom)
        return;
    // GDI fills rectangles regardless of the pen mode.
    const std::array<TCanvasPoint, 4> corners = {
        TCanvasPoint{left, top}, TCanvasPoint{right, top}, TCanvasPoint{right, bottom}, TCanvasPoint{left, bottom}};
    FillPolygon(Pixels(), corners, Brush().Style, {ToArgb(Brush().Color), TPenMode::pmCopy});
}

void TRasterCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view character)
{
    SettleInversions();
    const TPixelView pixels = Pixels();
    if (!pixels.bits || character.empty())
        return;
    TRasterFontCache::TFace& face = fonts_.Face(Font());
    const std::uint32_t colour = ToArgb(Font().Color);
    const std::int32_t escapement = ((FontEscapement() % 3600) + 3600) % 3600;
    // Further characters of a longer text follow along the turned baseline.
    const TBaseline baseline = BaselineAt(escapement);
    std::int64_t advance = 0;
    ForEachCp932Character(character, [&](std::string_view one) {
        const std::int64_t cellX = x + static_cast<std::int64_t>(advance * baseline.alongX);
        const std::int64_t cellY = y - static_cast<std::int64_t>(advance * baseline.alongY);
        // A character off the picture gets no mask made: the long text of a
        // damaged file at a large size would cost seconds.
        const TRasterFontCache::TGlyphMask* mask = fonts_.FindMask(face, one, escapement);
        if (!mask && Touches(pixels, fonts_.MaskBox(face, one, escapement), cellX, cellY))
            mask = &fonts_.Mask(face, one, escapement);
        if (mask) {
            BlendCoverage(pixels, cellX + mask->left, cellY + mask->top, mask->width, mask->height,
                          mask->coverage.data(), colour);
        }
        advance += fonts_.Glyph(face, one).advance;
    });
}

const TRasterCanvas::TBaseline& TRasterCanvas::BaselineAt(std::int32_t escapement)
{
    if (escapement != baseline_.escapement) {
        const double angle = escapement / 10.0 * (3.14159265358979323846 / 180.0);
        baseline_ = {escapement, std::cos(angle), std::sin(angle)};
    }
    return baseline_;
}

std::int32_t TRasterCanvas::TextWidth(std::string_view text)
{
    return fonts_.TextWidth(Font(), text);
}

TTextMetrics TRasterCanvas::TextMetrics()
{
    return fonts_.TextMetrics(Font());
}

void TRasterCanvas::DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap)
{
    SettleInversions();
    // Read the source first: it may be this canvas's own image.
    QImage source = BitmapImage(bitmap);
    if (&BitmapImage(bitmap) == &image_)
        source = source.copy();
    QPainter* painter = Painter();
    if (!painter || source.isNull())
        return;
    setup_ = TSetup::Other;
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->resetTransform();
    painter->drawImage(QPoint(x, y), source);
}

} // namespace qm
