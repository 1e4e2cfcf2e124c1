#pragma once

#include "model/ItemObject.h"

#include <cstdint>
#include <vector>

namespace qm {

// The pixels of a part of the picture that items drawn later paint over,
// one bit each, for finding the items nothing of which would show.
class TCoverMask {
public:
    // A part too large to keep a bit for each of its pixels gets a mask
    // that covers nothing.
    explicit TCoverMask(const TRect& part);

    // Whether every pixel of `box` within the part is covered.
    bool Covers(const TRect& box) const;
    void Add(const TRect& box);

private:
    // The words and bit masks of columns left .. right of one row.
    template <typename Visit>
    bool ForEachWord(std::int32_t row, std::int32_t left, std::int32_t right, Visit&& visit) const;

    TRect part_;
    std::int64_t wordsPerRow_ = 0;
    std::vector<std::uint64_t> bits_;
};

} // namespace qm
