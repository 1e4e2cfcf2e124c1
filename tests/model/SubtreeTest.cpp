#include "TreeTestSupport.h"
#include "WritableRecord.h"

#include <gtest/gtest.h>

#include <random>

namespace qm {
namespace {

using test::AddShape;
using test::ChildCaptions;

TEST(SubtreeTransforms, MoveStretchAndRotateReachTheWholeSubtree)
{
    TObjectTree tree;
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "g", itGroup);
    TTreeNode* member = AddShape(tree, group, itLine, {{10, 10}, {20, 20}});
    TTreeNode* nested = tree.AddItem(group, "inner", itGroup);
    TTreeNode* deep = AddShape(tree, nested, itLine, {{0, 0}, {5, 5}});
    const TPointArray pointsBefore = member->Data()->Points;

    EXPECT_EQ(tree.MoveItem(5, -3, group), 0);
    for (TTreeNode* node : {group, member, nested, deep}) {
        EXPECT_EQ(node->Data()->X, 5);
        EXPECT_EQ(node->Data()->Y, -3);
    }
    EXPECT_EQ(member->Data()->Points, pointsBefore);

    Writable(member)->StretchX = 3.0f;
    EXPECT_EQ(tree.SetStretch(group, 2.0f, 0.5f), 0);
    for (TTreeNode* node : {group, member, deep}) {
        EXPECT_EQ(node->Data()->StretchX, 2.0f);
        EXPECT_EQ(node->Data()->StretchY, 0.5f);
    }

    Writable(member)->Roll = 20;
    EXPECT_EQ(tree.RotateItem(90, group), 0);
    EXPECT_EQ(group->Data()->Roll, 90);
    EXPECT_EQ(member->Data()->Roll, 110);
    EXPECT_EQ(deep->Data()->Roll, 90);
    Writable(member)->Roll = 20;
    tree.RotateItem(350, member);
    EXPECT_EQ(member->Data()->Roll, 10);
    Writable(member)->Roll = 20;
    tree.RotateItem(-50, member);
    EXPECT_EQ(member->Data()->Roll, -30);
    Writable(member)->Roll = 0;
    tree.RotateItem(-370, member);
    EXPECT_EQ(member->Data()->Roll, -10);
    Writable(member)->Roll = 2147483647;
    tree.RotateItem(2147483647, member); // no overflow
    EXPECT_EQ(member->Data()->Roll, (2LL * 2147483647) % 360);

    // A member whose priority is out of range is not reached.
    Writable(deep)->Priority = 100000;
    tree.MoveItem(1, 1, group);
    EXPECT_EQ(deep->Data()->X, 5);
    EXPECT_EQ(member->Data()->X, 6);

    for (TTreeNode* refused : {static_cast<TTreeNode*>(nullptr), tree.ObjectRoot(), tree.TrashNode(), tree.TempNode()}) {
        EXPECT_EQ(tree.MoveItem(1, 1, refused), -1);
        EXPECT_EQ(tree.SetStretch(refused, 1, 1), -1);
        EXPECT_EQ(tree.RotateItem(1, refused), -1);
        EXPECT_EQ(tree.ApplyPen(TPen{}, refused), -1);
        EXPECT_EQ(tree.ApplyBrush(TBrush{}, refused), -1);
        EXPECT_EQ(tree.ApplyFont(TFont{}, refused), -1);
    }
    EXPECT_EQ(tree.ObjectRoot()->Data()->X, 0);
}

TEST(SubtreeTransforms, PenAndBrushGoThroughNestedGroupsButNotThroughPlainMembers)
{
    TObjectTree tree;
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "g", itGroup);
    TTreeNode* member = AddShape(tree, group, itLine, {{0, 0}, {1, 1}});
    TTreeNode* underMember = AddShape(tree, member, itLine, {{0, 0}, {1, 1}});
    TTreeNode* nested = tree.AddItem(group, "inner", itGroup);
    TTreeNode* nestedMember = AddShape(tree, nested, itLine, {{0, 0}, {1, 1}});
    TTreeNode* outside = AddShape(tree, tree.ObjectRoot(), itLine, {{0, 0}, {1, 1}});

