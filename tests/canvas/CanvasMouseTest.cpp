#include "CanvasTestSupport.h"

#include "platform/IniFile.h"
#include "platform/ShiftJis.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace qm {
namespace {

using test::TCanvasFixture;

TEST(SnapToGrid, RoundsHalvesUpAndTruncatesTowardZero)
{
    EXPECT_EQ(SnapToGrid(10, 14) * 10, 10);
    EXPECT_EQ(SnapToGrid(10, 15) * 10, 20);
    EXPECT_EQ(SnapToGrid(10, 25) * 10, 30);
    EXPECT_EQ(SnapToGrid(10, 34) * 10, 30);
    EXPECT_EQ(SnapToGrid(10, 0), 0);
    EXPECT_EQ(SnapToGrid(10, -14), -1); // -1.4: i = -1, q - i = -0.4
    EXPECT_EQ(SnapToGrid(1, 7), 7);
}

TEST(ShapeCreation, LinesAndArrowsArePressDragRelease)
{
    TCanvasFixture f;
    f.ChooseTool(TTool::Line);
    f.Press(14, 15);
    EXPECT_EQ(f.main.released, 1);
    EXPECT_FALSE(f.main.CreateMode);
    EXPECT_TRUE(f.canvas.Creating());
    TTreeNode* line = f.tree.ObjectRoot()->LastChild();
    EXPECT_EQ(line->Text(), Utf8ToCp932("新しい直線"));
    EXPECT_EQ(line->Data()->X, 10);
    EXPECT_EQ(line->Data()->Y, 20);
    EXPECT_EQ(f.canvas.Selection().First(), line);

    // A press while the figure is being made changes nothing.
    f.Press(100, 100);
    EXPECT_EQ(line->Data()->Count, 1);
    f.Drag(60, 40);
    f.Release(60, 40);
    EXPECT_FALSE(f.canvas.Creating());
    EXPECT_EQ(line->Data()->Count, 2);

    f.ChooseTool(TTool::Arrow);
    f.Press(20, 20);
    f.Drag(60, 40);
    f.Release(60, 40);
    TTreeNode* arrow = f.tree.ObjectRoot()->LastChild();
    const TItemObject& a = *arrow->Data();
    EXPECT_EQ(arrow->Text(), Utf8ToCp932("新しい矢印"));
    EXPECT_EQ(a.X, 40);
    EXPECT_EQ(a.Y, 30);
    EXPECT_EQ(a.Points, (TPointArray{{-20, -10}, {20, 10}}));
    EXPECT_EQ(a.PStyle, lePlain);
    EXPECT_EQ(a.DStyle, leArrow);
}

TEST(ShapeCreation, BoxesComeFromTheTemplateAndMayBeDraggedAnyWay)
{
    TCanvasFixture f;
    TTreeNode* box = f.DrawRectangle(100, 50, 20, 10);
    const TItemObject& item = *box->Data();
    EXPECT_EQ(box->Text(), "box");
    EXPECT_EQ(item.ItemType, itRectangle);
    EXPECT_EQ(item.X, 60);
    EXPECT_EQ(item.Y, 30);
    EXPECT_EQ(item.Points, (TPointArray{{40, 20}, {40, -20}, {-40, -20}, {-40, 20}}));
    EXPECT_FALSE(f.canvas.Creating());

    f.ChooseTool(TTool::Ellipse);
    f.Press(30, 30);
    f.Release(30, 30); // zero-size box
    const TItemObject& ellipse = *f.tree.ObjectRoot()->LastChild()->Data();
    EXPECT_EQ(ellipse.ItemType, itEllipse);
    EXPECT_EQ(ellipse.X, 30);
    EXPECT_EQ(ellipse.Points, TPointArray(4));
}

TEST(ShapeCreation, ATemplateWithTooFewVerticesStillGivesAWorkingBox)
{
    TCanvasFixture f;
    std::filesystem::copy_file(TCanvasFixture::WriteTemplate(2) / "Rect.udf", f.templateFolder / "Rect.udf",
                               std::filesystem::copy_options::overwrite_existing);
    TTreeNode* box = f.DrawRectangle(100, 100, 200, 160);
    EXPECT_EQ(box->Data()->Count, 4);
    EXPECT_EQ(box->Data()->X, 150);
    EXPECT_EQ(box->Data()->Points[2], (TPoint{50, 30}));
}

TEST(ShapeCreation, PolygonsTakeOneVertexPerClickAndTooFewVerticesAreRemoved)
{
    TCanvasFixture f;
    f.ChooseTool(TTool::Polygon);
    f.Press(100, 100);
    f.Release(100, 100);
    f.Press(200, 100); // ignored while making
    f.Release(200, 100);
    f.Press(150, 200);
    f.Release(150, 200);
    f.Press(150, 200, false, true); // double click ends the figure
    EXPECT_FALSE(f.canvas.Creating());
    f.Release(150, 200);
    TTreeNode* polygon = f.tree.ObjectRoot()->LastChild();
    ASSERT_EQ(polygon->Data()->ItemType, itPolygon);
    EXPECT_EQ(polygon->Data()->Count, 3);
    TPointArray P;
    f.tree.ViewPoints1(polygon, P);
    EXPECT_EQ(P, (TPointArray{{100, 100}, {200, 100}, {150, 200}}));
    EXPECT_EQ(f.canvas.Selection().First(), polygon);

    // A curve finished after two vertices disappears at the last release.
    const std::size_t nodes = f.tree.NodeCount();
    f.ChooseTool(TTool::Curve);
    f.Press(10, 10);
    f.Release(10, 10);
    f.Press(50, 50);
    f.Release(50, 50);
    f.Press(50, 50, false, true);
    f.Release(50, 50);
    EXPECT_EQ(f.tree.NodeCount(), nodes);
    EXPECT_TRUE(f.canvas.Selection().Empty());
    EXPECT_EQ(f.tree.ObjectRoot()->LastChild(), polygon);
}

TEST(SelectionEditing, MoveByGridStepsAndShiftClicksAddAndRemove)
{
    TCanvasFixture f;
    TTreeNode* a = f.DrawRectangle(100, 100, 200, 150);
    TTreeNode* b = f.DrawRectangle(250, 250, 300, 300);
    EXPECT_EQ(f.canvas.Selection().Nodes(), std::vector<TTreeNode*>{b});

    // With marks shown, a press on another item only hides them ...
    f.Click(150, 120);
    EXPECT_FALSE(f.canvas.MarksShown());
    EXPECT_EQ(f.canvas.Selection().Nodes(), std::vector<TTreeNode*>{b});
    // ... and the next press selects it, marks and all.
    f.Press(150, 120);
    EXPECT_TRUE(f.canvas.MarksShown());
    EXPECT_EQ(f.canvas.Selection().Nodes(), std::vector<TTreeNode*>{a});
    EXPECT_EQ(f.canvas.Hit(), (THit{THitKind::SelectionMark, TMarkPart::Body}));
    f.Drag(163, 120);
    f.Drag(173, 139);
    f.Release(173, 139);
    EXPECT_EQ(a->Data()->X, 170);
    EXPECT_EQ(a->Data()->Y, 145);

    f.Click(275, 275, true);
    EXPECT_EQ(f.canvas.Selection().Nodes(), (std::vector<TTreeNode*>{a, b}));
    f.Click(277, 276, true);
    EXPECT_EQ(f.canvas.Selection().Nodes(), std::vector<TTreeNode*>{a});
    EXPECT_TRUE(f.canvas.MarksShown());
}

TEST(SelectionEditing, SelectionKeepsItsOrderThroughRemovalsAndFindsTheFirstSelectedOfAnId)
{
    TObjectTree tree;
    TSelection selection(tree);
    std::vector<TTreeNode*> n;
    for (int i = 0; i < 5; ++i)
        n.push_back(tree.AddItem(tree.ObjectRoot(), "item", itRectangle));
    for (int i : {0, 1, 2, 3})
        selection.Append(n[i]);
    selection.Remove(n[1]);
    selection.Append(n[4]);
    selection.Remove(n[0]);
    selection.Append(n[1]);
    EXPECT_EQ(selection.Nodes(), (std::vector<TTreeNode*>{n[2], n[3], n[4], n[1]}));
    EXPECT_EQ(selection.First(), n[2]);
    EXPECT_EQ(selection.Size(), 4u);

    // Two items with one id (as a damaged file may hold): the one selected first.
    tree.SetItemId(n[1], n[4]->Data()->Id);
    EXPECT_EQ(selection.FindById(n[4]->Data()->Id), n[4]);
    selection.Remove(n[4]);
    EXPECT_EQ(selection.FindById(n[1]->Data()->Id), n[1]);
    EXPECT_EQ(selection.FindById(n[0]->Data()->Id), nullptr);

    // A deleted node leaves the selection at once.
    tree.DeleteSubtree(n[3]);
    EXPECT_FALSE(selection.Contains(n[3]));
    EXPECT_EQ(selection.Nodes(), (std::vector<TTreeNode*>{n[2], n[1]}));
    selection.Clear();
    EXPECT_TRUE(selection.Empty());
    EXPECT_EQ(selection.First(), nullptr);
    // A few members are cleared one by one, many all at once: none stays,
    // and each can be selected again.
    while (n.size() < 5000)
        n.push_back(tree.AddItem(tree.ObjectRoot(), "item", itRectangle));
    for (const std::size_t count : {std::size_t{3}, n.size()}) {
        for (std::size_t i = 0; i < count; ++i)
            selection.Append(n[i]);
        selection.Remove(n[1]);
        selection.Clear();
        EXPECT_TRUE(std::none_of(n.begin(), n.end(), [&selection](const TTreeNode* node) { return selection.Contains(node); }));
        selection.Append(n[2]);
        EXPECT_EQ(selection.Nodes(), (std::vector<TTreeNode*>{n[2]})) << count;
        selection.Clear();
    }
}

TEST(SelectionEditing, HandlesStretchAndTheRotationHandleTurns)
{
    TCanvasFixture f;
    TTreeNode* box = f.DrawRectangle(100, 100, 200, 150);
    // Right-middle handle of the 100-pixel box, 10 pixels to the right.
    f.Press(200, 125);
    EXPECT_EQ(f.canvas.Hit().Part, TMarkPart::RightMiddle);
    f.Drag(210, 125);
    f.Release(210, 125);
    EXPECT_FLOAT_EQ(box->Data()->StretchX, 1.1f);
    EXPECT_FLOAT_EQ(box->Data()->StretchY, 1.0f);
    EXPECT_EQ(box->Data()->X, 155);

    // A left-middle step wider than the box is refused for the stretch but
    // still shifts the item by half the step.
    TRect before;
    f.tree.PointToXY(box, before);
    f.Press(before.Left, 125);
    EXPECT_EQ(f.canvas.Hit().Part, TMarkPart::LeftMiddle);
    const std::int32_t xBefore = box->Data()->X;
    f.Drag(before.Left + 200, 125);
    f.Release(before.Left + 200, 125);
    EXPECT_FLOAT_EQ(box->Data()->StretchX, 1.1f);
    EXPECT_EQ(box->Data()->X, xBefore + 100);

    // The rotation handle lies 100 pixels right of the anchor at roll 0;
    // 10 pixels down while right of the anchor add 10 degrees.
    const std::int32_t hx = box->Data()->X + 100;
    const std::int32_t hy = box->Data()->Y;
    f.Press(hx, hy);
    EXPECT_EQ(f.canvas.Hit().Part, TMarkPart::Rotation);
    f.Drag(hx, hy + 10);
    f.Release(hx, hy + 10);
    EXPECT_EQ(box->Data()->Roll, 10);
}

// Each part of the selection mark of the box (100, 100)-(200, 150): a press
// on it hits that part, and a drag by (10, 10) moves the box's edges that
// the part stands for.
TEST(SelectionEditing, EveryMarkPartIsHitWhereItLiesAndMovesItsEdges)
{
    struct TCase {
        TMarkPart part;
        TPoint at;
        TRect edgeSteps; // how far each edge follows the drag
    };
    const TCase cases[] = {
        // Not (100, 100): the tool's press was there, and a second press on
        // the same pixel edits the text.
        {TMarkPart::TopLeft, {102, 101}, {10, 10, 0, 0}},
        {TMarkPart::BottomLeft, {100, 150}, {10, 0, 0, 10}},
        {TMarkPart::BottomRight, {200, 150}, {0, 0, 10, 10}},
        {TMarkPart::TopRight, {200, 100}, {0, 10, 10, 0}},
        {TMarkPart::TopMiddle, {150, 100}, {0, 10, 0, 0}},
        {TMarkPart::LeftMiddle, {100, 125}, {10, 0, 0, 0}},
        {TMarkPart::BottomMiddle, {150, 150}, {0, 0, 0, 10}},
        {TMarkPart::RightMiddle, {200, 125}, {0, 0, 10, 0}},
        {TMarkPart::Body, {130, 115}, {10, 10, 10, 10}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.part));
        TCanvasFixture f;
        TTreeNode* box = f.DrawRectangle(100, 100, 200, 150);
        TRect before;
        ASSERT_EQ(f.tree.PointToXY(box, before), 0);
        ASSERT_EQ(before, (TRect{100, 100, 200, 150}));
        f.Press(c.at.x, c.at.y);
        EXPECT_EQ(f.canvas.Hit(), (THit{THitKind::SelectionMark, c.part}));
        f.Drag(c.at.x + 10, c.at.y + 10);
        f.Release(c.at.x + 10, c.at.y + 10);
        TRect after;
        ASSERT_EQ(f.tree.PointToXY(box, after), 0);
        // Stretching rounds to whole pixels: within one of the exact edge.
        EXPECT_NEAR(after.Left, before.Left + c.edgeSteps.Left, 1);
        EXPECT_NEAR(after.Top, before.Top + c.edgeSteps.Top, 1);
        EXPECT_NEAR(after.Right, before.Right + c.edgeSteps.Right, 1);
        EXPECT_NEAR(after.Bottom, before.Bottom + c.edgeSteps.Bottom, 1);
    }
    // Beside every mark: nothing.
    TCanvasFixture f;
    f.DrawRectangle(100, 100, 200, 150);
    f.canvas.HitMarks(300, 300);
    EXPECT_EQ(f.canvas.Hit(), THit{});
}

