#include "TreeTestSupport.h"

#include "platform/ShiftJis.h"
#include "WritableRecord.h"

#include <gtest/gtest.h>

#include <random>
#include <map>

namespace qm {
namespace {

using test::AddShape;
using test::Captions;
using test::ChildCaptions;

TEST(ObjectTree, FreshTreeHasTheThreeFixedNodesAndCountsOn)
{
    TObjectTree tree;
    ASSERT_NE(tree.ObjectRoot(), nullptr);
    EXPECT_EQ(tree.ObjectRoot()->Text(), "Object");
    EXPECT_EQ(tree.ObjectRoot()->Parent(), nullptr);
    EXPECT_EQ(tree.TrashNode()->Parent(), tree.ObjectRoot());
    EXPECT_EQ(tree.TrashNode()->Text(), Utf8ToCp932("ごみ箱"));
    EXPECT_EQ(tree.TempNode()->Parent(), tree.TrashNode());
    EXPECT_EQ(tree.TempNode()->Text(), "Temp");
    EXPECT_EQ(tree.NodeCount(), 3u);
    EXPECT_EQ(tree.ItemCounter(), 3);
    EXPECT_EQ(tree.ObjectRoot()->Data()->ItemType, itObjectRoot);
    EXPECT_EQ(tree.TrashNode()->Data()->ItemType, itTrash);
    EXPECT_EQ(tree.TempNode()->Data()->ItemType, itTemp);
    for (int i = 0; i < 3; ++i) {
        const TTreeNode* node = i == 0 ? tree.ObjectRoot() : i == 1 ? tree.TrashNode() : tree.TempNode();
        EXPECT_EQ(node->Data()->Id, i);
        EXPECT_EQ(node->Data()->Priority, i);
    }

    TTreeNode* first = tree.AddItem(tree.ObjectRoot(), "r", itRectangle);
    EXPECT_EQ(first->Data()->Id, 3);
    EXPECT_EQ(first->Data()->Priority, 3);
    EXPECT_EQ(tree.ItemCounter(), 4);
}

TEST(ObjectTree, NewItemsTakeTheDefaultsOfTheirType)
{
    TObjectTree tree;
    TTreeNode* arrow = tree.AddItem(tree.ObjectRoot(), "a", itArrow);
    TTreeNode* line = tree.AddItem(tree.ObjectRoot(), "l", itLine);
    const TItemObject& a = *arrow->Data();
    EXPECT_EQ(a.DStyle, leArrow);
    EXPECT_EQ(a.PStyle, lePlain);
    EXPECT_EQ(line->Data()->DStyle, lePlain);
    EXPECT_EQ(a.Name, "a");
    EXPECT_EQ(a.StretchX, 1.0f);
    EXPECT_EQ(a.StretchY, 1.0f);
    EXPECT_TRUE(a.Active);
    EXPECT_EQ(a.Margin, 1);
    EXPECT_EQ(a.LineSpacing, 4);
    EXPECT_TRUE(a.CenterH);
    EXPECT_TRUE(a.CenterV);
    EXPECT_EQ(a.Count, 0);
    EXPECT_TRUE(a.Points.empty());
    EXPECT_EQ(a.Pen, TPen{});
    EXPECT_EQ(a.Pen.Color, clBlack);
    EXPECT_EQ(a.Brush.Color, clWhite);
    EXPECT_EQ(a.Brush.Style, bsSolid);
    EXPECT_EQ(a.Font.Name, Utf8ToCp932("ＭＳ Ｐゴシック"));
    EXPECT_EQ(a.Font.Height, -12);
    EXPECT_EQ(a.Font.Size(), 9);
    EXPECT_EQ(a.Font.Charset, SHIFTJIS_CHARSET);
    EXPECT_EQ(a.Font.Color, clWindowText);
    EXPECT_EQ(a.Font.Style, 0);
}

TEST(ObjectTree, IdsReuseTheLowestGapWhilePrioritiesKeepCounting)
{
    TObjectTree tree;
    TTreeNode* id3 = tree.AddItem(tree.ObjectRoot(), "3", itLine);
    tree.AddItem(tree.ObjectRoot(), "4", itLine);
    EXPECT_EQ(tree.NextFreeId(), 5);
    tree.DeleteSubtree(id3);
    EXPECT_EQ(tree.ItemCounter(), 5);
    EXPECT_EQ(tree.NextFreeId(), 3); // ids 0, 1, 2 and 4 in use
    TTreeNode* reused = tree.AddItem(tree.ObjectRoot(), "again", itLine);
    EXPECT_EQ(reused->Data()->Id, 3);
    EXPECT_EQ(reused->Data()->Priority, 5);
    EXPECT_EQ(tree.NextFreeId(), 5);

    // Ids at or above ItemCounter do not block the search.
    tree.SetItemId(reused, 100);
    EXPECT_EQ(tree.NextFreeId(), 3);
    // When every id below the counter is taken, the counter itself is next.
    tree.SetItemId(reused, 3);
    tree.SetItemCounter(5);
    EXPECT_EQ(tree.NextFreeId(), 5);
}

TEST(ObjectTree, FindItemByIdReturnsTheFirstInTreeOrderOrElseTheLastNode)
{
    TObjectTree tree;
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "g", itGroup);
    TTreeNode* inner = tree.AddItem(group, "inner", itLine);
    TTreeNode* later = tree.AddItem(tree.ObjectRoot(), "later", itLine);
    EXPECT_EQ(tree.FindItemById(inner->Data()->Id), inner);
    EXPECT_EQ(tree.FindItemById(1), tree.TrashNode());

