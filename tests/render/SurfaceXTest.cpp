#include "RenderTestSupport.h"

#include "render/MetaFileX.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace qm {
namespace {

using test::HorizontalStroke;
using test::Strokes;
using test::TRecordingSurface;
using test::TStroke;
using test::VerticalStroke;
using Kind = TCanvasCall::TKind;

TPen DashedPen(std::int32_t width)
{
    return {clRed, width, psDash, TPenMode::pmCopy};
}

TEST(SegmentWalker, DashedLineOfWidthFiveStrokesEveryOtherTenPixelsAndClosesWithZeroLength)
{
    TRecordingSurface surface;
    surface.Pen = DashedPen(5);
    surface.DrawLine(10, 20, 110, 20);
    const std::vector<TStroke> expected = {
        HorizontalStroke(10, 20, 20), HorizontalStroke(30, 40, 20), HorizontalStroke(50, 60, 20),
        HorizontalStroke(70, 80, 20), HorizontalStroke(90, 100, 20),
        HorizontalStroke(110, 110, 20), // the last ten pixels are a gap
    };
    EXPECT_EQ(Strokes(surface.canvas), expected);
    // Every stroke is solid, in the pen's colour and width.
    for (const TCanvasCall& call : surface.canvas.CallsOf(Kind::LineTo)) {
        EXPECT_EQ(call.Pen.Style, psSolid);
        EXPECT_EQ(call.Pen.Width, 5);
        EXPECT_EQ(call.Pen.Color, clRed);
    }
}

TEST(SegmentWalker, DashesAreMeasuredFromTheFirstPointInEveryDirection)
{
    TRecordingSurface leftward;
    leftward.Pen = DashedPen(5);
    leftward.DrawLine(110, 20, 10, 20);
    EXPECT_EQ(Strokes(leftward.canvas),
              (std::vector<TStroke>{HorizontalStroke(110, 100, 20), HorizontalStroke(90, 80, 20),
                                    HorizontalStroke(70, 60, 20), HorizontalStroke(50, 40, 20),
                                    HorizontalStroke(30, 20, 20), HorizontalStroke(10, 10, 20)}));

    TRecordingSurface down;
    down.Pen = DashedPen(5);
    down.DrawLine(7, 0, 7, 50);
    EXPECT_EQ(Strokes(down.canvas), (std::vector<TStroke>{VerticalStroke(7, 0, 10), VerticalStroke(7, 20, 30),
                                                         VerticalStroke(7, 40, 50), VerticalStroke(7, 50, 50)}));

    TRecordingSurface up;
    up.Pen = DashedPen(5);
    up.DrawLine(7, 50, 7, 0);
    EXPECT_EQ(Strokes(up.canvas), (std::vector<TStroke>{VerticalStroke(7, 50, 40), VerticalStroke(7, 30, 20),
                                                       VerticalStroke(7, 10, 0), VerticalStroke(7, 0, 0)}));

    // A 3-4-5 diagonal: steps of (6, 8), a dash on every other one.
    TRecordingSurface diagonal;
    diagonal.Pen = DashedPen(5);
    diagonal.DrawLine(0, 0, 30, 40);
    EXPECT_EQ(Strokes(diagonal.canvas), (std::vector<TStroke>{{{0, 0}, {6, 8}},
                                                             {{12, 16}, {18, 24}},
                                                             {{24, 32}, {30, 40}},
                                                             {{30, 40}, {30, 40}}}));
}

TEST(SegmentWalker, SolidClearZeroLengthAndZeroWidthLines)
{
    TRecordingSurface solid;
    solid.Pen = {clBlack, 3, psSolid, TPenMode::pmCopy};
    solid.DrawLine(5, 6, 50, 70);
    EXPECT_EQ(Strokes(solid.canvas), (std::vector<TStroke>{{{5, 6}, {50, 70}}, {{50, 70}, {50, 70}}}));

    // Styles other than dash and clear draw solid.
    TRecordingSurface dotted;
    dotted.Pen = {clBlack, 1, psDot, TPenMode::pmCopy};
    dotted.DrawLine(0, 0, 100, 0);
    EXPECT_EQ(Strokes(dotted.canvas).size(), 2u);

    TRecordingSurface point;
    point.DrawLine(9, 9, 9, 9);
    EXPECT_EQ(Strokes(point.canvas), (std::vector<TStroke>{{{9, 9}, {9, 9}}}));

    TRecordingSurface dashedPoint;
    dashedPoint.Pen = DashedPen(2);
    dashedPoint.DrawLine(9, 9, 9, 9);
    EXPECT_TRUE(Strokes(dashedPoint.canvas).empty());

    TRecordingSurface clear;
    clear.Pen = {clBlack, 1, psClear, TPenMode::pmCopy};
    clear.DrawLine(0, 0, 100, 100);
    EXPECT_TRUE(Strokes(clear.canvas).empty());

    // Width 0 dashes like width 1: two pixels on, two off.
    TRecordingSurface hairline;
    hairline.Pen = DashedPen(0);
    hairline.DrawLine(0, 0, 10, 0);
    EXPECT_EQ(Strokes(hairline.canvas),
              (std::vector<TStroke>{HorizontalStroke(0, 2, 0), HorizontalStroke(4, 6, 0), HorizontalStroke(8, 10, 0),
                                    HorizontalStroke(10, 10, 0)}));
    TRecordingSurface negative;
    negative.Pen = DashedPen(-3);
    negative.DrawLine(0, 0, 10, 0);
    EXPECT_EQ(Strokes(negative.canvas), Strokes(hairline.canvas));
}

// How fast such lines are walked is render_bench's BM_AstronomicalDashedLine.
TEST(SegmentWalker, AstronomicalLinesKeepTheirDashPhaseAndEnd)
{
    TRecordingSurface surface({}, 800, 600);
    surface.Pen = DashedPen(1);
    surface.DrawLine(-2000000000, 5, 2000000000, 5);
    const std::vector<TStroke> strokes = Strokes(surface.canvas);
    ASSERT_GE(strokes.size(), 200u);
    EXPECT_LT(strokes.size(), 400u);
    // The visible dashes keep the phase of the far start point (a multiple
    // of 4): two pixels on from every multiple of 4.
    for (std::size_t i = 0; i + 1 < strokes.size(); ++i) {
        EXPECT_EQ(strokes[i].from.x % 4, 0) << strokes[i];
        EXPECT_EQ(strokes[i].to.x - strokes[i].from.x, 2) << strokes[i];
        EXPECT_GT(strokes[i].from.x, -20);
        EXPECT_LT(strokes[i].to.x, 820);
    }
    EXPECT_EQ(strokes.back(), HorizontalStroke(2000000000, 2000000000, 5));

    // A float step that vanishes against a large coordinate must not stall
    // the walk: the line still ends at its end point.
    TRecordingSurface stalled;
    stalled.Pen = {clBlack, 1, psSolid, TPenMode::pmCopy};
    stalled.DrawLine(1000000000, 0, 1000000001, 50);
    ASSERT_FALSE(Strokes(stalled.canvas).empty());
    EXPECT_EQ(Strokes(stalled.canvas).back().to, (TCanvasPoint{1000000001, 50}));

    // 50 steps of 2000: a metafile records all 25 dashes; the raster leaves
    // out those wholly off the canvas (beyond 2 steps, the pen width and
    // 2 pixels) and makes the closing stroke.
    TRecordingSurface recorded(kMetafileTraits);
    recorded.Pen = DashedPen(1000);
    recorded.DrawLine(0, 0, 100000, 0);
    EXPECT_EQ(Strokes(recorded.canvas).size(), 25u);
    TRecordingSurface wide;
    wide.Pen = DashedPen(1000);
    wide.DrawLine(0, 0, 100000, 0);
    EXPECT_EQ(Strokes(wide.canvas), (std::vector<TStroke>{HorizontalStroke(0, 2000, 0), HorizontalStroke(4000, 6000, 0),
                                                          HorizontalStroke(100000, 100000, 0)}));
}

TEST(SegmentWalker, TheRasterLeavesOutOnlyStrokesThatCannotShow)
{
    // Far above, far off to the side, steep across, long across, and lines
    // ending just outside the 1000 x 1000 canvas, at two pen widths.
    const std::vector<std::array<std::int32_t, 4>> lines = {
        {-2000000000, -900000000, 2000000000, -800000000}, {1200000, 1200000, 1300000, 1250000},
        {5, -1500000000, 700, 1400000000},                 {-100000, 50, 100000, 60},
        {-30000, -29000, 1010, 1005},                      {1020, -500, 1020, 1500},
        {-2000000000, 400, 2000000000, 410}};
    for (const auto& [x1, y1, x2, y2] : lines) {
        for (const std::int32_t width : {1, 7}) {
            SCOPED_TRACE(::testing::Message() << x1 << "," << y1 << " - " << x2 << "," << y2 << " width " << width);
            TRecordingSurface raster;
            TRecordingSurface every({.AlwaysCloseStroke = true, .LeavesOutHiddenStrokes = false});
            for (TRecordingSurface* surface : {&raster, &every}) {
                surface->Pen = DashedPen(width);
                surface->DrawLine(x1, y1, x2, y2);
            }
            const std::vector<TStroke> kept = Strokes(raster.canvas);
            const std::vector<TStroke> all = Strokes(every.canvas);
            ASSERT_FALSE(kept.empty());
            EXPECT_EQ(kept.back(), all.back()) << "the closing stroke";
            // The raster's strokes are the walk's, in order, and none that
            // touches the canvas is missing.
            auto next = kept.begin();
            for (auto stroke = all.begin(); stroke + 1 != all.end(); ++stroke) {
                const bool touches = std::max(stroke->from.x, stroke->to.x) >= 0
                                     && std::min(stroke->from.x, stroke->to.x) < 1000
                                     && std::max(stroke->from.y, stroke->to.y) >= 0
                                     && std::min(stroke->from.y, stroke->to.y) < 1000;
                if (next + 1 != kept.end() && *next == *stroke)
                    ++next;
                else
                    EXPECT_FALSE(touches) << *stroke << " was left out";
            }
            EXPECT_EQ(next + 1, kept.end()) << "a stroke the walk did not make";
        }
    }
    // A dashed line far from the canvas is not walked at all on the raster.
    TRecordingSurface far;
    far.Pen = DashedPen(1);
    far.DrawLine(-2000000000, -900000000, 2000000000, -800000000);
    EXPECT_EQ(Strokes(far.canvas).size(), 1u);
}

TEST(SegmentWalker, MetafileTraitsCloseOnlyWhenNeededAndStartFromDefaultState)
{
    TRecordingSurface metafile({.AlwaysCloseStroke = false, .DefaultStatePerPrimitive = true});
    metafile.Pen = DashedPen(5);
    metafile.DrawLine(10, 20, 110, 20);
    EXPECT_EQ(Strokes(metafile.canvas).size(), 5u);

    // The fill of a metafile polyline is drawn with the default pen made
    // clear, whatever the canvas held before; the raster surface keeps it.
    for (const bool perPrimitive : {false, true}) {
        TRecordingSurface surface({.AlwaysCloseStroke = true, .DefaultStatePerPrimitive = perPrimitive});
        surface.Pen = {clRed, 4, psSolid, TPenMode::pmCopy};
        surface.DrawLine(0, 0, 1, 1);
        surface.Polyline(std::vector<TPoint>{{0, 0}, {10, 0}, {10, 10}});
        const TCanvasCall fill = surface.canvas.CallsOf(Kind::Polygon).at(0);
        EXPECT_EQ(fill.Pen.Style, psClear);
        EXPECT_EQ(fill.Pen.Color, perPrimitive ? TPen{}.Color : clRed);
    }
}

TEST(Polyline, FillsAllButTheLastPointThenOutlinesEverySegment)
{
    TRecordingSurface surface;
    surface.Brush = {clLime, bsCross};
    const std::vector<TPoint> square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}};
    surface.Polyline(square);
    const std::vector<TCanvasCall> fills = surface.canvas.CallsOf(Kind::Polygon);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].Points, (std::vector<TCanvasPoint>{{0, 0}, {10, 0}, {10, 10}, {0, 10}}));
    EXPECT_EQ(fills[0].Pen.Style, psClear);
    EXPECT_EQ(fills[0].Brush, (TBrush{clLime, bsCross}));
    EXPECT_EQ(Strokes(surface.canvas).size(), 8u); // 4 segments, each with its closing stroke
    EXPECT_EQ(Strokes(surface.canvas)[6], (TStroke{{0, 10}, {0, 0}}));

    TRecordingSurface two;
    two.Polyline(std::vector<TPoint>{{0, 0}, {5, 5}});
    EXPECT_TRUE(two.canvas.CallsOf(Kind::Polygon).empty());
    EXPECT_EQ(Strokes(two.canvas).size(), 2u);

    TRecordingSurface one;
    one.Polyline(std::vector<TPoint>{{3, 3}});
    EXPECT_TRUE(Strokes(one.canvas).empty());
    EXPECT_TRUE(one.canvas.CallsOf(Kind::Polygon).empty());
}

