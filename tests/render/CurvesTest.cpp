#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <array>

namespace qm {
namespace {

using test::Strokes;
using test::TRecordingSurface;
using Kind = TCanvasCall::TKind;

// The points a curve was sampled into: the fill polygon holds all of them
// but the last, and the last outline stroke ends on the last.
std::vector<TCanvasPoint> SampledPoints(const TRecordingSurface& surface)
{
    const std::vector<TCanvasCall> fills = surface.canvas.CallsOf(Kind::Polygon);
    if (fills.empty())
        return {};
    std::vector<TCanvasPoint> points = fills[0].Points;
    points.push_back(Strokes(surface.canvas).back().to);
    return points;
}

TEST(NaturalSpline, CoefficientsOfTheNaturalCubic)
{
    // Through 0, 100, 0: the second derivative in the middle is
    // 6 (0 - 200 + 0) / 4 = -300, so c[1] = -150; c[0] = c[2] = 0.
    const std::array<float, 3> y = {0, 100, 0};
    std::array<float, 2> b{};
    std::array<float, 3> c{};
    std::array<float, 2> d{};
    TSurfaceX::NaturalSpline3(2, y, b, c, d);
    EXPECT_EQ(c[0], 0.0f);
    EXPECT_EQ(c[1], -150.0f);
    EXPECT_EQ(c[2], 0.0f);
    EXPECT_FLOAT_EQ(b[0], 150.0f);
    EXPECT_FLOAT_EQ(d[0], -50.0f);
    EXPECT_FLOAT_EQ(b[1], 0.0f);
    EXPECT_FLOAT_EQ(d[1], 50.0f);

    // One interval is the straight segment.
    const std::array<float, 2> two = {3, 11};
    std::array<float, 1> b1{};
    std::array<float, 2> c1{};
    std::array<float, 1> d1{};
    TSurfaceX::NaturalSpline3(1, two, b1, c1, d1);
    EXPECT_EQ(b1[0], 8.0f);
    EXPECT_EQ(c1[0], 0.0f);
    EXPECT_EQ(d1[0], 0.0f);

    // Equally spaced values on a line stay on it.
    const std::array<float, 5> line = {2, 5, 8, 11, 14};
    std::array<float, 4> bl{};
    std::array<float, 5> cl{};
    std::array<float, 4> dl{};
    TSurfaceX::NaturalSpline3(4, line, bl, cl, dl);
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(bl[j], 3.0f);
        EXPECT_EQ(cl[j], 0.0f);
        EXPECT_EQ(dl[j], 0.0f);
    }

    // Arrays shorter than n asks for are left alone.
    std::array<float, 1> shortB = {7};
    TSurfaceX::NaturalSpline3(4, line, shortB, cl, dl);
    EXPECT_EQ(shortB[0], 7.0f);
}

TEST(NaturalSpline, TenSamplesPerIntervalThroughEveryPoint)
{
    TRecordingSurface surface;
    surface.Polyline2(std::vector<TPoint>{{0, 0}, {100, 100}, {200, 0}});
    const std::vector<TCanvasPoint> samples = SampledPoints(surface);
    ASSERT_EQ(samples.size(), 21u);
    EXPECT_EQ(samples[0], (TCanvasPoint{0, 0}));
    EXPECT_EQ(samples[10], (TCanvasPoint{100, 100}));
    EXPECT_EQ(samples[20], (TCanvasPoint{200, 0}));
    // y = 150 t - 50 t^3 at t = 0.5 is 68.75, truncated; the second interval
    // mirrors it.
    EXPECT_EQ(samples[5], (TCanvasPoint{50, 68}));
    EXPECT_EQ(samples[15], (TCanvasPoint{150, 68}));
    // x is splined on its own and stays linear.
    for (std::size_t k = 0; k < samples.size(); ++k)
        EXPECT_EQ(samples[k].x, static_cast<std::int32_t>(10 * k));

    // Two points: 11 points on the segment, however long it is.
    TRecordingSurface longSegment;
    longSegment.Polyline2(std::vector<TPoint>{{0, 0}, {0, 100000}});
    const std::vector<TCanvasPoint> straight = SampledPoints(longSegment);
    ASSERT_EQ(straight.size(), 11u);
    for (std::size_t k = 0; k < straight.size(); ++k)
        EXPECT_EQ(straight[k], (TCanvasPoint{0, static_cast<std::int32_t>(10000 * k)}));

    // A single point and no point draw nothing.
    TRecordingSurface single;
    single.Polyline2(std::vector<TPoint>{{5, 5}});
    single.Polyline2({});
    EXPECT_TRUE(Strokes(single.canvas).empty());
}

TEST(Bezier, ElevenSamplesPerSegmentWithTheAccumulatedParameter)
{
    // Control points on the end points: x = 300 (3t^2 - 2t^3), sampled at
    // t = 0, 0.1, ..., 0.9 and truncated, then the end point itself.
    TRecordingSurface surface;
    const std::vector<TPoint> P = {{0, 0}, {300, 0}};
    const std::vector<TPoint> C1 = {{0, 0}};
    const std::vector<TPoint> C2 = {{300, 0}};
    surface.Polyline3(P, C1, C2, 1);
    std::vector<std::int32_t> xs;
    for (const TCanvasPoint& p : SampledPoints(surface))
        xs.push_back(p.x);
    EXPECT_EQ(xs, (std::vector<std::int32_t>{0, 8, 31, 64, 105, 150, 194, 235, 268, 291, 300}));

    // Two segments: 22 points, the joint twice, which makes a zero-length
    // outline segment.
    TRecordingSurface twoSegments;
    const std::vector<TPoint> P2 = {{0, 0}, {100, 0}, {100, 100}};
    const std::vector<TPoint> C12 = {{30, -30}, {130, 30}};
    const std::vector<TPoint> C22 = {{70, -30}, {130, 70}};
    twoSegments.Polyline3(P2, C12, C22, 2);
    const std::vector<TCanvasPoint> samples = SampledPoints(twoSegments);
    ASSERT_EQ(samples.size(), 22u);
    EXPECT_EQ(samples[10], (TCanvasPoint{100, 0}));
    EXPECT_EQ(samples[11], (TCanvasPoint{100, 0}));
    EXPECT_EQ(samples[21], (TCanvasPoint{100, 100}));
    EXPECT_LT(samples[5].y, 0); // pulled toward the control points

    // No segment, or control lists shorter than the segments: nothing drawn.
    TRecordingSurface none;
    none.Polyline3(P, C1, C2, 0);
    none.Polyline3(P2, C1, C2, 2);
    none.PolyBezier(P, 3);
    EXPECT_TRUE(Strokes(none.canvas).empty());
    EXPECT_TRUE(none.canvas.CallsOf(Kind::Polygon).empty());
}

} // namespace
} // namespace qm
