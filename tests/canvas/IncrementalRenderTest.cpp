// The canvas draws again only the region an edit changed: after every edit
// of a random drawing, the surface and the picture must be byte for byte
// what a full render makes. QM_RENDER_SEEDS=n runs n more seeds.
#include "CanvasTestSupport.h"
#include "../model/TreeTestSupport.h"

#include "platform/ShiftJis.h"
#include "qtplatform/QtBitmap.h"
#include "render/BitmapX.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRect>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>

namespace qm {
namespace {

using test::TCanvasFixture;

constexpr int kItems = 24;
constexpr int kEdits = 40;

// The canvas's surface as drawing every item on a cleared one makes it.
QImage FullRender(TCanvasFixture& drawing)
{
    TBitmapX full;
    full.InitBitmap(drawing.canvas.Surface().Bitmap().Width(), drawing.canvas.Surface().Bitmap().Height());
    ClearCanvas(full, drawing.canvas.Background());
    TDocumentRenderer(drawing.tree, full).RepaintAll();
    return BitmapImage(full.Bitmap()).copy();
}

// The full render with the marks over it, drawn one by one.
QImage FullPicture(TCanvasFixture& drawing)
{
    TBitmap picture(drawing.canvas.ImageWidth(), drawing.canvas.ImageHeight());
    picture.Canvas().DrawBitmap(0, 0, *BitmapFromImage(FullRender(drawing)));
    drawing.canvas.Overlay().Draw(picture.Canvas(), 1, {0, 0, picture.Width() - 1, picture.Height() - 1});
    return BitmapImage(picture).copy();
}

class TRandomDrawing : public TCanvasFixture {
public:
    // Even seeds keep every pen copying, so that parts leave out hidden items.
    explicit TRandomDrawing(unsigned seed) : random_(seed), copyPensOnly_(seed % 2 == 0)
    {
        trace_.SetSize(400, 400);
        TCanvas& trace = trace_.Canvas();
        trace.SetBrush({RGB(230, 240, 255), bsSolid});
        trace.FillRect(0, 0, 400, 400);
        trace.SetPen({RGB(200, 120, 0), 3, psSolid, TPenMode::pmCopy});
        trace.MoveTo(0, 400);
        trace.LineTo(400, 0);
        canvas.SetTracePicture(&trace_);
        canvas.SetUseTraceImage(Below(2) == 0);
        canvas.SetTraceMenuChecked(true);
        canvas.SetShowGrid(Below(2) == 0);
        for (int i = 0; i < kItems; ++i)
            AddRandomItem(Below(4) == 0 ? RandomGroup() : tree.ObjectRoot());
        for (int k = 0; copyPensOnly_ && k < 4; ++k)
            PasteTwin(RandomDrawnNode());
        tree.ClearHistory();
        // Kept bounds dropped, as after an open: the render bounds every item itself.
        tree.MarkChanged();
        canvas.Repaint();
    }

    int Below(int bound) { return static_cast<int>(random_() % static_cast<unsigned>(bound)); }

