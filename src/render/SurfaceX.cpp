// The segment walker, fills, ellipses and arrowheads shared by the raster
// and the metafile surface.
#include "SurfaceX.h"

#include "model/Geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

namespace qm {

namespace {

// A dashed line of more steps than this (2 x 65536 pen widths long) can only
// come from a damaged document; it is walked only where it can show.
constexpr float kMaxWalkedSteps = 65536.0f;

// The step of a dashed pen of width 0 is that of width 1: two pixels.
std::int32_t DashWidth(std::int32_t penWidth)
{
    return std::max(penWidth, 1);
}

// The ellipse's 36 corners on the unit circle, 10 degrees apart, worked out
// once: every ellipse drawn needs them.
const std::array<std::pair<float, float>, 36> kUnitCircle = [] {
    std::array<std::pair<float, float>, 36> corners;
    for (std::size_t k = 0; k < corners.size(); ++k) {
        const float theta = static_cast<float>(10 * k) * (1.0f / 180.0f) * kPi;
        corners[k] = {static_cast<float>(std::cos(static_cast<double>(theta))),
                      static_cast<float>(std::sin(static_cast<double>(theta)))};
    }
    return corners;
}();

// Float-to-pixel conversion of the primitives.
std::int32_t Pixel(float value)
{
    return TruncToInt(value);
}

// Runs the dash walk along the segment (x1, y1) - (x2, y2): each pass moves
// the current point one step, clamped at the end point, and even passes
// are strokes. The walk runs in x, or in y for a vertical line, while the
// walked coordinate is short of the end, compared strictly.
class TSegmentWalker {
public:
    TSegmentWalker(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float stepX, float stepY)
        : x1_(x1), y1_(y1), x2_(x2), y2_(y2), stepX_(stepX), stepY_(stepY), vertical_(x1 == x2)
    {
    }

    // Starts at step `first` (0: the start point) and makes at most
    // `maxPasses` passes. Returns false when the walk was cut short.
    template <typename StrokeFn>
    bool Walk(std::int64_t first, std::int64_t maxPasses, StrokeFn&& stroke)
    {
        float cx = static_cast<float>(x1_);
        float cy = static_cast<float>(y1_);
        if (first > 0) {
            cx = static_cast<float>(x1_ + static_cast<double>(first) * stepX_);
            cy = static_cast<float>(y1_ + static_cast<double>(first) * stepY_);
        }
        lastX_ = cx + stepX_;
        lastY_ = cy + stepY_;
        float t = vertical_ ? cy : cx;
        std::int64_t i = first;
        for (std::int64_t pass = 0; ShortOfEnd(t); ++pass) {
            if (pass == maxPasses)
                return false;
            if (!vertical_)
                lastX_ = cx + stepX_;
            lastY_ = cy + stepY_;
            ClampToEnd();
            if (i % 2 == 0)
                stroke(Pixel(cx), Pixel(cy), Pixel(lastX_), Pixel(lastY_));
            cx = lastX_;
            cy = lastY_;
            ++i;
            t += vertical_ ? stepY_ : stepX_;
        }
        return true;
    }

    float LastX() const { return lastX_; }
    float LastY() const { return lastY_; }
    void SetLastToEnd()
    {
        lastX_ = static_cast<float>(x2_);
        lastY_ = static_cast<float>(y2_);
    }

private:
    bool ShortOfEnd(float t) const
    {
        const double walked = t;
        if (!vertical_)
            return x1_ < x2_ ? walked < x2_ : walked > x2_;
        return y1_ < y2_ ? walked < y2_ : walked > y2_;
    }

    void ClampToEnd()
    {
        if (x1_ < x2_ && lastX_ > static_cast<double>(x2_))
            lastX_ = static_cast<float>(x2_);
        if (x1_ > x2_ && lastX_ < static_cast<double>(x2_))
            lastX_ = static_cast<float>(x2_);
        if (y1_ < y2_) {
            if (lastY_ > static_cast<double>(y2_))
                lastY_ = static_cast<float>(y2_);
        } else if (lastY_ < static_cast<double>(y2_)) {
            lastY_ = static_cast<float>(y2_);
        }
    }

