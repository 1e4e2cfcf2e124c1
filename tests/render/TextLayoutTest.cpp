#include "RenderTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

using test::TRecordingSurface;
using Kind = TCanvasCall::TKind;

// "あ" in CP932: a double-byte character, 12 pixels wide on the recording
// canvas; single-byte characters are 6 wide.
const std::string kA = "\x82\xA0";

struct TPlacedCharacter {
    std::string text;
    TCanvasPoint at;

    friend bool operator==(const TPlacedCharacter&, const TPlacedCharacter&) = default;
    friend std::ostream& operator<<(std::ostream& out, const TPlacedCharacter& c)
    {
        return out << '"' << c.text << "\" at " << c.at;
    }
};

// The surface's font is 12 pixels high: 9 points, so lines are 4 + 9 = 13
// pixels apart.
std::vector<TPlacedCharacter> Layout(const TRect& rect, const std::string& text, std::int32_t angle = 0,
                                     bool centerH = true, bool centerV = true)
{
    TRecordingSurface surface;
    surface.Font.Height = -12;
    surface.CenterH = centerH;
    surface.CenterV = centerV;
    surface.TextDrawEx2(rect, text, angle);
    std::vector<TPlacedCharacter> placed;
    for (const TCanvasCall& call : surface.canvas.CallsOf(Kind::TextOut))
        placed.push_back({call.Text, call.Points[0]});
    return placed;
}

TEST(TextLayout, LinesBreakOnlyAtCarriageReturnLineFeed)
{
    // Rectangle (0, 0, 200, 100): centre (100, 50); one line starts at
    // y = 50 - 9 / 2 = 46, two lines at 33 and 46.
    const TRect rect{0, 0, 200, 100};
    EXPECT_EQ(Layout(rect, "AB\r\nCD"),
              (std::vector<TPlacedCharacter>{{"A", {94, 33}}, {"B", {100, 33}}, {"C", {94, 46}}, {"D", {100, 46}}}));
    // A break at the very end starts no line ...
    EXPECT_EQ(Layout(rect, "AB\r\n"), (std::vector<TPlacedCharacter>{{"A", {94, 46}}, {"B", {100, 46}}}));
    // ... but two of them leave an empty second line, and a leading break an
    // empty first line.
    EXPECT_EQ(Layout(rect, "AB\r\n\r\n"), (std::vector<TPlacedCharacter>{{"A", {94, 33}}, {"B", {100, 33}}}));
    EXPECT_EQ(Layout(rect, "\r\nAB"), (std::vector<TPlacedCharacter>{{"A", {94, 46}}, {"B", {100, 46}}}));
    // A lone CR or LF is a character like any other.
    EXPECT_EQ(Layout(rect, "A\rB\nC").size(), 5u);
    EXPECT_EQ(Layout(rect, "A\rB\nC")[4].at.y, 46);
}

TEST(TextLayout, WrapsBetweenCharactersToTheRoom)
{
    // 40 pixels of room, margin 1, 12-pixel characters: 2 + 36 < 40 but
    // 2 + 48 is not, so five characters wrap after three.
    const std::string five = kA + kA + kA + kA + kA;
    const std::vector<TPlacedCharacter> placed = Layout({0, 0, 40, 100}, five);
    ASSERT_EQ(placed.size(), 5u);
    // Line 1 is 36 wide: x0 = 20 - 18; line 2 is 24 wide: x0 = 20 - 12.
    EXPECT_EQ(placed[0], (TPlacedCharacter{kA, {2, 33}}));
    EXPECT_EQ(placed[1].at, (TCanvasPoint{14, 33}));
    EXPECT_EQ(placed[2].at, (TCanvasPoint{26, 33}));
    EXPECT_EQ(placed[3].at, (TCanvasPoint{8, 46}));
    EXPECT_EQ(placed[4].at, (TCanvasPoint{20, 46}));

    // No room at all: one character per line, a double-byte character kept
    // whole and never dropped.
    const std::vector<TPlacedCharacter> narrow = Layout({0, 0, 2, 100}, "a" + kA + "b");
    ASSERT_EQ(narrow.size(), 3u);
    EXPECT_EQ(narrow[0].text, "a");
    EXPECT_EQ(narrow[1].text, kA);
    EXPECT_EQ(narrow[2].text, "b");
    EXPECT_LT(narrow[0].at.y, narrow[1].at.y);
    EXPECT_LT(narrow[1].at.y, narrow[2].at.y);

    // A lead byte at the very end stands alone instead of swallowing
    // anything past the text.
    const std::vector<TPlacedCharacter> cut = Layout({0, 0, 200, 100}, "A\x82");
    ASSERT_EQ(cut.size(), 2u);
    EXPECT_EQ(cut[1].text, "\x82");
}

