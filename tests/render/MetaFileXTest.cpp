#include "RenderTestSupport.h"
#include "SampleDocument.h"

#include "render/BitmapX.h"
#include "render/DocumentRenderer.h"
#include "render/MetaFileX.h"
#include "render/MetafileRenderer.h"

#include "platform/MetafilePicture.h"
#include "qtplatform/MetafileCanvas.h"
#include "WritableRecord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace qm {
namespace {

using test::AddShape;
using test::TRecordingSurface;
using Kind = TCanvasCall::TKind;

constexpr std::int32_t kWidth = 800;
constexpr std::int32_t kHeight = 600;

// The recording canvas measures "A" 6 and "ご" 12 pixels wide, as IPAGothic
// (standing in for "ＭＳ ゴシック") does at 12 pixels: with that font the
// recorded layout is the layout of the real metafile.
TFont MonospacedFont(TColor color)
{
    TFont font;
    font.Name = Utf8ToCp932("ＭＳ ゴシック");
    font.Height = -12;
    font.Color = color;
    font.Charset = SHIFTJIS_CHARSET;
    return font;
}

void UseMonospacedFonts(TObjectTree& tree)
{
    tree.WalkInDrawingOrder(tree.ObjectRoot(), [](TTreeNode* node) {
        if (node->Data())
            Writable(node)->Font = MonospacedFont(node->Data()->Font.Color);
        return true;
    });
}

void RemoveArrowheadsAndText(TObjectTree& tree)
{
    tree.WalkInDrawingOrder(tree.ObjectRoot(), [](TTreeNode* node) {
        if (node->Data()) {
            Writable(node)->PStyle = lePlain;
            Writable(node)->DStyle = lePlain;
            Writable(node)->Text.clear();
        }
        return true;
    });
}

// The calls that show: the metafile records no line of zero length and no
// polygon with neither pen nor brush.
std::vector<TCanvasCall> VisibleCalls(const std::vector<TCanvasCall>& calls)
{
    std::vector<TCanvasCall> kept;
    for (const TCanvasCall& call : calls) {
        const bool emptyLine = call.Kind == Kind::LineTo && call.Points[0] == call.Points[1];
        const bool emptyFill = call.Kind == Kind::Polygon && call.Pen.Style == psClear && call.Brush.Style == bsClear;
        if (!emptyLine && !emptyFill)
            kept.push_back(call);
    }
    return kept;
}

std::vector<TCanvasCall> Only(const std::vector<TCanvasCall>& calls, Kind kind)
{
    std::vector<TCanvasCall> selected;
    for (const TCanvasCall& call : calls) {
        if (call.Kind == kind)
            selected.push_back(call);
    }
    return selected;
}

// The parts of two calls that show: where, what and in which colours.
void ExpectSameDrawing(const std::vector<TCanvasCall>& actual, const std::vector<TCanvasCall>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        const TCanvasCall& a = actual[i];
        const TCanvasCall& e = expected[i];
        ASSERT_EQ(static_cast<int>(a.Kind), static_cast<int>(e.Kind)) << i;
        EXPECT_EQ(a.Points, e.Points) << i;
        EXPECT_EQ(a.Text, e.Text) << i;
        if (a.Kind == Kind::LineTo || (a.Kind == Kind::Polygon && e.Pen.Style != psClear)) {
            EXPECT_EQ(ColorToRGB(a.Pen.Color), ColorToRGB(e.Pen.Color)) << i;
            EXPECT_EQ(std::max(a.Pen.Width, 1), std::max(e.Pen.Width, 1)) << i;
        }
        if (a.Kind == Kind::Polygon) {
            EXPECT_EQ(a.Pen.Style == psClear, e.Pen.Style == psClear) << i;
            EXPECT_EQ(a.Brush.Style, e.Brush.Style) << i;
            if (e.Brush.Style != bsClear) {
                EXPECT_EQ(ColorToRGB(a.Brush.Color), ColorToRGB(e.Brush.Color)) << i;
            }
        }
        if (a.Kind == Kind::TextOut) {
            EXPECT_EQ(a.Font.Name, e.Font.Name) << i;
            EXPECT_EQ(a.Font.Height, e.Font.Height) << i;
            EXPECT_EQ(ColorToRGB(a.Font.Color), ColorToRGB(e.Font.Color)) << i;
            EXPECT_EQ(a.Escapement, e.Escapement) << i;
        }
    }
}