    // One random edit through the canvas and the commands; its name.
    std::string Edit()
    {
        // Now and then the picture is filled over first, as a size change
        // does, or the kept bounds are dropped, as writing past the tree does.
        if (Below(12) == 0)
            canvas.SetCanvasSize(canvas.ImageWidth(), canvas.ImageHeight());
        if (Below(12) == 0)
            tree.MarkChanged();
        // Some of the items bounded while idle, the rest by the edit; or
        // all, and the walk numbered, so that items added come on top.
        if (const int idle = Below(4); idle == 0)
            canvas.PrepareSome(1 + Below(8));
        else if (idle == 1)
            while (!canvas.PrepareSome(64)) {
            }
        if (Below(8) == 0) {
            commands.Undo();
            return "undo";
        }
        if (Below(10) == 0) {
            commands.Redo();
            return "redo";
        }
        TTreeNode* node = RandomDrawnNode();
        if (!node)
            return "none";
        canvas.SelectFromTree(node);
        const int dx = Below(61) - 30;
        const int dy = Below(61) - 30;
        auto gesture = [this](std::string_view name, const std::function<void()>& change) {
            const TEditStepScope step(tree, name);
            change();
        };
        switch (Below(15)) {
        case 0: gesture("move", [&] { canvas.MoveSelection(dx, dy); }); return "move";
        case 1: gesture("resize", [&] { canvas.ResizeSelection(0, 0, dx, dy); }); return "resize";
        case 2: gesture("rotate", [&] { canvas.RotateSelection(dx, dy); }); return "rotate";
        case 3:
            if (node->Data()->VertexCount() > 0)
                gesture("point", [&] { canvas.DragPoint(THitKind::Vertex, Below(node->Data()->VertexCount()), dx, dy); });
            return "point drag";
        case 4: commands.DeleteSelection(); return "delete";
        case 5:
            commands.CopySelection();
            commands.PasteClipboard();
            return "paste";
        case 6:
            if (TTreeNode* other = RandomDrawnNode(); other && other != node && !other->IsWithin(node) && !node->IsWithin(other))
                canvas.ToggleSelection(other);
            commands.GroupSelection();
            return "group";
        case 7: commands.UngroupSelection(); return "ungroup";
        case 8:
            gesture("pen", [&] { tree.ApplyPen(RandomPen(), node); });
            return "pen";
        case 11:
            commands.RestackSelection(static_cast<TObjectTree::TRestack>(Below(4)));
            return "z-order";
        case 12:
            // Into a group (placed by its ancestors) or among its siblings.
            if (TTreeNode* target = RandomDrawnNode(); target && commands.CanDropInto(target))
                commands.Drop({node}, target, target->FirstChild());
            else
                commands.Drop({node}, node->Parent(), node->Parent()->FirstChild());
            return "tree drop";
        case 13:
            PasteTwin(node);
            return "paste in place";
        case 14: commands.DuplicateSelection(); return "duplicate";
        case 9:
            gesture("text", [&] {
                tree.ChangeItem(node, [&](TItemObject& item) {
                    item.Text = RandomText();
                    item.Font.Height = -(10 + Below(14));
                });
            });
            return "text";
        default:
            gesture("record", [&] {
                tree.ChangeItem(node, [&](TItemObject& item) {
                    item.Brush = RandomBrush();
                    item.Roll = Below(360);
                    item.StretchX = 0.5f + static_cast<float>(Below(4)) * 0.5f;
                    item.PStyle = Below(2) == 0 ? leArrow : lePlain;
                    item.Active = Below(8) != 0;
                    // A priority past the counter, as files may hold: drawn
                    // only once commands creating items have passed it.
                    if (Below(6) == 0)
                        item.Priority = tree.ItemCounter() + Below(4);
                    // A tie, which list order breaks: a drop among siblings
                    // and its undo then change the drawing order.
                    else if (const TTreeNode* sibling = node->PrevSibling(); sibling && Below(5) == 0)
                        item.Priority = sibling->Data()->Priority;
                });
            });
            return "record";
        }
    }

    // A twin of `node` in the very same place, on top.
    void PasteTwin(TTreeNode* node)
    {
        canvas.SelectFromTree(node);
        commands.CopySelection(); // which sets the step a paste moves by
        main.PasteOffsetX = 0;
        main.PasteOffsetY = 0;
        commands.PasteClipboard();
    }

    QImage FullSurface() { return FullRender(*this); }
    QImage FullPicture() { return qm::FullPicture(*this); }

private:
    TTreeNode* RandomGroup()
    {
        TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "group", itGroup);
        tree.ChangeItem(group, [&](TItemObject& item) {
            item.X = Below(400);
            item.Y = Below(400);
            item.Roll = Below(4) == 0 ? Below(360) : 0;
        });
        if (Below(2) == 0) {
            TTreeNode* inner = tree.AddItem(group, "inner", itGroup);
            tree.ChangeItem(inner, [&](TItemObject& item) {
                item.X = Below(400);
                item.Y = Below(400);
                item.Roll = Below(360);
            });
            return inner;
        }
        return group;
    }

