#include "IoTestSupport.h"

#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"
#include "io/FileError.h"
#include "WritableRecord.h"

#include <gtest/gtest.h>

#include <limits>

namespace qm {
namespace {

using test::AppendDefaultNodeRecords;
using test::FileBytes;
using test::PutFile;
using test::TBytes;

constexpr TCanvasGeometry kCanvas{800, 600, 20};

std::vector<const TTreeNode*> PreOrder(const TObjectTree& tree)
{
    std::vector<const TTreeNode*> nodes;
    std::vector<const TTreeNode*> pending;
    for (const TTreeNode* top = tree.FirstTopLevelNode(); top; top = top->NextSibling())
        pending.insert(pending.begin(), top);
    while (!pending.empty()) {
        const TTreeNode* node = pending.back();
        pending.pop_back();
        nodes.push_back(node);
        for (const TTreeNode* child = node->LastChild(); child; child = child->PrevSibling())
            pending.push_back(child);
    }
    return nodes;
}

void ExpectSameItem(const TItemObject& read, const TItemObject& saved)
{
    EXPECT_EQ(read.ItemType, saved.ItemType);
    EXPECT_EQ(read.Name, saved.Name);
    EXPECT_EQ(read.Id, saved.Id);
    EXPECT_EQ(read.X, saved.X);
    EXPECT_EQ(read.Y, saved.Y);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(read.StretchX), std::bit_cast<std::uint32_t>(saved.StretchX));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(read.StretchY), std::bit_cast<std::uint32_t>(saved.StretchY));
    EXPECT_EQ(read.Roll, saved.Roll);
    EXPECT_EQ(read.Priority, saved.Priority);
    EXPECT_EQ(read.Brush, saved.Brush);
    EXPECT_EQ(read.Pen, saved.Pen);
    EXPECT_EQ(read.Active, saved.Active);
    EXPECT_EQ(read.Text, saved.Text);
    EXPECT_EQ(read.Margin, saved.Margin);
    EXPECT_EQ(read.LineSpacing, saved.LineSpacing);
    EXPECT_EQ(read.CenterH, saved.CenterH);
    EXPECT_EQ(read.CenterV, saved.CenterV);
    EXPECT_EQ(read.Font.Name, saved.Font.Name);
    EXPECT_EQ(read.Font.Size(), saved.Font.Size());
    EXPECT_EQ(read.Font.Color, saved.Font.Color);
    EXPECT_EQ(read.Font.Style, saved.Font.Style);
    EXPECT_EQ(read.Count, saved.Count);
    EXPECT_EQ(read.CurveStyle, saved.CurveStyle);
    EXPECT_EQ(read.PStyle, saved.PStyle);
    EXPECT_EQ(read.DStyle, saved.DStyle);
    if (saved.Count > 0) {
        // One spare vertex entry after the stored ones.
        ASSERT_EQ(read.Points.size(), static_cast<std::size_t>(saved.Count) + 1);
        EXPECT_EQ(TPointArray(read.Points.begin(), read.Points.end() - 1), saved.Points);
        EXPECT_EQ(read.C1, saved.C1);
        EXPECT_EQ(read.C2, saved.C2);
    } else {
        EXPECT_TRUE(read.Points.empty());
    }
}

class DocumentReaderTest : public ::testing::Test {
protected:
    QString WithBytes(std::string_view bytes, const QString& name = "input.dof")
    {
        const QString path = dir_.Path(name);
        PutFile(path, bytes);
        return path;
    }

    // The error reading `bytes` gives; fails the test when it reads.
    std::string ReadError(std::string_view bytes)
    {
        try {
            ReadDocument(WithBytes(bytes));
        } catch (const TFileError& error) {
            EXPECT_EQ(error.Kind(), TFileError::TKind::CannotOpen);
            EXPECT_FALSE(error.Detail().empty());
            return error.what();
        }
        ADD_FAILURE() << "read without an error";
        return {};
    }

    static TBytes Start()
    {
        TBytes bytes;
        bytes.Int(3).Str("Quillmark 1.1 dof").Int(4).Int(640).Int(480).Int(10);
        return bytes;
    }

    test::TScratchDir dir_;
};