std::unique_ptr<TMetafilePicture> PictureOf(const std::vector<char>& bytes)
{
    std::string error;
    auto picture = TMetafilePicture::FromBytes(bytes, TMetafileFormat::Enhanced, error);
    EXPECT_TRUE(picture) << error;
    return picture;
}

TEST(MetaFileX, RecordsTheRasterSurfacesStrokesFillsAndCharactersApartFromTheListedDifferences)
{
    TObjectTree tree;
    test::BuildSampleDocument(tree);
    RemoveArrowheadsAndText(tree);
    TTreeNode* labelled = AddShape(tree, tree.ObjectRoot(), itRectangle, {{300, 300}, {420, 300}, {420, 360}});
    Writable(labelled)->Text = Utf8ToCp932("文字 ABC\r\n二行目");
    Writable(labelled)->Roll = 30;
    TRecordingSurface raster({}, kWidth, kHeight);
    TDocumentRenderer(tree, raster).RenderSubtree(tree.ObjectRoot());
    TRecordingSurface metafile(kMetafileTraits, kWidth, kHeight);
    TDocumentRenderer(tree, metafile, kMetafileArrowRules).RenderSubtree(tree.ObjectRoot());

    // The raster walker ends every segment with a stroke to its end point,
    // even where it already stands there; the metafile walker only where not.
    const std::vector<TCanvasCall>& rasterCalls = raster.canvas.Calls();
    const std::vector<TCanvasCall>& metafileCalls = metafile.canvas.Calls();
    const auto zeroLength = [](const std::vector<TCanvasCall>& calls) {
        return Only(calls, Kind::LineTo).size() - Only(VisibleCalls(calls), Kind::LineTo).size();
    };
    EXPECT_GT(zeroLength(rasterCalls), 100u);
    EXPECT_LT(zeroLength(metafileCalls), zeroLength(rasterCalls) / 10);
    for (const Kind kind : {Kind::LineTo, Kind::Polygon, Kind::TextOut}) {
        SCOPED_TRACE(static_cast<int>(kind));
        ExpectSameDrawing(Only(VisibleCalls(metafileCalls), kind),
                          Only(VisibleCalls(rasterCalls), kind));
    }

    // Every primitive starts from the platform's default pen, brush and
    // font: the fills' hidden pens come from the default pen, not from the
    // item drawn before.
    for (const TCanvasCall& fill : Only(metafileCalls, Kind::Polygon)) {
        if (fill.Pen.Style == psClear) {
            EXPECT_EQ(fill.Pen, (TPen{TPen{}.Color, TPen{}.Width, psClear, TPenMode::pmCopy}));
        }
    }
    EXPECT_NE(Only(rasterCalls, Kind::Polygon)[1].Pen.Color, TPen{}.Color);
}

