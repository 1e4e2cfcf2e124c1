#include "TreeTestSupport.h"

#include "model/ObjectTree.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>

namespace qm {
namespace {

using test::AddShape;

// Everything a document holds, in tree order, as text: two trees print the
// same exactly when they hold the same drawing.
std::string Dump(const TObjectTree& tree)
{
    std::ostringstream out;
    out << "counter " << tree.ItemCounter() << " canvas " << tree.CanvasGeometry().Width << 'x'
        << tree.CanvasGeometry().Height << '/' << tree.CanvasGeometry().Grid << " nodes " << tree.NodeCount() << '\n';
    std::vector<std::pair<const TTreeNode*, int>> pending;
    for (const TTreeNode* top = tree.FirstTopLevelNode(); top; top = top->NextSibling())
        pending.insert(pending.begin(), {top, 0});
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        const TItemObject& i = *node->Data();
        out << std::string(static_cast<std::size_t>(depth), ' ') << node->Text() << " t" << StoredCode(i.ItemType) << " id"
            << i.Id << " p" << i.Priority << " @" << i.X << ',' << i.Y << " s" << i.StretchX << ',' << i.StretchY
            << " r" << i.Roll << " n" << i.Name << " a" << i.Active << " pen" << i.Pen.Color << '/' << i.Pen.Width
            << " br" << i.Brush.Color << " f" << i.Font.Name << i.Font.Height << " x" << i.Text << " c" << i.Count
            << " cs" << StoredCode(i.CurveStyle) << StoredCode(i.PStyle) << StoredCode(i.DStyle);
        for (const TPointArray* points : {&i.Points, &i.C1, &i.C2}) {
            out << " [";
            for (const TPoint& p : *points)
                out << p.x << ',' << p.y << ' ';
            out << ']';
        }
        out << '\n';
        std::vector<const TTreeNode*> children;
        for (const TTreeNode* child = node->FirstChild(); child; child = child->NextSibling())
            children.push_back(child);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.push_back({*child, depth + 1});
    }
    return out.str();
}

// Two rectangles, a group of two, and an item in the trash.
struct TDrawing {
    TObjectTree tree;
    TTreeNode* a;
    TTreeNode* b;
    TTreeNode* group;
    TTreeNode* member;