std::vector<TCanvasPoint> EllipseCorners(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                         float roll)
{
    TRecordingSurface surface;
    surface.Ellipse(x1, y1, x2, y2, roll);
    const std::vector<TCanvasCall> fills = surface.canvas.CallsOf(Kind::Polygon);
    EXPECT_EQ(fills.size(), 1u);
    if (fills.empty())
        return {};
    // The outline closes on point 0.
    EXPECT_EQ(Strokes(surface.canvas).back().to, fills[0].Points[0]);
    return fills[0].Points;
}

TEST(Ellipse, RadiiAreMeasuredFromTheFirstCorner)
{
    // (0, 0)-(5, 4): centre (2, 2), radii 2 and 2.
    const std::vector<TCanvasPoint> forward = EllipseCorners(0, 0, 5, 4, 0);
    ASSERT_EQ(forward.size(), 36u);
    EXPECT_EQ(forward[0], (TCanvasPoint{4, 2}));
    EXPECT_EQ(forward[9], (TCanvasPoint{2, 4}));  // 90 degrees: clockwise on screen, downward
    EXPECT_EQ(forward[18], (TCanvasPoint{0, 2})); // sin(3.141592) > 0: truncates back to 2

    // (5, 4)-(0, 0): the same centre, radii 3 and 2.
    const std::vector<TCanvasPoint> backward = EllipseCorners(5, 4, 0, 0, 0);
    ASSERT_EQ(backward.size(), 36u);
    EXPECT_EQ(backward[0], (TCanvasPoint{5, 2}));
    EXPECT_EQ(backward[9], (TCanvasPoint{2, 4}));
    EXPECT_EQ(backward[18], (TCanvasPoint{-1, 2}));

    // Every corner lies in the box widened by the truncation.
    for (const TCanvasPoint& p : EllipseCorners(100, 50, 300, 150, 0)) {
        EXPECT_GE(p.x, 100);
        EXPECT_LE(p.x, 300);
        EXPECT_GE(p.y, 50);
        EXPECT_LE(p.y, 150);
    }
}

