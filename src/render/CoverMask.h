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
    // Whether every pixel of the part is covered; asked after every item a
    // redraw keeps, it counts rather than reads.
    bool CoversAll() const { return !bits_.empty() && tilesNotFull_ == 0; }
    void Add(const TRect& box);
    // The box of the pixels of `box` within the part not covered; empty
    // when all are.
    TRect UncoveredIn(const TRect& box) const;

private:
    // The words of bits first .. last (counted from 0) of a row of words,
    // with the bits of the first and the last of them (the same word: the
    // bits of both).
    struct TColumns {
        std::int64_t FirstWord, LastWord;
        std::uint64_t FirstMask, LastMask;
    };
    static TColumns ColumnsOf(std::int64_t first, std::int64_t last);
    // The columns of `inside` (within the part) in a row of the part.
    TColumns PixelColumnsOf(const TRect& inside) const;
    // Whether every bit of `columns` is set in the row starting at `words`.
    static bool AllSet(const std::uint64_t* words, const TColumns& columns);
    // The index of the first word of a row.
    std::int64_t RowStart(std::int32_t row) const;
    // The tiles `inside` (within the part) meets.
    struct TTiles {
        std::int64_t Left, Top, Right, Bottom;
    };
    TTiles TilesOf(const TRect& inside) const;
    // Whether every pixel of the tile within the part is covered.
    bool TileFull(std::int64_t column, std::int64_t row) const;

    TRect part_;
    std::int64_t wordsPerRow_ = 0;
    std::vector<std::uint64_t> bits_;
    // A bit for each tile of kTile x kTile pixels from the part's corner,
    // set once the tile is covered whole. In a crowded drawing most boxes
    // asked about are covered already: their tiles answer in a few words
    // instead of a few words for every row.
    static constexpr std::int64_t kTile = 8;
    std::int64_t tileWordsPerRow_ = 0;
    std::vector<std::uint64_t> tiles_;
    std::int64_t tilesNotFull_ = 0;
};

} // namespace qm