    TPen red;
    red.Color = clRed;
    red.Width = 3;
    red.Style = psDash;
    EXPECT_EQ(tree.ApplyPen(red, group), 0);
    for (TTreeNode* node : {group, member, nested, nestedMember})
        EXPECT_EQ(node->Data()->Pen, red) << node->Text();
    EXPECT_EQ(underMember->Data()->Pen, TPen{});
    EXPECT_EQ(outside->Data()->Pen, TPen{});

    TBrush hatch;
    hatch.Color = clBlue;
    hatch.Style = bsDiagCross;
    tree.ApplyBrush(hatch, group);
    EXPECT_EQ(nestedMember->Data()->Brush, hatch);
    EXPECT_EQ(underMember->Data()->Brush, TBrush{});

    // Fonts reach every descendant in the walk, plain members' children too.
    TFont font;
    font.Name = "Arial";
    font.Style = fsItalic | fsUnderline;
    font.Height = -20;
    tree.ApplyFont(font, group);
    EXPECT_EQ(underMember->Data()->Font, font);
    EXPECT_EQ(outside->Data()->Font, DefaultItemFont());
}

TEST(HitTest, TheTopmostItemWinsEdgesCountAndAClickTogglesThroughTheCanvas)
{
    TObjectTree tree;
    std::vector<TTreeNode*> toggled;
    tree.SetSelectionToggler([&](TTreeNode* node) { toggled.push_back(node); });
    TTreeNode* lower = AddShape(tree, tree.ObjectRoot(), itRectangle, {{0, 0}, {100, 0}, {100, 100}, {0, 100}});
    TTreeNode* upper = AddShape(tree, tree.ObjectRoot(), itRectangle, {{50, 50}, {150, 50}, {150, 150}, {50, 150}});

    EXPECT_EQ(tree.FocusChk(75, 75, tree.ObjectRoot()), 0);
    EXPECT_EQ(tree.FocusChk(150, 150, tree.ObjectRoot()), 0); // bottom-right edge included
    EXPECT_EQ(tree.FocusChk(10, 10, tree.ObjectRoot()), 0);
    EXPECT_EQ(tree.FocusChk(151, 75, tree.ObjectRoot()), -1);
    EXPECT_EQ(toggled, (std::vector<TTreeNode*>{upper, upper, lower}));

    // Raising the lower item's priority puts it on top.
    Writable(lower)->Priority = upper->Data()->Priority + 1;
    tree.AddItem(tree.TempNode(), "bump the counter", itLine);
    EXPECT_EQ(tree.HitTest(75, 75, tree.ObjectRoot()), lower);
    // Equal priorities: list order decides, the earlier sibling is tested first.
    Writable(upper)->Priority = lower->Data()->Priority;
    tree.MarkChanged(); // direct field writes announce themselves
    EXPECT_EQ(tree.HitTest(75, 75, tree.ObjectRoot()), lower);

    // A group's rectangle is tested before its members; a folder without
    // points is never hit itself but its members are.
    TTreeNode* folder = tree.AddItem(tree.ObjectRoot(), "folder", itGroup);
    TTreeNode* inside = AddShape(tree, folder, itLine, {{300, 300}, {400, 300}});
    EXPECT_EQ(tree.HitTest(350, 302, tree.ObjectRoot()), inside);
    tree.AddPoint(290, 290, folder);
    tree.AddPoint(410, 310, folder);
    EXPECT_EQ(tree.HitTest(350, 302, tree.ObjectRoot()), folder);

    // Items in the trash or Temp are never found, nor are out-of-range priorities.
    TTreeNode* trashed = AddShape(tree, tree.TrashNode(), itLine, {{500, 500}, {600, 500}});
    EXPECT_EQ(tree.HitTest(550, 500, tree.ObjectRoot()), nullptr);
    EXPECT_EQ(tree.FocusChk(550, 500, tree.TrashNode()), -1);
    EXPECT_EQ(trashed->Parent(), tree.TrashNode());
    Writable(folder)->Points.clear();
    Writable(folder)->Count = 0;
    Writable(inside)->Priority = 1 << 30;
    tree.MarkChanged();
    EXPECT_EQ(tree.HitTest(350, 302, tree.ObjectRoot()), nullptr);
}

