#include "CanvasTestSupport.h"

#include "platform/ShiftJis.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::TCanvasFixture;

TTreeNode* AddLine(TObjectTree& tree, TTreeNode* parent, TPoint from, TPoint to)
{
    TTreeNode* node = tree.AddItem(parent, "line", itLine);
    tree.MoveItem(from.x, from.y, node);
    tree.AddPoint(from.x, from.y, node);
    tree.AddPoint(to.x, to.y, node);
    return node;
}

int CountChildren(const TTreeNode* node)
{
    return node->ChildCount();
}

TEST(EditCommands, CopyAGroupAndPasteTwiceStepsDiagonally)
{
    TCanvasFixture f;
    TTreeNode* group = f.tree.AddItem(f.tree.ObjectRoot(), "g", itGroup);
    AddLine(f.tree, group, {10, 10}, {50, 10});
    AddLine(f.tree, group, {10, 30}, {50, 30});
    f.canvas.ToggleSelection(group);
    f.commands.CopySelection();
    EXPECT_TRUE(f.main.pasteEnabled);
    ASSERT_EQ(CountChildren(f.tree.TempNode()), 1);
    EXPECT_FALSE(f.tree.TempNode()->FirstChild()->Data()->Active);

    f.commands.PasteClipboard();
    f.commands.PasteClipboard();
    // The root now holds the trash, the original group and two pasted groups.
    ASSERT_EQ(CountChildren(f.tree.ObjectRoot()), 4);
    TTreeNode* first = group->NextSibling();
    TTreeNode* second = first->NextSibling();
    EXPECT_EQ(group->Data()->X, 0);
    EXPECT_EQ(first->Data()->X, 10);
    EXPECT_EQ(first->FirstChild()->Data()->X, 20); // the member moved with its group
    EXPECT_EQ(second->Data()->X, 20);
    EXPECT_EQ(second->Data()->Y, 20);
    EXPECT_EQ(CountChildren(second), 2);
    EXPECT_TRUE(second->Data()->Active);
    EXPECT_EQ(f.canvas.Selection().Nodes(), std::vector<TTreeNode*>{second});
    // Temp still holds exactly one copy, moved along with each paste.
    ASSERT_EQ(CountChildren(f.tree.TempNode()), 1);
    EXPECT_EQ(f.tree.TempNode()->FirstChild()->Data()->X, 20);
}

TEST(EditCommands, ClipboardSurvivesDeleteAndEmptyTrash)
{
    TCanvasFixture f;
    TTreeNode* line = AddLine(f.tree, f.tree.ObjectRoot(), {100, 100}, {200, 100});
    f.canvas.ToggleSelection(line);
    f.commands.CopySelection();
    f.commands.DeleteSelection();
    EXPECT_TRUE(f.canvas.Selection().Empty());
    ASSERT_EQ(CountChildren(f.tree.TrashNode()), 2); // Temp and the deleted line
    EXPECT_FALSE(f.tree.TrashNode()->LastChild()->Data()->Active);

    f.questions.answers = {false};
    f.commands.EmptyTrash();
    EXPECT_EQ(CountChildren(f.tree.TrashNode()), 2);
    f.questions.answers = {true};
    f.commands.EmptyTrash();
    EXPECT_EQ(f.questions.asked.back(), "ごみ箱を空にしますがよろしいですか？");
    ASSERT_EQ(CountChildren(f.tree.TrashNode()), 1);
    EXPECT_EQ(f.tree.TrashNode()->FirstChild(), f.tree.TempNode());
    EXPECT_EQ(CountChildren(f.tree.TempNode()), 1);

    f.commands.PasteClipboard();
    TTreeNode* back = f.tree.ObjectRoot()->LastChild();
    EXPECT_EQ(back->Data()->X, 110);
    EXPECT_EQ(back->Data()->Y, 110);
    EXPECT_TRUE(back->Data()->Active);
}