TEST(SelectionEditing, VertexMarksTakePrecedenceAndDragAVertex)
{
    TCanvasFixture f;
    f.ChooseTool(TTool::Line);
    f.Press(100, 100);
    f.Drag(200, 100);
    f.Release(200, 100);
    TTreeNode* line = f.tree.ObjectRoot()->LastChild();
    f.Press(203, 98); // on the end vertex
    EXPECT_TRUE(f.canvas.PointEditing());
    EXPECT_EQ(f.canvas.Hit(), (THit{THitKind::Vertex, TMarkPart::None, 1}));
    f.Drag(210, 130);
    f.Release(210, 130);
    TPointArray P;
    f.tree.ViewPoints1(line, P);
    EXPECT_EQ(P[1], (TPoint{210, 130}));
    EXPECT_EQ(P[0], (TPoint{100, 100}));
    // Lines have no rotation handle.
    f.Press(line->Data()->X + 100, line->Data()->Y);
    EXPECT_NE(f.canvas.Hit().Part, TMarkPart::Rotation);
}

TEST(SelectionEditing, TextIsEditedInPlaceOnASecondPressOnTheSamePixel)
{
    TCanvasFixture f;
    TTreeNode* box = f.DrawRectangle(100, 100, 200, 150);
    f.Click(150, 120);
    EXPECT_FALSE(f.textBox.visible);
    f.Press(150, 120);
    ASSERT_TRUE(f.textBox.visible);
    EXPECT_EQ(f.textBox.box, (TRect{100, 100, 200, 150}));
    f.Release(150, 120);
    f.textBox.text = Utf8ToCp932("こんにちは");
    f.textBox.font.Height = -20;
    f.Press(300, 300); // the next press commits
    EXPECT_FALSE(f.textBox.visible);
    EXPECT_EQ(box->Data()->Text, Utf8ToCp932("こんにちは"));
    EXPECT_EQ(box->Data()->Font.Height, -20);

    // A line never opens the editor.
    f.ChooseTool(TTool::Line);
    f.Press(20, 20);
    f.Drag(60, 20);
    f.Release(60, 20);
    f.Press(40, 20);
    f.Release(40, 20);
    f.Press(40, 20);
    EXPECT_FALSE(f.textBox.visible);
}