    // Duplicates: the earlier node in depth-first order wins, whatever the
    // order in which the ids were given.
    tree.SetItemId(later, 77);
    tree.SetItemId(inner, 77);
    EXPECT_EQ(tree.FindItemById(77), inner);
    tree.SetItemId(group, 77);
    EXPECT_EQ(tree.FindItemById(77), group);
    tree.SetItemId(tree.TempNode(), 77);
    EXPECT_EQ(tree.FindItemById(77), tree.TempNode());

    // Unknown id: the last node of the tree, the deepest last child.
    EXPECT_EQ(tree.FindItemById(999), later);
    TTreeNode* last = tree.AddItem(later, "child of later", itLine);
    EXPECT_EQ(tree.FindItemById(-5), last);

    TObjectTree empty(TObjectTree::Empty);
    EXPECT_EQ(empty.FindItemById(0), nullptr);

    // Thousands of nodes sharing a few hundred ids, given, changed and
    // deleted in any order: always the node a scan in tree order finds.
    TObjectTree many;
    std::mt19937 random(7);
    std::vector<TTreeNode*> items;
    auto scan = [&many](std::int32_t id) {
        TTreeNode* last = nullptr;
        for (TTreeNode* node = many.FirstTopLevelNode(); node;) {
            if (node->Data()->Id == id)
                return node;
            last = node;
            TTreeNode* next = node->FirstChild();
            for (TTreeNode* up = node; !next && up; up = up->Parent())
                next = up->NextSibling();
            node = next;
        }
        return last;
    };
    for (int step = 0; step < 4000; ++step) {
        const auto id = static_cast<std::int32_t>(random() % 300);
        std::int32_t gone = id;
        if (!items.empty() && random() % 3 == 0) {
            const auto k = static_cast<std::ptrdiff_t>(random() % items.size());
            gone = items[static_cast<std::size_t>(k)]->Data()->Id;
            if (random() % 2 == 0) {
                many.DeleteSubtree(items[static_cast<std::size_t>(k)]);
                items.erase(items.begin() + k);
            } else {
                many.SetItemId(items[static_cast<std::size_t>(k)], id);
            }
        } else {
            items.push_back(many.AddItem(many.ObjectRoot(), "n", itLine));
            many.SetItemId(items.back(), id);
        }
        ASSERT_EQ(many.FindItemById(id), scan(id)) << "step " << step;
        ASSERT_EQ(many.FindItemById(gone), scan(gone)) << "step " << step;
    }
}

TEST(ObjectTree, AnEmptyTreeIsBuiltAsAReaderDoes)
{
    TObjectTree tree(TObjectTree::Empty);
    EXPECT_EQ(tree.ItemCounter(), 0);
    EXPECT_EQ(tree.ObjectRoot(), nullptr);
    // The root's record names parent id 0 in an empty tree: a top-level node.
    TTreeNode* root = tree.AddItem(tree.FindItemById(0), "Object", itObjectRoot);
    tree.SetItemId(root, 1);
    tree.MarkFixedNode(root);
    TTreeNode* trash = tree.AddItem(tree.FindItemById(1), "trash", itTrash);
    tree.SetItemId(trash, 2);
    tree.MarkFixedNode(trash);
    EXPECT_EQ(tree.ObjectRoot(), root);
    EXPECT_EQ(tree.TrashNode(), trash);
    EXPECT_EQ(trash->Parent(), root);
    EXPECT_EQ(root->Parent(), nullptr);
    tree.SetItemCounter(35);
    EXPECT_EQ(tree.NextFreeId(), 0);
}

TEST(ObjectTree, DeleteSubtreeFreesChildrenFirstAndTellsObservers)
{
    struct Recorder : TTreeObserver {
        std::vector<std::string> events;
        void NodeAdded(TTreeNode* node) override { events.push_back("+" + node->Text()); }
        void NodeRemoving(TTreeNode* node) override
        {
            EXPECT_FALSE(node->HasChildren());
            events.push_back("-" + node->Text());
        }
        void NodeRenamed(TTreeNode* node) override { events.push_back("=" + node->Text()); }
    } recorder;
    TObjectTree tree;
    tree.AddObserver(&recorder);
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "g", itGroup);
    TTreeNode* a = tree.AddItem(group, "a", itLine);
    tree.AddItem(a, "a1", itLine);
    tree.AddItem(group, "b", itLine);
    tree.SetCaption(a, "A");
    EXPECT_EQ(a->Data()->Name, "A");
    EXPECT_EQ(tree.DeleteSubtree(group), 0);
    EXPECT_EQ(recorder.events, (std::vector<std::string>{"+g", "+a", "+a1", "+b", "=A", "-a1", "-A", "-b", "-g"}));
    EXPECT_EQ(tree.NodeCount(), 3u);
    EXPECT_EQ(tree.DeleteSubtree(nullptr), -1);

