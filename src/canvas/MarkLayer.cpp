#include "MarkLayer.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// Coordinates of a damaged file reach the ends of the range: they stay there.
std::int32_t ToInt32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// The view pixel at the middle of canvas unit `u` at `scale`; u itself at 100 %.
std::int32_t ToView(std::int32_t u, double scale)
{
    if (scale == 1)
        return u;
    const double view = std::floor((static_cast<double>(u) + 0.5) * scale);
    return static_cast<std::int32_t>(std::clamp(view, double{INT32_MIN}, double{INT32_MAX}));
}

TCanvasPoint ToView(TCanvasPoint p, double scale)
{
    return {ToView(p.x, scale), ToView(p.y, scale)};
}

} // namespace

void TMarkLayer::SetUpInvertingPen(TCanvas& canvas, std::int32_t penWidth)
{
    canvas.SetBrush(TBrush{clWhite, bsClear});
    canvas.SetPen(TPen{clBlue, penWidth, psSolid, TPenMode::pmNotXor});
}

void TMarkLayer::AddRectangle(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom,
                              std::int32_t penWidth)
{
    Add({TKind::Rectangle, penWidth, {left, top}, {right, bottom}});
}

void TMarkLayer::AddHandle(std::int32_t cx, std::int32_t cy, std::int32_t half)
{
    Add({TKind::Handle, 1, {cx, cy}, {}, half});
}

void TMarkLayer::AddCircle(std::int32_t cx, std::int32_t cy, std::int32_t radius, std::int32_t penWidth)
{
    Add({TKind::Circle, penWidth, {cx, cy}, {}, radius});
}

void TMarkLayer::AddPolyline(const std::vector<TCanvasPoint>& points)
{
    AddPath(TKind::Polyline, points);
}

void TMarkLayer::AddPolygon(const std::vector<TCanvasPoint>& points)
{
    AddPath(TKind::Polygon, points);
}

void TMarkLayer::AddPath(TKind kind, const std::vector<TCanvasPoint>& points)
{
    TShapes& shapes = Writable();
    const TCanvasPoint place{static_cast<std::int32_t>(shapes.Points.size()), static_cast<std::int32_t>(points.size())};
    shapes.Points.insert(shapes.Points.end(), points.begin(), points.end());
    Add({kind, 1, place, {}});
}

void TMarkLayer::Add(const TShape& shape)
{
    TShapes& shapes = Writable();
    shapes.Shapes.push_back(shape);
    shapes.Extent = shapes.Extent.United(ExtentOf(shapes, shape, 1));
}

void TMarkLayer::DrawShape(TCanvas& canvas, const TShapes& shapes, const TShape& shape, double scale,
                           TCanvasPoint origin)
{
    const auto place = [scale, origin](TCanvasPoint unit) {
        const TCanvasPoint view = ToView(unit, scale);
        return TCanvasPoint{ToInt32(std::int64_t{view.x} - origin.x), ToInt32(std::int64_t{view.y} - origin.y)};
    };
    SetUpInvertingPen(canvas, shape.PenWidth);
    switch (shape.Kind) {
    case TKind::Rectangle: {
        const TCanvasPoint a = place(shape.A);
        const TCanvasPoint b = place(shape.B);
        canvas.Rectangle(a.x, a.y, b.x, b.y);
        break;
    }
    case TKind::Handle:
    case TKind::Circle: {
        const TCanvasPoint c = place(shape.A);
        const std::int64_t s = shape.Size;
        if (shape.Kind == TKind::Handle)
            canvas.Rectangle(ToInt32(c.x - s), ToInt32(c.y - s), ToInt32(c.x + s), ToInt32(c.y + s));
        else
            canvas.Ellipse(ToInt32(c.x - s), ToInt32(c.y - s), ToInt32(c.x + s), ToInt32(c.y + s));
        break;
    }
    case TKind::Polyline:
    case TKind::Polygon: {
        const std::span<const TCanvasPoint> path = shapes.PathOf(shape);
        std::vector<TCanvasPoint> points;
        points.reserve(path.size());
        for (const TCanvasPoint& point : path)
            points.push_back(place(point));
        if (shape.Kind == TKind::Polyline)
            canvas.Polyline(points);
        else
            canvas.Polygon(points);
        break;
    }
    }
}

