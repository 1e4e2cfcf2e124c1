#include "CoverMask.h"

#include <algorithm>
#include <bit>
#include <limits>

namespace qm {

namespace {

// 64 M pixels: an 8 MB mask.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

// Bits first .. last (0 .. 63) of a word.
std::uint64_t BitRange(std::int32_t first, std::int32_t last)
{
    const std::uint64_t upTo = last == 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (last + 1)) - 1;
    return upTo & ~((std::uint64_t{1} << first) - 1);
}

} // namespace

TCoverMask::TCoverMask(const TRect& part) : part_(part)
{
    if (part.IsEmpty())
        return;
    const std::int64_t width = std::int64_t{part.Right} - part.Left + 1;
    const std::int64_t height = std::int64_t{part.Bottom} - part.Top + 1;
    if (width * height > kMaxPixels)
        return;
    wordsPerRow_ = (width + 63) / 64;
    bits_.assign(static_cast<std::size_t>(wordsPerRow_ * height), 0);
    const std::int64_t tileColumns = (width + kTile - 1) / kTile;
    const std::int64_t tileRows = (height + kTile - 1) / kTile;
    tileWordsPerRow_ = (tileColumns + 63) / 64;
    tiles_.assign(static_cast<std::size_t>(tileWordsPerRow_ * tileRows), 0);
    tilesNotFull_ = tileColumns * tileRows;
}

TCoverMask::TColumns TCoverMask::ColumnsOf(std::int64_t first, std::int64_t last)
{
    TColumns columns{first / 64, last / 64, BitRange(static_cast<std::int32_t>(first % 64), 63),
                     BitRange(0, static_cast<std::int32_t>(last % 64))};
    if (columns.FirstWord == columns.LastWord)
        columns.FirstMask = columns.LastMask = columns.FirstMask & columns.LastMask;
    return columns;
}

TCoverMask::TColumns TCoverMask::PixelColumnsOf(const TRect& inside) const
{
    return ColumnsOf(std::int64_t{inside.Left} - part_.Left, std::int64_t{inside.Right} - part_.Left);
}

bool TCoverMask::AllSet(const std::uint64_t* words, const TColumns& columns)
{
    if ((words[columns.FirstWord] & columns.FirstMask) != columns.FirstMask
        || (words[columns.LastWord] & columns.LastMask) != columns.LastMask)
        return false;
    for (std::int64_t word = columns.FirstWord + 1; word < columns.LastWord; ++word) {
        if (words[word] != ~std::uint64_t{0})
            return false;
    }
    return true;
}

std::int64_t TCoverMask::RowStart(std::int32_t row) const
{
    return (std::int64_t{row} - part_.Top) * wordsPerRow_;
}

TCoverMask::TTiles TCoverMask::TilesOf(const TRect& inside) const
{
    return {(std::int64_t{inside.Left} - part_.Left) / kTile, (std::int64_t{inside.Top} - part_.Top) / kTile,
            (std::int64_t{inside.Right} - part_.Left) / kTile, (std::int64_t{inside.Bottom} - part_.Top) / kTile};
}

bool TCoverMask::TileFull(std::int64_t column, std::int64_t row) const
{
    const std::int64_t left = column * kTile;
    const std::int64_t right = std::min(left + kTile, std::int64_t{part_.Right} - part_.Left + 1) - 1;
    const std::int64_t top = row * kTile;
    const std::int64_t bottom = std::min(top + kTile, std::int64_t{part_.Bottom} - part_.Top + 1) - 1;
    const TColumns columns = ColumnsOf(left, right);
    for (std::int64_t y = top; y <= bottom; ++y) {
        if (!AllSet(bits_.data() + y * wordsPerRow_, columns))
            return false;
    }
    return true;
}

bool TCoverMask::Covers(const TRect& box) const
{
    const TRect inside = box.Intersected(part_);
    if (bits_.empty())
        return false;
    if (inside.IsEmpty())
        return true;
    const TTiles tiles = TilesOf(inside);
    const TColumns tileColumns = ColumnsOf(tiles.Left, tiles.Right);
    bool tilesFull = true;
    for (std::int64_t row = tiles.Top; row <= tiles.Bottom && tilesFull; ++row)
        tilesFull = AllSet(tiles_.data() + row * tileWordsPerRow_, tileColumns);
    if (tilesFull)
        return true;
    // A million items are asked about on a whole render: the columns are
    // worked out once for all rows.
    const TColumns columns = PixelColumnsOf(inside);
    for (std::int32_t row = inside.Top; row <= inside.Bottom; ++row) {
        if (!AllSet(bits_.data() + RowStart(row), columns))
            return false;
    }
    return true;
}

TRect TCoverMask::UncoveredIn(const TRect& box) const
{
    const TRect none{0, 0, -1, -1};
    const TRect inside = box.Intersected(part_);
    if (inside.IsEmpty())
        return none;
    if (bits_.empty())
        return inside;
    const TColumns columns = PixelColumnsOf(inside);
    // Bit columns from the part's left edge, and rows.
    std::int64_t left = std::numeric_limits<std::int64_t>::max();
    std::int64_t right = -1;
    std::int32_t top = inside.Bottom + 1;
    std::int32_t bottom = inside.Top - 1;
    for (std::int32_t row = inside.Top; row <= inside.Bottom; ++row) {
        const std::uint64_t* words = bits_.data() + RowStart(row);
        for (std::int64_t word = columns.FirstWord; word <= columns.LastWord; ++word) {
            std::uint64_t open = ~words[word];
            if (word == columns.FirstWord)
                open &= columns.FirstMask;
            if (word == columns.LastWord)
                open &= columns.LastMask;
            if (open == 0)
                continue;
            left = std::min<std::int64_t>(left, word * 64 + std::countr_zero(open));
            right = std::max<std::int64_t>(right, word * 64 + 63 - std::countl_zero(open));
            top = std::min(top, row);
            bottom = row;
        }
    }
    if (right < 0)
        return none;
    return {static_cast<std::int32_t>(part_.Left + left), top, static_cast<std::int32_t>(part_.Left + right), bottom};
}

void TCoverMask::Add(const TRect& box)
{
    const TRect inside = box.Intersected(part_);
    if (bits_.empty() || inside.IsEmpty())
        return;
    const TColumns columns = PixelColumnsOf(inside);
    for (std::int32_t row = inside.Top; row <= inside.Bottom; ++row) {
        std::uint64_t* words = bits_.data() + RowStart(row);
        words[columns.FirstWord] |= columns.FirstMask;
        words[columns.LastWord] |= columns.LastMask;
        for (std::int64_t word = columns.FirstWord + 1; word < columns.LastWord; ++word)
            words[word] = ~std::uint64_t{0};
    }
    const TTiles tiles = TilesOf(inside);
    for (std::int64_t row = tiles.Top; row <= tiles.Bottom; ++row) {
        for (std::int64_t column = tiles.Left; column <= tiles.Right; ++column) {
            std::uint64_t& word = tiles_[static_cast<std::size_t>(row * tileWordsPerRow_ + column / 64)];
            const std::uint64_t bit = std::uint64_t{1} << (column % 64);
            if (!(word & bit) && TileFull(column, row)) {
                word |= bit;
                --tilesNotFull_;
            }
        }
    }
}

} // namespace qm