    void AddRandomItem(TTreeNode* parent)
    {
        static constexpr TItemType kTypes[] = {itRectangle, itEllipse, itLine, itArrow, itCurve, itPolygon};
        const TItemType type = kTypes[Below(6)];
        TTreeNode* node = tree.AddItem(parent, "item", type);
        const int x = Below(440) - 20;
        const int y = Below(440) - 20;
        const int vertices = type == itLine || type == itArrow ? 2 : 3 + Below(3);
        if (type == itRectangle) {
            // Large enough to hide whole items below them.
            const int size = copyPensOnly_ ? 260 : 120;
            const int right = x + Below(size);
            const int bottom = y + Below(size);
            for (const TPoint& corner : {TPoint{x, y}, TPoint{right, y}, TPoint{right, bottom}, TPoint{x, bottom}})
                tree.AddPoint(corner.x, corner.y, node);
        } else {
            for (int k = 0; k < vertices; ++k)
                tree.AddPoint(x + Below(120) - 60, y + Below(120) - 60, node);
        }
        tree.PointToCenter(node);
        tree.ChangeItem(node, [&](TItemObject& item) {
            item.Pen = RandomPen();
            item.Brush = RandomBrush();
            item.Roll = Below(3) == 0 ? Below(360) : 0;
            item.StretchX = Below(3) == 0 ? 1.5f : 1.0f;
            item.StretchY = Below(3) == 0 ? 0.75f : 1.0f;
            item.CurveStyle = static_cast<TCurveStyle>(Below(3));
            item.PStyle = Below(3) == 0 ? leArrow : lePlain;
            item.DStyle = Below(3) == 0 ? leArrow : lePlain;
            if (Below(3) == 0)
                item.Text = RandomText();
        });
    }

    TPen RandomPen()
    {
        static constexpr TPenStyle kStyles[] = {psSolid, psSolid, psDash, psDot};
        return {RGB(Below(256), Below(256), Below(256)), 1 + Below(9), kStyles[Below(4)],
                Below(8) == 0 && !copyPensOnly_ ? TPenMode::pmNotXor : TPenMode::pmCopy};
    }
    // Solid fills hide what lies below: the seeds without other pen modes
    // have many.
    TBrush RandomBrush()
    {
        const TColor color = RGB(Below(256), Below(256), Below(256));
        const auto style = static_cast<TBrushStyle>(Below(8));
        return {color, copyPensOnly_ && Below(2) == 0 ? bsSolid : style};
    }
    std::string RandomText()
    {
        static const char* const kTexts[] = {"日本語の文字", "こんにちは\r\nQuillmark", "ABC", "長い説明文をここに書きます。折り返し"};
        return Utf8ToCp932(kTexts[Below(4)]);
    }

    // A node of the drawing the tree window could select, or null.
    TTreeNode* RandomDrawnNode()
    {
        std::vector<TTreeNode*> nodes;
        tree.WalkInDrawingOrder(tree.ObjectRoot(), [&](TTreeNode* node) {
            if (node == tree.TrashNode())
                return false;
            if (node != tree.ObjectRoot() && node->Data()->Active)
                nodes.push_back(node);
            return true;
        });
        return nodes.empty() ? nullptr : nodes[static_cast<std::size_t>(Below(static_cast<int>(nodes.size())))];
    }

