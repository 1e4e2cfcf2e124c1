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
    // The words of columns left .. right in a row, with the bits of the
    // first and the last of them (the same word: the bits of both).
    struct TColumns {
        std::int64_t FirstWord, LastWord;
        std::uint64_t FirstMask, LastMask;
    };
    TColumns ColumnsOf(std::int32_t left, std::int32_t right) const;
    // The index of the first word of a row.
    std::int64_t RowStart(std::int32_t row) const;

    TRect part_;
    std::int64_t wordsPerRow_ = 0;
    std::vector<std::uint64_t> bits_;
};

} // namespace qm
