#include "RenderTestSupport.h"

#include "DamagedDocument.h"
#include "../model/TreeTestSupport.h"
#include "render/DocumentRenderer.h"
#include "WritableRecord.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::AddShape;
using test::Strokes;
using test::TRecordingSurface;
using Kind = TCanvasCall::TKind;

// The pen colours of the outline strokes, in drawing order, one per item.
std::vector<TColor> ItemsDrawn(const TRecordingCanvas& canvas)
{
    std::vector<TColor> colours;
    for (const TCanvasCall& call : canvas.CallsOf(Kind::LineTo))
        if (colours.empty() || colours.back() != call.Pen.Color)
            colours.push_back(call.Pen.Color);
    return colours;
}

TTreeNode* AddColouredLine(TObjectTree& tree, TTreeNode* parent, TColor colour)
{
    TTreeNode* node = AddShape(tree, parent, itLine, {{0, 0}, {10, 10}});
    Writable(node)->Pen.Color = colour;
    return node;
}

TEST(DocumentRenderer, WalksByPriorityAndSkipsTrashTempAndInactiveSubtrees)
{
    TObjectTree tree;
    TTreeNode* root = tree.ObjectRoot();
    TTreeNode* late = AddColouredLine(tree, root, RGB(1, 0, 0));
    TTreeNode* early = AddColouredLine(tree, root, RGB(2, 0, 0));
    Writable(late)->Priority = 9;
    Writable(early)->Priority = 4;
    TTreeNode* group = tree.AddItem(root, "group", itGroup);
    AddColouredLine(tree, group, RGB(3, 0, 0));
    AddColouredLine(tree, tree.TrashNode(), RGB(4, 0, 0));
    AddColouredLine(tree, tree.TempNode(), RGB(5, 0, 0));
    TTreeNode* hidden = tree.AddItem(root, "hidden", itGroup);
    AddColouredLine(tree, hidden, RGB(6, 0, 0));
    Writable(hidden)->Active = false;
    TTreeNode* beyond = AddColouredLine(tree, root, RGB(7, 0, 0));
    Writable(beyond)->Priority = tree.ItemCounter(); // not drawn until the counter passes it
    ASSERT_GT(tree.ItemCounter(), 9);

    TRecordingSurface surface;
    TDocumentRenderer renderer(tree, surface);
    renderer.RepaintAll();
    // The group (priority 5) and its member come between priorities 4 and 9.
    EXPECT_EQ(ItemsDrawn(surface.canvas), (std::vector<TColor>{RGB(2, 0, 0), RGB(3, 0, 0), RGB(1, 0, 0)}));

    EXPECT_EQ(renderer.RenderSubtree(tree.TrashNode()), -1);
    EXPECT_EQ(renderer.RenderSubtree(tree.TempNode()), -1);
    EXPECT_EQ(renderer.RenderSubtree(hidden), -1);
    EXPECT_EQ(renderer.RenderSubtree(nullptr), -1);
}

TEST(DocumentRenderer, OpenFiguresGetArrowheadsAlongTheirEndSegments)
{
    TObjectTree tree;
    TTreeNode* curve = AddShape(tree, tree.ObjectRoot(), itCurve, {{0, 0}, {100, 0}, {100, 100}});
    TItemObject& item = *Writable(curve);
    item.CurveStyle = csSpline;
    item.PStyle = leArrow;
    item.DStyle = leArrow;
    item.Pen.Width = 2;

    TRecordingSurface surface;
    TDocumentRenderer(tree, surface).RenderSubtree(tree.ObjectRoot());
    const std::vector<TCanvasCall> polygons = surface.canvas.CallsOf(Kind::Polygon);
    ASSERT_EQ(polygons.size(), 3u); // the spline's fill, then the two heads
    EXPECT_EQ(polygons[0].Points.size(), 20u);
    EXPECT_EQ(polygons[1].Points, (std::vector<TCanvasPoint>{{0, 0}, {8, 4}, {8, -4}}));
    EXPECT_EQ(polygons[2].Points, (std::vector<TCanvasPoint>{{100, 100}, {104, 92}, {96, 92}}));

    // The metafile's rule follows the chord from the first to the last point.
    TRecordingSurface chord;
    TDocumentRenderer(tree, chord, {.AlongChord = true, .OnClosedShapes = true}).RenderSubtree(tree.ObjectRoot());
    const std::vector<TCanvasCall> chordHeads = chord.canvas.CallsOf(Kind::Polygon);
    ASSERT_EQ(chordHeads.size(), 3u);
    EXPECT_EQ(chordHeads[1].Points[1], (TCanvasPoint{2, 8})); // (8, 4) turned by 45 degrees
    EXPECT_EQ(chordHeads[1].Points[2], (TCanvasPoint{8, 2}));
}