    std::int32_t x1_, y1_, x2_, y2_;
    float stepX_, stepY_;
    bool vertical_;
    float lastX_ = 0;
    float lastY_ = 0;
};

// The part [u0, u1] of the segment a + u (b - a), 0 <= u <= 1, that lies in
// the box; false when no part does.
bool ClipToBox(double ax, double ay, double bx, double by, double left, double top, double right, double bottom,
               double& u0, double& u1)
{
    u0 = 0;
    u1 = 1;
    const double dx = bx - ax;
    const double dy = by - ay;
    const std::array<std::pair<double, double>, 4> edges = {
        std::pair{-dx, ax - left}, {dx, right - ax}, {-dy, ay - top}, {dy, bottom - ay}};
    for (const auto& [p, q] : edges) {
        if (p == 0) {
            if (q < 0)
                return false;
            continue;
        }
        const double u = q / p;
        if (p < 0)
            u0 = std::max(u0, u);
        else
            u1 = std::min(u1, u);
    }
    return u0 <= u1;
}

// Whether every point a walk of `passes` passes along the segment can reach
// lies beyond `reach` of the canvas. Each pass may round the walked point by
// half a unit in the last place of coordinates this large, so the segment's
// box is widened by that drift, and a pixel more for truncation.
bool WalkStaysBeyond(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float stepX, float stepY,
                     std::int64_t passes, double right, double bottom, double reach)
{
    const std::int64_t farthest = std::max({std::abs(std::int64_t{x1}), std::abs(std::int64_t{y1}),
                                            std::abs(std::int64_t{x2}), std::abs(std::int64_t{y2})});
    const double largest = static_cast<double>(farthest) + std::abs(stepX) + std::abs(stepY) + 1;
    const double drift = static_cast<double>(passes) * largest * std::ldexp(1.0, -23) + 2;
    return std::max(x1, x2) + drift < -reach || std::max(y1, y2) + drift < -reach
           || std::min(x1, x2) - drift > right + reach || std::min(y1, y2) - drift > bottom + reach;
}

} // namespace

void TSurfaceX::BeginPrimitive()
{
    if (!traits_.DefaultStatePerPrimitive)
        return;
    TCanvas& canvas = Canvas();
    canvas.SetPen(TPen{});
    canvas.SetBrush(TBrush{});
    canvas.SetFont(TFont{});
}

void TSurfaceX::Stroke(std::int32_t fromX, std::int32_t fromY, std::int32_t toX, std::int32_t toY)
{
    TCanvas& canvas = Canvas();
    canvas.MoveTo(fromX, fromY);
    canvas.LineTo(toX, toY);
}

void TSurfaceX::DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    TCanvas& canvas = Canvas();
    TPen solid = Pen;
    solid.Style = psSolid;
    canvas.SetPen(solid);
    if (Pen.Style == psClear)
        return;

    const float dx = static_cast<float>(std::int64_t{x2} - x1);
    const float dy = static_cast<float>(std::int64_t{y2} - y1);
    float stepX = dx;
    float stepY = dy;
    float steps = 1;
    if (Pen.Style == psDash) {
        const auto length = static_cast<float>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
        steps = length / static_cast<float>(2 * std::int64_t{DashWidth(canvas.Pen().Width)});
        if (steps == 0)
            return;
        stepX = dx / steps;
        stepY = dy / steps;
    }

    // A stroke that lies wholly beyond this reach of the canvas paints nothing.
    const double reach = 2.0 * DashWidth(Pen.Width) + std::max(Pen.Width, 1) + 2;
    const auto hidden = [&canvas, reach](std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by) {
        return std::max(ax, bx) < -reach || std::max(ay, by) < -reach || std::min(ax, bx) > canvas.Width() + reach
               || std::min(ay, by) > canvas.Height() + reach;
    };
    const bool leaveOutHidden = traits_.LeavesOutHiddenStrokes;
    TSegmentWalker walker(x1, y1, x2, y2, stepX, stepY);
    const auto stroke = [&](std::int32_t ax, std::int32_t ay, std::int32_t bx, std::int32_t by) {
        if (!(leaveOutHidden && hidden(ax, ay, bx, by)))
            Stroke(ax, ay, bx, by);
    };
    if (steps <= kMaxWalkedSteps) {
        // Float steps that vanish against large coordinates would stall the
        // walk; a sound walk needs about `steps` passes.
        const std::int64_t passes = 2 * static_cast<std::int64_t>(std::ceil(steps)) + 4;
        if (leaveOutHidden
            && WalkStaysBeyond(x1, y1, x2, y2, stepX, stepY, passes, canvas.Width(), canvas.Height(), reach))
            walker.SetLastToEnd(); // every stroke would be left out
        else
            walker.Walk(0, passes, stroke);
    } else {
        // Only the steps within reach of the canvas, plus one on either
        // side; the rest would draw nothing that shows.
        double u0 = 0;
        double u1 = 0;
        if (ClipToBox(x1, y1, x2, y2, -reach, -reach, canvas.Width() + reach, canvas.Height() + reach, u0, u1)) {
            const auto first = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor(u0 * steps)) - 1);
            const auto last = static_cast<std::int64_t>(std::ceil(u1 * steps)) + 1;
            if (!walker.Walk(first, last - first + 1, stroke))
                walker.SetLastToEnd();
        } else {
            walker.SetLastToEnd();
        }
    }

    const float lastX = walker.LastX();
    const float lastY = walker.LastY();
    if (traits_.AlwaysCloseStroke || lastX != static_cast<float>(x2) || lastY != static_cast<float>(y2))
        Stroke(Pixel(lastX), Pixel(lastY), x2, y2);
}