TEST(EditCommands, CutTwoItemsThenPasteBringsBothBackSelectedOnTop)
{
    TCanvasFixture f;
    TTreeNode* a = AddLine(f.tree, f.tree.ObjectRoot(), {10, 10}, {50, 10});
    TTreeNode* b = AddLine(f.tree, f.tree.ObjectRoot(), {10, 60}, {50, 60});
    AddLine(f.tree, f.tree.ObjectRoot(), {10, 90}, {50, 90});
    f.canvas.ToggleSelection(a);
    f.canvas.ToggleSelection(b);
    f.commands.CutSelection();
    EXPECT_TRUE(f.canvas.Selection().Empty());
    EXPECT_EQ(CountChildren(f.tree.TempNode()), 2);
    EXPECT_EQ(CountChildren(f.tree.ObjectRoot()), 2);

    f.commands.PasteClipboard();
    ASSERT_EQ(f.canvas.Selection().Size(), 2u);
    const std::int32_t topPriority = f.tree.ObjectRoot()->LastChild()->Data()->Priority;
    for (TTreeNode* pasted : f.canvas.Selection().Nodes()) {
        EXPECT_EQ(pasted->Parent(), f.tree.ObjectRoot());
        EXPECT_GE(pasted->Data()->Priority, topPriority - 1);
    }
    EXPECT_EQ(f.canvas.Selection().First()->Data()->X, 20);
    EXPECT_EQ(f.canvas.Selection().First()->Data()->Y, 20);

    // A new copy replaces the clipboard entirely.
    f.commands.CopySelection();
    EXPECT_EQ(CountChildren(f.tree.TempNode()), 2);
    f.canvas.ClearSelection();
    f.commands.CopySelection();
    EXPECT_EQ(CountChildren(f.tree.TempNode()), 0);
}

TEST(EditCommands, DeletedMembersRestoreToTheTopLevelAndActiveNodesStay)
{
    TCanvasFixture f;
    TTreeNode* group = f.tree.AddItem(f.tree.ObjectRoot(), "g", itGroup);
    TTreeNode* member = AddLine(f.tree, group, {10, 10}, {50, 10});
    AddLine(f.tree, group, {10, 30}, {50, 30});
    f.canvas.ToggleSelection(member);
    f.commands.DeleteSelection();
    EXPECT_EQ(CountChildren(group), 1);
    TTreeNode* trashed = f.tree.TrashNode()->LastChild();
    f.commands.Restore(trashed);
    EXPECT_EQ(f.tree.ObjectRoot()->LastChild()->Text(), "line");
    EXPECT_TRUE(f.tree.ObjectRoot()->LastChild()->Data()->Active);
    EXPECT_EQ(CountChildren(group), 1);
    EXPECT_EQ(CountChildren(f.tree.TrashNode()), 1);

    const std::size_t nodes = f.tree.NodeCount();
    f.commands.Restore(group); // active: stays
    f.commands.Restore(f.tree.TrashNode());
    EXPECT_EQ(f.tree.NodeCount(), nodes);
    EXPECT_EQ(group->Parent(), f.tree.ObjectRoot());
}

TEST(EditCommands, NewFoldersAndGroupsGoWhereTheyShould)
{
    TCanvasFixture f;
    f.commands.NewFolder(nullptr);
    TTreeNode* folder = f.tree.ObjectRoot()->LastChild();
    EXPECT_EQ(folder->Text(), Utf8ToCp932("新しいグループ"));
    EXPECT_EQ(folder->Data()->ItemType, itGroup);
    EXPECT_EQ(folder->Data()->X, 200);
    EXPECT_EQ(folder->Data()->Y, 200);
    const std::size_t nodes = f.tree.NodeCount();
    f.commands.NewFolder(f.tree.TrashNode());
    f.commands.NewFolder(f.tree.TempNode());
    EXPECT_EQ(f.tree.NodeCount(), nodes);
    f.commands.NewFolder(folder);
    EXPECT_EQ(folder->LastChild()->Data()->X, 200);
    f.commands.NewGroup();
    EXPECT_EQ(f.tree.ObjectRoot()->LastChild()->Data()->X, 0);
}