    std::mt19937 random_;
    bool copyPensOnly_;
    TBitmap trace_;
};

// Empty when the pictures are the same; else where they differ.
std::string Difference(const QImage& shown, const QImage& full)
{
    if (shown.size() != full.size())
        return "sizes differ";
    int count = 0;
    QRect box;
    for (int y = 0; y < full.height(); ++y) {
        for (int x = 0; x < full.width(); ++x) {
            if (shown.pixel(x, y) != full.pixel(x, y)) {
                ++count;
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    if (count == 0)
        return {};
    if (const char* folder = std::getenv("QM_RENDER_DIFFERENCES")) {
        shown.save(QString::fromLocal8Bit(folder) + "/shown.png");
        full.save(QString::fromLocal8Bit(folder) + "/full.png");
    }
    return std::to_string(count) + " pixels differ in " + std::to_string(box.left()) + "," + std::to_string(box.top())
        + " - " + std::to_string(box.right()) + "," + std::to_string(box.bottom());
}

std::vector<unsigned> Seeds()
{
    std::vector<unsigned> seeds = {1, 2, 3, 4, 5, 6};
    if (const char* more = std::getenv("QM_RENDER_SEEDS")) {
        const int count = std::atoi(more);
        for (int k = 0; k < count; ++k)
            seeds.push_back(1000 + static_cast<unsigned>(k));
    }
    return seeds;
}

TEST(IncrementalRender, EveryEditLeavesThePicturesOfAFullRender)
{
    int partial = 0;
    int edits = 0;
    for (unsigned seed : Seeds()) {
        TRandomDrawing drawing(seed);
        ASSERT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), drawing.FullSurface()), "") << "seed " << seed;
        for (int k = 0; k < kEdits; ++k) {
            const std::uint64_t before = drawing.canvas.SurfaceRevision();
            const std::string edit = drawing.Edit();
            drawing.canvas.Repaint();
            const TRect damage = drawing.canvas.DamageSince(before);
            ++edits;
            if (damage.Right - damage.Left < 399 || damage.Bottom - damage.Top < 399)
                ++partial;
            ASSERT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), drawing.FullSurface()), "")
                << "surface, seed " << seed << ", edit " << k << ": " << edit;
            ASSERT_EQ(Difference(BitmapImage(drawing.canvas.Picture()), drawing.FullPicture()), "")
                << "picture, seed " << seed << ", edit " << k << ": " << edit;
        }
    }
    // Most edits redrew a part only, or the test would prove nothing.
    EXPECT_GT(partial * 2, edits);
}

