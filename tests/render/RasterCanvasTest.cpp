// Pixel checks of the Qt canvas that stands in for GDI.
#include "qtplatform/Bitmap.h"
#include "qtplatform/QtBitmap.h"
#include "render/BitmapX.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <stdexcept>

namespace qm {
namespace {

const TColor kGrey = RGB(128, 128, 128);

void Fill(TBitmap& bitmap, TColor color)
{
    bitmap.Canvas().SetBrush({color, bsSolid});
    bitmap.Canvas().FillRect(0, 0, bitmap.Width(), bitmap.Height());
}

int CountPixels(const TBitmap& bitmap, TColor color)
{
    int count = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            count += bitmap.Pixel(x, y) == color ? 1 : 0;
    return count;
}

TEST(RasterCanvas, LinesLeaveOutTheirEndPixelAndWidePensAreRound)
{
    TBitmap bitmap(80, 60);
    Fill(bitmap, clWhite);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetPen({clBlack, 1, psSolid, TPenMode::pmCopy});
    canvas.MoveTo(10, 15);
    canvas.LineTo(20, 15);
    for (int x = 10; x < 20; ++x)
        EXPECT_EQ(bitmap.Pixel(x, 15), clBlack) << x;
    EXPECT_EQ(bitmap.Pixel(20, 15), clWhite);
    EXPECT_EQ(CountPixels(bitmap, clBlack), 10);

    // A width-5 line covers two pixels either side of its axis along its
    // whole length, and its round ends reach 2 pixels past the end points.
    TBitmap wide(80, 60);
    Fill(wide, clWhite);
    wide.Canvas().SetPen({clBlack, 5, psSolid, TPenMode::pmCopy});
    wide.Canvas().MoveTo(20, 30);
    wide.Canvas().LineTo(60, 30);
    for (int x = 20; x <= 60; ++x) {
        for (int y = 28; y <= 32; ++y)
            EXPECT_EQ(wide.Pixel(x, y), clBlack) << x << "," << y;
        EXPECT_EQ(wide.Pixel(x, 26), clWhite) << x;
        EXPECT_EQ(wide.Pixel(x, 34), clWhite) << x;
    }
    EXPECT_EQ(wide.Pixel(18, 30), clBlack);
    EXPECT_EQ(wide.Pixel(17, 30), clWhite);
    EXPECT_EQ(wide.Pixel(62, 30), clBlack);
    EXPECT_EQ(wide.Pixel(63, 30), clWhite);
    EXPECT_EQ(wide.Pixel(18, 28), clWhite); // rounded corner, not square

    // Zero-length lines set no pixel at any width.
    TBitmap dots(20, 20);
    Fill(dots, clWhite);
    for (const int width : {1, 6}) {
        dots.Canvas().SetPen({clBlack, width, psSolid, TPenMode::pmCopy});
        dots.Canvas().MoveTo(10, 10);
        dots.Canvas().LineTo(10, 10);
    }
    EXPECT_EQ(CountPixels(dots, clBlack), 0);
}

TEST(RasterCanvas, ThinLinesSetOnePixelPerStepAlongTheLongerAxis)
{
    TBitmap bitmap(40, 40);
    Fill(bitmap, clWhite);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetPen({clBlack, 1, psSolid, TPenMode::pmCopy});
    // Shallow: ten columns, rows 0, 0, 1, 1, 1, 1, 2, 2, 2, 3 (i * 3 / 10
    // rounded, halves down), the end pixel (10, 3) left out.
    canvas.MoveTo(0, 0);
    canvas.LineTo(10, 3);
    const int rows[] = {0, 0, 1, 1, 1, 1, 2, 2, 2, 3};
    for (int x = 0; x < 10; ++x)
        for (int y = 0; y < 5; ++y)
            EXPECT_EQ(bitmap.Pixel(x, y), y == rows[x] ? clBlack : clWhite) << x << "," << y;
    EXPECT_EQ(bitmap.Pixel(10, 3), clWhite);

    // Steep and backwards: one pixel per row from (30, 30) up to (27, 21).
    canvas.MoveTo(30, 30);
    canvas.LineTo(27, 21);
    int inked = 0;
    for (int y = 20; y <= 30; ++y) {
        int perRow = 0;
        for (int x = 25; x <= 31; ++x)
            perRow += bitmap.Pixel(x, y) == clBlack ? 1 : 0;
        EXPECT_EQ(perRow, y >= 22 ? 1 : 0) << y;
        inked += perRow;
    }
    EXPECT_EQ(inked, 9);
    EXPECT_EQ(bitmap.Pixel(30, 30), clBlack);
}

TEST(RasterCanvas, PolygonsFillByTheAlternateRule)
{
    // A five-pointed star drawn in one go: its centre pentagon is crossed
    // twice and stays empty.
    TBitmap bitmap(100, 100);
    Fill(bitmap, clWhite);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetPen({clBlack, 1, psClear, TPenMode::pmCopy});
    canvas.SetBrush({clRed, bsSolid});
    const std::vector<TCanvasPoint> star = {{50, 0}, {79, 90}, {2, 34}, {98, 34}, {21, 90}};
    canvas.Polygon(star);
    EXPECT_EQ(bitmap.Pixel(50, 50), clWhite);
    EXPECT_EQ(bitmap.Pixel(50, 15), clRed); // top point
    EXPECT_EQ(bitmap.Pixel(20, 40), clRed); // left point
    EXPECT_EQ(bitmap.Pixel(5, 80), clWhite);

    // Degenerate outlines fill nothing.
    TBitmap flat(20, 20);
    Fill(flat, clWhite);
    flat.Canvas().SetBrush({clRed, bsSolid});
    const std::vector<TCanvasPoint> line = {{0, 5}, {19, 5}, {10, 5}};
    flat.Canvas().SetPen({clBlack, 1, psClear, TPenMode::pmCopy});
    flat.Canvas().Polygon(line);
    flat.Canvas().Polygon(std::vector<TCanvasPoint>{{3, 3}, {9, 9}});
    EXPECT_EQ(CountPixels(flat, clRed), 0);
}

TEST(RasterCanvas, NotXorDrawnTwiceRestoresTheImageByteForByte)
{
    TBitmapX surface;
    surface.InitBitmap(120, 90);
    surface.Pen = {RGB(200, 30, 60), 7, psSolid, TPenMode::pmCopy};
    surface.Brush = {RGB(20, 160, 90), bsDiagCross};
    surface.Ellipse(10, 10, 100, 80, 20);
    const QImage before = BitmapImage(surface.Bitmap()).copy();

    TCanvas& canvas = surface.Canvas();
    canvas.SetPen({clBlue, 1, psSolid, TPenMode::pmNotXor});
    canvas.SetBrush({clWhite, bsClear});
    const auto marks = [&] {
        canvas.Rectangle(5, 5, 60, 50);
        canvas.Ellipse(40, 30, 54, 44);
        canvas.MoveTo(0, 89);
        canvas.LineTo(119, 0);
    };
    marks();
    EXPECT_NE(BitmapImage(surface.Bitmap()), before);
    EXPECT_EQ(surface.Bitmap().Pixel(5, 20), clBlue); // blue on white stays blue
    marks();
    EXPECT_EQ(BitmapImage(surface.Bitmap()), before);
}

// One-pixel frames are drawn by the canvas itself: Rectangle(l, t, r, b)
// covers columns l and r - 1 and rows t and b - 1 between them, as Qt's
// drawRect does for a frame inside the image; with the not-xor pen each of
// those pixels is inverted once (Qt's frame inverts one corner twice, and
// leaves a corner out when it starts outside the image).
TEST(RasterCanvas, OnePixelFramesCoverTheirOutlineOnce)
{
    struct TCase {
        std::int32_t left, top, right, bottom;
    };
    const TCase cases[] = {{5, 6, 15, 16}, {3, 3, 5, 5}, {2, 4, 40, 6}, {30, 1, 32, 35}, {-8, -4, 12, 9},
                           {25, 20, 60, 55}, {14, 14, 10, 9}, {0, 0, 40, 40}};
    const QRgb inverted = ~(qRgb(128, 128, 128) ^ qRgb(0, 0, 255)) | 0xFF000000u;
    for (const TCase& c : cases) {
        const std::int32_t l = std::min(c.left, c.right);
        const std::int32_t t = std::min(c.top, c.bottom);
        const std::int32_t r = std::max(c.left, c.right) - 1;
        const std::int32_t b = std::max(c.top, c.bottom) - 1;
        TBitmap background(40, 40);
        Fill(background, kGrey);
        QImage qts = BitmapImage(background).copy();
        {
            QPainter painter(&qts);
            painter.setPen(QPen(Qt::blue, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
            painter.drawRect(l, t, r - l, b - t);
        }
        for (const TPenMode mode : {TPenMode::pmCopy, TPenMode::pmNotXor}) {
            const auto drawFrame = [&c, mode](TBitmap& bitmap, bool clipped) {
                Fill(bitmap, kGrey);
                if (clipped)
                    bitmap.Canvas().SetClip(7, 9, 31, 33);
                bitmap.Canvas().SetPen({clBlue, 1, psSolid, mode});
                bitmap.Canvas().SetBrush({clWhite, bsClear});
                bitmap.Canvas().Rectangle(c.left, c.top, c.right, c.bottom);
            };
            TBitmap ours(40, 40);
            drawFrame(ours, false);
            int wrong = 0;
            for (int y = 0; y < 40; ++y) {
                for (int x = 0; x < 40; ++x) {
                    const bool covered = ((x == l || x == r) && t <= y && y <= b) || ((y == t || y == b) && l <= x && x <= r);
                    const QRgb drawn = mode == TPenMode::pmCopy ? qRgb(0, 0, 255) : inverted;
                    wrong += BitmapImage(ours).pixel(x, y) == (covered ? drawn : qRgb(128, 128, 128)) ? 0 : 1;
                }
            }
            EXPECT_EQ(wrong, 0) << l << "," << t << "," << r << "," << b << " mode " << static_cast<int>(mode);
            // Clipped, the same pixels inside the clip and none outside.
            TBitmap clipped(40, 40);
            drawFrame(clipped, true);
            int wrongClipped = 0;
            for (int y = 0; y < 40; ++y) {
                for (int x = 0; x < 40; ++x) {
                    const bool inClip = x >= 7 && x < 31 && y >= 9 && y < 33;
                    wrongClipped += clipped.Pixel(x, y) == (inClip ? ours.Pixel(x, y) : kGrey) ? 0 : 1;
                }
            }
            EXPECT_EQ(wrongClipped, 0) << l << "," << t << "," << r << "," << b << " clipped";
            if (mode == TPenMode::pmCopy && l >= 0 && t >= 0 && r < 40 && b < 40) {
                EXPECT_EQ(BitmapImage(ours), qts) << l << "," << t << "," << r << "," << b;
            }
        }
    }
}

// Small not-xor ellipse outlines (the marks' circles) are stamped from the
// pixels Qt inverts for their size and pen: the same pixels as Qt's own
// drawing, wherever in the image they lie.
TEST(RasterCanvas, SmallNotXorEllipsesInvertWhatQtInverts)
{
    struct TCase {
        std::int32_t left, top, right, bottom, penWidth;
    };
    const TCase cases[] = {{5, 5, 19, 19, 1}, {17, 23, 31, 37, 1}, {8, 3, 18, 13, 1}, {2, 20, 17, 29, 1},
                           {20, 4, 23, 7, 1},  {5, 5, 19, 19, 2},  {13, 18, 27, 32, 2}};
    for (const TCase& c : cases) {
        TBitmap ours(40, 40);
        Fill(ours, kGrey);
        const QImage before = BitmapImage(ours).copy();
        QImage qts = before;
        ours.Canvas().SetPen({clBlue, c.penWidth, psSolid, TPenMode::pmNotXor});
        ours.Canvas().SetBrush({clWhite, bsClear});
        ours.Canvas().Ellipse(c.left, c.top, c.right, c.bottom);
        {
            QPainter painter(&qts);
            painter.setPen(c.penWidth > 1 ? QPen(Qt::blue, c.penWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                                          : QPen(Qt::blue, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
            painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
            if (c.penWidth > 1)
                painter.setTransform(QTransform::fromTranslate(0.5, 0.5));
            painter.drawEllipse(c.left, c.top, c.right - c.left - 1, c.bottom - c.top - 1);
        }
        EXPECT_EQ(BitmapImage(ours), qts) << c.left << "," << c.top << " pen " << c.penWidth;
        EXPECT_NE(BitmapImage(ours), before) << "nothing drawn";
    }
}

// The marks of a large selection are gathered and put on at once: the
// same pixels as drawn one by one, whatever mix of shapes, clips, colours
// and copying drawing in between. 150 pixels wide, rows span three words.
TEST(RasterCanvas, GatheredInversionsMatchThoseDrawnOneByOne)
{
    std::uint64_t state = 7;
    const auto next = [&state](std::int32_t bound) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::int32_t>((state >> 33) % static_cast<std::uint64_t>(bound));
    };
    const auto drawShapes = [&](TCanvas& canvas, std::uint64_t seed) {
        state = seed;
        for (int k = 0; k < 400; ++k) {
            const std::int32_t x = next(190) - 20;
            const std::int32_t y = next(110) - 20;
            const std::int32_t size = next(4) == 0 ? next(90) : next(16);
            const TColor color = k < 300 ? clBlue : RGB(200, 40, 10);
            canvas.SetPen({color, 1 + next(3) / 2, psSolid, TPenMode::pmNotXor});
            canvas.SetBrush({clWhite, bsClear});
            switch (next(8)) {
            case 0:
                canvas.SetClip(next(60), next(40), 90 + next(60), 40 + next(30));
                break;
            case 1:
                canvas.ClearClip();
                break;
            case 2:
                canvas.Ellipse(x, y, x + size, y + size + next(3));
                break;
            case 3:
                canvas.MoveTo(x, y);
                canvas.LineTo(x + next(60) - 30, next(2) == 0 ? y : y + next(60) - 30);
                break;
            case 4:
                if (next(4) == 0) { // copies: what was gathered goes on first
                    canvas.SetBrush({RGB(next(256), 90, 30), bsSolid});
                    canvas.FillRect(x, y, x + size, y + size);
                }
                break;
            default:
                canvas.Rectangle(x, y, x + size + next(3), y + size);
                break;
            }
        }
        canvas.ClearClip();
    };
    for (const std::uint64_t seed : {1u, 2u, 3u, 4u}) {
        TBitmap oneByOne(150, 70);
        Fill(oneByOne, kGrey);
        drawShapes(oneByOne.Canvas(), seed);
        TBitmap gathered(150, 70);
        Fill(gathered, kGrey);
        gathered.Canvas().BeginInversions();
        drawShapes(gathered.Canvas(), seed);
        gathered.Canvas().EndInversions();
        EXPECT_EQ(BitmapImage(gathered), BitmapImage(oneByOne)) << "seed " << seed;
    }
}

TEST(RasterCanvas, HatchesAreEightPixelPatternsFromTheOriginOverTheBackground)
{
    TBitmap bitmap(40, 40);
    Fill(bitmap, kGrey);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetBrush({clRed, bsCross});
    canvas.FillRect(5, 5, 37, 37);
    for (int y = 5; y < 37; ++y) {
        for (int x = 5; x < 37; ++x) {
            const bool onLine = x % 8 == 4 || y % 8 == 3;
            EXPECT_EQ(bitmap.Pixel(x, y), onLine ? clRed : kGrey) << x << "," << y;
        }
    }
    EXPECT_EQ(bitmap.Pixel(4, 3), kGrey); // outside the rectangle

    // A forward diagonal runs from top left to bottom right, in the same
    // phase wherever the shape lies.
    TBitmap diagonal(24, 24);
    Fill(diagonal, clWhite);
    diagonal.Canvas().SetPen({clBlack, 1, psClear, TPenMode::pmCopy});
    diagonal.Canvas().SetBrush({clBlue, bsFDiagonal});
    const std::vector<TCanvasPoint> square = {{3, 3}, {21, 3}, {21, 21}, {3, 21}};
    diagonal.Canvas().Polygon(square);
    for (int y = 3; y < 21; ++y)
        for (int x = 3; x < 21; ++x)
            EXPECT_EQ(diagonal.Pixel(x, y), (x - y) % 8 == 0 ? clBlue : clWhite) << x << "," << y;
}

TEST(RasterCanvas, ShapesFollowGdiEdgesAndSystemColoursResolve)
{
    // A polygon without a pen leaves out its right and bottom edges.
    TBitmap bitmap(30, 30);
    Fill(bitmap, clWhite);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetPen({clBlack, 1, psClear, TPenMode::pmCopy});
    canvas.SetBrush({clBtnFace, bsSolid});
    const std::vector<TCanvasPoint> square = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
    canvas.Polygon(square);
    EXPECT_EQ(bitmap.Pixel(10, 10), RGB(240, 240, 240));
    EXPECT_EQ(bitmap.Pixel(19, 19), RGB(240, 240, 240));
    EXPECT_EQ(bitmap.Pixel(20, 15), clWhite);
    EXPECT_EQ(bitmap.Pixel(15, 20), clWhite);

    // Rectangle(l, t, r, b) outlines l .. r - 1 and t .. b - 1.
    TBitmap frame(30, 30);
    Fill(frame, clWhite);
    frame.Canvas().SetPen({clWindowText, 1, psSolid, TPenMode::pmCopy});
    frame.Canvas().SetBrush({clWhite, bsClear});
    frame.Canvas().Rectangle(5, 6, 15, 16);
    EXPECT_EQ(frame.Pixel(5, 6), clBlack);
    EXPECT_EQ(frame.Pixel(14, 15), clBlack);
    EXPECT_EQ(frame.Pixel(15, 10), clWhite);
    EXPECT_EQ(frame.Pixel(10, 16), clWhite);
    EXPECT_EQ(CountPixels(frame, clBlack), 36);
}

TEST(RasterCanvas, HugeCoordinatesAndPenWidthsDrawWithoutFault)
{
    TBitmap bitmap(50, 50);
    Fill(bitmap, clWhite);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetPen({clBlack, 1000000, psSolid, TPenMode::pmCopy});
    canvas.MoveTo(-2000000000, -2000000000);
    canvas.LineTo(2000000000, 2000000000);
    canvas.SetBrush({clRed, bsSolid});
    canvas.Rectangle(-2147483647 - 1, -5, 2147483647, 10);
    const std::vector<TCanvasPoint> far = {{-2000000000, 0}, {2000000000, 0}, {0, 2000000000}};
    canvas.Polygon(far);
    canvas.Ellipse(-2000000000, -2000000000, 2000000000, 2000000000);
    EXPECT_EQ(bitmap.Pixel(25, 30), clRed);

    // An empty bitmap takes every call and draws nothing.
    TBitmap empty(0, 0);
    EXPECT_TRUE(empty.IsEmpty());
    empty.Canvas().MoveTo(0, 0);
    empty.Canvas().LineTo(10, 10);
    empty.Canvas().TextOut(0, 0, "A");
    EXPECT_EQ(empty.Pixel(0, 0), clBlack);
    TBitmap tooLarge(100000, 100000);
    EXPECT_TRUE(tooLarge.IsEmpty());
}

TEST(RasterCanvas, WindowsFaceNamesResolveToTheIpaFontsAtFixedPixelSizes)
{
    TBitmap bitmap(60, 40);
    Fill(bitmap, clWhite);
    TCanvas& canvas = bitmap.Canvas();
    TFont font;
    font.Name = "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e"; // ＭＳ Ｐゴシック
    font.Height = -12;
    font.Color = clWindowText;
    canvas.SetFont(font);
    // IPAPGothic at 12 pixels: "A" advances 8, "ご" 11.
    EXPECT_EQ(canvas.TextWidth("A"), 8);
    EXPECT_EQ(canvas.TextWidth("\x82\xB2"), 11);
    EXPECT_EQ(canvas.TextWidth("A\x82\xB2" "A"), 27);
    font.Name = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e"; // ＭＳ ゴシック: fixed pitch
    canvas.SetFont(font);
    EXPECT_EQ(canvas.TextWidth("A"), 6);
    EXPECT_EQ(canvas.TextWidth("\x82\xB2"), 12);

    // The character cell's top-left corner sits at the point; turned a
    // quarter clockwise (escapement -900) the cell hangs left of it.
    canvas.TextOut(10, 5, "\x82\xB2");
    canvas.SetFont(font, -900);
    canvas.TextOut(45, 20, "\x82\xB2");
    int upright = 0;
    int turned = 0;
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            if (bitmap.Pixel(x, y) == clWhite)
                continue;
            if (x >= 10 && x < 22 && y >= 5 && y < 18)
                ++upright;
            else if (x > 45 - 14 && x <= 45 && y >= 20 && y < 32)
                ++turned;
            else
                ADD_FAILURE() << "ink outside both cells at " << x << "," << y;
        }
    }
    EXPECT_GT(upright, 15);
    EXPECT_GT(turned, 15);
}

TEST(RasterCanvas, UnderlineRunsUnderEachCharacterCell)
{
    TBitmap bitmap(80, 40);
    Fill(bitmap, clWhite);
    TCanvas& canvas = bitmap.Canvas();
    TFont font;
    font.Name = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e"; // ＭＳ ゴシック: 6 and 12 wide
    font.Height = -12;
    font.Style = fsUnderline;
    font.Color = clBlack;
    canvas.SetFont(font);
    canvas.TextOut(20, 5, "A");
    canvas.TextOut(26, 5, "\x82\xB2");
    // Some row below the glyphs is inked exactly across both cells, 20 .. 37.
    bool found = false;
    for (int y = 12; y < 22 && !found; ++y) {
        bool whole = true;
        for (int x = 20; x < 38; ++x)
            whole = whole && bitmap.Pixel(x, y) != clWhite;
        found = whole && bitmap.Pixel(19, y) == clWhite && bitmap.Pixel(38, y) == clWhite;
    }
    EXPECT_TRUE(found);
}

// The canvas beside paints the bitmap's own pixels, on the thread kept for
// it, with the glyphs it made there in earlier drawings: each drawing in two
// halves is the picture one canvas draws. What either half throws reaches
// the caller, and the next drawing goes on.
TEST(Bitmap, ACanvasBesideDrawsTheSamePixelsAndKeepsItsGlyphs)
{
    TFont font;
    font.Name = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e"; // ＭＳ ゴシック
    font.Height = -14;
    font.Color = clBlack;
    const auto drawHalf = [&font](TCanvas& canvas, std::int32_t top) {
        canvas.SetClip(0, top, 120, top + 30);
        canvas.SetBrush({RGB(200, 220, 255), bsDiagCross});
        canvas.Rectangle(5, top - 10, 110, top + 40);
        canvas.SetFont(font, 300);
        canvas.TextOut(20, top + 25, "\x93\xfa\x96\x7b"); // 日本, turned
        canvas.ClearClip();
    };
    TBitmap whole(120, 60);
    Fill(whole, clWhite);
    drawHalf(whole.Canvas(), 0);
    drawHalf(whole.Canvas(), 30);
    ASSERT_GT(CountPixels(whole, clBlack), 20); // the text's ink, in both halves
    TBitmap halves(120, 60);
    for (int drawing = 0; drawing < 3; ++drawing) {
        Fill(halves, clWhite);
        halves.RunBeside([&](TCanvas& beside) { drawHalf(beside, 30); }, [&] { drawHalf(halves.Canvas(), 0); });
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 120; ++x)
                ASSERT_EQ(halves.Pixel(x, y), whole.Pixel(x, y)) << "drawing " << drawing << " at " << x << "," << y;
        }
    }
    EXPECT_THROW(halves.RunBeside([](TCanvas&) { throw std::runtime_error("beside"); }, [] {}), std::runtime_error);
    EXPECT_THROW(halves.RunBeside([](TCanvas&) {}, [] { throw std::runtime_error("here"); }), std::runtime_error);
    bool drew = false;
    halves.RunBeside([&drew](TCanvas&) { drew = true; }, [] {});
    EXPECT_TRUE(drew);
}

TEST(BitmapX, ResizeKeepsThePictureAtTheTopLeft)
{
    TBitmapX surface;
    surface.InitBitmap(40, 30);
    EXPECT_EQ(surface.Bitmap().Pixel(39, 29), clWhite);
    surface.Canvas().SetBrush({clRed, bsSolid});
    surface.Canvas().FillRect(10, 10, 40, 30);

    surface.BitmapResize(20, 20);
    EXPECT_EQ(surface.Bitmap().Width(), 20);
    EXPECT_EQ(surface.Bitmap().Pixel(19, 19), clRed);
    EXPECT_EQ(surface.Bitmap().Pixel(9, 9), clWhite);

    surface.BitmapResize(50, 60);
    EXPECT_EQ(surface.Bitmap().Height(), 60);
    EXPECT_EQ(surface.Bitmap().Pixel(19, 19), clRed);
    EXPECT_EQ(surface.Bitmap().Pixel(20, 19), clWhite); // cut off before, white now
    EXPECT_EQ(surface.Bitmap().Pixel(49, 59), clWhite);

    surface.WhiteClear2(clWindow);
    EXPECT_EQ(surface.Bitmap().Pixel(19, 19), clWhite);
    EXPECT_EQ(TBitmapX::GetDisplayInfo(surface.Canvas(), HORZRES), 1920);
    EXPECT_EQ(TBitmapX::GetDisplayInfo(surface.Canvas(), HORZSIZE), 508);
}

} // namespace
} // namespace qm
