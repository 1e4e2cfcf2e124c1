#include "CanvasTestSupport.h"
#include "IoTestSupport.h"

#include "canvas/ItemEdits.h"
#include "canvas/MarkGeometry.h"
#include "io/DocumentWriter.h"
#include "io/FileError.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace qm {
namespace {

using test::TCanvasFixture;

// A drawing made with the tools and commands: a rectangle, a line, a group of
// two lines, an item in the trash and one on the clipboard.
struct TUndoFixture : TCanvasFixture {
    TUndoFixture()
    {
        rectangle = DrawRectangle(100, 100, 160, 140);
        line = AddLine({220, 60}, {320, 90});
        TTreeNode* first = AddLine({40, 250}, {120, 250});
        TTreeNode* second = AddLine({40, 280}, {120, 300});
        canvas.SelectFromTree(first);
        canvas.ToggleSelection(second);
        commands.GroupSelection();
        group = canvas.Selection().First();
        canvas.SelectFromTree(AddLine({300, 300}, {350, 350}));
        commands.DeleteSelection();
        canvas.SelectFromTree(line);
        commands.CopySelection();
        canvas.ClearSelection();
        canvas.Repaint();
    }

    TTreeNode* AddLine(TPoint from, TPoint to)
    {
        ChooseTool(TTool::Line);
        Press(from.x, from.y);
        Release(to.x, to.y);
        return tree.ObjectRoot()->LastChild();
    }
    // The bytes a save writes now.
    std::string Saved()
    {
        const QString path = folder.Path(QStringLiteral("drawing.dof"));
        WriteDocument(path, tree, tree.CanvasGeometry());
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }
    void DragFrom(TPoint from, TPoint to)
    {
        Press(from.x, from.y);
        Drag((from.x + to.x) / 2, (from.y + to.y) / 2);
        Drag(to.x, to.y);
        Release(to.x, to.y);
    }
    TPoint HandleOf(TTreeNode* node, std::size_t handle) { return MarkGeometryOf(tree, node).Handles[handle]; }
    // A click on empty canvas takes the marks away; the next click selects.
    void SelectByClick(std::int32_t x, std::int32_t y)
    {
        Click(390, 390);
        Click(x, y);
    }