TEST(Ellipse, RollTurnsTheCornersClockwise)
{
    // Centre (200, 100), radii 50 and 20: point 0 at (250, 100) turns to
    // (200, 150) up to the rounding of pi = 3.141592.
    const std::vector<TCanvasPoint> turned = EllipseCorners(150, 80, 250, 120, 90);
    ASSERT_EQ(turned.size(), 36u);
    EXPECT_NEAR(turned[0].x, 200, 1);
    EXPECT_NEAR(turned[0].y, 150, 1);
    EXPECT_NEAR(turned[9].x, 180, 1); // (200, 120) turned: 20 to the left
    EXPECT_NEAR(turned[9].y, 100, 1);
}

TEST(Arrow, HeadIsFourPenWidthsLongAndWideAlongTheDirection)
{
    TRecordingSurface surface;
    surface.Pen = {clBlue, 2, psDash, TPenMode::pmCopy};
    surface.Arrow(100, 50, 1, 0);
    surface.Arrow(100, 50, 0, 1);
    surface.Arrow(100, 50, 0, 0);
    const std::vector<TCanvasCall> heads = surface.canvas.CallsOf(Kind::Polygon);
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_EQ(heads[0].Points, (std::vector<TCanvasPoint>{{100, 50}, {108, 54}, {108, 46}}));
    EXPECT_EQ(heads[1].Points, (std::vector<TCanvasPoint>{{100, 50}, {96, 58}, {104, 58}}));
    EXPECT_EQ(heads[2].Points, (std::vector<TCanvasPoint>{{100, 50}, {100, 50}, {100, 50}}));
    // Solid and filled in the line colour even for a dashed pen.
    EXPECT_EQ(heads[0].Pen.Style, psSolid);
    EXPECT_EQ(heads[0].Brush, (TBrush{clBlue, bsSolid}));

    // A direction from GetVector: from (0, 0) toward (3, 4), pen width 5.
    float ux = 0;
    float uy = 0;
    TSurfaceX::GetVector(3, 4, 0, 0, ux, uy);
    TRecordingSurface diagonal;
    diagonal.Pen.Width = 5;
    diagonal.Arrow(0, 0, ux, uy);
    // (20, 10) and (20, -10) turned by (0.6, 0.8): (4, 22) and (20, 10).
    EXPECT_EQ(diagonal.canvas.CallsOf(Kind::Polygon).at(0).Points,
              (std::vector<TCanvasPoint>{{0, 0}, {4, 22}, {20, 10}}));
}