    TDrawing()
    {
        tree.ResetCanvasGeometry({400, 300, 10});
        a = AddShape(tree, tree.ObjectRoot(), itRectangle, {{10, 10}, {50, 10}, {50, 40}, {10, 40}}, "a");
        b = AddShape(tree, tree.ObjectRoot(), itCurve, {{60, 60}, {90, 80}, {120, 60}}, "b");
        group = tree.AddItem(tree.ObjectRoot(), "g", itGroup);
        member = AddShape(tree, group, itEllipse, {{0, 0}, {20, 0}, {20, 20}, {0, 20}}, "m");
        AddShape(tree, group, itLine, {{5, 5}, {30, 30}}, "l");
        tree.CopySubtree(tree.TrashNode(), a);
        tree.ClearHistory();
    }
};

TEST(EditHistoryTest, UndoAndRedoRestoreEveryKindOfChange)
{
    const std::vector<std::pair<const char*, std::function<void(TDrawing&)>>> actions = {
        {"add", [](TDrawing& d) { AddShape(d.tree, d.group, itPolygon, {{1, 1}, {9, 1}, {5, 9}}); }},
        {"copy", [](TDrawing& d) { d.tree.CopySubtree(d.tree.TempNode(), d.group); }},
        {"move to trash", [](TDrawing& d) { d.tree.MoveSubtree(d.tree.TrashNode(), d.group); }},
        {"move two", [](TDrawing& d) {
             d.tree.MoveSubtree(d.group, d.a);
             d.tree.MoveSubtree(d.tree.ObjectRoot(), d.member);
         }},
        {"delete", [](TDrawing& d) { d.tree.DeleteSubtree(d.group); }},
        {"empty trash", [](TDrawing& d) {
             while (d.tree.TrashNode()->LastChild() != d.tree.TempNode())
                 d.tree.DeleteSubtree(d.tree.TrashNode()->LastChild());
         }},
        {"drag", [](TDrawing& d) {
             for (int step = 0; step < 20; ++step)
                 d.tree.MoveItem(1, -2, d.group);
         }},
        {"stretch, roll", [](TDrawing& d) {
             d.tree.SetStretch(d.group, 1.5f, 0.5f);
             d.tree.RotateItem(-370, d.a);
         }},
        {"styles", [](TDrawing& d) {
             d.tree.ApplyPen({clRed, 3, psDash, TPenMode::pmCopy}, d.group);
             d.tree.ApplyBrush({clBlue, bsCross}, d.a);
             TFont font = d.b->Data()->Font;
             font.Height = -20;
             d.tree.ApplyFont(font, d.b);
         }},
        {"vertices", [](TDrawing& d) {
             d.tree.AddPoint(150, 90, d.b);
             d.tree.PointToCenter(d.b);
         }},
        {"fields", [](TDrawing& d) {
             d.tree.ChangeItem(d.a, [](TItemObject& item) {
                 item.Active = false;
                 item.Priority = 99;
                 item.Text = "text";
                 item.C1.clear();
             });
         }},
        {"rename", [](TDrawing& d) { d.tree.SetCaption(d.member, "renamed"); }},
        {"counter and canvas", [](TDrawing& d) {
             d.tree.SetItemCounter(500);
             d.tree.SetCanvasGeometry({800, 600, 5});
         }},
        {"move nodes themselves", [](TDrawing& d) {
             d.tree.MoveNode(d.a, d.group, d.member);
             d.tree.MoveNode(d.group, d.tree.ObjectRoot(), d.b);
         }},
        {"move several side by side", [](TDrawing& d) {
             d.tree.MoveNodes({d.member, d.b, d.a}, d.tree.ObjectRoot(), d.a);
         }},
        // The node created, moved and deleted is kept by the step once only.
        {"add, move and delete in one", [](TDrawing& d) {
             TTreeNode* extra = d.tree.AddItem(d.group, "x", itGroup);
             d.tree.AddItem(extra, "y", itRectangle);
             d.tree.MoveNode(extra, d.tree.ObjectRoot(), d.a);
             d.tree.MoveNode(d.a, extra, nullptr);
             d.tree.DeleteSubtree(extra);
         }},
        // A move keeps the first place alone; the restyle after it keeps the
        // whole record, moved, and the restack and the later moves nothing more.
        {"move, restyle, restack and move again", [](TDrawing& d) {
             d.tree.MoveItem(3, 4, d.group);
             d.tree.ApplyPen({clRed, 2, psDot, TPenMode::pmCopy}, d.member);
             d.tree.Restack({d.member}, TObjectTree::TRestack::ToFront);
             d.tree.MoveItem(-7, 2, d.group);
             d.tree.Restack({d.a}, TObjectTree::TRestack::ToFront);
             d.tree.MoveItem(1, 1, d.a);
         }},
        {"add, change and delete in one", [](TDrawing& d) {
             TTreeNode* extra = d.tree.AddItem(d.a, "x", itGroup);
             d.tree.MoveItem(5, 5, extra);
             d.tree.MoveItem(5, 5, d.a);
             d.tree.DeleteSubtree(d.a);
         }},
    };
    for (const auto& [name, act] : actions) {
        SCOPED_TRACE(name);
        TDrawing d;
        const std::string before = Dump(d.tree);
        d.tree.BeginStep(name);
        act(d);
        d.tree.EndStep();
        const std::string after = Dump(d.tree);
        ASSERT_NE(before, after);
        EXPECT_EQ(d.tree.History().UndoName(), name);
        d.tree.Undo();
        EXPECT_EQ(Dump(d.tree), before);
        EXPECT_FALSE(d.tree.History().CanUndo());
        d.tree.Redo();
        EXPECT_EQ(Dump(d.tree), after);
        d.tree.Undo();
        EXPECT_EQ(Dump(d.tree), before);
    }
}

// Random edits, undos and redos, each step checked against the drawing as it
// was recorded when the step was first taken.
TEST(EditHistoryTest, ARandomSequenceOfStepsUndoesAndRedoesExactly)
{
    for (unsigned seed = 1; seed <= 24; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        TDrawing d;
        std::vector<std::string> states{Dump(d.tree)}; // states[k]: after k done steps
        std::size_t done = 0;
        auto anyItem = [&]() -> TTreeNode* {
            std::vector<TTreeNode*> nodes;
            d.tree.WalkInDrawingOrder(d.tree.ObjectRoot(), [&nodes](TTreeNode* node) {
                nodes.push_back(node);
                return true;
            });
            return nodes[static_cast<std::size_t>(pick(static_cast<int>(nodes.size())))];
        };
        for (int round = 0; round < 300; ++round) {
            const int choice = pick(10);
            if (choice == 0 && done > 0) {
                d.tree.Undo();
                ASSERT_EQ(Dump(d.tree), states[--done]);
                continue;
            }
            if (choice == 1 && done + 1 < states.size()) {
                d.tree.Redo();
                ASSERT_EQ(Dump(d.tree), states[++done]);
                continue;
            }
            d.tree.BeginStep("step");
            for (int change = pick(3) + 1; change > 0; --change) {
                TTreeNode* node = anyItem();
                // Copies double a subtree at worst; past a few hundred nodes only shrink.
                switch (d.tree.NodeCount() > 300 ? 2 + pick(7) : pick(9)) {
                case 0: AddShape(d.tree, node, itRectangle, {{pick(99), pick(99)}, {pick(99), 5}}); break;
                case 1:
                    if (TTreeNode* target = anyItem(); !target->IsWithin(node))
                        d.tree.CopySubtree(target, node);
                    break;
                case 2: d.tree.MoveSubtree(pick(2) ? d.tree.TrashNode() : anyItem(), node); break;
                case 3: d.tree.DeleteSubtree(d.tree.IsFixedNode(node) ? nullptr : node); break;
                case 4: d.tree.MoveItem(pick(9) - 4, pick(9) - 4, node); break;
                case 5:
                    // The node itself, refused into its own subtree.
                    if (TTreeNode* target = anyItem(); pick(2))
                        d.tree.MoveNode(node, target, pick(2) ? target->FirstChild() : nullptr);
                    else
                        d.tree.MoveNodes({node, anyItem()}, target, target->LastChild());
                    break;
                case 6: d.tree.Restack({node, anyItem()}, static_cast<TObjectTree::TRestack>(pick(4))); break;
                case 7: d.tree.ApplyBrush({static_cast<TColor>(pick(99)), bsSolid}, node); break;
                default: d.tree.SetCaption(node, "c" + std::to_string(round)); break;
                }
            }
            d.tree.EndStep();
            if (d.tree.History().DoneCount() == done)
                continue; // nothing changed: no step
            ASSERT_EQ(d.tree.History().DoneCount(), done + 1);
            states.resize(++done);
            states.push_back(Dump(d.tree));
        }
        while (done > 0) {
            d.tree.Undo();
            ASSERT_EQ(Dump(d.tree), states[--done]);
        }
        EXPECT_FALSE(d.tree.History().IsModified());
    }
}

TEST(EditHistoryTest, StepsSavedMarkBudgetCancelAndLimits)
{
    TDrawing d;
    const std::string original = Dump(d.tree);
    EXPECT_FALSE(d.tree.History().IsModified());

    // An empty step is not kept; changes outside a step gather into one.
    d.tree.BeginStep("nothing");
    d.tree.EndStep();
    EXPECT_FALSE(d.tree.History().CanUndo());
    d.tree.MoveItem(1, 1, d.a);
    d.tree.MoveItem(1, 1, d.b);
    EXPECT_EQ(d.tree.History().StepCount(), 1u);
    EXPECT_TRUE(d.tree.History().IsModified());
    d.tree.MarkSaved();
    const std::string saved = Dump(d.tree);
    EXPECT_FALSE(d.tree.History().IsModified());

    // Nested steps make one; undo back to the saved step is unmodified.
    d.tree.BeginStep("outer");
    d.tree.BeginStep("inner");
    d.tree.MoveItem(3, 3, d.a);
    d.tree.EndStep();
    d.tree.RotateItem(10, d.b);
    d.tree.EndStep();
    EXPECT_EQ(d.tree.History().UndoName(), "outer");
    EXPECT_TRUE(d.tree.History().IsModified());
    d.tree.Undo();
    EXPECT_EQ(Dump(d.tree), saved);
    EXPECT_FALSE(d.tree.History().IsModified());
    d.tree.Undo();
    EXPECT_EQ(Dump(d.tree), original);
    EXPECT_TRUE(d.tree.History().IsModified());

    // A new step after undo drops what redo could take.
    d.tree.BeginStep("new");
    d.tree.MoveItem(0, 7, d.member);
    d.tree.EndStep();
    EXPECT_FALSE(d.tree.History().CanRedo());
    EXPECT_EQ(d.tree.History().StepCount(), 1u);

    // Undo and redo with nothing to take do nothing.
    d.tree.Undo();
    EXPECT_TRUE(d.tree.Undo().empty());
    EXPECT_EQ(Dump(d.tree), original);
    d.tree.Redo();
    EXPECT_TRUE(d.tree.Redo().empty());

    // A cancelled step leaves the drawing as it was and no step.
    const std::string beforeCancel = Dump(d.tree);
    const std::size_t steps = d.tree.History().StepCount();
    d.tree.BeginStep("cancelled");
    d.tree.MoveSubtree(d.tree.TrashNode(), d.group);
    d.tree.MoveItem(4, 4, d.a);
    d.tree.CancelStep();
    EXPECT_EQ(Dump(d.tree), beforeCancel);
    EXPECT_EQ(d.tree.History().StepCount(), steps);

    // The node limit refuses a redo that would pass it, changing nothing.
    d.tree.BeginStep("copy");
    d.tree.CopySubtree(d.tree.ObjectRoot(), d.group);
    d.tree.EndStep();
    const std::string copied = Dump(d.tree);
    d.tree.Undo();
    EXPECT_THROW(d.tree.Redo(d.tree.NodeCount() + 1), TEditRefused);
    EXPECT_TRUE(d.tree.History().CanRedo());
    d.tree.Redo(d.tree.NodeCount() + 3);
    EXPECT_EQ(Dump(d.tree), copied);

    // The budget keeps the newest steps that fit and drops the oldest.
    const std::int32_t startX = d.group->Data()->X;
    for (int k = 0; k < 50; ++k) {
        d.tree.BeginStep("move");
        d.tree.MoveItem(1, 0, d.group);
        d.tree.EndStep();
    }
    const std::size_t perStep = d.tree.History().MemoryUsed() / d.tree.History().StepCount();
    // A move keeps the places of the group's three nodes: less than one record.
    EXPECT_LT(perStep, sizeof(TNodeState));
    d.tree.SetHistoryBudget(perStep * 10 + perStep / 2);
    EXPECT_LE(d.tree.History().MemoryUsed(), d.tree.History().Budget());
    EXPECT_GE(d.tree.History().StepCount(), 9u);
    EXPECT_LE(d.tree.History().StepCount(), 10u);
    const auto kept = static_cast<std::int32_t>(d.tree.History().StepCount());
    while (d.tree.History().CanUndo())
        d.tree.Undo();
    EXPECT_EQ(d.group->Data()->X, startX + 50 - kept);
    EXPECT_TRUE(d.tree.History().IsModified()); // the saved step is gone
}

} // namespace
} // namespace qm