TEST_F(DocumentReaderTest, AFreshDrawingOpensToTheThreeFixedNodes)
{
    TObjectTree saved;
    const QString path = dir_.Path("fresh.dof");
    WriteDocument(path, saved, kCanvas);
    const TDocument document = ReadDocument(path);
    const TObjectTree& tree = *document.Tree;
    ASSERT_EQ(tree.NodeCount(), 3u);
    ASSERT_NE(tree.ObjectRoot(), nullptr);
    EXPECT_EQ(tree.FirstTopLevelNode(), tree.ObjectRoot());
    EXPECT_EQ(tree.ObjectRoot()->Text(), "Object");
    EXPECT_EQ(tree.TrashNode()->Parent(), tree.ObjectRoot());
    EXPECT_EQ(tree.TrashNode()->Text(), Utf8ToCp932("ごみ箱"));
    EXPECT_EQ(tree.TempNode()->Parent(), tree.TrashNode());
    EXPECT_EQ(tree.ItemCounter(), 35); // header, canvas and 33 node records
    ASSERT_TRUE(document.Canvas.has_value());
    EXPECT_EQ(*document.Canvas, kCanvas);
    for (const TTreeNode* node : PreOrder(tree))
        ExpectSameItem(*node->Data(), *saved.FindItemById(node->Data()->Id)->Data());
}

TEST_F(DocumentReaderTest, EveryFieldSurvivesAWriteAndARead)
{
    TObjectTree saved;
    TTreeNode* root = saved.ObjectRoot();
    TTreeNode* group = saved.AddItem(root, Utf8ToCp932("新しいグループ"), itGroup);
    TTreeNode* polygon = saved.AddItem(group, Utf8ToCp932("多角形①"), itPolygon);
    for (const TPoint p : {TPoint{-5, 7}, TPoint{300, -2}, TPoint{12, 400}, TPoint{-100000, 2000000}})
        saved.AddPoint(p.x, p.y, polygon);
    TItemObject& item = *Writable(polygon);
    item.C1[3] = {std::numeric_limits<std::int32_t>::min(), 9};
    item.X = -12;
    item.Y = 34;
    item.StretchX = 0.1f;
    item.StretchY = -2.5e-7f;
    item.Roll = -359;
    item.Priority = 500;
    item.Brush = {clBtnFace, bsDiagCross};
    item.Pen = {0x00ABCDEF, 17, psDashDotDot, TPenMode::pmCopy};
    item.Text = Utf8ToCp932("表示\r\nテキスト");
    item.Margin = -3;
    item.LineSpacing = 12;
    item.CenterH = false;
    item.CenterV = true;
    item.Font.Name = Utf8ToCp932("ＭＳ 明朝");
    item.Font.SetSize(28);
    item.Font.Color = clRed;
    item.Font.Style = fsBold | fsItalic | fsUnderline | fsStrikeOut;
    item.CurveStyle = csBezier;
    item.PStyle = leArrow;
    item.DStyle = leArrow;
    TTreeNode* curve = saved.AddItem(group, "", itCurve);
    saved.AddPoint(1, 1, curve);
    saved.AddPoint(9, 9, curve);
    Writable(curve)->CurveStyle = csSpline;
    Writable(curve)->Font.Style = fsUnderline;
    Writable(curve)->Pen.Style = psInsideFrame;
    Writable(curve)->Brush.Style = bsClear;
    TTreeNode* deleted = saved.AddItem(saved.TrashNode(), "deleted", itArrow);
    Writable(deleted)->Active = false;
    Writable(saved.AddItem(saved.TempNode(), "clip", itEllipse))->Active = false;
    saved.AddItem(root, "last", itLine);

    const QString path = dir_.Path("all.dof");
    WriteDocument(path, saved, kCanvas);
    const TDocument document = ReadDocument(path);
    const auto read = PreOrder(*document.Tree);
    const auto written = PreOrder(saved);
    ASSERT_EQ(read.size(), written.size());
    for (std::size_t k = 0; k < read.size(); ++k) {
        SCOPED_TRACE(written[k]->Text());
        EXPECT_EQ(read[k]->Text(), written[k]->Text());
        EXPECT_EQ(read[k]->ChildCount(), written[k]->ChildCount());
        ExpectSameItem(*read[k]->Data(), *written[k]->Data());
    }
    EXPECT_EQ(document.Tree->ItemCounter(), 2 + 11 * static_cast<std::int32_t>(read.size()));
    // What was read saves to the same bytes.
    WriteDocument(dir_.Path("again.dof"), *document.Tree, kCanvas);
    EXPECT_EQ(FileBytes(dir_.Path("again.dof")), FileBytes(path));
}

