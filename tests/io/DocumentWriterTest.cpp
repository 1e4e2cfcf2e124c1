#include "IoTestSupport.h"

#include "io/DocumentWriter.h"
#include "io/FileError.h"
#include "model/ObjectTree.h"
#include "WritableRecord.h"

#include <gtest/gtest.h>

#include <QDir>

namespace qm {
namespace {

using test::AppendDefaultNodeRecords;
using test::FileBytes;
using test::PutFile;
using test::TBytes;
using test::TReadOnlyFolder;

constexpr TCanvasGeometry kCanvas{800, 600, 20};

TTreeNode* AddShape(TObjectTree& tree, TTreeNode* parent, TItemType type, std::vector<TPoint> vertices)
{
    TTreeNode* node = tree.AddItem(parent, "shape", type);
    for (const TPoint& p : vertices)
        tree.AddPoint(p.x, p.y, node);
    return node;
}

class DocumentWriterTest : public ::testing::Test {
protected:
    std::string Saved(TObjectTree& tree, const QString& name = "doc.dof")
    {
        const QString path = dir_.Path(name);
        WriteDocument(path, tree, kCanvas);
        return FileBytes(path);
    }

    test::TScratchDir dir_;
};

TEST_F(DocumentWriterTest, AFreshDrawingIsHeaderCanvasThirtyThreeNodeRecordsAndEnd)
{
    TObjectTree tree;
    const std::string bytes = Saved(tree);

    TBytes expected;
    expected.Int(3).Str("Quillmark 1.1 dof");
    expected.Int(4).Int(800).Int(600).Int(20);
    AppendDefaultNodeRecords(expected, -3, "Object", 1, 0, 0);
    AppendDefaultNodeRecords(expected, -1, Utf8ToCp932("ごみ箱"), 2, 1, 1);
    AppendDefaultNodeRecords(expected, -4, "Temp", 3, 2, 2);
    expected.Int(1);
    EXPECT_EQ(bytes, expected.Data());

    // The opening bytes at their offsets.
    ASSERT_GE(bytes.size(), 67u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x03\0\0\0", 4));
    EXPECT_EQ(bytes.substr(4, 4), std::string("\x11\0\0\0", 4));
    EXPECT_EQ(bytes.substr(8, 17), "Quillmark 1.1 dof");
    EXPECT_EQ(bytes.substr(25, 4), std::string("\x04\0\0\0", 4));
    EXPECT_EQ(bytes.substr(29, 4), TBytes().Int(800).Data());
    EXPECT_EQ(bytes.substr(33, 4), TBytes().Int(600).Data());
    EXPECT_EQ(bytes.substr(37, 4), TBytes().Int(20).Data());
    EXPECT_EQ(bytes.substr(41, 4), std::string("\x0A\0\0\0", 4));
    EXPECT_EQ(bytes.substr(45, 4), "\xFD\xFF\xFF\xFF");
    EXPECT_EQ(bytes.substr(49, 10), std::string("\x06\0\0\0Object", 10));
    EXPECT_EQ(bytes.substr(59, 4), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(bytes.substr(63, 4), std::string("\0\0\0\0", 4));
    EXPECT_EQ(bytes.substr(bytes.size() - 4), std::string("\x01\0\0\0", 4));
}

TEST_F(DocumentWriterTest, PointsAndControlPointRecordsFollowTheVertexCount)
{
    TObjectTree tree;
    TTreeNode* root = tree.ObjectRoot();
    TTreeNode* folder = tree.AddItem(root, "folder", itGroup);                          // id 4
    TTreeNode* polygon = AddShape(tree, root, itPolygon, {{0, 0}, {30, 0}, {0, 30}});   // id 5
    TTreeNode* curve = AddShape(tree, root, itCurve, {{0, 0}, {30, 0}, {0, 30}});       // id 6
    AddShape(tree, root, itPolygon, {});                                                // id 7
    Writable(curve)->CurveStyle = csBezier;
    Writable(curve)->PStyle = leArrow;
    (void)folder;
    (void)polygon;
    const std::string bytes = Saved(tree);

    // Count 0: the three styles straight after n, the control points record holds the id only.
    EXPECT_NE(bytes.find(TBytes().Int(19).Int(4).Int(0).Int(0).Int(0).Int(0).Int(20).Int(4).Int(10).Data()),
              std::string::npos);
    // A polygon with 3 points: 3 quadruples, the last for the closing segment.
    TBytes polygonRecords;
    polygonRecords.Int(19).Int(5).Int(3).Int(0).Int(0).Int(30).Int(0).Int(0).Int(30).Int(0).Int(0).Int(0);
    polygonRecords.Int(20).Int(5);
    polygonRecords.Int(10).Int(0).Int(20).Int(0); // (0,0)-(30,0): C1 (10,0), C2 (20,0)
    polygonRecords.Int(20).Int(10).Int(10).Int(20);  // (30,0)-(0,30)
    polygonRecords.Int(0).Int(20).Int(0).Int(10);     // (0,30)-(0,0)
    polygonRecords.Int(10);
    EXPECT_NE(bytes.find(polygonRecords.Data()), std::string::npos);
    // A curve with 3 points: 2 quadruples.
    TBytes curveRecords;
    curveRecords.Int(19).Int(6).Int(3).Int(0).Int(0).Int(30).Int(0).Int(0).Int(30).Int(2).Int(1).Int(0);
    curveRecords.Int(20).Int(6).Int(10).Int(0).Int(20).Int(0).Int(20).Int(10).Int(10).Int(20);
    curveRecords.Int(10);
    EXPECT_NE(bytes.find(curveRecords.Data()), std::string::npos);
    // A polygon without points has no closing quadruple: id only, then the end record.
    EXPECT_EQ(bytes.substr(bytes.size() - 36),
              TBytes().Int(19).Int(7).Int(0).Int(0).Int(0).Int(0).Int(20).Int(7).Int(1).Data());
}

TEST_F(DocumentWriterTest, ItemsTakeTheirFileIdsInTreeOrderOnceSaved)
{
    TObjectTree tree;
    TTreeNode* root = tree.ObjectRoot();
    TTreeNode* a = tree.AddItem(root, "a", itGroup);
    TTreeNode* b = tree.AddItem(root, "b", itRectangle);
    TTreeNode* a1 = tree.AddItem(a, "a1", itLine);
    TTreeNode* inTrash = tree.AddItem(tree.TempNode(), "clip", itEllipse);
    tree.DeleteSubtree(tree.AddItem(root, "gone", itLine));
    TTreeNode* c = tree.AddItem(root, "c", itArrow); // takes the freed id
    tree.SetItemId(b, 40);
    Saved(tree);

    const auto expectFileIds = [&tree](const std::vector<TTreeNode*>& preOrder) {
        for (std::size_t k = 0; k < preOrder.size(); ++k) {
            EXPECT_EQ(preOrder[k]->Data()->Id, static_cast<std::int32_t>(k + 1)) << preOrder[k]->Text();
            EXPECT_EQ(tree.FindItemById(static_cast<std::int32_t>(k + 1)), preOrder[k]);
        }
    };
    // Most ids changed: the id tables were built again.
    expectFileIds({root, tree.TrashNode(), tree.TempNode(), inTrash, a, a1, b, c});
    EXPECT_EQ(tree.NextFreeId(), 0);
    EXPECT_EQ(tree.FindItemById(40), c); // no longer anybody's: the last node

    // A few ids changed: only those nodes were taken out and put back.
    tree.DeleteSubtree(a1);
    Saved(tree);
    expectFileIds({root, tree.TrashNode(), tree.TempNode(), inTrash, a, b, c});
    EXPECT_EQ(tree.FindItemById(8), c);
}

TEST_F(DocumentWriterTest, SavingTwiceGivesIdenticalBytes)
{
    TObjectTree tree;
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), Utf8ToCp932("グループ"), itGroup);
    TTreeNode* polygon = AddShape(tree, group, itPolygon, {{1, 2}, {30, 4}, {5, 60}});
    Writable(polygon)->Text = Utf8ToCp932("文字");
    Writable(polygon)->StretchX = 0.1f;
    AddShape(tree, tree.ObjectRoot(), itCurve, {{-1, -2}, {3, 4}});
    tree.SetItemId(polygon, 77);
    const std::string first = Saved(tree);
    EXPECT_EQ(Saved(tree), first);
    EXPECT_EQ(Saved(tree, "other.dof"), first);
}

TEST_F(DocumentWriterTest, AFailedSaveLeavesTheOldFileAndTheIds)
{
    TObjectTree tree;
    const QString path = dir_.Path("drawing.dof");
    WriteDocument(path, tree, kCanvas);
    const std::string before = FileBytes(path);
    TTreeNode* added = tree.AddItem(tree.ObjectRoot(), "new", itRectangle);
    tree.SetItemId(added, 99);
    {
        TReadOnlyFolder readOnly(dir_.Root());
        if (!readOnly.Active())
            GTEST_SKIP() << "cannot make a folder read-only here";
        try {
            WriteDocument(path, tree, kCanvas);
            ADD_FAILURE() << "saved into a read-only folder";
        } catch (const TFileError& error) {
            EXPECT_EQ(error.Kind(), TFileError::TKind::CannotCreate);
            EXPECT_EQ(std::string(error.what()), "ファイル " + path.toStdString() + " を作成できません");
        }
    }
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_EQ(added->Data()->Id, 99);
    EXPECT_EQ(tree.ObjectRoot()->Data()->Id, 1);
    EXPECT_EQ(QDir(dir_.Root()).entryList(QDir::Files), QStringList{"drawing.dof"});
}

TEST_F(DocumentWriterTest, SavingOverAFolderFailsAndLeavesIt)
{
    TObjectTree tree;
    const QString folder = dir_.Path("folder.dof");
    ASSERT_TRUE(QDir().mkdir(folder));
    PutFile(folder + "/inside", "x");
    EXPECT_THROW(WriteDocument(folder, tree, kCanvas), TFileError);
    EXPECT_EQ(FileBytes(folder + "/inside"), "x");
    EXPECT_EQ(tree.TempNode()->Data()->Id, 2);
}

} // namespace
} // namespace qm
