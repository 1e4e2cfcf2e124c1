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

template <typename Visit>
bool TCoverMask::ForEachWord(std::int32_t row, std::int32_t left, std::int32_t right, Visit&& visit) const
{
    const std::int64_t first = std::int64_t{left} - part_.Left;
    const std::int64_t last = std::int64_t{right} - part_.Left;
    const std::int64_t rowStart = (std::int64_t{row} - part_.Top) * wordsPerRow_;
    for (std::int64_t word = first / 64; word <= last / 64; ++word) {
        const auto from = static_cast<std::int32_t>(word == first / 64 ? first % 64 : 0);
        const auto to = static_cast<std::int32_t>(word == last / 64 ? last % 64 : 63);
        if (!visit(static_cast<std::size_t>(rowStart + word), BitRange(from, to)))
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
    for (std::int32_t row = inside.Top; row <= inside.Bottom; ++row) {
        const bool covered = ForEachWord(row, inside.Left, inside.Right, [this](std::size_t word, std::uint64_t mask) {
            return (bits_[word] & mask) == mask;
        });
        if (!covered)
            return false;
    }
    return true;
}

void TCoverMask::Add(const TRect& box)
{
    const TRect inside = box.Intersected(part_);
    if (bits_.empty() || inside.IsEmpty())
        return;
    for (std::int32_t row = inside.Top; row <= inside.Bottom; ++row) {
        ForEachWord(row, inside.Left, inside.Right, [this](std::size_t word, std::uint64_t mask) {
            bits_[word] |= mask;
            return true;
        });
    }
}

} // namespace qm