void TSurfaceX::Polyline(std::span<const TPoint> points)
{
    BeginPrimitive();
    TCanvas& canvas = Canvas();
    TPen hidden = canvas.Pen();
    hidden.Style = psClear;
    canvas.SetPen(hidden);
    canvas.SetBrush(Brush);
    if (points.size() > 2) {
        fillBuffer_.clear();
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            fillBuffer_.push_back({points[i].x, points[i].y});
        canvas.Polygon(fillBuffer_);
    }
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        DrawLine(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y);
}

void TSurfaceX::Ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float roll)
{
    const std::int64_t cx = (std::int64_t{x1} + x2) / 2;
    const std::int64_t cy = (std::int64_t{y1} + y2) / 2;
    const auto rx = static_cast<float>(std::abs(x1 - cx));
    const auto ry = static_cast<float>(std::abs(y1 - cy));
    const TTurn turn = RollTurn(roll * (1.0f / 180.0f) * kPi);

    std::array<TPoint, 37> outline;
    for (int k = 0; k < 36; ++k) {
        const auto [cosTheta, sinTheta] = kUnitCircle[static_cast<std::size_t>(k)];
        float rolledX = 0;
        float rolledY = 0;
        turn.Apply(rx * cosTheta, ry * sinTheta, rolledX, rolledY);
        outline[static_cast<std::size_t>(k)] = {Pixel(static_cast<float>(cx) + rolledX),
                                                Pixel(static_cast<float>(cy) + rolledY)};
    }
    outline[36] = outline[0];
    Polyline(outline);
}

void TSurfaceX::Arrow(std::int32_t x, std::int32_t y, float ux, float uy)
{
    BeginPrimitive();
    const auto width = static_cast<float>(Pen.Width);
    float ax = 0;
    float ay = 0;
    float bx = 0;
    float by = 0;
    RollPoint2(ux, uy, 4 * width, 2 * width, ax, ay);
    RollPoint2(ux, uy, 4 * width, -2 * width, bx, by);
    const auto tipX = static_cast<float>(x);
    const auto tipY = static_cast<float>(y);
    const std::array<TCanvasPoint, 3> head = {
        TCanvasPoint{Pixel(tipX + 0.0f), Pixel(tipY + 0.0f)},
        TCanvasPoint{Pixel(tipX + ax), Pixel(tipY + ay)},
        TCanvasPoint{Pixel(tipX + bx), Pixel(tipY + by)},
    };

    TCanvas& canvas = Canvas();
    TPen solid = Pen;
    solid.Style = psSolid;
    canvas.SetPen(solid);
    canvas.SetBrush({solid.Color, bsSolid});
    canvas.Polygon(head);
}

TTurn TSurfaceX::RollTurn(float angle)
{
    if (angle == 0)
        return TTurn(angle);
    return {static_cast<float>(std::cos(static_cast<double>(angle))),
            static_cast<float>(std::sin(static_cast<double>(angle)))};
}

void TSurfaceX::RollPoint1(float angle, float x, float y, float& rolledX, float& rolledY)
{
    RollTurn(angle).Apply(x, y, rolledX, rolledY);
}

void TSurfaceX::RollPoint2(float c, float s, float x, float y, float& rolledX, float& rolledY)
{
    TTurn(c, s).Apply(x, y, rolledX, rolledY);
}

void TSurfaceX::GetVector(float x1, float y1, float x2, float y2, float& ux, float& uy)
{
    const float dx = x1 - x2;
    const float dy = y1 - y2;
    const float squares = dx * dx + dy * dy;
    const auto distance = static_cast<float>(std::sqrt(static_cast<double>(squares)));
    if (distance == 0) {
        ux = 0;
        uy = 0;
        return;
    }
    ux = dx / distance;
    uy = dy / distance;
}

float TSurfaceX::exp0(float x, std::int32_t n)
{
    if (n == 0)
        return 1;
    float power = x;
    for (std::int32_t i = 1; i < n; ++i)
        power *= x;
    return power;
}

} // namespace qm
