#include "PainterCanvas.h"

#include "QtBitmap.h"
#include "QtColor.h"
#include "QtGraphics.h"
#include "RasterFonts.h"

#include "platform/Cp932Characters.h"
#include "platform/ShiftJis.h"

#include <QFontInfo>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace qm {

namespace {

// A run of gathered lines is drawn once it holds this many elements, so
// that no single path grows without bound.
constexpr int kMaxGatheredElements = 4096;

// Lines are centred on the pixels at their coordinates, as GDI draws them;
// fills cover the pixels whose centres lie inside. Just short of the pixel's
// centre, so that a hard-edged line takes its first pixel and leaves out its
// last, as GDI does, rather than the other way round.
constexpr double kPixelCentre = 0.5 - 1.0 / 64;
const QTransform kStrokeOffset = QTransform::fromTranslate(kPixelCentre, kPixelCentre);

QPolygonF ToPolygon(std::span<const TCanvasPoint> points)
{
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const TCanvasPoint& p : points)
        polygon.append(QPointF(p.x, p.y));
    return polygon;
}

// A face of the drawing: its name, height and style.
using TFaceKey = std::tuple<std::string, std::int32_t, TFontStyles>;

} // namespace

struct TPainterCanvas::Impl {
    Impl(QPainter& painter, TPainterCanvasOptions options, TRasterFontCache* sharedFonts)
        : painter(painter), options(options), fonts(sharedFonts)
    {
        if (!fonts) {
            ownFonts = std::make_unique<TRasterFontCache>();
            fonts = ownFonts.get();
        }
        painter.save();
        base = painter.worldTransform();
        deviceScale = std::sqrt(std::abs(base.determinant()));
        rasterOps = painter.paintEngine() && painter.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
        // What can show, in canvas units: a view drawing the part of a large
        // zoomed drawing in a window passes over the rest at once.
        const QRectF device = painter.hasClipping() ? painter.clipBoundingRect() : QRectF(painter.viewport());
        const QTransform toCanvas = base.inverted(&invertible);
        reach = painter.hasClipping() ? device : toCanvas.mapRect(device);
        painter.setRenderHint(QPainter::Antialiasing, options.Smooth);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, options.Smooth);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        // Hatches belong to the drawing: they grow with it.
        painter.setRenderHint(QPainter::NonCosmeticBrushPatterns, true);
        painter.setBackgroundMode(Qt::TransparentMode);
        painter.setBrushOrigin(0, 0);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    QPen StrokePen(const TPen& pen) const
    {
        // A one-pixel line leaves out its end pixel like a GDI cosmetic pen;
        // a width of 0 or below draws one unit wide, as GDI does.
        const bool thin = pen.Width <= 1;
        const double width = thin ? 1.0 : std::min(pen.Width, kMaxPenWidth);
        QPen qpen(ToQColor(pen.Color), width, ToQtPenStyle(pen.Style), thin ? Qt::FlatCap : Qt::RoundCap,
                  thin ? Qt::MiterJoin : Qt::RoundJoin);
        if (width * deviceScale < 1) {
            // Shrunk below a device pixel, a line would fade or vanish.
            qpen.setWidthF(1);
            qpen.setCosmetic(true);
        }
        return qpen;
    }

    void Use(const QPen& pen, const QBrush& brush, const QTransform& transform, TPenMode mode)
    {
        if (painter.pen() != pen)
            painter.setPen(pen);
        if (painter.brush() != brush)
            painter.setBrush(brush);
        if (painter.worldTransform() != transform)
            painter.setWorldTransform(transform);
        const QPainter::CompositionMode composition = rasterOps && mode == TPenMode::pmNotXor
            ? QPainter::RasterOp_NotSourceXorDestination
            : QPainter::CompositionMode_SourceOver;
        if (painter.compositionMode() != composition)
            painter.setCompositionMode(composition);
    }

    void SetSmoothing(bool on)
    {
        if (painter.testRenderHint(QPainter::Antialiasing) != on)
            painter.setRenderHint(QPainter::Antialiasing, on);
    }

    void SetFont(const QFont& font)
    {
        if (painter.font() != font)
            painter.setFont(font);
    }

    void UseStroke(const TPen& pen) { Use(StrokePen(pen), Qt::NoBrush, kStrokeOffset * base, pen.Mode); }
    void UseFill(const TBrush& brush, TPenMode mode) { Use(Qt::NoPen, ToQBrush(brush), base, mode); }

    void FlushLines()
    {
        if (lines.isEmpty())
            return;
        UseStroke(linesPen);
        painter.drawPath(lines);
        lines.clear();
    }

    void GatherLine(const TPen& pen, TCanvasPoint from, TCanvasPoint to)
    {
        if (!lines.isEmpty() && !(pen == linesPen))
            FlushLines();
        if (lines.isEmpty() || linesEnd != from)
            lines.moveTo(from.x, from.y);
        lines.lineTo(to.x, to.y);
        linesEnd = to;
        linesPen = pen;
        if (lines.elementCount() >= kMaxGatheredElements)
            FlushLines();
    }

