#include "BoundsCanvas.h"

#include "qtplatform/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace qm {

namespace {

std::int32_t Clamped(std::int64_t value)
{
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::uint64_t Mixed(std::uint64_t value)
{
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

// A character of one or two bytes, as most are, by its bytes and length;
// a longer string by its hash.
std::uint64_t CharacterCode(std::string_view character)
{
    if (character.size() >= sizeof(std::uint64_t))
        return std::hash<std::string_view>{}(character);
    std::uint64_t code = character.size();
    for (const char byte : character)
        code = (code << 8) | static_cast<unsigned char>(byte);
    return code;
}

std::uint64_t Pair(std::int32_t a, std::int32_t b)
{
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(a)) << 32) | static_cast<std::uint32_t>(b);
}

enum TCall : std::uint64_t { cLine = 1, cPolygon, cPolyline, cRectangle, cEllipse, cFillRect, cText, cBitmap };

} // namespace

void TBoundsCanvas::Note(std::uint64_t value)
{
    fingerprint_ = Mixed(fingerprint_ ^ value);
}

void TBoundsCanvas::NotePoints(std::span<const TCanvasPoint> points)
{
    Note(points.size());
    for (const TCanvasPoint& p : points)
        Note(Pair(p.x, p.y));
}

void TBoundsCanvas::NotePen()
{
    const TPen& pen = Pen();
    // Outlines are many lines with one pen: it counts once.
    if (notedPen_ == pen)
        return;
    notedPen_ = pen;
    Note(Pair(static_cast<std::int32_t>(pen.Color), pen.Width));
    Note(Pair(static_cast<std::int32_t>(pen.Style), static_cast<std::int32_t>(pen.Mode)));
    if (pen.Style != psClear && pen.Mode != TPenMode::pmCopy)
        paintsOver_ = false;
}

void TBoundsCanvas::NoteFont()
{
    const TFont& font = Font();
    // A text is drawn a character at a time with one font: it counts once.
    if (notedFont_ == font && notedEscapement_ == FontEscapement())
        return;
    notedFont_ = font;
    notedEscapement_ = FontEscapement();
    Note(std::hash<std::string>{}(font.Name));
    Note(Pair(font.Height, static_cast<std::int32_t>(font.Style)));
    Note(Pair(static_cast<std::int32_t>(font.Color), font.Charset));
    Note(static_cast<std::uint32_t>(FontEscapement()));
}

void TBoundsCanvas::NoteBrush()
{
    const TBrush& brush = Brush();
    if (notedBrush_ == brush && notedPenMode_ == Pen().Mode)
        return;
    notedBrush_ = brush;
    notedPenMode_ = Pen().Mode;
    Note(Pair(static_cast<std::int32_t>(brush.Color), static_cast<std::int32_t>(brush.Style)));
    // The fill takes the pen's mode.
    if (brush.Style != bsClear && Pen().Mode != TPenMode::pmCopy)
        paintsOver_ = false;
}

TRect TBoundsCanvas::Bounds() const
{
    if (empty_)
        return {0, 0, -1, -1};
    return {Clamped(left_), Clamped(top_), Clamped(right_), Clamped(bottom_)};
}

std::int64_t TBoundsCanvas::PenReach() const
{
    return std::max<std::int64_t>(Pen().Width, 1) / 2 + 2;
}

void TBoundsCanvas::Add(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, std::int64_t reach)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    left -= reach;
    top -= reach;
    right += reach;
    bottom += reach;
    if (empty_) {
        left_ = left;
        top_ = top;
        right_ = right;
        bottom_ = bottom;
        empty_ = false;
        return;
    }
    left_ = std::min(left_, left);
    top_ = std::min(top_, top);
    right_ = std::max(right_, right);
    bottom_ = std::max(bottom_, bottom);
}

void TBoundsCanvas::AddPoints(std::span<const TCanvasPoint> points, std::int64_t reach)
{
    for (const TCanvasPoint& p : points)
        Add(p.x, p.y, p.x, p.y, reach);
}

void TBoundsCanvas::LineTo(std::int32_t x, std::int32_t y)
{
    const TCanvasPoint from = PenPos();
    SetPenPos({x, y});
    Add(from.x, from.y, x, y, PenReach());
    Note(cLine);
    Note(Pair(from.x, from.y));
    Note(Pair(x, y));
    NotePen();
}

void TBoundsCanvas::Polygon(std::span<const TCanvasPoint> points)
{
    AddPoints(points, PenReach());
    Note(cPolygon);
    NotePoints(points);
    NotePen();
    NoteBrush();
    if (Brush().Style == bsSolid && Pen().Mode == TPenMode::pmCopy)
        AddCover(points);
}

