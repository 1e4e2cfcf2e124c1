#include "IoTestSupport.h"

#include "io/ExtensionObject.h"
#include "io/FileError.h"
#include "model/ObjectTree.h"
#include "platform/IniFile.h"
#include "WritableRecord.h"

#include <gtest/gtest.h>

namespace qm {
namespace {

using test::FileBytes;
using test::PutFile;

TTreeNode* AddShape(TObjectTree& tree, TTreeNode* parent, TItemType type, std::vector<TPoint> vertices,
                    const std::string& name = "shape")
{
    TTreeNode* node = tree.AddItem(parent, name, type);
    for (const TPoint& p : vertices)
        tree.AddPoint(p.x, p.y, node);
    return node;
}

std::vector<const TTreeNode*> Children(const TTreeNode* node)
{
    std::vector<const TTreeNode*> children;
    for (const TTreeNode* child = node->FirstChild(); child; child = child->NextSibling())
        children.push_back(child);
    return children;
}

class ExtensionObjectTest : public ::testing::Test {
protected:
    QString Path(const QString& name = "object.ud2") const { return dir_.Path(name); }

    QString WithText(std::string_view text, const QString& name = "input.ud2")
    {
        PutFile(Path(name), text);
        return Path(name);
    }

    test::TScratchDir dir_;
};

TEST_F(ExtensionObjectTest, ASingleLineIsWrittenKeyByKey)
{
    TObjectTree tree;
    TTreeNode* line = AddShape(tree, tree.ObjectRoot(), itLine, {{10, 20}, {40, 50}}, Utf8ToCp932("新しい直線"));
    Writable(line)->X = 5;
    Writable(line)->Y = -7;
    Writable(line)->StretchY = 0.1f;
    Writable(line)->Pen.Color = clWindowText;
    WriteExtensionObject(Path(), tree, line);
    const std::string expected = "[System]\r\nFileType=2\r\nOwner=Unkown\r\n"
                                 "[0]\r\nName=" + Utf8ToCp932("新しい直線") + "\r\nItemType=2\r\nCoItemCount=0\r\n"
                                 "X=5\r\nY=-7\r\nStretchX=1\r\nStretchY=0.100000001490116\r\nRoll=0\r\n"
                                 "BrushColor=16777215\r\nBrushStyle=0\r\nPenColor=-16777208\r\nPenStyle=0\r\n"
                                 "PenWidth=1\r\nCount=2\r\nPX0=10\r\nPY0=20\r\nPX1=40\r\nPY1=50\r\n"
                                 "C1X0=20\r\nC1Y0=30\r\nC2X0=30\r\nC2Y0=40\r\n"
                                 "[Item]\r\nCurveStyle=0\r\nPStyle=0\r\nDStyle=0\r\n";
    EXPECT_EQ(FileBytes(Path()), expected);
}

TEST_F(ExtensionObjectTest, SectionsAreNumberedInWritingOrderThroughTheDrawingOrder)
{
    TObjectTree tree;
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), "group", itGroup);
    TTreeNode* inner = tree.AddItem(group, "inner", itGroup);
    AddShape(tree, inner, itRectangle, {{0, 0}, {5, 5}}, "a");
    AddShape(tree, inner, itEllipse, {{0, 0}, {5, 5}}, "b");
    AddShape(tree, group, itLine, {{0, 0}, {9, 9}}, "line");
    WriteExtensionObject(Path(), tree, group);
    const TIniFile file(Path().toStdString());
    const std::vector<std::pair<std::string, std::string>> sections = {
        {"0", "group"}, {"1", "inner"}, {"2", "a"}, {"3", "b"}, {"4", "line"}};
    for (const auto& [section, name] : sections)
        EXPECT_EQ(file.ReadString(section, "Name", ""), name) << section;
    EXPECT_EQ(file.ReadInteger("0", "CoItem0", -1), 1);
    EXPECT_EQ(file.ReadInteger("0", "CoItem1", -1), 4);
    EXPECT_EQ(file.ReadInteger("1", "CoItem0", -1), 2);
    EXPECT_EQ(file.ReadInteger("1", "CoItem1", -1), 3);
    EXPECT_EQ(file.ReadInteger("0", "CoItemCount", -1), 2);

