// The painter canvas against the raster canvas: the same calls give the same
// picture at one unit per pixel, twice the picture at twice the scale, and
// vector files hold one element per run of lines.
#include "InkComparison.h"

#include "platform/ShiftJis.h"
#include "qtplatform/Bitmap.h"
#include "qtplatform/PainterCanvas.h"
#include "qtplatform/QtBitmap.h"
#include "qtplatform/RasterFonts.h"
#include "qtplatform/VectorFile.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace qm {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

TFont FontOf(const char* utf8Name, std::int32_t pixels, TFontStyles style = 0, TColor color = clBlack)
{
    TFont font;
    font.Name = Utf8ToCp932(utf8Name);
    font.Height = -pixels;
    font.Style = style;
    font.Color = color;
    return font;
}

void Polygon(TCanvas& canvas, std::initializer_list<TCanvasPoint> points)
{
    canvas.Polygon(std::span<const TCanvasPoint>(points.begin(), points.size()));
}

struct TDrawingCase {
    const char* Name;
    std::function<void(TCanvas&)> Draw;
};

const TDrawingCase kCases[] = {
    {"ThinLines",
     [](TCanvas& c) {
         c.SetPen({clBlack, 1, psSolid, TPenMode::pmCopy});
         c.MoveTo(10, 15);
         c.LineTo(150, 15);
         c.MoveTo(20, 20);
         c.LineTo(20, 110);
         c.MoveTo(30, 30);
         c.LineTo(140, 100);
         c.LineTo(150, 40);
     }},
    {"WidePenRoundEndsAndJoins",
     [](TCanvas& c) {
         c.SetPen({RGB(200, 0, 0), 9, psSolid, TPenMode::pmCopy});
         c.MoveTo(20, 20);
         c.LineTo(130, 40);
         c.LineTo(40, 100);
     }},
    {"HatchesLeaveTheirGapsAndAnchorAtTheOrigin",
     [](TCanvas& c) {
         c.SetBrush({RGB(255, 255, 0), bsSolid});
         c.FillRect(0, 0, 80, kHeight);
         c.SetPen({clBlack, 1, psSolid, TPenMode::pmCopy});
         for (const TBrushStyle style : {bsDiagCross, bsHorizontal, bsFDiagonal}) {
             const int left = style == bsDiagCross ? 5 : style == bsHorizontal ? 55 : 105;
             c.SetBrush({clBlue, style});
             Polygon(c, {{left, 10}, {left + 45, 17}, {left + 40, 110}, {left + 3, 90}});
         }
     }},
    {"SolidFillWithoutPen",
     [](TCanvas& c) {
         c.SetPen({clBlack, 1, psClear, TPenMode::pmCopy});
         c.SetBrush({RGB(0, 160, 0), bsSolid});
         Polygon(c, {{10, 10}, {150, 30}, {80, 110}});
     }},
    {"RectangleAndEllipse",
     [](TCanvas& c) {
         c.SetPen({clBlue, 2, psSolid, TPenMode::pmCopy});
         c.SetBrush({clWhite, bsClear});
         c.Rectangle(10, 10, 70, 60);
         c.SetPen({clBlue, 1, psSolid, TPenMode::pmCopy});
         c.SetBrush({RGB(255, 200, 200), bsSolid});
         c.Ellipse(80, 20, 150, 110);
     }},
    {"UprightKanaAndLatinByTheCellsTopLeft",
     [](TCanvas& c) {
         c.SetFont(FontOf("ＭＳ Ｐゴシック", 24));
         c.TextOut(10, 10, Utf8ToCp932("ごみ箱Ag"));
         c.SetFont(FontOf("ＭＳ 明朝", 20, fsBold | fsUnderline, RGB(160, 0, 0)));
         c.TextOut(10, 60, Utf8ToCp932("明朝体"));
     }},
    {"TurnedCounterClockwiseAboutTheCellsTopLeft",
     [](TCanvas& c) {
         c.SetFont(FontOf("ＭＳ ゴシック", 20), 900);
         c.TextOut(30, 110, Utf8ToCp932("縦書き"));
         c.SetFont(FontOf("ＭＳ ゴシック", 20), 3300);
         c.TextOut(70, 10, Utf8ToCp932("斜め"));
     }},
};

