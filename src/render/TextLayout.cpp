// Text of an item: lines, wrapping at character boundaries, placement, and
// one rotated character at a time.
#include "SurfaceX.h"

#include "model/Geometry.h"
#include "platform/Cp932Characters.h"

#include <cmath>
#include <vector>

namespace qm {

namespace {

// One character of a line: its bytes and its width in the current font.
struct TCharacter {
    std::string_view bytes;
    std::int64_t width = 0;
};

using TLine = std::vector<TCharacter>;

// Lines end at "\r\n"; a break at the very end of the text starts no
// further line, while empty lines elsewhere remain.
std::vector<std::string_view> SplitAtLineBreaks(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t lineBreak = text.find("\r\n", start);
        if (lineBreak == std::string_view::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, lineBreak - start));
        start = lineBreak + 2;
        if (start == text.size())
            break;
    }
    return lines;
}

// Cuts a line into pieces that fit the room: each piece is the longest
// start of the rest for which 2 x margin + width < room, but at least one
// character. Widths never shrink as characters are added, so this is the
// piece that removing characters from the end would leave.
void WrapLine(const TLine& line, std::int64_t margins, std::int64_t room, std::vector<TLine>& lines)
{
    std::size_t start = 0;
    do {
        std::size_t end = start + 1;
        std::int64_t width = line[start].width;
        while (end < line.size() && margins + width + line[end].width < room) {
            width += line[end].width;
            ++end;
        }
        lines.emplace_back(line.begin() + static_cast<std::ptrdiff_t>(start),
                           line.begin() + static_cast<std::ptrdiff_t>(end));
        start = end;
    } while (start < line.size());
}

std::int64_t WidthOf(const TLine& line)
{
    std::int64_t width = 0;
    for (const TCharacter& character : line)
        width += character.width;
    return width;
}

} // namespace

void TSurfaceX::TextDrawEx2(const TRect& rect, std::string_view text, std::int32_t angle)
{
    if (text.empty())
        return;
    BeginPrimitive();
    TCanvas& canvas = Canvas();
    canvas.SetFont(Font);

    const std::int64_t margins = 2 * std::int64_t{Margin};
    const std::int64_t room = std::int64_t{rect.Right} - rect.Left;
    std::vector<TLine> lines;
    for (const std::string_view brokenLine : SplitAtLineBreaks(text)) {
        TLine line;
        ForEachCp932Character(brokenLine, [&](std::string_view bytes) {
            line.push_back({bytes, canvas.TextWidth(bytes)});
        });
        if (line.empty())
            lines.emplace_back();
        else
            WrapLine(line, margins, room, lines);
    }

    const std::int64_t size = Font.Size();
    const std::int64_t pitch = LineSpacing + size;
    const auto count = static_cast<std::int64_t>(lines.size());
    const std::int64_t cx = (std::int64_t{rect.Left} + rect.Right) / 2;
    const std::int64_t cy = (std::int64_t{rect.Top} + rect.Bottom) / 2;
    const std::int64_t top = cy - size / 2 - (count / 2) * pitch;

    TBrush clear = canvas.Brush();
    clear.Style = bsClear;
    canvas.SetBrush(clear);
    // GDI turns text counter-clockwise for a positive escapement; items turn
    // clockwise. Whole turns are dropped so that the tenths fit.
    canvas.SetFont(Font, -10 * (angle % 360));
    const TTurn turn = RollTurn(static_cast<float>(static_cast<double>(angle) * (1.0 / 180.0) * 3.141592));

    for (std::int64_t i = 0; i < count; ++i) {
        const TLine& line = lines[static_cast<std::size_t>(i)];
        const std::int64_t x0 = CenterH ? cx - WidthOf(line) / 2 : std::int64_t{rect.Left} + Margin;
        const std::int64_t y0 = (CenterV ? top : std::int64_t{rect.Top} + Margin) + i * pitch;
        std::int64_t advance = 0;
        for (const TCharacter& character : line) {
            float rx = 0;
            float ry = 0;
            turn.Apply(static_cast<float>(x0 - cx + advance), static_cast<float>(y0 - cy), rx, ry);
            canvas.TextOut(TruncToInt(static_cast<float>(cx) + rx), TruncToInt(static_cast<float>(cy) + ry),
                           character.bytes);
            advance += character.width;
        }
    }
}

} // namespace qm