    // Drawing order decides the numbers, tree positions the CoItem indexes.
    TTreeNode* front = AddShape(tree, tree.ObjectRoot(), itGroup, {}, "front");
    TTreeNode* late = AddShape(tree, front, itLine, {{0, 0}, {1, 1}}, "late");
    TTreeNode* early = AddShape(tree, front, itLine, {{0, 0}, {2, 2}}, "early");
    Writable(late)->Priority = early->Data()->Priority + 1;
    WriteExtensionObject(Path("order.ud2"), tree, front);
    const TIniFile ordered(Path("order.ud2").toStdString());
    EXPECT_EQ(ordered.ReadString("1", "Name", ""), "early");
    EXPECT_EQ(ordered.ReadInteger("0", "CoItem0", -1), 2);
    EXPECT_EQ(ordered.ReadInteger("0", "CoItem1", -1), 1);
    // Inserted, the children come back in their tree order.
    TTreeNode* inserted = InsertExtensionObject(Path("order.ud2"), tree, tree.ObjectRoot());
    ASSERT_NE(inserted, nullptr);
    ASSERT_EQ(inserted->ChildCount(), 2);
    EXPECT_EQ(inserted->FirstChild()->Text(), "late");
    EXPECT_EQ(inserted->LastChild()->Text(), "early");
}

TEST_F(ExtensionObjectTest, AnInsertedObjectKeepsItsGeometryAndTakesNewDefaultsForTheRest)
{
    TObjectTree tree;
    TTreeNode* group = tree.AddItem(tree.ObjectRoot(), Utf8ToCp932("グループ"), itGroup);
    TTreeNode* curve = AddShape(tree, group, itCurve, {{1, 2}, {30, 40}, {-5, 60}}, "curve");
    TTreeNode* polygon = AddShape(tree, group, itPolygon, {{0, 0}, {30, 0}, {0, 30}}, "polygon");
    TItemObject& c = *Writable(curve);
    c.CurveStyle = csBezier;
    c.PStyle = leArrow;
    c.X = 120;
    c.Y = -45;
    c.StretchX = 0.1f;
    c.StretchY = 2.5f;
    c.Roll = -90;
    c.Brush = {clBtnFace, bsCross};
    c.Pen = {0x123456, 7, psDashDot, TPenMode::pmCopy};
    c.C1[1] = {-1000, 1000};
    c.Text = "dropped";
    c.Font.Style = fsBold;
    Writable(polygon)->CurveStyle = csStraight;
    Writable(polygon)->DStyle = leArrow;
    WriteExtensionObject(Path(), tree, group);

    const std::size_t before = tree.NodeCount();
    TTreeNode* first = InsertExtensionObject(Path(), tree, tree.ObjectRoot());
    TTreeNode* second = InsertExtensionObject(Path(), tree, tree.ObjectRoot());
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(tree.NodeCount(), before + 6);
    for (TTreeNode* copy : {first, second}) {
        EXPECT_EQ(copy->Parent(), tree.ObjectRoot());
        EXPECT_EQ(copy->Text(), Utf8ToCp932("グループ"));
        const auto children = Children(copy);
        ASSERT_EQ(children.size(), 2u);
        const TItemObject& read = *children[0]->Data();
        EXPECT_EQ(children[0]->Text(), "curve");
        EXPECT_EQ(read.ItemType, itCurve);
        EXPECT_EQ(read.X, 120);
        EXPECT_EQ(read.Y, -45);
        EXPECT_EQ(read.StretchX, 0.1f);
        EXPECT_EQ(read.StretchY, 2.5f);
        EXPECT_EQ(read.Roll, -90);
        EXPECT_EQ(read.Brush, c.Brush);
        EXPECT_EQ(read.Pen, c.Pen);
        EXPECT_EQ(read.Count, 3);
        EXPECT_EQ(TPointArray(read.Points.begin(), read.Points.begin() + 3), c.Points);
        EXPECT_EQ(read.Points.size(), 4u); // a spare entry
        EXPECT_EQ(read.C1, c.C1);
        EXPECT_EQ(read.C2, c.C2);
        // The three curve values of the item written last, for every item.
        for (const TTreeNode* node : {static_cast<const TTreeNode*>(copy), children[0], children[1]}) {
            EXPECT_EQ(node->Data()->CurveStyle, csStraight);
            EXPECT_EQ(node->Data()->PStyle, lePlain);
            EXPECT_EQ(node->Data()->DStyle, leArrow);
        }
        // Not stored: text, font, activity; ids and priorities are new.
        EXPECT_EQ(read.Text, "");
        EXPECT_EQ(read.Font, DefaultItemFont());
        EXPECT_TRUE(read.Active);
        EXPECT_EQ(children[1]->Data()->C1.size(), 3u);
    }
    EXPECT_NE(first->Data()->Id, second->Data()->Id);
    EXPECT_LT(first->Data()->Priority, second->Data()->Priority);
}