TRect TMarkLayer::ExtentOf(const TShapes& shapes, const TShape& shape, double scale)
{
    // A wide pen reaches half its width past the outline; a margin of the
    // whole width and one pixel more leaves no rounding out.
    const std::int64_t margin = std::int64_t{shape.PenWidth} + 1;
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t right = 0;
    std::int64_t bottom = 0;
    switch (shape.Kind) {
    case TKind::Rectangle: {
        const TCanvasPoint a = ToView(shape.A, scale);
        const TCanvasPoint b = ToView(shape.B, scale);
        left = std::min(a.x, b.x);
        top = std::min(a.y, b.y);
        right = std::max(a.x, b.x);
        bottom = std::max(a.y, b.y);
        break;
    }
    case TKind::Handle:
    case TKind::Circle: {
        const TCanvasPoint c = ToView(shape.A, scale);
        left = std::int64_t{c.x} - shape.Size;
        top = std::int64_t{c.y} - shape.Size;
        right = std::int64_t{c.x} + shape.Size;
        bottom = std::int64_t{c.y} + shape.Size;
        break;
    }
    case TKind::Polyline:
    case TKind::Polygon: {
        const std::span<const TCanvasPoint> path = shapes.PathOf(shape);
        if (path.empty())
            return {0, 0, -1, -1};
        const TCanvasPoint first = ToView(path.front(), scale);
        left = right = first.x;
        top = bottom = first.y;
        for (const TCanvasPoint& unit : path) {
            const TCanvasPoint p = ToView(unit, scale);
            left = std::min<std::int64_t>(left, p.x);
            top = std::min<std::int64_t>(top, p.y);
            right = std::max<std::int64_t>(right, p.x);
            bottom = std::max<std::int64_t>(bottom, p.y);
        }
        break;
    }
    }
    const auto clamp = [](std::int64_t v) {
        return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN / 2, INT32_MAX / 2));
    };
    return {clamp(left - margin), clamp(top - margin), clamp(right + margin), clamp(bottom + margin)};
}

TRect TMarkLayer::Extent() const
{
    return shapes_ ? shapes_->Extent : TRect{0, 0, -1, -1};
}

TMarkLayer::TShapes& TMarkLayer::Writable()
{
    if (!shapes_)
        shapes_ = std::make_shared<TShapes>();
    else if (shapes_.use_count() > 1)
        shapes_ = std::make_shared<TShapes>(*shapes_);
    return *shapes_;
}

void TMarkLayer::DrawAll(TCanvas& canvas, const TShapes& shapes, double scale, const TRect& area)
{
    // At 100 % a layer's extent is in view pixels: one wholly inside the
    // area needs no test of each shape.
    if (scale == 1 && !shapes.Extent.Meets(area))
        return;
    const bool eachTested = scale != 1 || shapes.Extent.Intersected(area) != shapes.Extent;
    const bool gathered = shapes.Shapes.size() >= kShapesGathered;
    if (gathered)
        canvas.BeginInversions();
    const TCanvasPoint origin{area.Left, area.Top};
    for (const TShape& shape : shapes.Shapes) {
        if (!eachTested || ExtentOf(shapes, shape, scale).Meets(area))
            DrawShape(canvas, shapes, shape, scale, origin);
    }
    if (gathered)
        canvas.EndInversions();
}

void TMarkLayer::Draw(TCanvas& canvas) const
{
    if (shapes_)
        DrawAll(canvas, *shapes_, 1, {0, 0, canvas.Width() - 1, canvas.Height() - 1});
    SetUpInvertingPen(canvas);
}

void TMarkLayer::Erase(TCanvas& canvas)
{
    Draw(canvas);
    Forget();
}

std::size_t TMarkOverlay::Count() const
{
    std::size_t count = 0;
    for (const auto& layer : layers_)
        count += layer->Shapes.size();
    return count;
}

TRect TMarkOverlay::Extent() const
{
    TRect extent{0, 0, -1, -1};
    for (const auto& layer : layers_)
        extent = extent.United(layer->Extent);
    return extent;
}

void TMarkOverlay::Toggle(const TMarkLayer& layer)
{
    if (!layer.Shown())
        return;
    // The layer shown last is the likeliest to go first.
    for (auto shown = layers_.rbegin(); shown != layers_.rend(); ++shown) {
        if (*shown == layer.shapes_ || **shown == *layer.shapes_) {
            layers_.erase(std::next(shown).base());
            return;
        }
    }
    layers_.push_back(layer.shapes_);
}

void TMarkOverlay::Draw(TCanvas& canvas, double scale, const TRect& area) const
{
    for (const auto& layer : layers_)
        TMarkLayer::DrawAll(canvas, *layer, scale, area);
    TMarkLayer::SetUpInvertingPen(canvas);
}

} // namespace qm
