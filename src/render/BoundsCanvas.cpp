#include "BoundsCanvas.h"

#include "qtplatform/Bitmap.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qm {

namespace {

std::int32_t Clamped(std::int64_t value)
{
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

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
}

void TBoundsCanvas::Polygon(std::span<const TCanvasPoint> points)
{
    AddPoints(points, PenReach());
}

void TBoundsCanvas::Polyline(std::span<const TCanvasPoint> points)
{
    AddPoints(points, PenReach());
}

void TBoundsCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Add(left, top, right, bottom, PenReach());
}

void TBoundsCanvas::Ellipse(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Add(left, top, right, bottom, PenReach());
}

void TBoundsCanvas::FillRect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom)
{
    Add(left, top, right, bottom, 1);
}

void TBoundsCanvas::TextOut(std::int32_t x, std::int32_t y, std::string_view character)
{
    const std::int64_t width = TextWidth(character);
    const TTextMetrics metrics = TextMetrics();
    const auto height = static_cast<std::int64_t>(std::ceil(metrics.Ascent + metrics.Descent));
    // Smoothed glyphs may reach a little beyond their cell; a turned cell
    // lies within its diagonal of the corner it turns about.
    if (FontEscapement() % 3600 == 0) {
        Add(x, y, x + width, y + height, height / 2 + 2);
        return;
    }
    const std::int64_t reach = width + height + height / 2 + 2;
    Add(x, y, x, y, reach);
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
    measure_.SetFont(Font(), FontEscapement());
    return measure_;
}

void TBoundsCanvas::DrawBitmap(std::int32_t x, std::int32_t y, const TBitmap& bitmap)
{
    Add(x, y, std::int64_t{x} + bitmap.Width(), std::int64_t{y} + bitmap.Height(), 0);
}

} // namespace qm
