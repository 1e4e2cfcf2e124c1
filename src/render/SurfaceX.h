#pragma once

#include "model/Geometry.h"
#include "model/ItemObject.h"
#include "platform/Canvas.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace qm {

// Where the metafile surface draws differently from the raster surface.
struct TSurfaceTraits {
    // The raster walker always ends with a stroke to the exact end point;
    // the metafile walker only when its last point differs from it.
    bool AlwaysCloseStroke = true;
    // A metafile recording starts every primitive with the platform's
    // default pen, brush and font.
    bool DefaultStatePerPrimitive = false;
    // The raster leaves out the dash strokes that lie wholly off the canvas:
    // they paint nothing, and the stroke to the end point, always made,
    // leaves the pen where they would have. A metafile records them all.
    bool LeavesOutHiddenStrokes = true;
};

// The drawing state and the primitives that the raster surface (TBitmapX)
// and the metafile surface share: the segment walker, fills, ellipses,
// arrowheads, curves and text layout, all drawn on Canvas().
//
// Arithmetic is single precision throughout, sine, cosine and square root
// are taken in double precision and stored as single, and every float that
// becomes a pixel is truncated toward zero: the drawing must come out
// pixel for pixel the same wherever it is rendered.
class TSurfaceX {
public:
    virtual ~TSurfaceX() = default;
    TSurfaceX(const TSurfaceX&) = delete;
    TSurfaceX& operator=(const TSurfaceX&) = delete;

    // What the primitives draw on. They copy the state below into it and
    // leave it changed.
    virtual TCanvas& Canvas() = 0;

    // State of the next primitive; callers set it before each call.
    TPen Pen;
    TBrush Brush;
    TFont Font;
    std::int32_t Margin = 1;
    std::int32_t LineSpacing = 4;
    bool CenterH = true;
    bool CenterV = true;

    // The segment walker: solid strokes of the pen's width; a dashed pen
    // gives dashes and gaps of twice the pen width, starting with a dash.
    void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
    // Fills the polygon of all points but the last, then outlines the path
    // segment by segment.
    void Polyline(std::span<const TPoint> points);
    // A 36-gon inside the box with corners (x1, y1) and (x2, y2), turned by
    // `roll` degrees about its centre.
    void Ellipse(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, float roll);
    // A filled head with its tip at (x, y); (ux, uy) points into the line.
    void Arrow(std::int32_t x, std::int32_t y, float ux, float uy);

    // The turn RollPoint1 makes, for many points turned alike.
    static TTurn RollTurn(float angle);
    static void RollPoint1(float angle, float x, float y, float& rolledX, float& rolledY);
    static void RollPoint2(float c, float s, float x, float y, float& rolledX, float& rolledY);
    // Unit vector from (x2, y2) toward (x1, y1); (0, 0) for equal points.
    static void GetVector(float x1, float y1, float x2, float y2, float& ux, float& uy);
    // x to the power n by repeated single-precision products (n < 1: see the definition).
    static float exp0(float x, std::int32_t n);

    // Natural spline through the points, 10 samples per interval.
    void Polyline2(std::span<const TPoint> points);
    // The polyline Polyline2 draws through the points.
    static std::vector<TPoint> SplineSamples(std::span<const TPoint> points);
    // Coefficients of the natural cubic spline through y[0..n] at unit
    // spacing: y[j] + b[j] t + c[j] t^2 + d[j] t^3 on interval j.
    static void NaturalSpline3(int n, std::span<const float> y, std::span<float> b, std::span<float> c,
                               std::span<float> d);
    // n cubic Bezier segments from P[i] over C1[i] and C2[i] to P[i + 1].
    void Polyline3(std::span<const TPoint> P, std::span<const TPoint> C1, std::span<const TPoint> C2, int n);
    // The Bezier segments of Q (count + 1 points, count a multiple of 3),
    // 11 samples each.
    void PolyBezier(std::span<const TPoint> Q, int count);

    // CP932 text in lines (explicit "\r\n" breaks, then wrapped between
    // characters to the rectangle's width), each character turned by
    // `angle` degrees about the rectangle's centre.
    void TextDrawEx2(const TRect& rect, std::string_view text, std::int32_t angle);

protected:
    explicit TSurfaceX(TSurfaceTraits traits = {}) : traits_(traits) {}

private:
    void BeginPrimitive();
    void Stroke(std::int32_t fromX, std::int32_t fromY, std::int32_t toX, std::int32_t toY);

    TSurfaceTraits traits_;
    std::vector<TCanvasPoint> fillBuffer_;
};

} // namespace qm
