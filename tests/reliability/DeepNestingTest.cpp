// A drawing nested a hundred thousand groups deep, opened in the editor and
// taken through every layer: tree window, canvas, clipboard, trash,
// transforms, rendering, metafile, both savers and the insert. None of them
// may recurse over the depth a file sets.
#include "EditorFixture.h"

#include "app/FileJob.h"
#include "app/ObjectTreeModel.h"
#include "app/TreeForm1.h"
#include "canvas/EditCommands.h"
#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"
#include "render/MetafileRenderer.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

constexpr int kDepth = 100000;

class DeepNestingTest : public test::TEditorFixture {
protected:
    // Object root, then kDepth groups each inside the one before, the last
    // holding a triangle.
    void WriteDeepDocument(const QString& path)
    {
        TObjectTree deep;
        TTreeNode* group = deep.ObjectRoot();
        for (int level = 0; level < kDepth; ++level)
            group = deep.AddItem(group, "g", itGroup);
        TTreeNode* triangle = deep.AddItem(group, "leaf", itPolygon);
        for (const auto& [x, y] : {std::pair{200, 200}, {260, 200}, {230, 250}})
            deep.AddPoint(x, y, triangle);
        WriteDocument(path, deep, {400, 400, 10});
    }
    TTreeNode* TopGroup() const { return app.Tree().ObjectRoot()->LastChild(); }
};

TEST_F(DeepNestingTest, AHundredThousandGroupsDeepGoThroughEveryLayer)
{
    WriteDeepDocument(Path("deep.dof"));
    dialogs->confirmAnswers = {true};
    dialogs->openAnswers.push_back(Path("deep.dof"));
    MenuItem(QStringLiteral("開く(&O)..."))->trigger();
    app.FileJob().Wait(); // a file this large is read by the file job
    TObjectTree& tree = app.Tree();
    ASSERT_EQ(tree.NodeCount(), static_cast<std::size_t>(kDepth + 4));
    TTreeNode* leaf = tree.LastNode();
    ASSERT_EQ(leaf->Data()->Name, "leaf");

    // The tree window's model reaches the deepest row and back up.
    const TObjectTreeModel& model = app.TreeForm().Model();
    QModelIndex index = model.IndexOf(leaf);
    ASSERT_TRUE(index.isValid());
    int depth = 0;
    for (; index.isValid(); index = model.parent(index))
        ++depth;
    EXPECT_EQ(depth, kDepth + 2);

    // The canvas shows it, and a click finds it through every level.
    TCanvasWindow& canvas = Canvas();
    EXPECT_EQ(canvas.Picture().Pixel(230, 200), clBlack);
    EXPECT_EQ(tree.HitTest(230, 210, tree.ObjectRoot()), leaf);

    // Clipboard, trash and transforms over the whole depth.
    const std::size_t opened = tree.NodeCount();
    const std::size_t subtree = kDepth + 1;
    canvas.SelectFromTree(TopGroup());
    app.Commands().CopySelection();
    app.Commands().PasteClipboard();
    EXPECT_EQ(tree.NodeCount(), opened + 2 * subtree); // the copy in Temp and the pasted one
    TTreeNode* pasted = TopGroup();
    tree.MoveItem(7, 7, pasted);
    tree.RotateItem(15, pasted);
    tree.SetStretch(pasted, 1.5f, 0.5f);
    canvas.SelectFromTree(pasted);
    app.Commands().DeleteSelection();
    dialogs->confirmAnswers = {true};
    app.Commands().EmptyTrash();
    EXPECT_EQ(tree.NodeCount(), opened + subtree);
    canvas.Repaint();
    EXPECT_FALSE(RenderMetafile(tree, 400, 400).empty());

    // Both savers and the insert.
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("again.dof"), 1});
    MenuItem(QStringLiteral("名前をつけて保存(&A)..."))->trigger();
    app.FileJob().Wait();
    EXPECT_EQ(ReadDocument(Path("again.dof")).Tree->NodeCount(), opened + subtree);
    canvas.SelectFromTree(TopGroup());
    dialogs->saveAnswers.push_back(TUserDialogs::TSaveChoice{Path("deep.ud2"), 1});
    MenuItem(QStringLiteral("拡張オブジェクトとして保存"))->trigger();
    dialogs->openAnswers.push_back(Path("deep.ud2"));
    MenuItem(QStringLiteral("拡張オブジェクトの挿入"))->trigger();
    EXPECT_EQ(tree.NodeCount(), opened + 2 * subtree);

    // A new drawing frees it all, its changes given up.
    dialogs->saveChangesAnswers = {TUserDialogs::TSaveAnswer::Discard};
    MenuItem(QStringLiteral("新規作成(&N)"))->trigger();
    EXPECT_EQ(tree.NodeCount(), 3u);
}

} // namespace
} // namespace qm
