// The SVG and PDF exports as outside programs read them: rsvg-convert and
// pdftoppm draw them as the canvas does, pdftotext finds every text of the
// drawing and pdffonts finds every font embedded.
#include "IoTestSupport.h"
#include "InkComparison.h"

#include "../render/SampleDocument.h"

#include "canvas/VectorExport.h"
#include "io/DocumentReader.h"
#include "io/FileError.h"
#include "platform/ShiftJis.h"
#include "qtplatform/QtBitmap.h"
#include "render/BitmapX.h"
#include "render/DocumentRenderer.h"
#include "WritableRecord.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qm::test {
namespace {

struct TDrawing {
    std::unique_ptr<TObjectTree> Tree = std::make_unique<TObjectTree>();
    TCanvasGeometry Canvas{800, 600, 10};
};

TDrawing ExampleDrawing()
{
    TDocument document = ReadDocument(QStringLiteral(QM_EXAMPLES_DIR "/sample.dof"));
    TDrawing drawing;
    drawing.Tree = std::move(document.Tree);
    drawing.Canvas = document.Canvas.value_or(TCanvasGeometry{400, 400, 10});
    return drawing;
}

TDrawing TestsSampleDrawing()
{
    TDrawing drawing;
    BuildSampleDocument(*drawing.Tree);
    return drawing;
}

struct TDrawingCase {
    const char* Name;
    TDrawing (*Make)();
};

const TDrawingCase kDrawings[] = {
    {"ExampleSample", ExampleDrawing},
    {"TestsSample", TestsSampleDrawing},
};

// Fills cover most of a drawing's ink; the outlines alone and the texts
// alone show where strokes or characters go astray.
enum class TPart { Whole, Outlines, Texts };

struct TPartCase {
    const char* Name;
    TPart Part;
};

const TPartCase kParts[] = {{"", TPart::Whole}, {"Outlines", TPart::Outlines}, {"Texts", TPart::Texts}};

void KeepOnly(TObjectTree& tree, TPart part)
{
    if (part == TPart::Whole)
        return;
    const std::function<void(TTreeNode*)> walk = [&](TTreeNode* node) {
        for (TTreeNode* child = node->FirstChild(); child; child = child->NextSibling()) {
            TItemObject& item = *Writable(child);
            item.Brush.Style = bsClear;
            if (part == TPart::Outlines) {
                item.Text.clear();
            } else {
                item.Pen.Style = psClear;
                item.PStyle = lePlain;
                item.DStyle = lePlain;
            }
            walk(child);
        }
    };
    walk(tree.ObjectRoot());
}

struct TFormatCase {
    const char* Name;
    TVectorFormat Format;
    const char* Extension;
};

const TFormatCase kFormats[] = {
    {"Svg", TVectorFormat::Svg, "svg"},
    {"Pdf", TVectorFormat::Pdf, "pdf"},
};

// The canvas picture of the drawing: white, no grid, every active item.
QImage CanvasPicture(const TDrawing& drawing)
{
    TBitmapX surface;
    surface.InitBitmap(drawing.Canvas.Width, drawing.Canvas.Height);
    ClearCanvas(surface, TCanvasBackground{});
    TDocumentRenderer(*drawing.Tree, surface).RepaintAll();
    return BitmapImage(surface.Bitmap()).copy();
}

struct TToolRun {
    bool Started = false;
    int ExitCode = -1;
    QByteArray Output;
    QByteArray Errors;
};

TToolRun RunTool(const QString& tool, const QStringList& arguments)
{
    TToolRun run;
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return run;
    QProcess process;
    process.start(program, arguments);
    run.Started = process.waitForStarted() && process.waitForFinished(120000);
    run.ExitCode = process.exitCode();
    run.Output = process.readAllStandardOutput();
    run.Errors = process.readAllStandardError();
    return run;
}

bool Installed(const char* tool)
{
    return !QStandardPaths::findExecutable(QString::fromUtf8(tool)).isEmpty();
}

#define REQUIRE_TOOL(name)                                                                                             \
    if (!Installed(name))                                                                                              \
    GTEST_SKIP() << (name) << " is not installed (scripts/debian-packages.txt names its package)"

// The file drawn by its outside reader at 96 pixels per inch.
QImage ReadersPicture(TVectorFormat format, const QString& path, const QString& folder)
{
    const QString png = folder + QStringLiteral("/read");
    TToolRun run;
    if (format == TVectorFormat::Svg) {
        run = RunTool(QStringLiteral("rsvg-convert"), {QStringLiteral("-f"), QStringLiteral("png"), QStringLiteral("-o"),
                                                       png + QStringLiteral(".png"), path});
    } else {
        run = RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("96"), QStringLiteral("-png"),
                                                   QStringLiteral("-singlefile"), path, png});
    }
    EXPECT_TRUE(run.Started);
    EXPECT_EQ(run.ExitCode, 0) << run.Errors.toStdString();
    return QImage(png + QStringLiteral(".png"));
}