    // Deleting the root takes the fixed nodes with it; a new document makes them again.
    tree.DeleteSubtree(tree.ObjectRoot());
    EXPECT_EQ(tree.ObjectRoot(), nullptr);
    EXPECT_EQ(tree.TempNode(), nullptr);
    EXPECT_EQ(tree.NodeCount(), 0u);
    tree.NewDocument();
    EXPECT_EQ(tree.ItemCounter(), 3);
    EXPECT_EQ(tree.TempNode()->Data()->Id, 2);
    tree.RemoveObserver(&recorder);
}

TEST(ObjectTree, FixedCaptionsCannotBeEditedAndTempOrInactiveItemsDoNotExpand)
{
    TObjectTree tree;
    TTreeNode* item = tree.AddItem(tree.ObjectRoot(), "x", itLine);
    EXPECT_FALSE(tree.CanEditCaption(tree.ObjectRoot()));
    EXPECT_FALSE(tree.CanEditCaption(tree.TrashNode()));
    EXPECT_FALSE(tree.CanEditCaption(tree.TempNode()));
    EXPECT_TRUE(tree.CanEditCaption(item));
    EXPECT_TRUE(tree.CanExpand(tree.TrashNode()));
    EXPECT_FALSE(tree.CanExpand(tree.TempNode()));
    EXPECT_TRUE(tree.CanExpand(item));
    Writable(item)->Active = false;
    EXPECT_FALSE(tree.CanExpand(item));
}

