#include "RowDeflater.h"

#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <future>
#include <thread>
#include <utility>
#include <vector>

namespace qm {

namespace {

// Deflate's window: the farthest a match may reach back.
constexpr std::size_t kWindow = 32768;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 258;
constexpr std::uint32_t kEndOfBlock = 256;

struct TCode {
    std::uint32_t Bits = 0; // as written: the Huffman code reversed, then any extra bits
    std::uint32_t Length = 0;
};

// Huffman codes go out most significant bit first into a stream that is
// filled from the least significant bit.
constexpr std::uint32_t Reversed(std::uint32_t code, std::uint32_t length)
{
    std::uint32_t reversed = 0;
    for (std::uint32_t i = 0; i < length; ++i)
        reversed |= ((code >> i) & 1u) << (length - 1 - i);
    return reversed;
}

// The fixed literal/length code of a symbol (0 to 287).
constexpr TCode FixedCode(std::uint32_t symbol)
{
    if (symbol < 144)
        return {Reversed(0x30 + symbol, 8), 8};
    if (symbol < 256)
        return {Reversed(0x190 + symbol - 144, 9), 9};
    if (symbol < 280)
        return {Reversed(symbol - 256, 7), 7};
    return {Reversed(0xC0 + symbol - 280, 8), 8};
}

// A symbol of a base-and-extra-bits alphabet (the lengths from symbol 257,
// the distances from 0) with the extra bits of `value` after its code.
template <std::size_t N>
constexpr TCode BaseAndExtra(std::uint32_t value, const std::array<std::uint16_t, N>& bases,
                   const std::array<std::uint8_t, N>& extraBits, TCode (*codeOf)(std::uint32_t))
{
    std::size_t index = N - 1;
    while (bases[index] > value)
        --index;
    TCode code = codeOf(static_cast<std::uint32_t>(index));
    code.Bits |= (value - bases[index]) << code.Length;
    code.Length += extraBits[index];
    return code;
}

constexpr std::array<std::uint16_t, 29> kLengthBases{3,  4,  5,  6,  7,  8,  9,  10,  11,  13,  15,  17,  19,  23, 27,
                                                     31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<std::uint8_t, 29> kLengthExtraBits{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<std::uint16_t, 30> kDistanceBases{
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<std::uint8_t, 30> kDistanceExtraBits{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                          6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

constexpr TCode LengthSymbolCode(std::uint32_t index) { return FixedCode(257 + index); }
constexpr TCode DistanceSymbolCode(std::uint32_t index) { return {Reversed(index, 5), 5}; } // fixed: five bits each
// Distance 1 is symbol 0 with no extra bits.
constexpr TCode kPreviousByte{0, 5};

constexpr auto kLiteralCodes = [] {
    std::array<TCode, 256> codes{};
    for (std::uint32_t byte = 0; byte < 256; ++byte)
        codes[byte] = FixedCode(byte);
    return codes;
}();

// Indexed by the match length.
constexpr auto kLengthCodes = [] {
    std::array<TCode, kMaxMatch + 1> codes{};
    for (std::uint32_t length = kMinMatch; length <= kMaxMatch; ++length)
        codes[length] = BaseAndExtra(length, kLengthBases, kLengthExtraBits, LengthSymbolCode);
    return codes;
}();

// How many leading bytes of `a` and `b` agree, at most `limit`.
inline std::size_t AgreeingBytes(const std::uint8_t* a, const std::uint8_t* b, std::size_t limit)
{
    std::size_t count = 0;
    for (; count + 8 <= limit; count += 8) {
        std::uint64_t wordA;
        std::uint64_t wordB;
        std::memcpy(&wordA, a + count, 8);
        std::memcpy(&wordB, b + count, 8);
        if (const std::uint64_t differing = wordA ^ wordB) {
            const int bits = std::endian::native == std::endian::little ? std::countr_zero(differing)
                                                                        : std::countl_zero(differing);
            return count + static_cast<std::size_t>(bits) / 8;
        }
    }
    while (count < limit && a[count] == b[count])
        ++count;
    return count;
}

// The bits not yet stored and where the next byte goes; the hot loop works
// on a local copy, which the compiler keeps in registers.
struct TBitStream {
    std::uint64_t Buffer = 0;
    std::uint32_t Count = 0;
    std::uint8_t* Next = nullptr;
};

inline void Put(TBitStream& stream, std::uint32_t bits, std::uint32_t length)
{
    stream.Buffer |= static_cast<std::uint64_t>(bits) << stream.Count;
    stream.Count += length;
    if (stream.Count >= 32) {
        qToLittleEndian(static_cast<std::uint32_t>(stream.Buffer), stream.Next);
        stream.Next += 4;
        stream.Buffer >>= 32;
        stream.Count -= 32;
    }
}

inline void Put(TBitStream& stream, TCode code) { Put(stream, code.Bits, code.Length); }

// `run` (3 or more) bytes, each a copy of the one `distance` back.
inline void PutCopies(TBitStream& stream, std::size_t run, TCode distance)
{
    while (run >= kMinMatch) {
        // A remainder of one or two bytes could not be a match of its own.
        std::size_t length = std::min(run, kMaxMatch);
        if (run > length && run - length < kMinMatch)
            length = run - kMinMatch;
        const TCode code = kLengthCodes[length];
        Put(stream, code.Bits | (distance.Bits << code.Length), code.Length + distance.Length);
        run -= length;
    }
}

// One part of the stream, a run of rows in blocks of the fixed codes. The
// first part starts the stream; a part that is not the last ends on a byte
// boundary (an empty stored block, as a flush does) so the next can follow
// it byte for byte.
class TRowDeflater {
public:
    TRowDeflater(QByteArray& out, std::size_t rowSize, std::size_t rowCount, bool first, bool last)
        : out_(out), rowSize_(rowSize), last_(last)
    {
        if (rowSize <= kWindow)
            rowAbove_ = BaseAndExtra(static_cast<std::uint32_t>(rowSize), kDistanceBases, kDistanceExtraBits,
                                     DistanceSymbolCode);
        // At most nine bits a byte, the headers and the flush.
        const std::size_t bound = rowSize * rowCount / 8 * 9 + rowSize * rowCount % 8 * 2 + 32;
        const qsizetype start = out_.size();
        out_.resize(start + static_cast<qsizetype>(bound));
        stream_.Next = reinterpret_cast<std::uint8_t*>(out_.data() + start);
        if (first) {
            *stream_.Next++ = 0x78; // deflate, 32 KiB window
            *stream_.Next++ = 0x01; // no dictionary, check bits
        }
        Put(stream_, last ? 0b011 : 0b010, 3); // last block or not, fixed codes
    }

    // `above` is the row before this one in the stream, or null for none.
    void AddRow(const std::uint8_t* row, const std::uint8_t* above)
    {
        adler_ = static_cast<std::uint32_t>(adler32_z(adler_, row, rowSize_));
        if (rowAbove_.Length == 0)
            above = nullptr;
        TBitStream stream = stream_;
        std::size_t at = 0;
        while (at < rowSize_) {
            const std::size_t left = rowSize_ - at;
            const std::size_t upRun = above && row[at] == above[at] ? AgreeingBytes(row + at, above + at, left) : 0;
            const std::size_t sameRun =
                at > 0 && row[at] == row[at - 1] ? AgreeingBytes(row + at, row + at - 1, left) : 0;
            if (std::max(upRun, sameRun) < kMinMatch) {
                Put(stream, kLiteralCodes[row[at++]]);
            } else if (upRun >= sameRun) {
                PutCopies(stream, upRun, rowAbove_);
                at += upRun;
            } else {
                PutCopies(stream, sameRun, kPreviousByte);
                at += sameRun;
            }
        }
        stream_ = stream;
    }

    // Ends the part; the checksum of its rows.
    std::uint32_t Finish()
    {
        Put(stream_, FixedCode(kEndOfBlock));
        if (!last_)
            Put(stream_, 0b000, 3); // a stored block, not the last
        for (; stream_.Count > 0; stream_.Count = stream_.Count > 8 ? stream_.Count - 8 : 0) {
            *stream_.Next++ = static_cast<std::uint8_t>(stream_.Buffer);
            stream_.Buffer >>= 8;
        }
        if (!last_) {
            constexpr std::uint8_t kEmptyStoredLength[] = {0x00, 0x00, 0xFF, 0xFF}; // length 0 and its complement
            std::memcpy(stream_.Next, kEmptyStoredLength, sizeof kEmptyStoredLength);
            stream_.Next += sizeof kEmptyStoredLength;
        }
        out_.resize(reinterpret_cast<char*>(stream_.Next) - out_.data());
        return adler_;
    }

private:
    QByteArray& out_;
    std::size_t rowSize_;
    bool last_;
    TCode rowAbove_; // the distance of one row, when a row fits in the window
    TBitStream stream_;
    std::uint32_t adler_ = static_cast<std::uint32_t>(adler32(0, nullptr, 0));
};

struct TDeflatedPart {
    QByteArray Bytes;
    std::uint32_t Adler = 0;
};

// Rows `firstRow` up to `endRow` as one part of the stream.
TDeflatedPart DeflatePart(std::size_t rowSize, std::size_t firstRow, std::size_t endRow, std::size_t rowCount,
                          const TRowSource& rowSource)
{
    TDeflatedPart part;
    TRowDeflater deflater(part.Bytes, rowSize, endRow - firstRow, firstRow == 0, endRow == rowCount);
    std::vector<std::uint8_t> rows(2 * rowSize);
    std::uint8_t* row = rows.data();
    std::uint8_t* above = nullptr;
    if (firstRow > 0) { // the row before, which the part may copy from
        above = rows.data() + rowSize;
        rowSource(firstRow - 1, above);
    }
    for (std::size_t y = firstRow; y < endRow; ++y) {
        rowSource(y, row);
        deflater.AddRow(row, above);
        std::swap(row, above);
        if (!row)
            row = rows.data() + rowSize;
    }
    part.Adler = deflater.Finish();
    return part;
}

// Below this a second thread costs more than it saves.
constexpr std::size_t kMinSplitBytes = 256 * 1024;

} // namespace

void AppendDeflatedRows(QByteArray& out, std::size_t rowSize, std::size_t rowCount, const TRowSource& rowSource)
{
    std::uint32_t adler = 0;
    if (rowCount < 2 || rowSize * rowCount < kMinSplitBytes || std::thread::hardware_concurrency() < 2) {
        const TDeflatedPart whole = DeflatePart(rowSize, 0, rowCount, rowCount, rowSource);
        out.append(whole.Bytes);
        adler = whole.Adler;
    } else {
        const std::size_t middle = rowCount / 2;
        // Deferred (run here on get) when no thread can be started.
        auto bottom = std::async(std::launch::async | std::launch::deferred, DeflatePart, rowSize, middle, rowCount,
                                 rowCount, std::cref(rowSource));
        const TDeflatedPart top = DeflatePart(rowSize, 0, middle, rowCount, rowSource);
        const TDeflatedPart rest = bottom.get();
        out.append(top.Bytes);
        out.append(rest.Bytes);
        adler = static_cast<std::uint32_t>(
            adler32_combine(top.Adler, rest.Adler, static_cast<z_off_t>(rowSize * (rowCount - middle))));
    }
    char trailer[4];
    qToBigEndian(adler, trailer);
    out.append(trailer, 4);
}

} // namespace qm