TEST(DocumentRenderer, ClosedShapesAreClosedPathsWithoutArrowheadsOnTheCanvas)
{
    TObjectTree tree;
    TTreeNode* rectangle = AddShape(tree, tree.ObjectRoot(), itRectangle, {{10, 10}, {50, 10}, {50, 40}, {10, 40}});
    Writable(rectangle)->PStyle = leArrow;
    Writable(rectangle)->DStyle = leArrow;

    TRecordingSurface surface;
    TDocumentRenderer(tree, surface).RenderSubtree(tree.ObjectRoot());
    const std::vector<TCanvasCall> polygons = surface.canvas.CallsOf(Kind::Polygon);
    ASSERT_EQ(polygons.size(), 1u);
    EXPECT_EQ(polygons[0].Points, (std::vector<TCanvasPoint>{{10, 10}, {50, 10}, {50, 40}, {10, 40}}));
    const std::vector<test::TStroke> strokes = Strokes(surface.canvas);
    ASSERT_EQ(strokes.size(), 8u);
    EXPECT_EQ(strokes[6], (test::TStroke{{10, 40}, {10, 10}}));

    // The metafile's rule puts heads on closed shapes too: the end head's tip
    // on the last vertex, its body toward the first one.
    TRecordingSurface metafile;
    TDocumentRenderer(tree, metafile, {.AlongChord = true, .OnClosedShapes = true}).RenderSubtree(tree.ObjectRoot());
    const std::vector<TCanvasCall> heads = metafile.canvas.CallsOf(Kind::Polygon);
    ASSERT_EQ(heads.size(), 3u);
    EXPECT_EQ(heads[2].Points, (std::vector<TCanvasPoint>{{10, 40}, {12, 36}, {8, 36}}));

    // A polygon drawn as Bezier curves has a segment for its closing edge.
    TObjectTree bezierTree;
    TTreeNode* polygon = AddShape(bezierTree, bezierTree.ObjectRoot(), itPolygon, {{0, 0}, {60, 0}, {30, 40}});
    Writable(polygon)->CurveStyle = csBezier;
    TRecordingSurface bezier;
    TDocumentRenderer(bezierTree, bezier).RenderSubtree(bezierTree.ObjectRoot());
    ASSERT_EQ(bezier.canvas.CallsOf(Kind::Polygon).size(), 1u);
    EXPECT_EQ(bezier.canvas.CallsOf(Kind::Polygon)[0].Points.size(), 32u); // 3 x 11 - 1
}