TEST(MoveSubtree, KeepsInnerOrderMovesEveryChildAndDeletesTheOldNodes)
{
    TObjectTree tree;
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "g", itGroup);
    TTreeNode* a = AddShape(tree, group, itLine, {{0, 0}, {1, 1}}, "a");
    AddShape(tree, a, itLine, {{0, 0}, {1, 1}}, "a1");
    TTreeNode* b = AddShape(tree, group, itLine, {{0, 0}, {1, 1}}, "b");
    TTreeNode* c = AddShape(tree, group, itLine, {{0, 0}, {1, 1}}, "c");
    TTreeNode* d = AddShape(tree, group, itLine, {{0, 0}, {1, 1}}, "d");
    Writable(a)->Priority = 50;  // beyond ItemCounter: still moved, last
    Writable(b)->Priority = -4;  // negative: moved first
    Writable(c)->Priority = 7;
    Writable(d)->Priority = 7;   // tie with c: list order
    Writable(a)->Text = "text of a";
    const std::size_t before = tree.NodeCount();

    TTreeNode* moved = tree.MoveSubtree(tree.TrashNode(), group);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->Parent(), tree.TrashNode());
    EXPECT_EQ(tree.TrashNode()->LastChild(), moved);
    EXPECT_EQ(ChildCaptions(moved), (std::vector<std::string>{"b", "c", "d", "a"}));
    EXPECT_EQ(ChildCaptions(moved->LastChild()), (std::vector<std::string>{"a1"}));
    EXPECT_EQ(moved->LastChild()->Data()->Text, "text of a");
    EXPECT_EQ(tree.NodeCount(), before);
    EXPECT_EQ(ChildCaptions(tree.ObjectRoot()), (std::vector<std::string>{tree.TrashNode()->Text()}));
    // Fresh priorities in moving order, so the inner stacking order is kept.
    EXPECT_LT(moved->FirstChild()->Data()->Priority, moved->LastChild()->Data()->Priority);

    // Moving into itself or moving a fixed node is refused; nothing is lost.
    EXPECT_EQ(tree.MoveSubtree(moved->FirstChild(), moved), nullptr);
    EXPECT_EQ(tree.MoveSubtree(moved, moved), nullptr);
    EXPECT_EQ(tree.MoveSubtree(tree.ObjectRoot(), tree.TempNode()), nullptr);
    EXPECT_EQ(tree.MoveSubtree(tree.ObjectRoot(), nullptr), nullptr);
    EXPECT_EQ(tree.NodeCount(), before);
}

TEST(MoveSubtree, IdsFreedByOneMovedChildAreReusedByTheNext)
{
    TObjectTree tree;
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "g", itGroup); // id 3
    tree.AddItem(group, "a", itLine);                                  // id 4
    tree.AddItem(group, "b", itLine);                                  // id 5
    TTreeNode* moved = tree.MoveSubtree(tree.ObjectRoot(), group);
    // The group's copy takes id 6; a's copy 7; a is deleted (4 free); b's copy 4.
    EXPECT_EQ(moved->Data()->Id, 6);
    EXPECT_EQ(moved->FirstChild()->Data()->Id, 7);
    EXPECT_EQ(moved->LastChild()->Data()->Id, 4);
}