// A whole render of a long walk bounds its items on two threads and draws
// only those something of which shows, in two bands on two threads: the
// picture of drawing every item. So are the redraws after commands on many.
TEST(IncrementalRender, AWholeRenderOfManyItemsIsThatOfEveryItem)
{
    TCanvasFixture drawing;
    std::mt19937 random(3);
    const auto below = [&random](int bound) { return static_cast<int>(random() % static_cast<unsigned>(bound)); };
    static constexpr TItemType kTypes[] = {itRectangle, itEllipse, itLine, itPolygon};
    for (int i = 0; i < 40000; ++i) {
        const TItemType type = kTypes[below(4)];
        const int x = below(400);
        const int y = below(400);
        const int size = 4 + below(40);
        std::vector<TPoint> vertices = {{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}};
        if (type == itLine)
            vertices.resize(2);
        TTreeNode* node = test::AddShape(drawing.tree, drawing.tree.ObjectRoot(), type, vertices);
        drawing.tree.PointToCenter(node);
        drawing.tree.ChangeItem(node, [&](TItemObject& item) {
            item.Pen = {RGB(below(256), below(256), below(256)), 1 + below(4), below(4) == 0 ? psDash : psSolid,
                        TPenMode::pmCopy};
            item.Brush = {RGB(below(256), below(256), below(256)), below(2) == 0 ? bsSolid : static_cast<TBrushStyle>(below(8))};
            item.Roll = below(4) == 0 ? below(360) : 0;
            if (below(50) == 0)
                item.Text = Utf8ToCp932("日本語");
        });
    }
    drawing.tree.MarkChanged();
    drawing.canvas.Repaint();
    EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), FullRender(drawing)), "");
    // An index of its own bounds every item, and the items changed after,
    // half of them on the thread beside.
    TDrawingIndex index(drawing.tree, drawing.canvas.Surface());
    const auto indexed = [&index] { return index.ItemsMeeting({-1000, -1000, 2000, 2000}).size(); };
    EXPECT_EQ(indexed(), 40000u);
    // A tenth deleted and brought back: the redraw of almost all the canvas
    // leaves out hidden items and draws in two bands, each on its own thread.
    drawing.canvas.ClearSelection();
    for (TTreeNode* node = drawing.tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling()) {
        if (!drawing.tree.IsFixedNode(node) && below(10) == 0)
            drawing.canvas.ToggleSelection(node);
    }
    const std::size_t selected = drawing.canvas.Selection().Size();
    drawing.commands.DeleteSelection();
    EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), FullRender(drawing)), "") << "deleted";
    EXPECT_EQ(indexed(), 40000u - selected);
    drawing.commands.Undo();
    EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), FullRender(drawing)), "") << "undone";
    // The undo selects them again: the marks of so many, gathered and put on
    // at once, are those drawn one by one.
    ASSERT_EQ(drawing.canvas.Selection().Size(), selected);
    EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Picture()), FullPicture(drawing)), "") << "marked";
    EXPECT_EQ(indexed(), 40000u);
    // Once the idle editor has put the boxes in drawing order, a drag
    // redraws its part from the top down, the cells it leaves and enters
    // holding entries out of order.
    while (!drawing.canvas.PrepareSome(8192)) {
    }
    drawing.canvas.ClearSelection();
    for (const auto& [x, y] : {std::pair{200, 200}, {225, 210}, {60, 330}}) {
        drawing.Press(x, y);
        drawing.Drag(x + 25, y + 10);
        drawing.Release(x + 25, y + 10);
        drawing.canvas.Repaint();
        EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), FullRender(drawing)), "")
            << "dragged at " << x << ", " << y;
    }
    // A tenth sent to the back gives every item a new priority: no cell
    // stays in order, and the next drag orders the cells it reads.
    for (TTreeNode* node = drawing.tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling()) {
        if (!drawing.tree.IsFixedNode(node) && below(10) == 0)
            drawing.canvas.ToggleSelection(node);
    }
    drawing.commands.RestackSelection(TObjectTree::TRestack::ToBack);
    drawing.canvas.ClearSelection();
    drawing.Press(120, 140);
    drawing.Drag(150, 150);
    drawing.Release(150, 150);
    drawing.canvas.Repaint();
    EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), FullRender(drawing)), "") << "restacked";
    drawing.commands.Undo();
    drawing.commands.Undo();
    EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), FullRender(drawing)), "") << "restack undone";
    // A tenth pasted comes on top of the walk, numbered while idle: only the
    // copies are drawn, over the picture as it was, in two bands.
    drawing.canvas.ClearSelection();
    for (TTreeNode* node = drawing.tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling()) {
        if (!drawing.tree.IsFixedNode(node) && below(10) == 0)
            drawing.canvas.ToggleSelection(node);
    }
    drawing.commands.CopySelection();
    while (!drawing.canvas.PrepareSome(8192)) {
    }
    drawing.commands.PasteClipboard();
    EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), FullRender(drawing)), "") << "pasted";
}