TEST_F(DocumentReaderTest, FilesFromAnotherWriterAreReadRecordByRecord)
{
    TBytes bytes;
    bytes.Int(3).Str("some other header").Int(7).Int(0).Int(-5).Int(99);
    bytes.Int(10).Int(-3).Str("Object").Int(10).Int(0);
    bytes.Int(10).Int(-1).Str("trash").Int(20).Int(10);
    bytes.Int(10).Int(-4).Str("Temp").Int(30).Int(20);
    bytes.Int(10).Int(5).Str("").Int(40).Int(10);          // an empty name stays empty
    bytes.Int(20).Int(40);                                  // before its points: Count 0, nothing to read
    bytes.Int(19).Int(40).Int(2).Int(1).Int(2).Int(3).Int(4).Int(2).Int(0).Int(1);
    bytes.Int(20).Int(40).Int(5).Int(6).Int(7).Int(8).Int(9).Int(10).Int(11).Int(12); // polygon: 2 quadruples
    bytes.Int(18).Int(40).Str("abc").Int(2).Int(3).Bool(false).Bool(true);
    bytes.Font("", 10, 0x0000FF, true, false, false, false);
    bytes.Int(18).Int(40).Str("").Int(5).Int(6).Bool(true).Bool(false);   // empty text: "abc" stays
    bytes.Font("Arial", 11, 0x00FF00, false, true, false, false);        // styles are added
    bytes.Int(15).Int(40).Int(0x12345678).Int(0x0103);                    // style from the low byte
    bytes.Int(16).Int(40).Int(static_cast<std::int32_t>(0x80000005)).Int(0x7FFFFF02).Int(3);
    bytes.Int(11).Int(10).Int(100).Int(200);                              // back to the Object root
    bytes.Int(14).Int(999).Int(77);                                       // nobody's id: the last node
    bytes.Int(1);
    bytes.Raw("trailing bytes after the end record are not read");
    const TDocument document = ReadDocument(WithBytes(bytes.Data()));
    const TObjectTree& tree = *document.Tree;

    EXPECT_FALSE(document.Canvas.has_value());
    EXPECT_EQ(tree.ItemCounter(), 18); // every record before the end, unknown codes included
    ASSERT_EQ(tree.NodeCount(), 4u);
    EXPECT_EQ(tree.ObjectRoot()->Data()->X, 100);
    EXPECT_EQ(tree.ObjectRoot()->Data()->Y, 200);
    const TTreeNode* node = tree.ObjectRoot()->LastChild();
    ASSERT_NE(node, tree.TrashNode());
    const TItemObject& item = *node->Data();
    EXPECT_EQ(node->Text(), "");
    EXPECT_EQ(item.Name, "");
    EXPECT_EQ(item.Id, 40);
    EXPECT_EQ(item.Count, 2);
    EXPECT_EQ(item.Points, (TPointArray{{1, 2}, {3, 4}, {0, 0}}));
    EXPECT_EQ(item.CurveStyle, csBezier);
    EXPECT_EQ(item.DStyle, leArrow);
    EXPECT_EQ(item.C1, (TPointArray{{5, 6}, {9, 10}}));
    EXPECT_EQ(item.C2, (TPointArray{{7, 8}, {11, 12}}));
    EXPECT_EQ(item.Text, "abc");
    EXPECT_EQ(item.Margin, 5);
    EXPECT_TRUE(item.CenterH);
    EXPECT_EQ(item.Font.Name, "Arial");
    EXPECT_EQ(item.Font.Size(), 11);
    EXPECT_EQ(item.Font.Color, 0x00FF00u);
    EXPECT_EQ(item.Font.Style, fsBold | fsItalic);
    EXPECT_EQ(item.Brush.Color, 0x12345678u);
    EXPECT_EQ(item.Brush.Style, bsVertical);
    EXPECT_EQ(item.Pen.Color, 0x80000005u);
    EXPECT_EQ(item.Pen.Style, psDot);
    EXPECT_EQ(item.Pen.Width, 3);
    EXPECT_EQ(item.Priority, 77);
    EXPECT_EQ(tree.TrashNode()->Text(), "trash");
    EXPECT_EQ(tree.TempNode()->Parent(), tree.TrashNode());
}