TEST(SelectionEditing, ToggleMarksTwiceRestoresThePictureByteForByte)
{
    TCanvasFixture f;
    f.DrawRectangle(100, 100, 200, 150);
    f.ChooseTool(TTool::Curve);
    f.Press(50, 300);
    f.Release(50, 300);
    f.Release(150, 250);
    f.Release(250, 330);
    f.Press(250, 330, false, true);
    f.Release(250, 330);
    f.Click(120, 120, true); // both selected, marks shown
    ASSERT_EQ(f.canvas.Selection().Size(), 2u);
    const auto withMarks = f.PicturePixels();
    f.canvas.ToggleMarks();
    const auto withoutMarks = f.PicturePixels();
    EXPECT_NE(withMarks, withoutMarks);
    f.canvas.ToggleMarks();
    EXPECT_EQ(f.PicturePixels(), withMarks);
    // The selection's many marks come off while the first item's few vertex
    // marks stay, and go back on under them.
    f.canvas.TogglePointMarks(THitKind::Vertex);
    const auto withPointMarks = f.PicturePixels();
    EXPECT_NE(withPointMarks, withMarks);
    f.canvas.ToggleMarks();
    const auto pointMarksAlone = f.PicturePixels();
    f.canvas.TogglePointMarks(THitKind::Vertex);
    EXPECT_EQ(f.PicturePixels(), withoutMarks);
    f.canvas.TogglePointMarks(THitKind::Vertex);
    EXPECT_EQ(f.PicturePixels(), pointMarksAlone);
    f.canvas.ToggleMarks();
    EXPECT_EQ(f.PicturePixels(), withPointMarks);
    f.canvas.TogglePointMarks(THitKind::Vertex);
    // Marks are blue on the white picture and never reach the surface.
    f.canvas.ToggleMarks();
    f.canvas.Repaint();
    EXPECT_EQ(f.canvas.Picture().Pixel(95, 95), clBlue); // a handle corner on white
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST(CanvasWindow, SettingsComeFromTheFileWithDefaultsAndAGridOfAtLeastOne)
{
    const auto folder = test::TCanvasFixture::WriteTemplate();
    TIniFile missing((folder / "none.ini").string());
    const TCanvasGeometry defaults = ReadCanvasSettings(missing);
    EXPECT_EQ(defaults.Width, 400);
    EXPECT_EQ(defaults.Height, 400);
    EXPECT_EQ(defaults.Grid, 10);

    TIniFile file((folder / "quillmark.ini").string());
    ASSERT_TRUE(WriteCanvasSettings(file, TCanvasGeometry{640, 480, 0}));
    TIniFile reread((folder / "quillmark.ini").string());
    const TCanvasGeometry read = ReadCanvasSettings(reread);
    EXPECT_EQ(read.Width, 640);
    EXPECT_EQ(read.Grid, 0);

    TObjectTree tree;
    TMainState main;
    test::TFakeTextBox textBox;
    TCanvasWindow canvas(tree, main, textBox, read, {});
    EXPECT_EQ(canvas.GridStep(), 1);
    canvas.SetGridStep(16);
    EXPECT_EQ(canvas.GridStep(), 16);
    canvas.SetGridStep(-3); // grid loops and snapping need a step of a pixel at least
    EXPECT_EQ(canvas.GridStep(), 1);
    EXPECT_EQ(canvas.ImageWidth(), 640);
    EXPECT_EQ(canvas.ImageHeight(), 480);
    EXPECT_GT(canvas.MmPerPixel(), 0.2f);
    EXPECT_LT(canvas.MmPerPixel(), 0.3f);
}

TEST(CanvasWindow, SkippedRendersGiveTheSamePixelsAsFreshOnes)
{
    test::TCanvasFixture f;
    f.DrawRectangle(100, 100, 200, 150);
    f.canvas.Repaint();
    f.canvas.ToggleMarks();
    const auto once = f.PicturePixels();
    f.canvas.Repaint(); // unchanged drawing: presented, not rendered again
    f.canvas.ToggleMarks();
    EXPECT_EQ(f.PicturePixels(), once);
    EXPECT_TRUE(f.canvas.SurfaceIsCurrent());

    // Every kind of change is seen: the drawing, the background, the grid.
    f.canvas.SetBackColor(clRed);
    EXPECT_FALSE(f.canvas.SurfaceIsCurrent());
    f.canvas.Repaint();
    f.canvas.ToggleMarks();
    EXPECT_EQ(f.canvas.Picture().Pixel(5, 5), clRed);
    f.canvas.SetShowGrid(false);
    f.canvas.Repaint();
    f.canvas.ToggleMarks();
    EXPECT_EQ(f.canvas.Picture().Pixel(0, 0), clRed);
    // The main menu's toggle flips the switch and refreshes at once.
    f.canvas.ToggleGrid();
    EXPECT_TRUE(f.canvas.ShowGrid());
    EXPECT_EQ(f.canvas.Picture().Pixel(0, 0), clSilver);
    f.canvas.ToggleGrid();
    EXPECT_FALSE(f.canvas.ShowGrid());
    EXPECT_EQ(f.canvas.Picture().Pixel(0, 0), clRed);
    f.canvas.ToggleMarks();
    f.canvas.MoveSelection(0, 0);
    f.tree.MoveItem(30, 0, f.canvas.Selection().First());
    f.canvas.Repaint();
    f.canvas.ToggleMarks();
    EXPECT_EQ(f.canvas.Picture().Pixel(100, 120), clRed);
}

} // namespace
} // namespace qm