TEST(VectorHelpers, GetVectorRollPointAndExp0)
{
    float ux = 1;
    float uy = 1;
    TSurfaceX::GetVector(3, 4, 0, 0, ux, uy);
    EXPECT_FLOAT_EQ(ux, 0.6f);
    EXPECT_FLOAT_EQ(uy, 0.8f);
    TSurfaceX::GetVector(7, 7, 7, 7, ux, uy);
    EXPECT_EQ(ux, 0.0f);
    EXPECT_EQ(uy, 0.0f);

    float x = 0;
    float y = 0;
    TSurfaceX::RollPoint2(0, 1, 10, 0, x, y); // a quarter turn clockwise on screen
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 10.0f);
    TSurfaceX::RollPoint1(3.141592f, 10, 0, x, y);
    EXPECT_FLOAT_EQ(x, -10.0f);
    EXPECT_NEAR(y, 0.0f, 1e-4f);

    EXPECT_EQ(TSurfaceX::exp0(5.0f, 0), 1.0f);
    EXPECT_EQ(TSurfaceX::exp0(5.0f, 1), 5.0f);
    EXPECT_EQ(TSurfaceX::exp0(0.5f, 3), 0.125f);
    EXPECT_EQ(TSurfaceX::exp0(3.0f, -2), 3.0f);
    // Rounded to single after every product.
    EXPECT_EQ(TSurfaceX::exp0(0.1f, 3), 0.1f * 0.1f * 0.1f);
}

} // namespace
} // namespace qm