TEST_F(DocumentReaderTest, RecordsGoToTheFirstNodeInTreeOrderWithTheirId)
{
    TBytes bytes = Start();
    bytes.Int(10).Int(-3).Str("Object").Int(1).Int(0);
    bytes.Int(10).Int(-2).Str("A").Int(5).Int(1);
    bytes.Int(10).Int(-2).Str("B").Int(5).Int(1);
    bytes.Int(10).Int(-2).Str("A1").Int(-7).Int(5);  // under A, the first node with id 5
    bytes.Int(10).Int(0).Str("A2").Int(5).Int(-7);   // under A1, before B in tree order
    bytes.Int(11).Int(5).Int(1).Int(1);              // A
    bytes.Int(10).Int(0).Str("L").Int(-1).Int(123);  // nobody's parent id: under the last node, B
    bytes.Int(1);
    const TDocument document = ReadDocument(WithBytes(bytes.Data()));
    const TObjectTree& tree = *document.Tree;
    const TTreeNode* a = tree.ObjectRoot()->FirstChild();
    ASSERT_EQ(a->Text(), "A");
    ASSERT_EQ(a->FirstChild()->Text(), "A1");
    const TTreeNode* a2 = a->FirstChild()->FirstChild();
    ASSERT_EQ(a2->Text(), "A2");
    const TTreeNode* b = a->NextSibling();
    ASSERT_EQ(b->Text(), "B");
    EXPECT_EQ(b->FirstChild()->Text(), "L");
    EXPECT_EQ(a->Data()->X, 1);
    EXPECT_EQ(b->Data()->X, 0);
    EXPECT_EQ(tree.FindItemById(5), a);
}

TEST_F(DocumentReaderTest, ATruncatedDocumentGivesAnErrorAtEveryLength)
{
    TObjectTree saved;
    TTreeNode* polygon = saved.AddItem(saved.ObjectRoot(), Utf8ToCp932("図形"), itPolygon);
    for (const TPoint p : {TPoint{0, 0}, TPoint{10, 0}, TPoint{0, 10}})
        saved.AddPoint(p.x, p.y, polygon);
    Writable(polygon)->Text = "text";
    const QString path = dir_.Path("whole.dof");
    WriteDocument(path, saved, kCanvas);
    const std::string whole = FileBytes(path);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        ReadError(std::string_view(whole).substr(0, length));
    }
    EXPECT_NO_THROW(ReadDocument(WithBytes(whole)));
}

TEST_F(DocumentReaderTest, CorruptCountsAndLengthsAreRefused)
{
    // How fast the refusal comes is io_bench's BM_RefuseCorruptCounts.
    for (const test::TCorruptDocument& document : test::CorruptCountDocuments()) {
        SCOPED_TRACE(document.What);
        EXPECT_LT(document.Bytes.size(), 100u);
        const std::string message = ReadError(document.Bytes);
        EXPECT_NE(message.find("ファイル"), std::string::npos);
    }
}

TEST_F(DocumentReaderTest, NegativeIdsAndCountsAreReadAsStored)
{
    TBytes bytes = Start();
    bytes.Int(10).Int(-3).Str("Object").Int(-1).Int(-1);
    bytes.Int(10).Int(2).Str("line").Int(-2147483647 - 1).Int(-1);
    bytes.Int(19).Int(-2147483647 - 1).Int(-5).Int(0).Int(0).Int(0);
    bytes.Int(20).Int(-2147483647 - 1);
    bytes.Int(1);
    const TDocument document = ReadDocument(WithBytes(bytes.Data()));
    const TTreeNode* line = document.Tree->ObjectRoot()->FirstChild();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->Data()->Count, -5);
    EXPECT_TRUE(line->Data()->Points.empty());
    // It saves and reads again the same way.
    const QString again = dir_.Path("again.dof");
    WriteDocument(again, *document.Tree, kCanvas);
    EXPECT_EQ(ReadDocument(again).Tree->ObjectRoot()->FirstChild()->Data()->Count, -5);
}