TEST(TextLayout, CentringAndMargins)
{
    // Three lines are symmetric about the middle one at cy - size / 2.
    const std::vector<TPlacedCharacter> three = Layout({0, 0, 200, 100}, "A\r\nB\r\nC");
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[0].at.y, 33);
    EXPECT_EQ(three[1].at.y, 46);
    EXPECT_EQ(three[2].at.y, 59);

    // Without centring the first cell starts at (Left + Margin, Top + Margin).
    const std::vector<TPlacedCharacter> corner = Layout({30, 40, 200, 100}, "AB\r\nC", 0, false, false);
    EXPECT_EQ(corner, (std::vector<TPlacedCharacter>{{"A", {31, 41}}, {"B", {37, 41}}, {"C", {31, 54}}}));

    // An empty text draws nothing and leaves the canvas font alone.
    TRecordingSurface surface;
    surface.Font.Height = -30;
    surface.TextDrawEx2({0, 0, 100, 100}, "", 45);
    EXPECT_TRUE(surface.canvas.Calls().empty());
    EXPECT_EQ(surface.canvas.Font(), TFont{});
    EXPECT_EQ(surface.canvas.FontEscapement(), 0);
}

TEST(TextLayout, TurnedTextRunsAboutTheCentreWithARotatedFont)
{
    // Rectangle centre (150, 150); "AB" is 12 wide, so the line starts at
    // (144, 146): offsets (-6, -4) and (0, -4) from the centre, which a
    // quarter turn clockwise takes to (4, -6) and (4, 0).
    TRecordingSurface surface;
    surface.Font.Height = -12;
    surface.TextDrawEx2({100, 100, 200, 200}, "AB", 90);
    const std::vector<TCanvasCall> characters = surface.canvas.CallsOf(Kind::TextOut);
    ASSERT_EQ(characters.size(), 2u);
    EXPECT_NEAR(characters[0].Points[0].x, 154, 1);
    EXPECT_NEAR(characters[0].Points[0].y, 144, 1);
    EXPECT_NEAR(characters[1].Points[0].x, 154, 1);
    EXPECT_NEAR(characters[1].Points[0].y, 150, 1);
    for (const TCanvasCall& call : characters) {
        EXPECT_EQ(call.Escapement, -900); // turned clockwise on screen
        EXPECT_EQ(call.Brush.Style, bsClear);
    }

    // The font turns by whole-turn-free tenths, so angles that would
    // overflow them still turn it correctly.
    TRecordingSurface huge;
    huge.TextDrawEx2({0, 0, 100, 100}, "A", 2147483647);
    EXPECT_EQ(huge.canvas.CallsOf(Kind::TextOut).at(0).Escapement, -10 * (2147483647 % 360));
    TRecordingSurface fullTurnMore;
    fullTurnMore.TextDrawEx2({100, 100, 200, 200}, "AB", 450);
    EXPECT_EQ(fullTurnMore.canvas.CallsOf(Kind::TextOut).at(0).Escapement, -900);
}

TEST(TextLayout, VeryLongTextInANarrowRoomIsLaidOutInLinearTime)
{
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += kA;
    TRecordingSurface surface;
    surface.TextDrawEx2({0, 0, 30, 30}, text, 0); // two characters per line
    const std::vector<TCanvasCall> characters = surface.canvas.CallsOf(Kind::TextOut);
    ASSERT_EQ(characters.size(), 100000u);
    EXPECT_EQ(characters[0].Points[0].y, characters[1].Points[0].y);
    EXPECT_NE(characters[1].Points[0].y, characters[2].Points[0].y);
}

} // namespace
} // namespace qm