TEST_F(ExtensionObjectTest, MissingKeysTakeTheirDefaults)
{
    const QString path = WithText("[0]\r\nItemType=1\r\nCoItemCount=3\r\nCount=2\r\nPX0=4\r\nPY1=9\r\n"
                                  "CoItem0=7\r\nCoItem2=8\r\n[8]\r\nName=unread\r\n");
    TObjectTree tree;
    TTreeNode* node = InsertExtensionObject(path, tree, tree.ObjectRoot());
    ASSERT_NE(node, nullptr);
    const TItemObject& item = *node->Data();
    EXPECT_EQ(node->Text(), Utf8ToCp932("失敗"));
    EXPECT_EQ(item.StretchX, 0.0f); // not 1
    EXPECT_EQ(item.StretchY, 0.0f);
    EXPECT_EQ(item.Pen.Width, 0);
    EXPECT_EQ(item.Brush.Color, 0u);
    EXPECT_EQ(item.Points, (TPointArray{{4, 0}, {0, 9}, {0, 0}}));
    EXPECT_EQ(item.C1, (TPointArray{{0, 0}, {0, 0}}));
    // Section 7 does not exist: an item of defaults. CoItem1 is missing: the
    // children stop there, so section 8 is never read.
    const auto children = Children(node);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0]->Text(), Utf8ToCp932("失敗"));
    EXPECT_EQ(children[0]->Data()->Count, 0);
}

TEST_F(ExtensionObjectTest, OnlyExtensionObjectFilesAreInserted)
{
    TObjectTree tree;
    const std::size_t before = tree.NodeCount();
    EXPECT_EQ(InsertExtensionObject(WithText("[System]\r\nFileType=1\r\n[0]\r\nName=x\r\n"), tree, tree.ObjectRoot()),
              nullptr);
    EXPECT_EQ(InsertExtensionObject(WithText("[System]\r\nFileType=0\r\n"), tree, tree.ObjectRoot()), nullptr);
    EXPECT_EQ(tree.NodeCount(), before);
    // No "System" section, or no "FileType", passes.
    EXPECT_NE(InsertExtensionObject(WithText("[0]\r\nName=x\r\n"), tree, tree.ObjectRoot()), nullptr);
    EXPECT_NE(InsertExtensionObject(WithText("[System]\r\nOwner=x\r\n"), tree, tree.ObjectRoot()), nullptr);
    EXPECT_THROW(InsertExtensionObject(Path("missing.ud2"), tree, tree.ObjectRoot()), TFileError);
}