TEST(MetaFileX, ArrowheadsFollowTheChordAndAppearOnClosedShapes)
{
    TObjectTree tree;
    TTreeNode* root = tree.ObjectRoot();
    // Two points: the chord is the segment, so both rules agree.
    TTreeNode* line = AddShape(tree, root, itArrow, {{10, 10}, {110, 60}});
    // The first segment points away from the last point.
    TTreeNode* curve = AddShape(tree, root, itCurve, {{200, 200}, {150, 100}, {400, 200}});
    TTreeNode* polygon = AddShape(tree, root, itPolygon, {{500, 300}, {600, 300}, {560, 400}});
    TTreeNode* rectangle = AddShape(tree, root, itRectangle, {{100, 400}, {300, 400}, {300, 500}, {100, 500}});
    for (TTreeNode* node : {line, curve, polygon, rectangle})
        Writable(node)->Pen.Width = 3;
    Writable(line)->PStyle = leArrow;
    Writable(line)->DStyle = leArrow;
    Writable(curve)->PStyle = leArrow;
    Writable(polygon)->DStyle = leArrow;
    Writable(rectangle)->PStyle = leArrow;

    const auto heads = [&](TTreeNode* node, bool metafileRules) {
        TRecordingSurface surface(metafileRules ? kMetafileTraits : TSurfaceTraits{});
        TDocumentRenderer(tree, surface, metafileRules ? kMetafileArrowRules : TArrowRules{}).RenderSubtree(node);
        std::vector<TCanvasCall> found;
        for (const TCanvasCall& polygonCall : surface.canvas.CallsOf(Kind::Polygon)) {
            if (polygonCall.Pen.Style != psClear)
                found.push_back(polygonCall);
        }
        return found;
    };
    ASSERT_EQ(heads(line, true).size(), 2u);
    EXPECT_EQ(heads(line, true)[0].Points, heads(line, false)[0].Points);
    EXPECT_EQ(heads(line, true)[1].Points, heads(line, false)[1].Points);
    EXPECT_TRUE(heads(polygon, false).empty());
    EXPECT_TRUE(heads(rectangle, false).empty());

    // The head's tip lies on the end point and its base is centred on the
    // chord toward the other end point.
    const auto expectAlong = [](const TCanvasCall& head, TCanvasPoint tip, TCanvasPoint toward) {
        ASSERT_EQ(head.Points.size(), 3u);
        EXPECT_EQ(head.Points[0], tip);
        const double baseX = (head.Points[1].x + head.Points[2].x) / 2.0 - tip.x;
        const double baseY = (head.Points[1].y + head.Points[2].y) / 2.0 - tip.y;
        const double chordX = toward.x - tip.x;
        const double chordY = toward.y - tip.y;
        const double cross = (baseX * chordY - baseY * chordX) / std::hypot(chordX, chordY);
        EXPECT_NEAR(cross, 0, 1.0);
        EXPECT_GT(baseX * chordX + baseY * chordY, 0);
        EXPECT_NEAR(std::hypot(baseX, baseY), 12, 1.5); // 4 pen widths
    };
    const std::vector<TCanvasCall> curveHeads = heads(curve, true);
    ASSERT_EQ(curveHeads.size(), 1u);
    expectAlong(curveHeads[0], {200, 200}, {400, 200});
    EXPECT_NE(curveHeads[0].Points, heads(curve, false)[0].Points);
    const std::vector<TCanvasCall> polygonHeads = heads(polygon, true);
    ASSERT_EQ(polygonHeads.size(), 1u);
    expectAlong(polygonHeads[0], {560, 400}, {500, 300});
    const std::vector<TCanvasCall> rectangleHeads = heads(rectangle, true);
    ASSERT_EQ(rectangleHeads.size(), 1u);
    expectAlong(rectangleHeads[0], {100, 400}, {100, 500});
}

TEST(MetaFileX, ExportedMetafilePlaysBackAsTheRecordedDrawing)
{
    TObjectTree tree;
    test::BuildSampleDocument(tree);
    UseMonospacedFonts(tree);
    TMetafileCanvas measure(1, 1);
    measure.SetFont(MonospacedFont(clBlack));
    ASSERT_EQ(measure.TextWidth("A"), 6);
    ASSERT_EQ(measure.TextWidth(Utf8ToCp932("ご")), 12);

    TRecordingSurface expected(kMetafileTraits, kWidth, kHeight);
    TDocumentRenderer(tree, expected, kMetafileArrowRules).RenderSubtree(tree.ObjectRoot());
    const std::unique_ptr<TMetafilePicture> picture = PictureOf(RenderMetafile(tree, kWidth, kHeight));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), kWidth);
    EXPECT_EQ(picture->Height(), kHeight);
    TRecordingCanvas played(kWidth, kHeight);
    picture->DrawOn(played, 0, 0);

    const std::vector<TCanvasCall> drawn = VisibleCalls(expected.canvas.Calls());
    EXPECT_GT(Only(drawn, Kind::TextOut).size(), 50u);
    for (const Kind kind : {Kind::LineTo, Kind::Polygon, Kind::TextOut}) {
        SCOPED_TRACE(static_cast<int>(kind));
        ExpectSameDrawing(Only(played.Calls(), kind), Only(drawn, kind));
    }
}