TEST_F(DocumentReaderTest, CodesNoEnumeratorNamesAreKeptByteForByte)
{
    TObjectTree saved;
    TTreeNode* odd = saved.AddItem(saved.ObjectRoot(), "odd", FromStoredCode<TItemType>(9));
    saved.AddPoint(10, 20, odd);
    saved.AddPoint(30, 40, odd);
    saved.ChangeItem(odd, [](TItemObject& item) {
        item.CurveStyle = FromStoredCode<TCurveStyle>(7);
        item.PStyle = FromStoredCode<TLineEnd>(3);
        item.DStyle = FromStoredCode<TLineEnd>(-1);
    });
    const QString first = dir_.Path("first.dof");
    WriteDocument(first, saved, kCanvas);
    const std::string bytes = FileBytes(first);
    // The node record and the styles after the two points, as stored.
    EXPECT_NE(bytes.find(TBytes().Int(10).Int(9).Str("odd").Data()), std::string::npos);
    EXPECT_NE(bytes.find(TBytes().Int(7).Int(3).Int(-1).Data()), std::string::npos);

    const TDocument read = ReadDocument(first);
    const TItemObject& item = *read.Tree->ObjectRoot()->LastChild()->Data();
    EXPECT_EQ(StoredCode(item.ItemType), 9);
    EXPECT_EQ(StoredCode(item.CurveStyle), 7);
    EXPECT_EQ(StoredCode(item.PStyle), 3);
    EXPECT_EQ(StoredCode(item.DStyle), -1);
    const QString second = dir_.Path("second.dof");
    WriteDocument(second, *read.Tree, kCanvas);
    EXPECT_EQ(FileBytes(second), bytes);
}

TEST_F(DocumentReaderTest, ADocumentNeedsAnObjectRoot)
{
    const std::string noNodes = Start().Int(1).Data();
    EXPECT_NE(ReadError(noNodes).find("図形のツリー"), std::string::npos);
    try {
        ReadDocument(dir_.Path("missing.dof"));
        ADD_FAILURE() << "read a missing file";
    } catch (const TFileError& error) {
        EXPECT_EQ(error.Detail(), "");
        EXPECT_EQ(std::string(error.what()), "ファイル " + dir_.Path("missing.dof").toStdString() + " は開けません");
    }
    EXPECT_THROW(ReadDocument(dir_.Root()), TFileError); // a folder
}

TEST_F(DocumentReaderTest, DeepNestingIsReadAndWrittenWithoutRecursion)
{
    constexpr std::int32_t kDepth = 200000;
    TBytes bytes = Start();
    bytes.Int(10).Int(-3).Str("Object").Int(1).Int(0);
    for (std::int32_t id = 2; id <= kDepth; ++id)
        bytes.Int(10).Int(-2).Str("g").Int(id).Int(id - 1);
    bytes.Int(11).Int(kDepth).Int(5).Int(6);
    bytes.Int(1);
    TDocument document = ReadDocument(WithBytes(bytes.Data()));
    ASSERT_EQ(document.Tree->NodeCount(), static_cast<std::size_t>(kDepth));
    const TTreeNode* deepest = document.Tree->LastNode();
    EXPECT_EQ(deepest->Data()->Id, kDepth);
    EXPECT_EQ(deepest->Data()->X, 5);
    const QString path = dir_.Path("deep.dof");
    WriteDocument(path, *document.Tree, kCanvas);
    EXPECT_EQ(ReadDocument(path).Tree->NodeCount(), static_cast<std::size_t>(kDepth));
}

TEST_F(DocumentReaderTest, OneIdOnEveryNodeIsReadSavedAndFreedInLinearTime)
{
    // Lookups, renumbering and freeing must not rescan the nodes that share an id.
    constexpr std::int32_t kNodes = 100000;
    TBytes bytes = Start();
    bytes.Int(10).Int(-3).Str("Object").Int(5).Int(0);
    for (std::int32_t k = 1; k < kNodes; ++k)
        bytes.Int(10).Int(0).Str("d").Int(5).Int(5).Int(11).Int(5).Int(k).Int(k);
    bytes.Int(1);
    TDocument document = ReadDocument(WithBytes(bytes.Data()));
    const TObjectTree& tree = *document.Tree;
    ASSERT_EQ(tree.NodeCount(), static_cast<std::size_t>(kNodes));
    EXPECT_EQ(tree.ObjectRoot()->ChildCount(), kNodes - 1); // every parent id 5 is the root
    EXPECT_EQ(tree.ObjectRoot()->Data()->X, kNodes - 1);    // and so is every id 5 record
    const QString path = dir_.Path("renumbered.dof");
    WriteDocument(path, *document.Tree, kCanvas);
    EXPECT_EQ(tree.LastNode()->Data()->Id, kNodes);
    document.Tree.reset();
    EXPECT_EQ(ReadDocument(path).Tree->NodeCount(), static_cast<std::size_t>(kNodes));
}

} // namespace
} // namespace qm
