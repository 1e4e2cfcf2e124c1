#include "CoverMask.h"

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
    if (width * height > kMaxPixels) {
        part_ = {0, 0, -1, -1};
        return;
    }
    wordsPerRow_ = (width + 63) / 64;
    bits_.assign(static_cast<std::size_t>(wordsPerRow_ * height), 0);
}

TCoverMask::TColumns TCoverMask::ColumnsOf(std::int32_t left, std::int32_t right) const
{
    const std::int64_t first = std::int64_t{left} - part_.Left;
    const std::int64_t last = std::int64_t{right} - part_.Left;
    TColumns columns{first / 64, last / 64, BitRange(static_cast<std::int32_t>(first % 64), 63),
                     BitRange(0, static_cast<std::int32_t>(last % 64))};
    if (columns.FirstWord == columns.LastWord)
        columns.FirstMask = columns.LastMask = columns.FirstMask & columns.LastMask;
    return columns;
}

std::int64_t TCoverMask::RowStart(std::int32_t row) const
{
    return (std::int64_t{row} - part_.Top) * wordsPerRow_;
}

bool TCoverMask::Covers(const TRect& box) const
{
    const TRect inside = box.Intersected(part_);
    if (bits_.empty())
        return false;
    if (inside.IsEmpty())
        return true;
    // A million items are asked about on a whole render: the columns are
    // worked out once for all rows.
    const TColumns columns = ColumnsOf(inside.Left, inside.Right);
    for (std::int32_t row = inside.Top; row <= inside.Bottom; ++row) {
        const std::uint64_t* words = bits_.data() + RowStart(row);
        if ((words[columns.FirstWord] & columns.FirstMask) != columns.FirstMask
            || (words[columns.LastWord] & columns.LastMask) != columns.LastMask)
            return false;
        for (std::int64_t word = columns.FirstWord + 1; word < columns.LastWord; ++word) {
            if (words[word] != ~std::uint64_t{0})
                return false;
        }
    }
    return true;
}

void TCoverMask::Add(const TRect& box)
{
    const TRect inside = box.Intersected(part_);
    if (bits_.empty() || inside.IsEmpty())
        return;
    const TColumns columns = ColumnsOf(inside.Left, inside.Right);
    for (std::int32_t row = inside.Top; row <= inside.Bottom; ++row) {
        std::uint64_t* words = bits_.data() + RowStart(row);
        words[columns.FirstWord] |= columns.FirstMask;
        words[columns.LastWord] |= columns.LastMask;
        for (std::int64_t word = columns.FirstWord + 1; word < columns.LastWord; ++word)
            words[word] = ~std::uint64_t{0};
    }
}

} // namespace qm