QImage Raster(const TDrawingCase& drawing)
{
    TBitmap bitmap(kWidth, kHeight);
    bitmap.Canvas().SetBrush({clWhite, bsSolid});
    bitmap.Canvas().FillRect(0, 0, kWidth, kHeight);
    drawing.Draw(bitmap.Canvas());
    return BitmapImage(bitmap).copy();
}

QImage Painted(const TDrawingCase& drawing, double scale, TPainterCanvasOptions options)
{
    QImage image(static_cast<int>(kWidth * scale), static_cast<int>(kHeight * scale), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(scale, scale);
    TPainterCanvas canvas(painter, kWidth, kHeight, options);
    drawing.Draw(canvas);
    canvas.Finish();
    return image;
}

class PainterCanvasTest : public ::testing::TestWithParam<TDrawingCase> {};

TEST_P(PainterCanvasTest, DrawsWhatTheRasterCanvasDrawsAtOneUnitPerPixel)
{
    const QImage raster = Raster(GetParam());
    for (const bool smooth : {false, true}) {
        const QImage painted = Painted(GetParam(), 1.0, {.Smooth = smooth});
        const test::TInkMatch rasterInPainted = test::InkOfFirstInSecond(raster, painted);
        const test::TInkMatch paintedInRaster = test::InkOfFirstInSecond(painted, raster);
        EXPECT_GT(rasterInPainted.Ink, 100);
        EXPECT_GE(rasterInPainted.Share(), 0.97) << "smooth " << smooth;
        EXPECT_GE(paintedInRaster.Share(), 0.97) << "smooth " << smooth;
    }
}

// Twice the scale shrunk back gives the same picture: the drawing grew as
// vectors, with its hatches, pens and text.
TEST_P(PainterCanvasTest, AtTwiceTheScaleDrawsTheSamePictureTwiceAsLarge)
{
    const QImage raster = Raster(GetParam());
    const QImage large = Painted(GetParam(), 2.0, {.Smooth = true});
    ASSERT_EQ(large.size(), QSize(2 * kWidth, 2 * kHeight));
    const QImage shrunk = large.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const test::TInkMatch rasterInShrunk = test::InkOfFirstInSecond(raster, shrunk);
    const test::TInkMatch shrunkInRaster = test::InkOfFirstInSecond(shrunk, raster);
    EXPECT_GE(rasterInShrunk.Share(), 0.9);
    EXPECT_GE(shrunkInRaster.Share(), 0.9);
}

// Drawing a part of the scaled picture, as a zoomed window does, gives that
// part of the whole: what lies outside is passed over, not what reaches in.
TEST_P(PainterCanvasTest, APartAtTwiceTheScaleIsThatPartOfTheWhole)
{
    const QImage whole = Painted(GetParam(), 2.0, {});
    for (const QPoint corner : {QPoint(60, 40), QPoint(150, 110), QPoint(0, 120)}) {
        QImage part(kWidth, kHeight, QImage::Format_RGB32);
        part.fill(Qt::white);
        {
            QPainter painter(&part);
            painter.translate(-corner);
            painter.scale(2, 2);
            TPainterCanvas canvas(painter, kWidth, kHeight);
            GetParam().Draw(canvas);
        }
        EXPECT_EQ(part, whole.copy(QRect(corner, part.size()))) << corner.x() << "," << corner.y();
    }
}

INSTANTIATE_TEST_SUITE_P(Drawings, PainterCanvasTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PainterCanvas, AThinLineLeavesOutItsEndPixelLikeTheRasterCanvas)
{
    const TDrawingCase line{"", [](TCanvas& c) {
                                c.SetPen({clBlack, 1, psSolid, TPenMode::pmCopy});
                                c.MoveTo(10, 15);
                                c.LineTo(20, 15);
                            }};
    const QImage painted = Painted(line, 1.0, {});
    for (int x = 10; x < 20; ++x)
        EXPECT_EQ(painted.pixel(x, 15), qRgb(0, 0, 0)) << x;
    EXPECT_EQ(painted.pixel(20, 15), qRgb(255, 255, 255));
    EXPECT_EQ(painted.pixel(15, 14), qRgb(255, 255, 255));
    EXPECT_EQ(painted.pixel(15, 16), qRgb(255, 255, 255));
}

// At four times the scale a hatch's line is four pixels thick and its
// period 32 pixels, anchored at the canvas's origin.
TEST(PainterCanvas, HatchesGrowWithTheDrawing)
{
    const TDrawingCase hatch{"", [](TCanvas& c) {
                                 c.SetPen({clBlack, 1, psClear, TPenMode::pmCopy});
                                 c.SetBrush({clBlue, bsHorizontal});
                                 Polygon(c, {{0, 0}, {40, 0}, {40, 40}, {0, 40}});
                             }};
    const QImage raster = Raster(hatch);
    std::vector<int> rasterRows;
    for (int y = 0; y < 40; ++y) {
        if (raster.pixel(5, y) != qRgb(255, 255, 255))
            rasterRows.push_back(y);
    }
    ASSERT_EQ(rasterRows.size(), 5u);
    const QImage large = Painted(hatch, 4.0, {});
    std::vector<int> expected;
    for (const int row : rasterRows) {
        for (int k = 0; k < 4; ++k)
            expected.push_back(4 * row + k);
    }
    std::vector<int> rows;
    for (int y = 0; y < 160; ++y) {
        if (large.pixel(21, y) != qRgb(255, 255, 255))
            rows.push_back(y);
    }
    EXPECT_EQ(rows, expected);
}

TEST(PainterCanvas, MeasuresTextAsTheRasterCanvasDoes)
{
    TBitmap bitmap(10, 10);
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    TPainterCanvas canvas(painter, 10, 10);
    for (const char* face : {"ＭＳ Ｐゴシック", "ＭＳ ゴシック", "ＭＳ 明朝", "DejaVu Sans"}) {
        for (const std::int32_t pixels : {9, 12, 16, 33}) {
            const TFont font = FontOf(face, pixels);
            bitmap.Canvas().SetFont(font);
            canvas.SetFont(font);
            const std::string text = Utf8ToCp932("ごみ箱 Quillmark ①～");
            EXPECT_EQ(canvas.TextWidth(text), bitmap.Canvas().TextWidth(text)) << face << " " << pixels;
            EXPECT_EQ(canvas.TextMetrics().Ascent, bitmap.Canvas().TextMetrics().Ascent);
            EXPECT_EQ(canvas.TextMetrics().Descent, bitmap.Canvas().TextMetrics().Descent);
        }
    }
}

// A vector file names the family that draws the text and the face the
// drawing gave; a run of connected lines with one pen, and the dashes of a
// dashed line, are one element each.
TEST(PainterCanvas, VectorFilesNameTheDrawnFamilyAndGatherLinesIntoOnePath)
{
    const std::vector<char> svg = DrawVectorFile(TVectorFormat::Svg, 200, 100, "t", [](TCanvas& c) {
        c.SetFont(FontOf("ＭＳ Ｐゴシック", 12));
        c.TextOut(10, 10, Utf8ToCp932("あ"));
        c.SetFont(FontOf("IPAMincho", 12));
        c.TextOut(10, 30, Utf8ToCp932("い"));
        c.SetPen({clRed, 3, psSolid, TPenMode::pmCopy});
        c.MoveTo(0, 50);
        for (int i = 1; i <= 100; ++i)
            c.LineTo(2 * i, 50 + (i % 2) * 10);
        c.SetPen({clBlue, 1, psSolid, TPenMode::pmCopy});
        for (int i = 0; i < 50; ++i) {
            c.MoveTo(4 * i, 90);
            c.LineTo(4 * i + 2, 90);
        }
    });
    const std::string text(svg.begin(), svg.end());
    EXPECT_NE(text.find("font-family=\"IPAPGothic, 'ＭＳ Ｐゴシック'\""), std::string::npos) << text;
    EXPECT_NE(text.find("font-family=\"IPAMincho\""), std::string::npos);
    std::size_t paths = 0;
    for (std::size_t at = text.find("<path"); at != std::string::npos; at = text.find("<path", at + 1))
        ++paths;
    EXPECT_EQ(paths, 2u) << text;
}

} // namespace
} // namespace qm
