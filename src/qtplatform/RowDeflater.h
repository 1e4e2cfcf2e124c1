#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace qm {

// The zlib stream of an image's rows, written as they come. A drawing's
// rows are mostly runs of one byte and spans equal to the row above, so the
// only matches sought are the byte on the left and the byte one row up, and
// one block of the fixed codes carries them: no search, no code tables to
// build, about as fast as copying the pixels, and files as small as zlib's
// fastest level gives for such pictures.
class TRowDeflater {
public:
    // Appends to `out`, which must outlive the deflater; `rowCount` rows of
    // `rowSize` bytes each follow.
    TRowDeflater(QByteArray& out, std::size_t rowSize, std::size_t rowCount);

    // `above` is the row added before this one, or null for the first.
    void AddRow(const std::uint8_t* row, const std::uint8_t* above);
    // Ends the stream after the last row.
    void Finish();

    // The bits not yet stored and where the next byte goes; the hot loop
    // works on a local copy, which the compiler keeps in registers.
    struct TBitStream {
        std::uint64_t Buffer = 0;
        std::uint32_t Count = 0;
        std::uint8_t* Next = nullptr;
    };

private:
    QByteArray& out_;
    std::size_t rowSize_;
    // The code of one row's distance, when a row fits in the window.
    std::uint32_t rowDistanceBits_ = 0;
    std::uint32_t rowDistanceLength_ = 0;
    bool rowFitsWindow_;
    TBitStream stream_;
    std::uint32_t adler_;
};

} // namespace qm