    // The font that draws a face's characters as characters: named by the
    // family that really draws it, then by the face name the drawing gave
    // (a Windows face drawn by its stand-in), so that a reader with that
    // face may use it.
    const QFont& CharacterFont(const TRasterFontCache::TFace& face, const TFont& font)
    {
        const TFaceKey key{font.Name, font.Height, font.Style};
        auto found = characterFonts.find(key);
        if (found != characterFonts.end())
            return found->second;
        QFont qfont = face.plainFont;
        const QString drawn = QFontInfo(face.plainFont).family();
        const QString named = QString::fromStdString(Cp932ToUtf8(font.Name));
        QStringList families{drawn};
        if (!named.isEmpty() && named != drawn)
            families.append(named);
        qfont.setFamilies(families);
        return characterFonts.emplace(key, qfont).first->second;
    }

    QPainter& painter;
    TPainterCanvasOptions options;
    std::unique_ptr<TRasterFontCache> ownFonts;
    TRasterFontCache* fonts;
    QTransform base;
    double deviceScale = 1;
    bool rasterOps = false;
    bool invertible = false;
    QRectF reach;

    // Whether a shape whose points span `box`, outlined with `pen` (or
    // not), may show.
    bool MayShow(const QRectF& box, double margin) const
    {
        return !invertible || box.adjusted(-margin, -margin, margin, margin).intersects(reach);
    }
    static double MarginOf(const TPen& pen, bool outlined)
    {
        return outlined ? std::max(pen.Width, 1) / 2.0 + 2 : 1;
    }
    static QRectF BoxOf(std::span<const TCanvasPoint> points)
    {
        std::int32_t left = points.front().x;
        std::int32_t right = left;
        std::int32_t top = points.front().y;
        std::int32_t bottom = top;
        for (const TCanvasPoint& p : points) {
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
        return QRectF(QPointF(left, top), QPointF(right, bottom));
    }
    bool finished = false;
    QPainterPath lines;
    TPen linesPen;
    TCanvasPoint linesEnd;
    std::map<TFaceKey, QFont> characterFonts;
};

TPainterCanvas::TPainterCanvas(QPainter& painter, std::int32_t width, std::int32_t height,
                               TPainterCanvasOptions options, TRasterFontCache* fonts)
    : width_(std::max(width, 0)), height_(std::max(height, 0)),
      impl_(std::make_unique<Impl>(painter, options, fonts))
{
}

TPainterCanvas::~TPainterCanvas()
{
    Finish();
}

void TPainterCanvas::Finish()
{
    if (impl_->finished)
        return;
    impl_->FlushLines();
    impl_->painter.restore();
    impl_->finished = true;
}

void TPainterCanvas::LineTo(std::int32_t x, std::int32_t y)
{
    const TCanvasPoint from = PenPos();
    const TCanvasPoint to{x, y};
    SetPenPos(to);
    if (from == to || Pen().Style == psClear || impl_->finished)
        return;
    if (!impl_->MayShow(QRectF(QPointF(from.x, from.y), QPointF(x, y)).normalized(), Impl::MarginOf(Pen(), true)))
        return;
    if (Pen().Mode == TPenMode::pmNotXor) {
        // Inverted lines drawn as one path would not invert their shared ends twice.
        impl_->FlushLines();
        impl_->UseStroke(Pen());
        impl_->painter.drawLine(QPointF(from.x, from.y), QPointF(to.x, to.y));
        return;
    }
    impl_->GatherLine(Pen(), from, to);
}

void TPainterCanvas::Polygon(std::span<const TCanvasPoint> points)
{
    if (points.empty() || impl_->finished)
        return;
    if (!impl_->MayShow(Impl::BoxOf(points), Impl::MarginOf(Pen(), Pen().Style != psClear)))
        return;
    impl_->FlushLines();
    const QPolygonF polygon = ToPolygon(points);
    if (Brush().Style != bsClear) {
        impl_->UseFill(Brush(), Pen().Mode);
        impl_->painter.drawPolygon(polygon, Qt::OddEvenFill);
    }
    if (Pen().Style != psClear) {
        impl_->UseStroke(Pen());
        impl_->painter.drawPolygon(polygon, Qt::OddEvenFill);
    }
}

void TPainterCanvas::Polyline(std::span<const TCanvasPoint> points)
{
    if (points.size() < 2 || Pen().Style == psClear || impl_->finished)
        return;
    if (!impl_->MayShow(Impl::BoxOf(points), Impl::MarginOf(Pen(), true)))
        return;
    impl_->FlushLines();
    impl_->UseStroke(Pen());
    impl_->painter.drawPolyline(ToPolygon(points));
}

// As on the raster canvas, the outline covers left .. right - 1 and a fill
// without an outline one unit less.
void TPainterCanvas::Box(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom, bool round)
{
    if (impl_->finished || !NormalizedBox(left, top, right, bottom))
        return;
    impl_->FlushLines();
    const QRectF box(left, top, right - left - 1, bottom - top - 1);
    const auto draw = [&] {
        if (round)
            impl_->painter.drawEllipse(box);
        else
            impl_->painter.drawRect(box);
    };
    if (Brush().Style != bsClear) {
        impl_->UseFill(Brush(), Pen().Mode);
        draw();
    }
    if (Pen().Style != psClear) {
        impl_->UseStroke(Pen());
        draw();
    }
}

void TPainterCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Box(left, top, right, bottom, false);
}

void TPainterCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Box(left, top, right, bottom, true);
}

void TPainterCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    if (impl_->finished || left >= right || top >= bottom || Brush().Style == bsClear)
        return;
    impl_->FlushLines();
    // GDI fills rectangles regardless of the pen mode.
    impl_->UseFill(Brush(), TPenMode::pmCopy);
    impl_->painter.drawRect(QRectF(left, top, static_cast<double>(right) - left, static_cast<double>(bottom) - top));
}

void TPainterCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view character)
{
    if (impl_->finished || character.empty())
        return;
    impl_->FlushLines();
    Impl& d = *impl_;
    QPainter& painter = d.painter;
    TRasterFontCache::TFace& face = d.fonts->Face(Font());
    const QColor colour = ToQColor(Font().Color);
    const std::int32_t escapement = ((FontEscapement() % 3600) + 3600) % 3600;
    const double angle = escapement / 10.0 * (3.14159265358979323846 / 180.0);
    const double ascent = face.metrics.ascent();
    const double thickness = face.metrics.lineWidth();
    // Text is smoothed however shapes are drawn: small turned kana lose
    // their marks without it. (A vector file's writer starts a new group at
    // every change of state, even to the same value.)
    d.SetSmoothing(true);
    d.Use(QPen(colour), Qt::NoBrush, d.base, TPenMode::pmCopy);
    if (d.options.TextAsCharacters)
        d.SetFont(d.CharacterFont(face, Font()));
    std::int64_t advance = 0;
    ForEachCp932Character(character, [&](std::string_view one) {
        const TRasterFontCache::TGlyph& glyph = d.fonts->Glyph(face, one);
        // Further characters of a longer text follow along the turned baseline.
        const std::int64_t cellX = x + static_cast<std::int64_t>(advance * std::cos(angle));
        const std::int64_t cellY = y - static_cast<std::int64_t>(advance * std::sin(angle));
        advance += glyph.advance;
        // However it turns, the character lies within its cell's diagonal of the corner.
        const double cellReach = glyph.advance + face.metrics.height() + 2;
        if (!d.MayShow(QRectF(static_cast<double>(cellX), static_cast<double>(cellY), 0, 0), cellReach))
            return;
        // Upright text keeps the base transform, so a vector file holds
        // plain positions rather than a transform per character.
        QPointF cell(static_cast<double>(cellX), static_cast<double>(cellY));
        QTransform transform = d.base;
        if (escapement != 0) {
            QTransform turn;
            turn.translate(cell.x(), cell.y());
            turn.rotate(-escapement / 10.0);
            transform = turn * d.base;
            cell = QPointF(0, 0);
        }
        if (painter.worldTransform() != transform)
            painter.setWorldTransform(transform);
        const QPointF baseline = cell + QPointF(0, ascent);
        if (d.options.TextAsCharacters) {
            // Control characters draw nothing, and a vector file could not hold them.
            const bool drawable = std::none_of(glyph.text.begin(), glyph.text.end(),
                                               [](QChar c) { return c.unicode() < 0x20; });
            if (drawable)
                painter.drawText(baseline, glyph.text);
        } else if (!glyph.run.isEmpty()) {
            painter.drawGlyphRun(baseline, glyph.run);
        } else {
            d.SetFont(face.plainFont);
            painter.drawText(baseline, glyph.text);
        }
        if (face.underline)
            painter.fillRect(QRectF(cell.x(), baseline.y() + face.metrics.underlinePos(), glyph.advance, thickness),
                             colour);
        if (face.strikeOut)
            painter.fillRect(QRectF(cell.x(), baseline.y() - face.metrics.strikeOutPos(), glyph.advance, thickness),
                             colour);
    });
    d.SetSmoothing(d.options.Smooth);
}

std::int32_t TPainterCanvas::TextWidth(std::string_view text)
{
    return impl_->fonts->TextWidth(Font(), text);
}

TTextMetrics TPainterCanvas::TextMetrics()
{
    return impl_->fonts->TextMetrics(Font());
}

void TPainterCanvas::DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap)
{
    if (impl_->finished || bitmap.IsEmpty())
        return;
    impl_->FlushLines();
    impl_->Use(Qt::NoPen, Qt::NoBrush, impl_->base, TPenMode::pmCopy);
    impl_->painter.drawImage(QPointF(x, y), BitmapImage(bitmap));
}

} // namespace qm
