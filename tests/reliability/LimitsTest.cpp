// Files at and beyond the edge of what the editor accepts: each one gives a
// clear file error or is read within bounded memory, and nothing recurses
// over the nesting depth a file sets.
#include "IoTestSupport.h"

#include "canvas/CanvasWindow.h"
#include "io/DocumentReader.h"
#include "io/ExtensionObject.h"
#include "io/FileError.h"
#include "io/ShapeTemplate.h"
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include <limits>

namespace qm {
namespace {

using test::PutFile;
using test::TBytes;
using test::TScratchDir;

// The header, a canvas record and the Object root.
TBytes DocumentStart(std::int32_t width, std::int32_t height)
{
    TBytes bytes;
    bytes.Int(3).Str("Quillmark 1.1 dof").Int(4).Int(width).Int(height).Int(10);
    bytes.Int(10).Int(StoredCode(itObjectRoot)).Str("Object").Int(1).Int(0);
    return bytes;
}

// The file error's message, or a test failure when the file was read.
std::string RefusalOf(const QString& path)
{
    try {
        ReadDocument(path);
    } catch (const TFileError& error) {
        return error.what();
    }
    ADD_FAILURE() << "read " << path.toStdString();
    return {};
}

TEST(LimitsTest, ACanvasRecordBeyondTheLimitIsRefusedBeforeAnyBitmapIsMade)
{
    TScratchDir dir;
    const QString path = dir.Path(QStringLiteral("canvas.dof"));
    const auto readsWith = [&](std::int32_t width, std::int32_t height) {
        PutFile(path, DocumentStart(width, height).Int(1).Data());
        const TDocument document = ReadDocument(path);
        return document.Canvas == TCanvasGeometry{width, height, 10};
    };
    EXPECT_TRUE(readsWith(0, 0));
    EXPECT_TRUE(readsWith(kCanvasSideLimit, 1024)); // just under 2^25 pixels
    EXPECT_TRUE(readsWith(5792, 5792));

    for (const auto& [width, height] : {std::pair{100000, 100000}, std::pair{5793, 5793}, std::pair{40000, 1},
                                        std::pair{-1, 10}, std::pair{10, std::numeric_limits<std::int32_t>::min()}}) {
        PutFile(path, DocumentStart(width, height).Int(1).Data());
        const std::string message = RefusalOf(path);
        EXPECT_NE(message.find("は開けません"), std::string::npos) << message;
        EXPECT_NE(message.find(QStringLiteral("キャンバスの大きさ %1 × %2").arg(width).arg(height).toStdString()),
                  std::string::npos)
            << message;
    }

    // The settings file asks for the canvas of a new drawing: beyond the
    // limit it gets the size of a missing entry.
    TIniFile settings(dir.Path(QStringLiteral("quillmark.ini")).toStdString());
    WriteCanvasSettings(settings, {100000, 100000, 7});
    EXPECT_EQ(ReadCanvasSettings(settings), (TCanvasGeometry{400, 400, 7}));
    WriteCanvasSettings(settings, {800, -600, 7});
    EXPECT_EQ(ReadCanvasSettings(settings), (TCanvasGeometry{400, 400, 7}));
    WriteCanvasSettings(settings, {kCanvasSideLimit, 1000, 7});
    EXPECT_EQ(ReadCanvasSettings(settings), (TCanvasGeometry{kCanvasSideLimit, 1000, 7}));
}

TEST(LimitsTest, APointCountOfABillionInAFewBytesIsAFileErrorInEveryFormat)
{
    TScratchDir dir;
    // Document: a points record of 10^9 vertices in 40 bytes.
    const QString document = dir.Path(QStringLiteral("count.dof"));
    const std::string points =
        TBytes().Int(10).Int(StoredCode(itObjectRoot)).Str("").Int(1).Int(0).Int(19).Int(1).Int(1000000000).Data();
    ASSERT_LE(points.size(), 40u);
    PutFile(document, points);
    EXPECT_NE(RefusalOf(document).find("個数"), std::string::npos);

    // Extension object and shape template: "Count=1000000000" in a line of text.
    TObjectTree tree;
    const std::size_t nodes = tree.NodeCount();
    const QString object = dir.Path(QStringLiteral("count.ud2"));
    PutFile(object, "[0]\r\nCount=1000000000\r\n");
    EXPECT_THROW(InsertExtensionObject(object, tree, tree.ObjectRoot()), TFileError);
    EXPECT_EQ(tree.NodeCount(), nodes);
    // Counts a small file may name each, but not all together.
    PutFile(object, "[0]\r\nCoItemCount=2\r\nCoItem0=1\r\nCoItem1=2\r\nCount=3000\r\n"
                    "[1]\r\nCount=3000\r\n[2]\r\nCount=3000\r\n");
    EXPECT_THROW(InsertExtensionObject(object, tree, tree.ObjectRoot()), TFileError);
    EXPECT_EQ(tree.NodeCount(), nodes);
    const QString shape = dir.Path(QStringLiteral("count.udf"));
    PutFile(shape, "[Item]\r\nCount=1000000000\r\n");
    EXPECT_THROW(ReadShapeTemplate(shape, tree, itRectangle, 400, 400), TFileError);
    EXPECT_EQ(tree.NodeCount(), nodes);

    // A damaged "Rect.udf" beside the program leaves the tools the built-in box.
    PutFile(dir.Path(QStringLiteral("Rect.udf")), "[Item]\r\nName=x\r\nCount=1000000000\r\n");
    const TTreeNode* box = ReadRectTemplate({dir.Root()}, tree, itRectangle, 400, 400);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->Data()->Count, 4);
}

TEST(LimitsTest, AStringLengthOfTwoGigabytesIsAFileError)
{
    TScratchDir dir;
    const QString path = dir.Path(QStringLiteral("string.dof"));
    const std::int32_t longest = std::numeric_limits<std::int32_t>::max();
    for (const TBytes& bytes : {TBytes().Int(3).Int(longest).Raw("Quillmark"),
                                TBytes().Int(10).Int(StoredCode(itObjectRoot)).Int(longest).Raw("Object"),
                                DocumentStart(400, 400).Int(18).Int(1).Int(longest).Raw("text")}) {
        PutFile(path, bytes.Data());
        const std::string message = RefusalOf(path);
        EXPECT_NE(message.find("文字列の長さ"), std::string::npos) << message;
    }
}

TEST(LimitsTest, ADocumentOfMoreNodesThanTheLimitIsAFileError)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "two million nodes take several gigabytes under the address sanitizer";
#endif
    // Bare node records, 20 bytes each: the most memory a file can ask for
    // per byte. One more than the limit.
    TScratchDir dir;
    TBytes bytes = DocumentStart(400, 400);
    for (std::size_t id = 2; id <= kMaxDocumentNodes + 1; ++id)
        bytes.Int(10).Int(StoredCode(itGroup)).Str("").Int(static_cast<std::int32_t>(id)).Int(1);
    const QString path = dir.Path(QStringLiteral("many.dof"));
    PutFile(path, bytes.Int(1).Data());
    const std::string message = RefusalOf(path);
    EXPECT_NE(message.find("図形の数が 2000000 個を超えています"), std::string::npos) << message;

    // Inserting an extension object stops at the same limit.
    TDocument atLimit = ReadDocument([&] {
        TBytes full = DocumentStart(400, 400);
        for (std::size_t id = 2; id <= kMaxDocumentNodes; ++id)
            full.Int(10).Int(StoredCode(itGroup)).Str("").Int(static_cast<std::int32_t>(id)).Int(1);
        PutFile(path, full.Int(1).Data());
        return path;
    }());
    ASSERT_EQ(atLimit.Tree->NodeCount(), kMaxDocumentNodes);
    const QString object = dir.Path(QStringLiteral("one.ud2"));
    PutFile(object, "[0]\r\nName=one\r\n");
    EXPECT_THROW(InsertExtensionObject(object, *atLimit.Tree, atLimit.Tree->ObjectRoot()), TFileError);
    EXPECT_EQ(atLimit.Tree->NodeCount(), kMaxDocumentNodes);
}

} // namespace
} // namespace qm