TEST(DocumentRenderer, ItemsWithTooFewPointsOrUnknownStylesDrawOnlyWhatTheyCan)
{
    TObjectTree tree;
    TTreeNode* ellipse = AddShape(tree, tree.ObjectRoot(), itEllipse, {{0, 0}, {20, 0}});
    Writable(ellipse)->Text = "E";
    TTreeNode* line = AddShape(tree, tree.ObjectRoot(), itLine, {{5, 5}});
    Writable(line)->Text = "L";
    Writable(tree.AddItem(tree.ObjectRoot(), "folder", itGroup))->Text = "F";
    TRecordingSurface nothing;
    TDocumentRenderer(tree, nothing).RenderSubtree(tree.ObjectRoot());
    EXPECT_TRUE(nothing.canvas.Calls().empty());

    // An unknown curve style draws no outline, but the text.
    TTreeNode* odd = AddShape(tree, tree.ObjectRoot(), itPolygon, {{0, 0}, {100, 0}, {100, 50}});
    Writable(odd)->CurveStyle = FromStoredCode<TCurveStyle>(7);
    Writable(odd)->Text = "AB";
    TRecordingSurface textOnly;
    TDocumentRenderer(tree, textOnly).RenderSubtree(tree.ObjectRoot());
    EXPECT_TRUE(textOnly.canvas.CallsOf(Kind::LineTo).empty());
    EXPECT_TRUE(textOnly.canvas.CallsOf(Kind::Polygon).empty());
    const std::vector<TCanvasCall> text = textOnly.canvas.CallsOf(Kind::TextOut);
    ASSERT_EQ(text.size(), 2u);
    // Centred in the item's box (0, 0)-(100, 50): x0 = 50 - 6, y0 = 25 - 9 / 2.
    EXPECT_EQ(text[0].Points[0], (TCanvasPoint{44, 21}));
    EXPECT_EQ(text[0].Font, DefaultItemFont());

    // An ellipse from vertices 0 and 2, turned by its roll.
    TObjectTree ellipses;
    TTreeNode* oval = AddShape(ellipses, ellipses.ObjectRoot(), itEllipse, {{0, 0}, {40, 0}, {40, 20}, {0, 20}});
    Writable(oval)->Roll = 90;
    TRecordingSurface drawn;
    TDocumentRenderer(ellipses, drawn).RenderSubtree(ellipses.ObjectRoot());
    const std::vector<TCanvasCall> outline = drawn.canvas.CallsOf(Kind::Polygon);
    ASSERT_EQ(outline.size(), 1u);
    ASSERT_EQ(outline[0].Points.size(), 36u);
    EXPECT_NEAR(outline[0].Points[0].x, 20, 1); // (40, 10) turned about (20, 10)
    EXPECT_NEAR(outline[0].Points[0].y, 30, 1);
}

TEST(ClearCanvas, BackgroundTracePictureAndGrid)
{
    TBitmapX surface;
    surface.InitBitmap(400, 300);
    TBitmap picture(20, 20);
    picture.Canvas().SetBrush({clRed, bsSolid});
    picture.Canvas().FillRect(0, 0, 20, 20);

    TCanvasBackground background;
    background.BackColor = clLime;
    background.ShowGrid = true;
    background.TracePicture = &picture;
    background.UseTraceImage = true;
    ClearCanvas(surface, background);
    EXPECT_EQ(surface.Bitmap().Pixel(5, 5), clLime); // the menu item is off
    background.TraceImageMenuChecked = true;
    ClearCanvas(surface, background);
    EXPECT_EQ(surface.Bitmap().Pixel(5, 5), clRed);
    EXPECT_EQ(surface.Bitmap().Pixel(25, 5), clLime);

    // Grid lines from 0 every 10 pixels, drawn over the picture, none past the edge.
    int silverColumns = 0;
    for (int x = 0; x < 400; ++x)
        silverColumns += surface.Bitmap().Pixel(x, 25) == clSilver ? 1 : 0;
    EXPECT_EQ(silverColumns, 40);
    EXPECT_EQ(surface.Bitmap().Pixel(10, 5), clSilver);
    EXPECT_EQ(surface.Bitmap().Pixel(399, 25), clLime);
    for (int x = 0; x < 400; ++x)
        ASSERT_EQ(surface.Bitmap().Pixel(x, 290), clSilver) << x;
    EXPECT_EQ(surface.Bitmap().Pixel(5, 299), clLime);

    // A step below 1 is taken as 1.
    background.GridStep = 0;
    background.TracePicture = nullptr;
    ClearCanvas(surface, background);
    EXPECT_EQ(surface.Bitmap().Pixel(123, 45), clSilver);
}

// How fast they draw is render_bench's BM_RenderDamagedItems.
TEST(DocumentRenderer, DamagedItemsStillDrawTheirPixels)
{
    TObjectTree tree;
    test::BuildDamagedDocument(tree);
    TBitmapX surface;
    surface.InitBitmap(200, 200);
    TDocumentRenderer(tree, surface).RenderSubtree(tree.ObjectRoot());
    EXPECT_EQ(surface.Bitmap().Pixel(5, 150), clBlack); // under the 1000-pixel pen
    EXPECT_EQ(surface.Bitmap().Pixel(100, 100), clWhite); // the polygon's fill
}

} // namespace
} // namespace qm