TEST(ObjectTree, PriorityWalkOrdersByPriorityKeepsListOrderForTiesAndSkipsOutOfRange)
{
    TObjectTree tree;
    TTreeNode* root = tree.ObjectRoot();
    TTreeNode* a = tree.AddItem(root, "a", itLine);
    TTreeNode* b = tree.AddItem(root, "b", itLine);
    TTreeNode* c = tree.AddItem(root, "c", itLine);
    TTreeNode* d = tree.AddItem(root, "d", itLine);
    TTreeNode* e = tree.AddItem(root, "e", itLine);
    // ItemCounter is 8: priorities 0..7 are walked.
    Writable(a)->Priority = 6;
    Writable(b)->Priority = 4;
    Writable(c)->Priority = 6;
    Writable(d)->Priority = 8;  // not below ItemCounter
    Writable(e)->Priority = -1; // negative
    EXPECT_EQ(Captions(tree.ChildrenInDrawingOrder(root)),
              (std::vector<std::string>{Utf8ToCp932("ごみ箱"), "b", "a", "c"}));
    EXPECT_EQ(Captions(tree.ChildrenInHitOrder(root)),
              (std::vector<std::string>{"a", "c", "b", Utf8ToCp932("ごみ箱")}));
    EXPECT_EQ(Captions(tree.ChildrenByPriority(root)),
              (std::vector<std::string>{"e", Utf8ToCp932("ごみ箱"), "b", "a", "c", "d"}));

    // The counter growing past a priority brings the item back.
    tree.AddItem(tree.TempNode(), "t", itLine);
    EXPECT_EQ(Captions(tree.ChildrenInDrawingOrder(root)).back(), "d");

    // The walk visits parents before children, skipping where asked.
    std::vector<std::string> visited;
    tree.WalkInDrawingOrder(root, [&](TTreeNode* node) {
        visited.push_back(node->Text());
        return node != tree.TrashNode();
    });
    EXPECT_EQ(visited, (std::vector<std::string>{"Object", Utf8ToCp932("ごみ箱"), "b", "a", "c", "d"}));
}