// Each line of every text the drawing shows (UTF-8, without white space),
// and those of the items it never draws.
struct TTexts {
    QStringList Shown;
    QStringList Hidden;
};

QString WithoutSpaces(QString text)
{
    return text.remove(QRegularExpression(QStringLiteral("\\s")));
}

TTexts TextsOf(const TObjectTree& tree)
{
    TTexts texts;
    const std::function<void(const TTreeNode*, bool)> walk = [&](const TTreeNode* node, bool shown) {
        for (const TTreeNode* child = node->FirstChild(); child; child = child->NextSibling()) {
            const bool drawn = shown && child->Data()->Active && !tree.IsFixedNode(child);
            for (const QString& line : QString::fromStdString(Cp932ToUtf8(child->Data()->Text)).split(QStringLiteral("\r\n"))) {
                if (!WithoutSpaces(line).isEmpty())
                    (drawn ? texts.Shown : texts.Hidden).append(WithoutSpaces(line));
            }
            walk(child, drawn);
        }
    };
    walk(tree.ObjectRoot(), true);
    walk(tree.TrashNode(), false);
    return texts;
}

class VectorExportDrawingTest
    : public ::testing::TestWithParam<std::tuple<TDrawingCase, TPartCase, TFormatCase>> {
protected:
    TScratchDir dir_;
};

TEST_P(VectorExportDrawingTest, TheReadersPictureHasTheCanvasPicturesInkAndNoOther)
{
    const auto& [drawingCase, partCase, formatCase] = GetParam();
    REQUIRE_TOOL(formatCase.Format == TVectorFormat::Svg ? "rsvg-convert" : "pdftoppm");
    const TDrawing drawing = drawingCase.Make();
    KeepOnly(*drawing.Tree, partCase.Part);
    const QString path = dir_.Path(QStringLiteral("図面.") + formatCase.Extension);
    ExportVectorFile(path, formatCase.Format, *drawing.Tree, drawing.Canvas.Width, drawing.Canvas.Height);

    const QImage canvas = CanvasPicture(drawing);
    const QImage read = ReadersPicture(formatCase.Format, path, dir_.Root());
    ASSERT_FALSE(read.isNull());
    // A PDF page is a whole number of points: at most a pixel more.
    EXPECT_LE(std::abs(read.width() - canvas.width()), 1);
    EXPECT_LE(std::abs(read.height() - canvas.height()), 1);
    const TInkMatch canvasInRead = InkOfFirstInSecond(canvas, read);
    const TInkMatch readInCanvas = InkOfFirstInSecond(read, canvas);
    EXPECT_GT(canvasInRead.Ink, 400);
    EXPECT_GE(canvasInRead.Share(), 0.85) << canvasInRead.Matched << " of " << canvasInRead.Ink;
    EXPECT_GE(readInCanvas.Share(), 0.85) << readInCanvas.Matched << " of " << readInCanvas.Ink;
}

INSTANTIATE_TEST_SUITE_P(OutsideReaders, VectorExportDrawingTest,
                         ::testing::Combine(::testing::ValuesIn(kDrawings), ::testing::ValuesIn(kParts),
                                            ::testing::ValuesIn(kFormats)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).Name) + std::get<1>(info.param).Name
                                 + std::get<2>(info.param).Name;
                         });

class VectorExportTextTest : public ::testing::TestWithParam<TDrawingCase> {
protected:
    TScratchDir dir_;
};

