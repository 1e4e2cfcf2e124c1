#include "IoTestSupport.h"

#include "io/FileError.h"
#include "io/ShapeTemplate.h"
#include "model/ObjectTree.h"

#include <gtest/gtest.h>

#include <QDir>

namespace qm {
namespace {

using test::PutFile;

class ShapeTemplateTest : public ::testing::Test {
protected:
    QString WithText(std::string_view text, const QString& name = "Shape.udf")
    {
        PutFile(dir_.Path(name), text);
        return dir_.Path(name);
    }

    TObjectTree tree_;
    test::TScratchDir dir_;
};

TEST_F(ShapeTemplateTest, TheShippedRectangleTemplateIsBuiltIn)
{
    // No folder has the file: the built-in copy serves.
    TTreeNode* node = ReadRectTemplate({dir_.Root()}, tree_, itEllipse, 801, 600);
    ASSERT_NE(node, nullptr);
    const TItemObject& item = *node->Data();
    EXPECT_EQ(node->Parent(), tree_.ObjectRoot());
    EXPECT_EQ(node->Text(), Utf8ToCp932("新しい四角形"));
    EXPECT_EQ(item.ItemType, itEllipse); // FileType 0: the caller's type
    ASSERT_EQ(item.Count, 4);
    EXPECT_EQ(item.Points, (TPointArray{{0, 0}, {100, 0}, {100, 100}, {0, 100}}));
    EXPECT_EQ(item.X, 400); // half of 801, truncated
    EXPECT_EQ(item.Y, 300);
    EXPECT_EQ(item.CurveStyle, csStraight);
    EXPECT_NE(BuiltInRectTemplate().find("FileType=0"), std::string_view::npos);

    // A folder with its own Rect.udf wins.
    PutFile(dir_.Path("Rect.udf"), "[Item]\r\nName=mine\r\nCount=1\r\nPX0=3\r\nPY0=4\r\n");
    TTreeNode* own = ReadRectTemplate({dir_.Path("elsewhere"), dir_.Root()}, tree_, itRectangle, 0, 0);
    EXPECT_EQ(own->Text(), "mine");
    EXPECT_EQ(own->Data()->Points, (TPointArray{{3, 4}}));
    EXPECT_EQ(RectTemplateFolders("/opt/q/bin"), (QStringList{"/opt/q/bin", "/opt/q/share/quillmark"}));

    // Installed: the program in bin/, the template in share/quillmark/ beside it.
    QDir(dir_.Root()).mkpath(QStringLiteral("usr/bin"));
    QDir(dir_.Root()).mkpath(QStringLiteral("usr/share/quillmark"));
    PutFile(dir_.Path("usr/share/quillmark/Rect.udf"), "[Item]\r\nName=installed\r\nCount=1\r\nPX0=5\r\nPY0=6\r\n");
    const QStringList installed = RectTemplateFolders(dir_.Path("usr/bin"));
    EXPECT_EQ(installed.back(), InstalledDataFolder(dir_.Path("usr/bin")));
    TTreeNode* shipped = ReadRectTemplate(installed, tree_, itRectangle, 0, 0);
    EXPECT_EQ(shipped->Text(), "installed");
    EXPECT_EQ(shipped->Data()->Points, (TPointArray{{5, 6}}));
    // Gone from there too: the built-in copy.
    QFile::remove(dir_.Path("usr/share/quillmark/Rect.udf"));
    EXPECT_EQ(ReadRectTemplate(installed, tree_, itRectangle, 0, 0)->Text(), Utf8ToCp932("新しい四角形"));
}

TEST_F(ShapeTemplateTest, AMissingTemplateGivesAnItemNamedError)
{
    TTreeNode* node = ReadShapeTemplate(dir_.Path("missing.udf"), tree_, itRectangle, 100, 50);
    EXPECT_EQ(node->Text(), "error");
    EXPECT_EQ(node->Data()->ItemType, itRectangle);
    EXPECT_EQ(node->Data()->Count, 0);
    EXPECT_TRUE(node->Data()->Points.empty());
    EXPECT_EQ(node->Data()->X, 50);
    EXPECT_EQ(node->Data()->Y, 25);
}

TEST_F(ShapeTemplateTest, FileTypeOneGivesTheTemplatesOwnItemType)
{
    const std::string item = "[Item]\r\nName=t\r\nItemType=4\r\nCount=3\r\nPX0=0\r\nPY0=0\r\nPX1=30\r\nPY1=0\r\n"
                             "PX2=30\r\nPY2=30\r\nC1X0=99\r\nCurveStyle=2\r\n";
    const auto read = [this](const std::string& text, TItemType callers) {
        return ReadShapeTemplate(WithText(text), tree_, callers, 0, 0);
    };
    EXPECT_EQ(read("[System]\r\nFileType=1\r\n" + item, itRectangle)->Data()->ItemType, itCurve);
    EXPECT_EQ(read("[System]\r\nFileType=2\r\n" + item, itEllipse)->Data()->ItemType, itEllipse);
    EXPECT_EQ(read("[System]\r\nFileType=1\r\n[Item]\r\n", itRectangle)->Data()->ItemType, itPolygon);
    // A type no enumerator names is taken as the file gives it.
    EXPECT_EQ(read("[System]\r\nFileType=1\r\n[Item]\r\nItemType=77\r\n", itRectangle)->Data()->ItemType,
              FromStoredCode<TItemType>(77));

    const TItemObject& curve = *read("[System]\r\nFileType=1\r\n" + item, itRectangle)->Data();
    EXPECT_EQ(curve.CurveStyle, csSpline); // read as a Boolean
    // The default control points; the template's own are not used.
    EXPECT_EQ(curve.C1[0], (TPoint{10, 0}));
    EXPECT_EQ(curve.C2[1], (TPoint{30, 20}));
    EXPECT_EQ(read("[Item]\r\nCurveStyle=0\r\n", itRectangle)->Data()->CurveStyle, csStraight);
}

TEST_F(ShapeTemplateTest, APointCountBeyondTheFileIsRefused)
{
    const std::size_t before = tree_.NodeCount();
    EXPECT_THROW(ReadShapeTemplate(WithText("[Item]\r\nCount=2000000000\r\n"), tree_, itRectangle, 0, 0), TFileError);
    EXPECT_EQ(tree_.NodeCount(), before);
    // A small count without its points takes the points' defaults.
    EXPECT_EQ(ReadShapeTemplate(WithText("[Item]\r\nCount=5\r\n"), tree_, itRectangle, 0, 0)->Data()->Points.size(),
              5u);
}

} // namespace
} // namespace qm