// Restack moves nodes among their drawn siblings, the trash aside; the
// priorities rise strictly in the new order, ties included, and change for
// the fewest nodes (to the front, the moved ones go above the top and
// ItemCounter grows); the list of siblings follows, and the whole change is
// one step that undo takes back and redo does again.
TEST(ObjectTree, RestackMovesNodesAmongTheirSiblingsAsOneStep)
{
    using enum TObjectTree::TRestack;
    struct TCase {
        const char* Name;
        TObjectTree::TRestack Where;
        std::vector<std::string> Moved;
        std::vector<std::string> Order; // empty: nothing moves
        bool Grows = false; // ItemCounter, without ties
    };
    const TCase cases[] = {
        {"to the front", ToFront, {"b", "d"}, {"a", "c", "e", "b", "d"}, true},
        {"one up", Forward, {"b", "d"}, {"a", "c", "b", "e", "d"}, true},
        {"a run climbs as one", Forward, {"b", "c"}, {"a", "d", "b", "c", "e"}},
        {"one up from the top", Forward, {"e"}, {}},
        {"one down", Backward, {"b", "d"}, {"b", "a", "d", "c", "e"}},
        {"to the back", ToBack, {"c", "e"}, {"c", "e", "a", "b", "d"}},
        {"to the back from the back", ToBack, {"a"}, {}},
    };
    for (const bool ties : {false, true}) {
        for (const TCase& restack : cases) {
            SCOPED_TRACE(std::string(restack.Name) + (ties ? " among ties" : ""));
            TObjectTree tree;
            TTreeNode* root = tree.ObjectRoot();
            std::map<std::string, TTreeNode*> nodes;
            for (const char* name : {"a", "b", "c", "d", "e"})
                nodes[name] = tree.AddItem(root, name, itLine);
            if (ties) {
                // All five on the counter's last priority: list order decides.
                for (auto& [name, node] : nodes)
                    Writable(node)->Priority = tree.ItemCounter() - 1;
            }
            const auto order = [&tree, root] {
                std::vector<TTreeNode*> drawn = tree.ChildrenInDrawingOrder(root);
                std::erase(drawn, tree.TrashNode());
                return Captions(drawn);
            };
            const std::vector<std::string> before = order();
            ASSERT_EQ(before, (std::vector<std::string>{"a", "b", "c", "d", "e"}));
            const auto list = [root] { return ChildCaptions(root); };
            const std::vector<std::string> listBefore = list();
            const std::int32_t trashPriority = tree.TrashNode()->Data()->Priority;
            const std::int32_t counter = tree.ItemCounter();
            std::map<std::string, std::int32_t> priorities;
            for (auto& [name, node] : nodes)
                priorities[name] = node->Data()->Priority;
            std::vector<TTreeNode*> moved{tree.TrashNode()};
            for (const std::string& name : restack.Moved)
                moved.push_back(nodes[name]);
            const std::size_t steps = tree.History().DoneCount();
            tree.BeginStep("restack");
            const int result = tree.Restack(moved, restack.Where);
            tree.EndStep();
            if (restack.Order.empty() && !ties) {
                EXPECT_EQ(result, -1);
                EXPECT_EQ(tree.History().DoneCount(), steps);
                continue;
            }
            const std::vector<std::string> after = restack.Order.empty() ? before : restack.Order;
            EXPECT_EQ(result, 0);
            EXPECT_EQ(order(), after);
            std::vector<std::string> listAfter{tree.TrashNode()->Text()};
            listAfter.insert(listAfter.end(), after.begin(), after.end());
            EXPECT_EQ(list(), listAfter);
            EXPECT_EQ(tree.TrashNode()->Data()->Priority, trashPriority);
            EXPECT_EQ(tree.ItemCounter() > counter, restack.Grows && !ties);
            if (!ties) {
                // Renumbering all five would do; here two new priorities suffice.
                const auto changed = std::ranges::count_if(nodes, [&](const auto& entry) {
                    return entry.second->Data()->Priority != priorities[entry.first];
                });
                EXPECT_EQ(changed, 2);
            }
            EXPECT_EQ(tree.History().DoneCount(), steps + 1);
            tree.Undo();
            EXPECT_EQ(order(), before);
            EXPECT_EQ(list(), listBefore);
            EXPECT_EQ(tree.ItemCounter(), counter);
            tree.Redo();
            EXPECT_EQ(order(), after);
            EXPECT_EQ(list(), listAfter);
        }
    }
}

