#include "RasterCanvas.h"

#include "Cp932Characters.h"
#include "QtBitmap.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace qm {

namespace {

// QPen refuses wider pens.
constexpr int kMaxPenWidth = 32767;
// Rectangle and ellipse corners are held to this range, so that their
// width and height fit in an int; it lies far outside any picture.
constexpr std::int32_t kFarCoordinate = 1 << 29;

QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

Qt::PenStyle ToQtPenStyle(TPenStyle style)
{
    switch (style) {
    case psDash:
        return Qt::DashLine;
    case psDot:
        return Qt::DotLine;
    case psDashDot:
        return Qt::DashDotLine;
    case psDashDotDot:
        return Qt::DashDotDotLine;
    case psClear:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
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

Qt::BrushStyle ToQtBrushStyle(TBrushStyle style)
{
    switch (style) {
    case bsClear:
        return Qt::NoBrush;
    case bsHorizontal:
        return Qt::HorPattern;
    case bsVertical:
        return Qt::VerPattern;
    case bsFDiagonal:
        return Qt::FDiagPattern;
    case bsBDiagonal:
        return Qt::BDiagPattern;
    case bsCross:
        return Qt::CrossPattern;
    case bsDiagCross:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

QBrush ToQBrush(const TBrush& brush)
{
    return QBrush(ToQColor(brush.Color), ToQtBrushStyle(brush.Style));
}

// Every colour is opaque, so copying and blending give the same pixels;
// copying is faster and spares Qt from sharing out large fills among
// threads. Hatches must blend: their gaps keep what lies below.
QPainter::CompositionMode CompositionOf(TPenMode mode, bool hasGaps)
{
    if (mode == TPenMode::pmNotXor)
        return QPainter::RasterOp_NotSourceXorDestination;
    return hasGaps ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source;
}

// Corners in order and within reach; false for a box without area.
bool NormalizedBox(std::int32_t& left, std::int32_t& top, std::int32_t& right, std::int32_t& bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    left = std::clamp(left, -kFarCoordinate, kFarCoordinate);
    right = std::clamp(right, -kFarCoordinate, kFarCoordinate);
    top = std::clamp(top, -kFarCoordinate, kFarCoordinate);
    bottom = std::clamp(bottom, -kFarCoordinate, kFarCoordinate);
    return left < right && top < bottom;
}

// Qt hands the spans of a fill to its thread pool when one batch holds 96
// rows or more and the fill blends (hatches do). On a loaded machine the
// hand-over costs more than the fill; bands of fewer rows keep it in this
// thread. The pixels are the same.
constexpr int kBandRows = 64;

template <typename FillFn>
void FillInBands(QPainter& painter, const QImage& image, int top, int bottom, FillFn&& draw)
{
    top = std::max(top, 0);
    bottom = std::min(bottom, image.height());
    if (bottom - top <= kBandRows) {
        draw();
        return;
    }
    for (int band = top; band < bottom; band += kBandRows) {
        painter.setClipRect(QRect(0, band, image.width(), kBandRows));
        draw();
    }
    painter.setClipping(false);
}

} // namespace

TRasterCanvas::TRasterCanvas(QImage& image) : image_(image) {}

TRasterCanvas::~TRasterCanvas()
{
    Finish();
}

void TRasterCanvas::Finish()
{
    if (painter_.isActive())
        painter_.end();
}

QPainter* TRasterCanvas::Painter()
{
    if (painter_.isActive())
        return &painter_;
    if (image_.isNull() || !painter_.begin(&image_))
        return nullptr;
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    painter_.setBackgroundMode(Qt::TransparentMode);
    painter_.setBrushOrigin(0, 0);
    setup_ = TSetup::Other;
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

template <typename FillFn>
void TRasterCanvas::Fill(QPainter& painter, std::int32_t top, std::int32_t bottom, FillFn&& draw)
{
    if (Brush().Style == bsSolid && Pen().Mode == TPenMode::pmCopy)
        draw();
    else
        FillInBands(painter, image_, top, bottom, draw);
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
    const TCanvasPoint from = PenPos();
    SetPenPos({x, y});
    // Qt would set the one pixel of a zero-length line; GDI sets none.
    if ((from.x == x && from.y == y) || Pen().Style == psClear)
        return;
    if (QPainter* painter = StrokePainter())
        painter->drawLine(from.x, from.y, x, y);
}

void TRasterCanvas::Polygon(std::span<const TCanvasPoint> points)
{
    if (points.empty())
        return;
    const QVector<QPoint>& corners = ToQPoints(points);
    if (Brush().Style != bsClear) {
        if (QPainter* painter = FillPainter()) {
            const auto [lowest, highest] = std::minmax_element(
                points.begin(), points.end(), [](const TCanvasPoint& a, const TCanvasPoint& b) { return a.y < b.y; });
            Fill(*painter, lowest->y, highest->y, [&] { painter->drawPolygon(corners, Qt::OddEvenFill); });
        }
    }
    if (Pen().Style != psClear) {
        if (QPainter* painter = StrokePainter())
            painter->drawPolygon(corners);
    }
}

void TRasterCanvas::Polyline(std::span<const TCanvasPoint> points)
{
    if (points.size() < 2 || Pen().Style == psClear)
        return;
    if (QPainter* painter = StrokePainter())
        painter->drawPolyline(ToQPoints(points));
}

// drawRect(l, t, w, h) and drawEllipse cover l .. l + w with a one-pixel
// pen, and fill w pixels without one, as GDI's Rectangle(l, t, l + w + 1, ...)
// does.
void TRasterCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    if (!NormalizedBox(left, top, right, bottom))
        return;
    const QRect box(left, top, right - left - 1, bottom - top - 1);
    if (Brush().Style != bsClear) {
        if (QPainter* painter = FillPainter())
            Fill(*painter, top, bottom, [&] { painter->drawRect(box); });
    }
    if (Pen().Style != psClear) {
        if (QPainter* painter = StrokePainter())
            painter->drawRect(box);
    }
}

void TRasterCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    if (!NormalizedBox(left, top, right, bottom))
        return;
    const QRect box(left, top, right - left - 1, bottom - top - 1);
    if (Brush().Style != bsClear) {
        if (QPainter* painter = FillPainter())
            Fill(*painter, top, bottom, [&] { painter->drawEllipse(box); });
    }
    if (Pen().Style != psClear) {
        if (QPainter* painter = StrokePainter())
            painter->drawEllipse(box);
    }
}

void TRasterCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    if (Brush().Style == bsClear || left >= right || top >= bottom)
        return;
    if (!NormalizedBox(left, top, right, bottom))
        return;
    QPainter* painter = Painter();
    if (!painter)
        return;
    setup_ = TSetup::Other;
    painter->setCompositionMode(CompositionOf(TPenMode::pmCopy, Brush().Style != bsSolid));
    painter->resetTransform();
    Fill(*painter, top, bottom, [&] { painter->fillRect(left, top, right - left, bottom - top, ToQBrush(Brush())); });
}

void TRasterCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view character)
{
    QPainter* painter = Painter();
    if (!painter || character.empty())
        return;
    TRasterFontCache::TFace& face = fonts_.Face(Font());
    setup_ = TSetup::Other;
    painter->setPen(ToQColor(Font().Color));
    // GDI draws text regardless of the pen mode.
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);