TEST(CopySubtree, CopiesWhatTheWalkReachesAndRefusesEmptyGroups)
{
    TObjectTree tree;
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "g", itGroup);
    TTreeNode* a = AddShape(tree, group, itLine, {{0, 0}, {1, 1}}, "a");
    tree.AddItem(group, "empty folder", itGroup);
    TTreeNode* hidden = AddShape(tree, group, itLine, {{0, 0}, {1, 1}}, "hidden");
    TTreeNode* b = AddShape(tree, group, itLine, {{0, 0}, {1, 1}}, "b");
    Writable(hidden)->Priority = 1000;
    Writable(b)->Priority = 6;
    Writable(a)->Priority = 7;

    TTreeNode* copy = tree.CopySubtree(tree.TempNode(), group);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Parent(), tree.TempNode());
    EXPECT_EQ(ChildCaptions(copy), (std::vector<std::string>{"empty folder", "b", "a"}));
    EXPECT_EQ(ChildCaptions(group), (std::vector<std::string>{"a", "empty folder", "hidden", "b"}));
    EXPECT_NE(copy->FirstChild()->Data()->Id, group->Data()->Id);

    // A childless shape copies; a childless group, the trash and null do not.
    EXPECT_NE(tree.CopySubtree(tree.ObjectRoot(), b), nullptr);
    EXPECT_EQ(tree.CopySubtree(tree.ObjectRoot(), copy->FirstChild()), nullptr);
    EXPECT_EQ(tree.CopySubtree(tree.ObjectRoot(), tree.TrashNode()), nullptr);
    EXPECT_EQ(tree.CopySubtree(tree.ObjectRoot(), nullptr), nullptr);
}

TEST(DeepNesting, HundredThousandLevelsNeverExhaustTheCallStack)
{
    TObjectTree tree;
    TTreeNode* top = tree.AddItem(tree.ObjectRoot(), "level", itGroup);
    TTreeNode* node = top;
    for (int level = 0; level < 100000; ++level)
        node = tree.AddItem(node, "level", itGroup);
    TTreeNode* leaf = AddShape(tree, node, itLine, {{1, 1}, {30, 30}});

    EXPECT_EQ(tree.MoveItem(2, 3, top), 0);
    EXPECT_EQ(leaf->Data()->X, 2);
    EXPECT_EQ(tree.ApplyPen(TPen{clRed, 2, psSolid, TPenMode::pmCopy}, top), 0);
    EXPECT_EQ(leaf->Data()->Pen.Color, clRed);
    EXPECT_EQ(tree.HitTest(10, 10, tree.ObjectRoot()), leaf);
    TPointArray P;
    EXPECT_EQ(tree.ViewPoints1(leaf, P), 0);
    EXPECT_EQ(tree.FindItemById(leaf->Data()->Id), leaf);
    TTreeNode* copy = tree.CopySubtree(tree.TempNode(), top);
    ASSERT_NE(copy, nullptr);
    TTreeNode* moved = tree.MoveSubtree(tree.TrashNode(), top);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(tree.NodeCount(), 3u + 2u * 100002u);
    tree.NewDocument();
    EXPECT_EQ(tree.NodeCount(), 3u);
}

} // namespace
} // namespace qm