TEST(ObjectTree, CopyItemCopiesTheRecordUnderAFreshIdAndPriority)
{
    TObjectTree tree;
    TTreeNode* source = AddShape(tree, tree.ObjectRoot(), itPolygon, {{0, 0}, {30, 0}, {30, 30}}, "src");
    TItemObject& s = *Writable(source);
    s.X = 7;
    s.StretchX = 1.5f;
    s.Roll = 45;
    s.Text = "txt";
    s.Margin = 3;
    s.CenterV = false;
    s.CurveStyle = csBezier;
    s.PStyle = leArrow;
    s.Pen.Color = clRed;
    s.Pen.Width = 4;
    s.Brush.Style = bsCross;
    s.Font.Style = fsBold;
    s.Active = false;
    s.Priority = -9;
    TTreeNode* copy = tree.CopyItem(tree.ObjectRoot(), "copy", s);
    const TItemObject& c = *copy->Data();
    EXPECT_EQ(c.Name, "copy");
    EXPECT_EQ(copy->Text(), "copy");
    EXPECT_EQ(c.X, 7);
    EXPECT_EQ(c.StretchX, 1.5f);
    EXPECT_EQ(c.Roll, 45);
    EXPECT_EQ(c.Text, "txt");
    EXPECT_EQ(c.Margin, 3);
    EXPECT_FALSE(c.CenterV);
    EXPECT_EQ(c.CurveStyle, csBezier);
    EXPECT_EQ(c.PStyle, leArrow);
    EXPECT_EQ(c.Pen, s.Pen);
    EXPECT_EQ(c.Brush, s.Brush);
    EXPECT_EQ(c.Font, s.Font);
    EXPECT_TRUE(c.Active);
    EXPECT_EQ(c.Priority, 4);
    EXPECT_EQ(c.Id, 4);
    EXPECT_EQ(c.Count, 3);
    EXPECT_EQ(c.Points, s.Points);
    EXPECT_EQ(c.C1, s.C1);
    EXPECT_EQ(c.C2, s.C2);

    // A source with a spare point entry and no control points: the copy has
    // Count entries everywhere, control points zero.
    s.Points.push_back({99, 99});
    s.C1.clear();
    s.C2.clear();
    const TItemObject& c2 = *tree.CopyItem(nullptr, "top", s)->Data();
    EXPECT_EQ(c2.Points.size(), 3u);
    EXPECT_EQ(c2.C1, TPointArray(3));
    EXPECT_EQ(c2.C2, TPointArray(3));
}

TEST(ObjectTree, CountersFromFilesNeverOverflowOrOverAllocate)
{
    TObjectTree tree;
    tree.SetItemCounter(2147483647);
    TTreeNode* item = tree.AddItem(tree.ObjectRoot(), "x", itLine);
    EXPECT_EQ(item->Data()->Priority, 2147483647);
    EXPECT_EQ(tree.ItemCounter(), 2147483647);
    EXPECT_EQ(item->Data()->Id, 3);

    // A Count far beyond the vertices present is bounded by them.
    Writable(item)->Count = 1000000000;
    Writable(item)->Points = {{1, 1}, {2, 2}};
    EXPECT_EQ(item->Data()->VertexCount(), 2);
    TTreeNode* copy = tree.CopyItem(tree.ObjectRoot(), "c", *item->Data());
    EXPECT_EQ(copy->Data()->Points.size(), 2u);
    EXPECT_EQ(tree.AddPoint(3, 3, item), 0);
    EXPECT_EQ(item->Data()->Count, 3);
    Writable(item)->Count = -5;
    TPointArray p;
    EXPECT_EQ(tree.ViewPoints1(item, p), 0);
    EXPECT_TRUE(p.empty());
}

} // namespace
} // namespace qm

namespace qm {
namespace {

TEST(ObjectTree, RevisionAdvancesWithEveryEditThatCanChangeThePicture)
{
    TObjectTree tree;
    TTreeNode* item = tree.AddItem(tree.ObjectRoot(), "x", itLine);
    std::uint64_t seen = tree.Revision();
    auto changed = [&] {
        const bool advanced = tree.Revision() != seen;
        seen = tree.Revision();
        return advanced;
    };
    tree.AddPoint(1, 2, item);
    EXPECT_TRUE(changed());
    tree.MoveItem(1, 1, item);
    EXPECT_TRUE(changed());
    tree.ApplyBrush(TBrush{}, item);
    EXPECT_TRUE(changed());
    tree.PointToCenter(item);
    EXPECT_TRUE(changed());
    TPointArray P;
    tree.ViewPoints1(item, P);
    tree.HitTest(0, 0, tree.ObjectRoot());
    tree.ChildrenInDrawingOrder(tree.ObjectRoot());
    EXPECT_FALSE(changed());
    tree.MoveItem(1, 1, tree.ObjectRoot()); // refused
    EXPECT_FALSE(changed());
    tree.MoveSubtree(tree.TrashNode(), item);
    EXPECT_TRUE(changed());
}

} // namespace
} // namespace qm