// Strokes beyond reach of the canvas are left out of the drawing, and so of
// the bounds kept: a canvas grown since bounds its items again, and a copy
// of an item that reached out is bounded again when pasted.
TEST(IncrementalRender, ItemsReachingOutOfTheCanvasAreBoundedForTheCanvasTheyAreOn)
{
    TCanvasFixture drawing;
    TObjectTree& tree = drawing.tree;
    tree.SetCanvasGeometry({100, 100, 10});
    // Of a dashed line running out of the canvas, the dashes beyond reach are left out.
    TTreeNode* line = test::AddShape(tree, tree.ObjectRoot(), itLine, {{400, 90}, {50, 50}});
    tree.ChangeItem(line, [](TItemObject& item) { item.Pen = {clBlack, 1, psDash, TPenMode::pmCopy}; });
    drawing.canvas.Repaint();
    while (!drawing.canvas.PrepareSome(64)) {
    }
    drawing.canvas.SelectFromTree(line);
    drawing.commands.CopySelection();
    drawing.main.PasteOffsetX = -330;
    drawing.main.PasteOffsetY = 0;
    drawing.commands.PasteClipboard();
    EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), FullRender(drawing)), "") << "pasted";
    tree.SetCanvasGeometry({500, 500, 10});
    drawing.canvas.SelectFromTree(line);
    drawing.commands.DeleteSelection();
    EXPECT_EQ(Difference(BitmapImage(drawing.canvas.Surface().Bitmap()), FullRender(drawing)), "") << "grown, deleted";
}

// A part leaves out the items nothing of which shows there: under a solid
// fill drawn later, or painted over by a later twin; one pen that does not
// copy makes every fill depend on the pen before it, and nothing is left out.
TEST(IncrementalRender, APartLeavesOutTheItemsLaterOnesHide)
{
    for (const bool notXorPen : {false, true}) {
        TObjectTree tree;
        TTreeNode* root = tree.ObjectRoot();
        TTreeNode* hiddenLine = test::AddShape(tree, root, itLine, {{60, 60}, {120, 90}});
        test::AddShape(tree, root, itRectangle, {{40, 40}, {200, 40}, {200, 140}, {40, 140}});
        std::vector<TTreeNode*> twins;
        for (int k = 0; k < 3; ++k) {
            twins.push_back(test::AddShape(tree, root, itRectangle, {{220, 220}, {380, 220}, {380, 300}, {220, 300}}));
            tree.ChangeItem(twins.back(), [](TItemObject& item) {
                item.Pen = {RGB(0, 0, 128), 3, psSolid, TPenMode::pmCopy};
                item.Text = Utf8ToCp932("こんにちは");
            });
        }
        // Text beyond the fill mixes with what lies below: these twins stay.
        std::vector<TTreeNode*> spilling;
        for (int k = 0; k < 2; ++k) {
            spilling.push_back(test::AddShape(tree, root, itRectangle, {{20, 320}, {60, 320}, {60, 340}, {20, 340}}));
            tree.ChangeItem(spilling.back(), [](TItemObject& item) { item.Text = Utf8ToCp932("長い説明文をここに書きます"); });
        }
        TTreeNode* across = test::AddShape(tree, root, itLine, {{10, 10}, {390, 390}});
        if (notXorPen)
            tree.ChangeItem(across, [](TItemObject& item) { item.Pen.Mode = TPenMode::pmNotXor; });
        TBitmapX surface;
        surface.InitBitmap(400, 400);
        TDrawingIndex index(tree, surface);
        std::vector<TTreeNode*> shown;
        for (const TDrawingIndex::TPartItem& item : index.ItemsMeeting({0, 0, 399, 399}, true))
            shown.push_back(item.Node);
        const bool left = std::find(shown.begin(), shown.end(), hiddenLine) == shown.end();
        EXPECT_EQ(left, !notXorPen) << "the line under the fill";
        EXPECT_EQ(std::count(shown.begin(), shown.end(), twins[0]) + std::count(shown.begin(), shown.end(), twins[1]),
                  notXorPen ? 2 : 0) << "the twins under the last";
        EXPECT_EQ(std::count(shown.begin(), shown.end(), twins[2]), 1);
        EXPECT_EQ(std::count(shown.begin(), shown.end(), spilling[0]) + std::count(shown.begin(), shown.end(), spilling[1]), 2);
        EXPECT_EQ(std::count(shown.begin(), shown.end(), across), 1);
        // A smoothed or zoomed view mixes the edges of twins: it gets every item.
        EXPECT_EQ(index.ItemsMeeting({0, 0, 399, 399}).size(), 8u);
        if (notXorPen)
            continue;
        // Of the twins, the one drawn last shows, whichever joins or leaves,
        // in its place among the others: here under a line drawn over them.
        TTreeNode* over = test::AddShape(tree, root, itLine, {{210, 250}, {390, 250}});
        const auto twinsShown = [&] {
            std::vector<TTreeNode*> twinsAndLine;
            for (const TDrawingIndex::TPartItem& item : index.ItemsMeeting({200, 200, 399, 310}, true)) {
                if (item.Node == over || std::find(twins.begin(), twins.end(), item.Node) != twins.end())
                    twinsAndLine.push_back(item.Node);
            }
            return twinsAndLine;
        };
        EXPECT_EQ(twinsShown(), (std::vector<TTreeNode*>{twins[2], over}));
        twins.push_back(tree.CopySubtree(root, twins[2]));
        EXPECT_EQ(twinsShown(), (std::vector<TTreeNode*>{over, twins[3]}));
        tree.DeleteSubtree(twins[3]);
        EXPECT_EQ(twinsShown(), (std::vector<TTreeNode*>{twins[2], over}));
        tree.ChangeItem(twins[2], [](TItemObject& item) { item.Active = false; });
        EXPECT_EQ(twinsShown(), (std::vector<TTreeNode*>{twins[1], over}));
        tree.MoveItem(5, 0, twins[0]); // the first to join
        EXPECT_EQ(twinsShown(), (std::vector<TTreeNode*>{twins[0], twins[1], over}));
    }
}