namespace qm {
namespace {

// The hit test exactly as the recursive definition reads: the node's own box
// first, then for p from ItemCounter - 1 down to 0 every child of priority p
// in list order.
TTreeNode* LiteralFocusChk(const TObjectTree& tree, std::int32_t x, std::int32_t y, TTreeNode* node)
{
    if (node == tree.TrashNode() || node == tree.TempNode())
        return nullptr;
    TRect box;
    if (node != tree.ObjectRoot() && tree.PointToXY(node, box) == 0 && box.Contains(x, y))
        return node;
    for (std::int32_t p = tree.ItemCounter() - 1; p >= 0; --p) {
        for (TTreeNode* child = node->FirstChild(); child; child = child->NextSibling()) {
            if (child->Data()->Priority != p)
                continue;
            if (TTreeNode* hit = LiteralFocusChk(tree, x, y, child))
                return hit;
        }
    }
    return nullptr;
}

TEST(HitTest, AgreesWithTheLiteralSearchOnRandomDrawingsAndAfterEdits)
{
    std::mt19937 random(2024);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    TObjectTree tree;
    std::vector<TTreeNode*> parents{tree.ObjectRoot()};
    for (int i = 0; i < 300; ++i) {
        TTreeNode* parent = parents[static_cast<std::size_t>(below(static_cast<int>(parents.size())))];
        if (below(5) == 0) {
            TTreeNode* group = tree.AddItem(parent, "g", itGroup);
            Writable(group)->Roll = below(360);
            Writable(group)->X = below(200);
            parents.push_back(group);
            continue;
        }
        TTreeNode* item = tree.AddItem(parent, "i", FromStoredCode<TItemType>(below(6)));
        const int x = below(200);
        const int y = below(200);
        tree.AddPoint(x, y, item);
        tree.AddPoint(x + below(40), y + below(40), item);
        tree.AddPoint(x + below(40), y, item);
        Writable(item)->Roll = below(360) - 180;
        Writable(item)->StretchX = 0.5f + static_cast<float>(below(4)) * 0.5f;
        if (below(6) == 0)
            Writable(item)->Priority = below(tree.ItemCounter() + 20); // ties and out-of-range
    }
    tree.MarkChanged();
    auto compareEverywhere = [&](int spacing = 7) {
        for (int y = -10; y < 260; y += spacing) {
            for (int x = -10; x < 260; x += spacing)
                ASSERT_EQ(tree.HitTest(x, y, tree.ObjectRoot()), LiteralFocusChk(tree, x, y, tree.ObjectRoot()))
                    << "at " << x << ", " << y;
        }
    };
    compareEverywhere();
    tree.MoveItem(13, -7, parents.back() == tree.ObjectRoot() ? tree.ObjectRoot()->LastChild() : parents.back());
    compareEverywhere();
    tree.DeleteSubtree(tree.ObjectRoot()->LastChild());
    tree.AddItem(tree.TempNode(), "counter", itLine); // more priorities come into range
    compareEverywhere();

    // Edits through the tree, each a step, taken back and done again: the
    // kept boxes follow each, groups' turns reaching their members' members.
    tree.ClearHistory();
    for (int step = 0; step < 40; ++step) {
        std::vector<TTreeNode*> nodes;
        tree.WalkInDrawingOrder(tree.ObjectRoot(), [&](TTreeNode* node) {
            if (!tree.IsFixedNode(node))
                nodes.push_back(node);
            return node != tree.TrashNode();
        });
        ASSERT_FALSE(nodes.empty());
        TTreeNode* node = nodes[static_cast<std::size_t>(below(static_cast<int>(nodes.size())))];
        // Boxed in part while idle, then edited or asked.
        if (below(3) == 0) {
            tree.MarkChanged();
            tree.PrepareHitIndex(1 + static_cast<std::size_t>(below(200)));
        }
        const TEditStepScope edit(tree, "edit");
        switch (below(7)) {
        case 0: tree.MoveItem(below(41) - 20, below(41) - 20, node); break;
        case 1: tree.RotateItem(below(90), node); break;
        case 2:
            tree.ChangeItem(node, [&](TItemObject& item) {
                item.Priority = below(tree.ItemCounter() + 5);
                item.X += 3;
            });
            break;
        case 3: tree.Undo(); break;
        case 4: tree.Redo(); break;
        case 5: tree.CopySubtree(tree.ObjectRoot(), node); break;
        default: tree.DeleteSubtree(node); break;
        }
        compareEverywhere(19);
    }
    // An edit amid a build leaves no stale box: the last child is boxed first.
    tree.MarkChanged();
    tree.PrepareHitIndex(tree.NodeCount() / 2);
    tree.MoveItem(120, 90, tree.ObjectRoot()->LastChild());
    compareEverywhere();
}

} // namespace
} // namespace qm