TEST(MetaFileX, ExportedMetafileDrawnOnABitmapGivesTheCanvasPixels)
{
    TObjectTree tree;
    test::BuildSampleDocument(tree);
    RemoveArrowheadsAndText(tree);
    // Arrowheads on a two-point line follow the same direction on both.
    TTreeNode* arrow = AddShape(tree, tree.ObjectRoot(), itArrow, {{450, 450}, {560, 520}});
    Writable(arrow)->PStyle = leArrow;
    Writable(arrow)->DStyle = leArrow;
    Writable(arrow)->Pen = {clRed, 3, psSolid, TPenMode::pmCopy};

    TBitmapX canvas;
    canvas.InitBitmap(kWidth, kHeight);
    TDocumentRenderer(tree, canvas).RenderSubtree(tree.ObjectRoot());
    TBitmapX played;
    played.InitBitmap(kWidth, kHeight);
    const std::unique_ptr<TMetafilePicture> picture = PictureOf(RenderMetafile(tree, kWidth, kHeight));
    ASSERT_TRUE(picture);
    played.Canvas().Draw(0, 0, *picture);

    int differing = 0;
    int inked = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            differing += played.Bitmap().Pixel(x, y) != canvas.Bitmap().Pixel(x, y) ? 1 : 0;
            inked += canvas.Bitmap().Pixel(x, y) != clWhite ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 20000);
}

TEST(MetaFileX, EmptyDocumentsHiddenItemsAndItemsWithTooFewPointsDrawNothing)
{
    TObjectTree tree;
    AddShape(tree, tree.TrashNode(), itRectangle, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    AddShape(tree, tree.TempNode(), itLine, {{0, 0}, {10, 10}});
    Writable(AddShape(tree, tree.ObjectRoot(), itEllipse, {{0, 0}, {10, 0}, {10, 10}}))->Active = false;
    TTreeNode* bare = AddShape(tree, tree.ObjectRoot(), itPolygon, {{0, 0}, {10, 0}});
    Writable(bare)->Text = "text";
    const std::vector<char> bytes = RenderMetafile(tree, 321, 123);
    const std::unique_ptr<TMetafilePicture> picture = PictureOf(bytes);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 321);
    EXPECT_EQ(picture->Height(), 123);
    TRecordingCanvas played;
    picture->DrawOn(played, 0, 0);
    EXPECT_TRUE(played.Calls().empty());

    TRecordingSurface surface(kMetafileTraits);
    TDocumentRenderer renderer(tree, surface, kMetafileArrowRules);
    EXPECT_EQ(renderer.RenderSubtree(tree.TrashNode()), -1);
    EXPECT_EQ(renderer.RenderSubtree(tree.TempNode()), -1);
    EXPECT_EQ(renderer.RenderSubtree(nullptr), -1);
    EXPECT_EQ(renderer.RenderSubtree(tree.ObjectRoot()), 0);
    EXPECT_TRUE(surface.canvas.Calls().empty());
}

TEST(MetaFileX, FinishingStartsAnEmptyPictureOfTheSameSize)
{
    TMetaFileX surface;
    surface.InitMeta(200, 100);
    surface.Pen = {clBlue, 2, psSolid, TPenMode::pmCopy};
    surface.DrawLine(10, 10, 150, 90);
    const std::unique_ptr<TMetafilePicture> first = PictureOf(surface.FinishMetafile());
    const std::unique_ptr<TMetafilePicture> second = PictureOf(surface.FinishMetafile());
    ASSERT_TRUE(first && second);
    TRecordingCanvas firstCalls;
    first->DrawOn(firstCalls, 0, 0);
    ASSERT_EQ(firstCalls.CallsOf(Kind::LineTo).size(), 1u);
    EXPECT_EQ(firstCalls.CallsOf(Kind::LineTo)[0].Points, (std::vector<TCanvasPoint>{{10, 10}, {150, 90}}));
    TRecordingCanvas secondCalls;
    second->DrawOn(secondCalls, 0, 0);
    EXPECT_TRUE(secondCalls.Calls().empty());
    EXPECT_EQ(second->Width(), 200);
    EXPECT_EQ(second->Height(), 100);
}

} // namespace
} // namespace qm