    test::TScratchDir folder;
    TTreeNode* rectangle = nullptr;
    TTreeNode* line = nullptr;
    TTreeNode* group = nullptr;
};

using TAction = std::function<void(TUndoFixture&)>;

const std::vector<std::pair<const char*, TAction>>& Actions()
{
    static const std::vector<std::pair<const char*, TAction>> actions = {
        {"move by dragging", [](TUndoFixture& f) {
             f.Click(390, 390); // nothing there: the marks go
             f.DragFrom({130, 120}, {170, 150});
         }},
        {"resize by a handle", [](TUndoFixture& f) {
             f.SelectByClick(130, 120);
             const TPoint corner = f.HandleOf(f.rectangle, 2);
             f.DragFrom(corner, {corner.x + 30, corner.y + 20});
         }},
        {"turn by the rotation handle", [](TUndoFixture& f) {
             f.SelectByClick(130, 120);
             const TPoint handle = MarkGeometryOf(f.tree, f.rectangle).RotationHandle;
             f.DragFrom(handle, {handle.x + 10, handle.y + 40});
         }},
        {"drag a vertex", [](TUndoFixture& f) {
             f.SelectByClick(270, 75);
             f.DragFrom({220, 60}, {240, 30});
         }},
        {"draw a rectangle", [](TUndoFixture& f) { f.DrawRectangle(20, 20, 60, 50); }},
        {"draw a polygon of several clicks", [](TUndoFixture& f) {
             f.ChooseTool(TTool::Polygon);
             f.Click(200, 200);
             f.Click(260, 210);
             f.Click(230, 260);
             f.Press(230, 260, false, true);
             f.Release(230, 260);
         }},
        {"text typed in place", [](TUndoFixture& f) {
             f.SelectByClick(130, 120);
             f.Click(130, 120);
             f.textBox.text = "typed";
             f.Click(390, 390);
         }},
        {"copy", [](TUndoFixture& f) {
             f.canvas.SelectFromTree(f.group);
             f.commands.CopySelection();
         }},
        {"cut", [](TUndoFixture& f) {
             f.canvas.SelectFromTree(f.rectangle);
             f.canvas.ToggleSelection(f.group);
             f.commands.CutSelection();
         }},
        {"paste", [](TUndoFixture& f) { f.commands.PasteClipboard(); }},
        {"delete", [](TUndoFixture& f) {
             f.canvas.SelectFromTree(f.group);
             f.commands.DeleteSelection();
         }},
        {"group", [](TUndoFixture& f) {
             f.canvas.SelectFromTree(f.rectangle);
             f.canvas.ToggleSelection(f.line);
             f.commands.GroupSelection();
         }},
        {"ungroup", [](TUndoFixture& f) {
             f.canvas.SelectFromTree(f.group);
             f.commands.UngroupSelection();
         }},
        {"duplicate", [](TUndoFixture& f) {
             f.canvas.SelectFromTree(f.group);
             f.canvas.ToggleSelection(f.rectangle);
             f.commands.DuplicateSelection();
         }},
        {"bring to the front", [](TUndoFixture& f) {
             f.canvas.SelectFromTree(f.rectangle);
             f.commands.RestackSelection(TObjectTree::TRestack::ToFront);
         }},
        {"send one down", [](TUndoFixture& f) {
             f.canvas.SelectFromTree(f.group);
             f.commands.RestackSelection(TObjectTree::TRestack::Backward);
         }},
        {"a held arrow key", [](TUndoFixture& f) {
             f.canvas.SelectFromTree(f.rectangle);
             f.canvas.ToggleSelection(f.line);
             for (int i = 0; i < 4; ++i)
                 f.canvas.NudgeSelection(1, -1);
             f.canvas.EndNudge();
         }},
        {"new folder", [](TUndoFixture& f) { f.commands.NewFolder(f.group); }},
        {"new group", [](TUndoFixture& f) { f.commands.NewGroup(); }},
        {"empty the trash", [](TUndoFixture& f) {
             f.questions.answers = {true};
             f.commands.EmptyTrash();
         }},
        {"restore", [](TUndoFixture& f) { f.commands.Restore(f.tree.TrashNode()->LastChild()); }},
        {"canvas settings", [](TUndoFixture& f) { f.canvas.ApplyCanvasSettings({640, 480, 8}); }},
        {"object editor", [](TUndoFixture& f) {
             TItemEdits edits;
             edits.FillPattern = bsCross;
             edits.FillColor = clRed;
             edits.LineWidth = 3;
             edits.Angle = 30;
             edits.X = 150;
             edits.Y = 90;
             edits.Text = "text";
             edits.PStyle = leArrow;
             const TEditStepScope step(f.tree, kEditStepName);
             ApplyItemEdits(f.tree, f.rectangle, edits);
             SpreadLineAndFill(f.tree, {f.rectangle, f.group});
         }},
    };
    return actions;
}

TEST(UndoTest, EveryActionIsOneStepThatUndoesAndRedoesToTheSavedBytes)
{
    for (const auto& [name, act] : Actions()) {
        SCOPED_TRACE(name);
        TUndoFixture f;
        const std::string before = f.Saved();
        const std::size_t steps = f.tree.History().DoneCount();
        act(f);
        const std::string after = f.Saved();
        ASSERT_NE(before, after);
        EXPECT_EQ(f.tree.History().DoneCount(), steps + 1);
        f.commands.Undo();
        EXPECT_EQ(f.Saved(), before);
        for (const TTreeNode* node : f.canvas.Selection().Nodes())
            EXPECT_TRUE(node->IsWithin(f.tree.ObjectRoot()));
        f.commands.Redo();
        EXPECT_EQ(f.Saved(), after);
        f.commands.Undo();
        EXPECT_EQ(f.Saved(), before);
        EXPECT_FALSE(f.canvas.PointEditing());
    }
}

// Actions, undos and redos at random, each state checked against the bytes
// saved when it was first reached.
TEST(UndoTest, ARandomSequenceMatchesTheSavesAfterEveryStep)
{
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        TUndoFixture f;
        std::vector<std::string> saved{f.Saved()};
        std::size_t done = 0;
        for (int round = 0; round < 40; ++round) {
            const unsigned choice = random() % 6;
            if (choice == 0 && done > 0) {
                f.commands.Undo();
                ASSERT_EQ(f.Saved(), saved[--done]);
            } else if (choice == 1 && done + 1 < saved.size()) {
                f.commands.Redo();
                ASSERT_EQ(f.Saved(), saved[++done]);
            } else {
                const auto& actions = Actions();
                const std::size_t before = f.tree.History().DoneCount();
                // Nodes may be gone by now: the fixture's pointers stand for
                // whatever the selection or the drawing holds.
                f.rectangle = f.tree.ObjectRoot()->LastChild();
                f.line = f.tree.ObjectRoot()->FirstChild()->NextSibling() ? f.tree.ObjectRoot()->FirstChild()->NextSibling()
                                                                       : f.rectangle;
                f.group = f.rectangle;
                const auto& [name, act] = actions[random() % actions.size()];
                SCOPED_TRACE(name);
                act(f);
                if (f.tree.History().DoneCount() == before)
                    continue;
                ASSERT_EQ(f.tree.History().DoneCount(), before + 1);
                saved.resize(++done);
                saved.push_back(f.Saved());
            }
        }
    }
}

TEST(UndoTest, NothingToTakeChangesNothingAndTheTextBoxKeepsItsKeys)
{
    TUndoFixture f;
    f.tree.ClearHistory();
    const std::string drawing = f.Saved();
    f.canvas.SelectFromTree(f.rectangle);
    f.commands.Undo();
    f.commands.Redo();
    EXPECT_EQ(f.Saved(), drawing);
    EXPECT_EQ(f.canvas.Selection().Nodes(), std::vector<TTreeNode*>{f.rectangle});

    // While the in-place editor has the focus, the keys are its own.
    f.DragFrom({130, 120}, {140, 130});
    const std::string moved = f.Saved();
    f.textBox.font = f.rectangle->Data()->Font;
    f.Click(140, 130);
    f.Click(140, 130);
    ASSERT_TRUE(f.textBox.visible);
    f.textBox.focused = true;
    f.commands.Undo();
    EXPECT_EQ(f.Saved(), moved);
    EXPECT_TRUE(f.textBox.visible);

    // Undo closes the editor first.
    f.textBox.focused = false;
    f.commands.Undo();
    EXPECT_FALSE(f.textBox.visible);
    EXPECT_EQ(f.Saved(), drawing);

    // A redo that would pass the node limit is refused, the drawing and the
    // history as they were.
    f.commands.PasteClipboard();
    const std::string pasted = f.Saved();
    f.commands.Undo();
    EXPECT_THROW(f.tree.Redo(f.tree.NodeCount()), TEditRefused);
    EXPECT_EQ(f.Saved(), drawing);
    f.commands.Redo();
    EXPECT_EQ(f.Saved(), pasted);
}

} // namespace
} // namespace qm
