// The one list of file formats: the Save As dialog's types in their old
// order with the new ones after them, the extension rule, the README's list,
// and every writer's failure into a folder that takes no file.
#include "IoTestSupport.h"

#include "canvas/FileFormats.h"
#include "io/FileError.h"
#include "render/BitmapX.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace qm::test {
namespace {

TEST(FileFormatsTest, SaveAsKeepsItsOldTypesFirstAndAppendsPngSvgPdf)
{
    EXPECT_EQ(SaveAsFilter(), QStringLiteral("Quillmarkオブジェクトファイル(dof)|*dof|ビットマップ型式(bmp)|*bmp|"
                                             "拡張メタファイル型式(emf)|*emf|PNG型式(png)|*png|SVG型式(svg)|*svg|"
                                             "PDF型式(pdf)|*pdf"));
    EXPECT_EQ(OpenFilter(), QStringLiteral("Quillmarkオブジェクトファイル(dof)|*dof"));
    EXPECT_EQ(ExtensionList(), QStringLiteral(".dof, .bmp, .emf, .png, .svg, .pdf"));

    struct TCase {
        int FilterIndex;
        TFileFormatId Id;
        const char* Extension;
    };
    const TCase cases[] = {
        {1, TFileFormatId::Document, ".dof"}, {2, TFileFormatId::Bitmap, ".bmp"}, {3, TFileFormatId::Metafile, ".emf"},
        {4, TFileFormatId::Png, ".png"},      {5, TFileFormatId::Svg, ".svg"},    {6, TFileFormatId::Pdf, ".pdf"},
        // A choice the dialog does not list saves the document, as before.
        {0, TFileFormatId::Document, ".dof"}, {7, TFileFormatId::Document, ".dof"},
    };
    for (const TCase& c : cases) {
        const TFileFormat& format = SaveAsFormat(c.FilterIndex);
        EXPECT_EQ(format.Id, c.Id) << c.FilterIndex;
        EXPECT_EQ(format.Extension(), QString::fromUtf8(c.Extension)) << c.FilterIndex;
        EXPECT_EQ(&FileFormat(c.Id), &format);
    }
    // Only the document is read back; only the bitmaps need the canvas's pixels.
    for (const TFileFormat& format : FileFormats()) {
        EXPECT_EQ(format.CanRead, format.Id == TFileFormatId::Document) << format.Name.toStdString();
        EXPECT_EQ(format.NeedsPixels, format.Id == TFileFormatId::Bitmap || format.Id == TFileFormatId::Png)
            << format.Name.toStdString();
    }
}

TEST(FileFormatsTest, AnOutputNameFindsItsFormatByExtensionWhateverItsCase)
{
    struct TCase {
        const char* Path;
        const TFileFormat* Format;
    };
    const TCase cases[] = {
        {"a.dof", &FileFormat(TFileFormatId::Document)}, {"図面.PNG", &FileFormat(TFileFormatId::Png)},
        {"x/y.Svg", &FileFormat(TFileFormatId::Svg)},    {"b.pdf", &FileFormat(TFileFormatId::Pdf)},
        {"c.emf", &FileFormat(TFileFormatId::Metafile)}, {"d.bmp", &FileFormat(TFileFormatId::Bitmap)},
        {"b.xyz", nullptr},                             {"pdf", nullptr},
        {"a.svg.gz", nullptr},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(FileFormatOfPath(QString::fromUtf8(c.Path)), c.Format) << c.Path;
}

TEST(FileFormatsTest, TheReadmesConvertCommandNamesEveryFormat)
{
    QFile readme(QStringLiteral(QM_SOURCE_DIR "/README.md"));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    QString convert;
    for (const QString& line : text.split('\n')) {
        if (line.contains(QStringLiteral("--convert IN.dof OUT")))
            convert = line;
    }
    ASSERT_FALSE(convert.isEmpty());
    QStringList extensions;
    for (const TFileFormat& format : FileFormats())
        extensions.append(format.Extension());
    EXPECT_TRUE(convert.contains(QStringLiteral("OUT") + extensions.join('|'))) << convert.toStdString();
}

// Every format written over an old file in a folder that takes no new
// file: the file error, and the old file whole with nothing beside it.
TEST(FileFormatsTest, EveryWriterIntoAReadOnlyFolderRaisesTheFileErrorAndKeepsTheOldFile)
{
    TScratchDir dir;
    TObjectTree tree;
    TTreeNode* box = tree.AddItem(tree.ObjectRoot(), "box", itRectangle);
    for (const auto& [x, y] : {std::pair{10, 10}, {90, 10}, {90, 60}, {10, 60}})
        tree.AddPoint(x, y, box);
    TBitmapX surface;
    surface.InitBitmap(100, 80);
    TExportSource source{tree, {100, 80, 10}, TCanvasBackground{}, &surface.Bitmap()};

    for (const TFileFormat& format : FileFormats()) {
        const QString path = dir.Path(QStringLiteral("old") + format.Extension());
        format.Write(source, path);
        EXPECT_GT(QFile(path).size(), 0) << format.Name.toStdString();
        PutFile(path, "the previous file");
    }
    const QStringList before = QDir(dir.Root()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    {
        TReadOnlyFolder readOnly(dir.Root());
        if (!readOnly.Active())
            GTEST_SKIP() << "this file system lets every write through";
        for (const TFileFormat& format : FileFormats()) {
            const QString path = dir.Path(QStringLiteral("old") + format.Extension());
            try {
                format.Write(source, path);
                ADD_FAILURE() << format.Name.toStdString() << ": no error";
            } catch (const TFileError& error) {
                EXPECT_EQ(error.Kind(), TFileError::TKind::CannotCreate) << format.Name.toStdString();
                EXPECT_EQ(error.Path(), path);
                EXPECT_TRUE(QString::fromUtf8(error.what())
                                .startsWith(QStringLiteral("ファイル %1 を作成できません").arg(path)))
                    << error.what();
            }
        }
    }
    for (const TFileFormat& format : FileFormats())
        EXPECT_EQ(FileBytes(dir.Path(QStringLiteral("old") + format.Extension())), "the previous file");
    EXPECT_EQ(QDir(dir.Root()).entryList(QDir::Files | QDir::Hidden, QDir::Name), before);
}

} // namespace
} // namespace qm::test