TEST_P(VectorExportTextTest, PdfTextIsFoundByPdftotextInEmbeddedFonts)
{
    REQUIRE_TOOL("pdftotext");
    const TDrawing drawing = GetParam().Make();
    const QString path = dir_.Path(QStringLiteral("文字.pdf"));
    ExportVectorFile(path, TVectorFormat::Pdf, *drawing.Tree, drawing.Canvas.Width, drawing.Canvas.Height);

    // In the order the page draws its characters: turned lines lie across
    // each other, and a reading by place would mix them.
    const TToolRun text = RunTool(QStringLiteral("pdftotext"), {QStringLiteral("-raw"), path, QStringLiteral("-")});
    ASSERT_EQ(text.ExitCode, 0) << text.Errors.toStdString();
    const QString found = WithoutSpaces(QString::fromUtf8(text.Output));
    const TTexts texts = TextsOf(*drawing.Tree);
    ASSERT_FALSE(texts.Shown.isEmpty());
    for (const QString& line : texts.Shown)
        EXPECT_TRUE(found.contains(line)) << line.toStdString() << " not in " << found.toStdString();
    for (const QString& line : texts.Hidden)
        EXPECT_FALSE(found.contains(line)) << line.toStdString();

    // Every font the page uses is embedded (pdffonts: the "emb" column).
    const TToolRun fonts = RunTool(QStringLiteral("pdffonts"), {path});
    ASSERT_EQ(fonts.ExitCode, 0);
    const QStringList rows = QString::fromUtf8(fonts.Output).split('\n', Qt::SkipEmptyParts).mid(2);
    EXPECT_FALSE(rows.isEmpty());
    for (const QString& row : rows) {
        const QStringList columns = row.split(' ', Qt::SkipEmptyParts);
        ASSERT_GE(columns.size(), 5) << row.toStdString();
        EXPECT_EQ(columns[columns.size() - 5], QStringLiteral("yes")) << row.toStdString();
    }
}

TEST_P(VectorExportTextTest, SvgIsUtf8XmlWithEveryTextInTheRealFamilyAndTheWindowsNameAfterIt)
{
    const TDrawing drawing = GetParam().Make();
    const QString path = dir_.Path(QStringLiteral("文字.svg"));
    ExportVectorFile(path, TVectorFormat::Svg, *drawing.Tree, drawing.Canvas.Width, drawing.Canvas.Height);

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\""));
    QXmlStreamReader xml(bytes);
    QString characters;
    QStringList families;
    QString size;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QStringLiteral("svg"))
            size = xml.attributes().value("width").toString() + "x" + xml.attributes().value("height").toString();
        if (xml.isStartElement() && xml.name() == QStringLiteral("text")) {
            families.append(xml.attributes().value("font-family").toString());
            characters += xml.readElementText();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(size, QStringLiteral("%1x%2").arg(drawing.Canvas.Width).arg(drawing.Canvas.Height));
    const TTexts texts = TextsOf(*drawing.Tree);
    characters = WithoutSpaces(characters);
    for (const QString& line : texts.Shown)
        EXPECT_TRUE(characters.contains(line)) << line.toStdString();
    for (const QString& line : texts.Hidden)
        EXPECT_FALSE(characters.contains(line)) << line.toStdString();
    // Items name "ＭＳ Ｐゴシック", which IPAPGothic draws here.
    EXPECT_TRUE(families.contains(QStringLiteral("IPAPGothic, 'ＭＳ Ｐゴシック'")))
        << families.join(QStringLiteral(" / ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Drawings, VectorExportTextTest, ::testing::ValuesIn(kDrawings),
                         [](const auto& info) { return std::string(info.param.Name); });

// Texts no font draws, control characters, a lead byte without its trail
// and a face name that is no family and could end an XML attribute: the
// files are still written, and their readers still read them.
TEST(VectorExportTest, TextNoFontHoldsStillExportsAndReads)
{
    TScratchDir dir;
    TObjectTree tree;
    TTreeNode* box = AddSampleShape(tree, tree.ObjectRoot(), itRectangle, {{10, 10}, {190, 10}, {190, 90}, {10, 90}});
    // A user-defined character (U+E000), a control character, a lone lead
    // byte, then plain kana.
    Writable(box)->Text = std::string("\xF0\x40\x01") + Utf8ToCp932("かな") + "\x82";
    Writable(box)->Font.Name = "No Such \"Family\" & <Co>";
    for (const TFormatCase& format : kFormats) {
        const QString path = dir.Path(QStringLiteral("odd.") + format.Extension);
        ASSERT_NO_THROW(ExportVectorFile(path, format.Format, tree, 200, 100)) << format.Name;
        const bool readable = Installed(format.Format == TVectorFormat::Svg ? "rsvg-convert" : "pdftoppm");
        const QImage read = readable ? ReadersPicture(format.Format, path, dir.Root()) : QImage();
        if (!read.isNull())
            EXPECT_EQ(read.size(), QSize(200, 100)) << format.Name;
    }
    QFile svg(dir.Path(QStringLiteral("odd.svg")));
    ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(svg.readAll());
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
}

} // namespace
} // namespace qm::test