void TBoundsCanvas::AddCover(std::span<const TCanvasPoint> points)
{
    // The largest block of the bounding box's shape, about its centre, that
    // lies at least this far inside every edge: pixels there are filled
    // whichever way the edges are rounded to pixels.
    constexpr double kMargin = 2;
    if (points.size() < 3)
        return;
    const auto [minX, maxX] = std::minmax_element(points.begin(), points.end(), [](auto a, auto b) { return a.x < b.x; });
    const auto [minY, maxY] = std::minmax_element(points.begin(), points.end(), [](auto a, auto b) { return a.y < b.y; });
    const double cx = (static_cast<double>(minX->x) + maxX->x) / 2;
    const double cy = (static_cast<double>(minY->y) + maxY->y) / 2;
    const double halfWidth = (static_cast<double>(maxX->x) - minX->x) / 2;
    const double halfHeight = (static_cast<double>(maxY->y) - minY->y) / 2;
    double area = 0;
    bool filledAtCentre = false;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const TCanvasPoint& a = points[k];
        const TCanvasPoint& b = points[(k + 1) % points.size()];
        area += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
        // Alternate filling: the centre is filled when a ray to its right crosses an odd number of edges.
        if ((a.y > cy) != (b.y > cy)
            && cx < a.x + (cy - a.y) * (static_cast<double>(b.x) - a.x) / (static_cast<double>(b.y) - a.y))
            filledAtCentre = !filledAtCentre;
    }
    if (!filledAtCentre || area == 0)
        return;
    const double side = area > 0 ? 1 : -1;
    // No edge crosses a block within every edge's inner side, so all of it
    // is filled as the centre is.
    double scale = 1;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const TCanvasPoint& a = points[k];
        const TCanvasPoint& b = points[(k + 1) % points.size()];
        const double ex = static_cast<double>(b.x) - a.x;
        const double ey = static_cast<double>(b.y) - a.y;
        const double length = std::hypot(ex, ey);
        if (length == 0)
            continue;
        const double inside = side * (ex * (cy - a.y) - ey * (cx - a.x)) - kMargin * length;
        const double reach = std::abs(ey) * halfWidth + std::abs(ex) * halfHeight;
        if (inside <= 0)
            return;
        if (reach > 0)
            scale = std::min(scale, inside / reach);
    }
    const TRect block{Clamped(static_cast<std::int64_t>(std::ceil(cx - scale * halfWidth))),
                      Clamped(static_cast<std::int64_t>(std::ceil(cy - scale * halfHeight))),
                      Clamped(static_cast<std::int64_t>(std::floor(cx + scale * halfWidth))),
                      Clamped(static_cast<std::int64_t>(std::floor(cy + scale * halfHeight)))};
    const auto pixels = [](const TRect& r) {
        return r.IsEmpty() ? 0 : (std::int64_t{r.Right} - r.Left + 1) * (std::int64_t{r.Bottom} - r.Top + 1);
    };
    if (pixels(block) > pixels(cover_))
        cover_ = block;
}

void TBoundsCanvas::Polyline(std::span<const TCanvasPoint> points)
{
    AddPoints(points, PenReach());
    Note(cPolyline);
    NotePoints(points);
    NotePen();
}

void TBoundsCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Add(left, top, right, bottom, PenReach());
    Note(cRectangle);
    Note(Pair(left, top));
    Note(Pair(right, bottom));
    NotePen();
    NoteBrush();
}

void TBoundsCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Add(left, top, right, bottom, PenReach());
    Note(cEllipse);
    Note(Pair(left, top));
    Note(Pair(right, bottom));
    NotePen();
    NoteBrush();
}

void TBoundsCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Add(left, top, right, bottom, 1);
    Note(cFillRect);
    Note(Pair(left, top));
    Note(Pair(right, bottom));
    Note(Pair(static_cast<std::int32_t>(Brush().Color), static_cast<std::int32_t>(Brush().Style)));
}

void TBoundsCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view character)
{
    const std::int64_t width = TextWidth(character);
    const TTextMetrics metrics = TextMetrics();
    const auto height = static_cast<std::int64_t>(std::ceil(metrics.Ascent + metrics.Descent));
    NoteFont();
    Note(cText);
    Note(Pair(x, y));
    Note(CharacterCode(character));
    // Smoothed glyphs may reach a little beyond their cell; a turned cell
    // lies within its diagonal of the corner it turns about.
    const std::int64_t reach = FontEscapement() % 3600 == 0 ? height / 2 + 2 : width + height + height / 2 + 2;
    const std::int64_t right = FontEscapement() % 3600 == 0 ? x + width : x;
    const std::int64_t bottom = FontEscapement() % 3600 == 0 ? y + height : y;
    Add(x, y, right, bottom, reach);
    // Smoothed edges mix with what lies below: only the item's own fill may.
    if (x - reach < cover_.Left || y - reach < cover_.Top || right + reach > cover_.Right || bottom + reach > cover_.Bottom)
        paintsOver_ = false;
}

std::int32_t TBoundsCanvas::TextWidth(std::string_view text)
{
    return Measure().TextWidth(text);
}

TTextMetrics TBoundsCanvas::TextMetrics()
{
    return Measure().TextMetrics();
}

TCanvas& TBoundsCanvas::Measure()
{
    measure_->SetFont(Font(), FontEscapement());
    return *measure_;
}

void TBoundsCanvas::DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap)
{
    Add(x, y, std::int64_t{x} + bitmap.Width(), std::int64_t{y} + bitmap.Height(), 0);
    // The fingerprint cannot tell pictures apart.
    Note(cBitmap);
    paintsOver_ = false;
}

} // namespace qm