TEST_F(ExtensionObjectTest, HostileFilesEndAndInsertNothingOutOfProportion)
{
    TObjectTree tree;
    // Children that lead back to sections read already: each section once.
    const QString loop = WithText("[0]\r\nName=top\r\nCoItemCount=3\r\nCoItem0=1\r\nCoItem1=0\r\nCoItem2=1\r\n"
                                  "[1]\r\nName=child\r\nCoItemCount=2\r\nCoItem0=1\r\nCoItem1=0\r\n");
    TTreeNode* top = InsertExtensionObject(loop, tree, tree.ObjectRoot());
    ASSERT_NE(top, nullptr);
    ASSERT_EQ(top->ChildCount(), 1);
    EXPECT_EQ(top->FirstChild()->Text(), "child");
    EXPECT_EQ(top->FirstChild()->ChildCount(), 0);

    // Two parents naming one child in every layer would double the items per layer.
    std::string layers;
    for (int s = 0; s < 40; ++s) {
        layers += "[" + std::to_string(s) + "]\r\nCoItemCount=2\r\nCoItem0=" + std::to_string(s + 1)
            + "\r\nCoItem1=" + std::to_string(s + 1) + "\r\n";
    }
    const std::size_t before = tree.NodeCount();
    InsertExtensionObject(WithText(layers, "layers.ud2"), tree, tree.ObjectRoot());
    EXPECT_EQ(tree.NodeCount(), before + 41);

    // Counts of children and points far beyond the file.
    EXPECT_NE(InsertExtensionObject(WithText("[0]\r\nCoItemCount=2147483647\r\n", "many.ud2"), tree, tree.ObjectRoot()), nullptr);
    const std::size_t beforeHuge = tree.NodeCount();
    const QString hugePoints = WithText("[0]\r\nName=a\r\nCoItemCount=1\r\nCoItem0=1\r\n[1]\r\nCount=1000000000\r\n",
                                        "points.ud2");
    try {
        InsertExtensionObject(hugePoints, tree, tree.ObjectRoot());
        ADD_FAILURE() << "inserted a billion points";
    } catch (const TFileError& error) {
        EXPECT_EQ(error.Kind(), TFileError::TKind::CannotOpen);
        EXPECT_FALSE(error.Detail().empty());
    }
    EXPECT_EQ(tree.NodeCount(), beforeHuge); // nothing of it stays
}

TEST_F(ExtensionObjectTest, SavingKeepsOtherEntriesAndFailsWithoutTouchingTheFile)
{
    TObjectTree tree;
    TTreeNode* line = AddShape(tree, tree.ObjectRoot(), itLine, {{0, 0}, {1, 1}}, "line");
    const QString path = WithText("[Other]\r\nKey=kept\r\n[0]\r\nName=old\r\nExtra=1\r\n");
    WriteExtensionObject(path, tree, line);
    const TIniFile file(path.toStdString());
    EXPECT_EQ(file.ReadString("Other", "Key", ""), "kept");
    EXPECT_EQ(file.ReadString("0", "Extra", ""), "1");
    EXPECT_EQ(file.ReadString("0", "Name", ""), "line");

    // A name that no INI line can hold fails the save as a whole.
    const std::string before = FileBytes(path);
    TTreeNode* bad = AddShape(tree, tree.ObjectRoot(), itLine, {{0, 0}, {1, 1}}, "two\r\nlines");
    try {
        WriteExtensionObject(path, tree, bad);
        ADD_FAILURE() << "saved a name with a line break";
    } catch (const TFileError& error) {
        EXPECT_EQ(std::string(error.what()), "ファイル " + path.toStdString() + " を作成できません");
    }
    EXPECT_EQ(FileBytes(path), before);
}

TEST_F(ExtensionObjectTest, DeepGroupsAreWrittenAndInsertedWithoutRecursion)
{
    constexpr int kDepth = 20000;
    TObjectTree tree;
    TTreeNode* top = tree.AddItem(tree.ObjectRoot(), "g", itGroup);
    TTreeNode* node = top;
    for (int i = 1; i < kDepth; ++i)
        node = tree.AddItem(node, "g", itGroup);
    WriteExtensionObject(Path(), tree, top);
    const std::size_t before = tree.NodeCount();
    ASSERT_NE(InsertExtensionObject(Path(), tree, tree.ObjectRoot()), nullptr);
    EXPECT_EQ(tree.NodeCount(), before + kDepth);
}

} // namespace
} // namespace qm
