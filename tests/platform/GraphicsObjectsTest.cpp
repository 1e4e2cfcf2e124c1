#include "platform/GraphicsObjects.h"

#include <gtest/gtest.h>

#include <limits>

namespace qm {
namespace {

TEST(GraphicsObjectsTest, FontSizeConvertsAtNinetySixPixelsPerInch)
{
    TFont font;
    EXPECT_EQ(font.Height, -12);
    EXPECT_EQ(font.Size(), 9);
    font.Height = -13;
    EXPECT_EQ(font.Size(), 10); // 9.75 rounds up
    font.Height = -11;
    EXPECT_EQ(font.Size(), 8); // 8.25 rounds down

    font.SetSize(9);
    EXPECT_EQ(font.Height, -12);
    font.SetSize(10);
    EXPECT_EQ(font.Height, -13); // 13.33 rounds down
    font.SetSize(72);
    EXPECT_EQ(font.Height, -96);
}

TEST(GraphicsObjectsTest, MulDivRoundsHalfAwayFromZero)
{
    EXPECT_EQ(MulDiv(1, 1, 2), 1);
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(1, -1, 2), -1);
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(-3, 1, -2), 2);
    EXPECT_EQ(MulDiv(4, 1, 3), 1);
    EXPECT_EQ(MulDiv(-4, 1, 3), -1);
    EXPECT_EQ(MulDiv(100000, 100000, 100000), 100000); // the product exceeds 32 bits
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(std::numeric_limits<std::int32_t>::max(), 2, 1), -1);
    EXPECT_EQ(MulDiv(std::numeric_limits<std::int32_t>::min(), 1, -1), -1);
    EXPECT_EQ(MulDiv(std::numeric_limits<std::int32_t>::min(), 1, 1), std::numeric_limits<std::int32_t>::min());
}

TEST(GraphicsObjectsTest, StyleOrdinalsAreThoseOfTheFiles)
{
    EXPECT_EQ(PenStyleFromOrdinal(0), psSolid);
    EXPECT_EQ(PenStyleFromOrdinal(1), psDash);
    EXPECT_EQ(PenStyleFromOrdinal(2), psDot);
    EXPECT_EQ(PenStyleFromOrdinal(3), psDashDot);
    EXPECT_EQ(PenStyleFromOrdinal(4), psDashDotDot);
    EXPECT_EQ(PenStyleFromOrdinal(5), psClear);
    EXPECT_EQ(PenStyleFromOrdinal(6), psInsideFrame);
    EXPECT_EQ(BrushStyleFromOrdinal(0), bsSolid);
    EXPECT_EQ(BrushStyleFromOrdinal(1), bsClear);
    EXPECT_EQ(BrushStyleFromOrdinal(2), bsHorizontal);
    EXPECT_EQ(BrushStyleFromOrdinal(3), bsVertical);
    EXPECT_EQ(BrushStyleFromOrdinal(4), bsFDiagonal);
    EXPECT_EQ(BrushStyleFromOrdinal(5), bsBDiagonal);
    EXPECT_EQ(BrushStyleFromOrdinal(6), bsCross);
    EXPECT_EQ(BrushStyleFromOrdinal(7), bsDiagCross);

    for (const std::int32_t ordinal : {-1, 7, 100, std::numeric_limits<std::int32_t>::min()})
        EXPECT_EQ(PenStyleFromOrdinal(ordinal), psSolid) << ordinal;
    for (const std::int32_t ordinal : {-1, 8, std::numeric_limits<std::int32_t>::max()})
        EXPECT_EQ(BrushStyleFromOrdinal(ordinal), bsSolid) << ordinal;
}

TEST(GraphicsObjectsTest, SystemColoursResolveOnlyToRgb)
{
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(240, 240, 240));
    EXPECT_EQ(ColorToRGB(0x80000000u | 200), clBlack); // no such system colour
    EXPECT_EQ(ColorToRGB(0x12345678u), 0x00345678u);  // a plain colour loses its top byte
    EXPECT_EQ(ColorToRGB(clRed), clRed);

    const TColor rgb = RGB(10, 20, 30);
    EXPECT_EQ(rgb, 0x001E140Au);
    EXPECT_EQ(RedOf(rgb), 10);
    EXPECT_EQ(GreenOf(rgb), 20);
    EXPECT_EQ(BlueOf(rgb), 30);
    EXPECT_TRUE(IsSystemColor(clWindowText));
    EXPECT_FALSE(IsSystemColor(clWhite));

    TFont font;
    EXPECT_EQ(font.Color, clWindowText); // stored unresolved, as files keep it
}

} // namespace
} // namespace qm