// A moved item is a copy that keeps its source's bounds only while drawn
// alike: not when it leaves a turned group or enters one, when an ancestor
// turns after the move, or when the copy changes.
TEST(IncrementalRender, ItemsMovedAcrossTurnedGroupsAreDrawnWhereTheyLand)
{
    TCanvasFixture f;
    TTreeNode* root = f.tree.ObjectRoot();
    const auto group = [&f](TTreeNode* parent, std::int32_t roll) {
        TTreeNode* node = f.tree.AddItem(parent, "group", itGroup);
        f.tree.ChangeItem(node, [roll](TItemObject& item) {
            item.X = 200;
            item.Y = 150;
            item.Roll = roll;
        });
        return node;
    };
    TTreeNode* turned = group(root, 40);
    TTreeNode* inner = group(turned, 0);
    TTreeNode* target = group(turned, 0);
    TTreeNode* upright = group(root, 0);
    TTreeNode* uprightInner = group(upright, 0);
    std::vector<TTreeNode*> items;
    for (int k = 0; k < 6; ++k) {
        const int x = 20 + 60 * k;
        items.push_back(
            test::AddShape(f.tree, k < 2 ? inner : root, itRectangle, {{x, 40}, {x + 40, 40}, {x + 40, 90}, {x, 90}}));
    }
    f.canvas.Repaint();
    // Each item is edited once: a move leaves a new node in its place.
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"ungrouped out of a turned group", [&] {
             f.canvas.SelectFromTree(inner);
             f.commands.UngroupSelection();
         }},
        {"moved into a turned group", [&] { f.tree.MoveSubtree(target, items[2]); }},
        {"moved, then an ancestor turned", [&] {
             const TEditStepScope step(f.tree, "move");
             f.tree.MoveSubtree(uprightInner, items[3]);
             f.tree.ChangeItem(upright, [](TItemObject& item) { item.Roll = 30; });
         }},
        {"copied and given a wide pen", [&] {
             const TEditStepScope step(f.tree, "copy");
             TTreeNode* copy = f.tree.CopySubtree(root, items[4]);
             f.tree.ApplyPen({clRed, 15, psSolid, TPenMode::pmCopy}, copy);
         }},
        {"grouped where it stood", [&] {
             f.canvas.SelectFromTree(items[4]);
             f.canvas.ToggleSelection(items[5]);
             f.commands.GroupSelection();
         }},
    };
    for (const auto& [name, edit] : edits) {
        edit();
        f.canvas.Repaint();
        EXPECT_EQ(Difference(BitmapImage(f.canvas.Surface().Bitmap()), FullRender(f)), "") << name;
    }
}