    // Positive escapement turns counter-clockwise; Qt turns clockwise.
    const std::int32_t escapement = FontEscapement() % 3600;
    QTransform cellToImage;
    cellToImage.translate(x, y);
    if (escapement != 0)
        cellToImage.rotate(-escapement / 10.0);
    painter->setTransform(cellToImage);

    const double height = face.metrics.height();
    std::int64_t advance = 0;
    ForEachCp932Character(character, [&](std::string_view one) {
        const TRasterFontCache::TGlyph& glyph = fonts_.Glyph(face, one);
        // Characters far outside the image cost a glyph lookup each and show
        // nothing: skip them, which matters for very long texts.
        const double reach = glyph.advance + height;
        const QPointF centre = cellToImage.map(QPointF(static_cast<double>(advance) + glyph.advance / 2.0, height / 2));
        if (centre.x() + reach >= 0 && centre.x() - reach <= image_.width() && centre.y() + reach >= 0
            && centre.y() - reach <= image_.height())
            DrawCharacter(*painter, face, glyph, QPointF(static_cast<double>(advance), 0));
        advance += glyph.advance;
    });
    painter->resetTransform();
}

void TRasterCanvas::DrawCharacter(QPainter& painter, TRasterFontCache::TFace& face,
                                  const TRasterFontCache::TGlyph& glyph, const QPointF& cellTopLeft)
{
    const QPointF baseline = cellTopLeft + QPointF(0, face.metrics.ascent());
    if (!glyph.run.isEmpty()) {
        painter.drawGlyphRun(baseline, glyph.run);
    } else {
        painter.setFont(face.plainFont);
        painter.drawText(baseline, glyph.text);
    }
    const QColor colour = painter.pen().color();
    const double thickness = face.metrics.lineWidth();
    if (face.underline)
        painter.fillRect(QRectF(baseline.x(), baseline.y() + face.metrics.underlinePos(), glyph.advance, thickness),
                         colour);
    if (face.strikeOut)
        painter.fillRect(QRectF(baseline.x(), baseline.y() - face.metrics.strikeOutPos(), glyph.advance, thickness),
                         colour);
}

std::int32_t TRasterCanvas::TextWidth(std::string_view text)
{
    TRasterFontCache::TFace& face = fonts_.Face(Font());
    std::int64_t width = 0;
    ForEachCp932Character(text, [&](std::string_view one) { width += fonts_.Glyph(face, one).advance; });
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(width, 0, std::numeric_limits<std::int32_t>::max()));
}

void TRasterCanvas::DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap)
{
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