TEST(EditCommands, GroupingEnclosesMembersAndUngroupingLiftsThemToTheTop)
{
    TCanvasFixture f;
    TTreeNode* shortLine = AddLine(f.tree, f.tree.ObjectRoot(), {100, 100}, {103, 100});
    TTreeNode* other = AddLine(f.tree, f.tree.ObjectRoot(), {200, 150}, {260, 150});
    f.canvas.ToggleSelection(shortLine);
    f.canvas.ToggleSelection(other);
    f.commands.GroupSelection();
    TTreeNode* group = f.tree.ObjectRoot()->LastChild();
    EXPECT_EQ(group->Data()->ItemType, itGroup);
    EXPECT_EQ(group->Text(), Utf8ToCp932("新しいグループ"));
    EXPECT_EQ(CountChildren(group), 2);
    EXPECT_EQ(f.canvas.Selection().Nodes(), std::vector<TTreeNode*>{group});
    TRect box;
    f.tree.PointToXY(group, box);
    EXPECT_EQ(box, (TRect{95, 95, 260, 155})); // the short line's box was widened to 10
    EXPECT_EQ(group->Data()->X, (100 + 200) / 2);
    EXPECT_EQ(group->Data()->Y, (100 + 150) / 2);

    // A group nested in another: ungrouping the inner one lifts its members
    // to the top level, not into the outer group.
    TTreeNode* outer = f.tree.AddItem(f.tree.ObjectRoot(), "outer", itGroup);
    TTreeNode* moved = f.tree.MoveSubtree(outer, group);
    f.canvas.ClearSelection();
    f.canvas.ToggleSelection(moved);
    TTreeNode* plain = AddLine(f.tree, f.tree.ObjectRoot(), {0, 0}, {5, 5});
    f.canvas.ToggleSelection(plain);
    f.commands.UngroupSelection();
    EXPECT_EQ(CountChildren(outer), 0);
    EXPECT_EQ(plain->Parent(), f.tree.ObjectRoot()); // not a group: left alone
    TTreeNode* last = f.tree.ObjectRoot()->LastChild();
    EXPECT_EQ(last->Text(), "line");
    EXPECT_EQ(last->PrevSibling()->Text(), "line");
    EXPECT_TRUE(f.canvas.Selection().Empty());
}

TEST(EditCommands, ASelectionWithANodeAndItsDescendantSkipsTheDeletedOne)
{
    TCanvasFixture f;
    TTreeNode* group = f.tree.AddItem(f.tree.ObjectRoot(), "g", itGroup);
    TTreeNode* member = AddLine(f.tree, group, {10, 10}, {50, 10});
    f.canvas.ToggleSelection(group);
    f.canvas.ToggleSelection(member);
    f.commands.DeleteSelection();
    EXPECT_EQ(CountChildren(f.tree.TrashNode()), 2);
    EXPECT_EQ(CountChildren(f.tree.TrashNode()->LastChild()), 1);

    TTreeNode* again = f.tree.AddItem(f.tree.ObjectRoot(), "g2", itGroup);
    TTreeNode* inner = AddLine(f.tree, again, {10, 10}, {50, 10});
    f.canvas.ToggleSelection(again);
    f.canvas.ToggleSelection(inner);
    f.commands.GroupSelection();
    TTreeNode* made = f.tree.ObjectRoot()->LastChild();
    EXPECT_EQ(CountChildren(made), 1);
    EXPECT_EQ(CountChildren(made->FirstChild()), 1);
}

TEST(EditCommands, ClipboardKeysAreIgnoredWhileTheTextBoxHasTheFocus)
{
    TCanvasFixture f;
    TTreeNode* line = AddLine(f.tree, f.tree.ObjectRoot(), {10, 10}, {50, 10});
    f.canvas.ToggleSelection(line);
    f.commands.CopySelection();
    f.textBox.visible = true;
    f.textBox.focused = true;
    const std::size_t nodes = f.tree.NodeCount();
    const std::uint64_t revision = f.tree.Revision();
    f.main.PasteOffsetX = 99;
    f.commands.DeleteSelection();
    f.commands.CutSelection();
    f.commands.CopySelection();
    f.commands.PasteClipboard();
    EXPECT_EQ(f.tree.NodeCount(), nodes);
    EXPECT_EQ(f.tree.Revision(), revision);
    EXPECT_EQ(f.main.PasteOffsetX, 99);
    EXPECT_EQ(f.canvas.Selection().Nodes(), std::vector<TTreeNode*>{line});
}

} // namespace
} // namespace qm