// A small part reads the boxes in drawing order from the top down, put in
// that order while idle: items and groups raised or restacked since, and
// twins pasted over, keep their new places, and items deleted go. Text without a fill mixes
// with what lies below, so that none of these is hidden or a twin.
TEST(IncrementalRender, APartReadFromTheTopFollowsRestackedItemsAndGroups)
{
    TObjectTree tree;
    TTreeNode* root = tree.ObjectRoot();
    // Filled: its copies are twins, of which the part lists the last.
    TTreeNode* filled = test::AddShape(tree, root, itRectangle, {{0, 30}, {35, 30}, {35, 45}, {0, 45}});
    TTreeNode* group = tree.AddItem(root, "group", itGroup);
    std::vector<TTreeNode*> items;
    for (int k = 0; k < 40; ++k) {
        TTreeNode* parent = k % 4 == 0 ? group : root;
        items.push_back(test::AddShape(tree, parent, itRectangle, {{k, 20}, {k + 40, 20}, {k + 40, 40}, {k, 40}}));
        tree.ChangeItem(items.back(), [](TItemObject& item) {
            item.Text = Utf8ToCp932("長い説明文をここに書きます");
            item.Brush.Style = bsClear;
        });
    }
    TBitmapX surface;
    surface.InitBitmap(400, 400);
    TDrawingIndex index(tree, surface);
    const auto partInWholeOrder = [&](const char* step) {
        std::vector<TTreeNode*> whole;
        for (const TDrawingIndex::TPartItem& item : index.ItemsMeeting({0, 0, 399, 399}, true))
            whole.push_back(item.Node);
        std::vector<TTreeNode*> part;
        for (const TDrawingIndex::TPartItem& item : index.ItemsMeeting({30, 25, 50, 35}, true))
            part.push_back(item.Node);
        EXPECT_GT(part.size(), 20u) << step;
        EXPECT_NE(std::find(part.begin(), part.end(), filled), part.end()) << step;
        EXPECT_TRUE(std::includes(whole.begin(), whole.end(), part.begin(), part.end(), [&](auto* a, auto* b) {
            return std::find(whole.begin(), whole.end(), a) < std::find(whole.begin(), whole.end(), b);
        })) << step;
    };
    partInWholeOrder("as built");
    while (!index.OrderSome(100)) {
    }
    partInWholeOrder("in order");
    // A priority raised moves the node in the walk, not in its list.
    const auto raise = [&tree](TTreeNode* node) {
        tree.ChangeItem(node, [top = tree.ItemCounter() - 1](TItemObject& item) { item.Priority = top; });
    };
    raise(items[1]);
    partInWholeOrder("an item raised");
    raise(group);
    partInWholeOrder("a group raised");
    filled = tree.CopySubtree(root, filled);
    partInWholeOrder("a twin pasted over");
    // Items leaving the drawing leave the walk's places valid.
    tree.MoveSubtree(tree.TrashNode(), items[6]);
    tree.MoveSubtree(tree.TempNode(), items[7]);
    EXPECT_TRUE(index.WalkNumbered());
    partInWholeOrder("items deleted");
    while (!index.OrderSome(100)) {
    }
    tree.Restack({group}, TObjectTree::TRestack::ToBack);
    partInWholeOrder("a group to the back");
    // Of two items of one priority, the later in the list is drawn later:
    // a move in the list alone swaps them in the walk.
    tree.ChangeItem(items[3], [&](TItemObject& item) { item.Priority = items[2]->Data()->Priority; });
    while (!index.OrderSome(100)) {
    }
    tree.MoveNode(items[3], root, items[2]);
    partInWholeOrder("tied items swapped in the list");
}

} // namespace
} // namespace qm
