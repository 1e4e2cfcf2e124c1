#pragma once

#include "MetafileDevice.h"

#include <uemf.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace qm {

// The bytes of one metafile record. Every count, offset and length in a
// record comes from the file, so every read is checked against the record's
// end in 64-bit arithmetic before anything is read or allocated.
class TRecordBytes {
public:
    TRecordBytes(const char* data, std::size_t size) : data_(data), size_(size) {}

    const char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

    // True when `count` items of `itemSize` bytes lie within the record from `offset` on.
    bool Holds(std::uint64_t offset, std::uint64_t count, std::uint64_t itemSize) const
    {
        if (offset > size_)
            return false;
        return itemSize == 0 || count <= (size_ - offset) / itemSize;
    }

    template <typename T>
    std::optional<T> Get(std::uint64_t offset) const
    {
        if (!Holds(offset, 1, sizeof(T)))
            return std::nullopt;
        T value;
        std::memcpy(&value, data_ + offset, sizeof(T));
        return value;
    }

    // `count` points of two coordinates of type `Coordinate` from `offset`
    // on; nothing when they run past the record.
    template <typename Coordinate>
    std::optional<std::vector<TLogicalPoint>> Points(std::uint64_t offset, std::uint64_t count) const
    {
        if (!Holds(offset, count, 2 * sizeof(Coordinate)))
            return std::nullopt;
        std::vector<TLogicalPoint> points(static_cast<std::size_t>(count));
        const char* at = data_ + offset;
        for (TLogicalPoint& point : points) {
            Coordinate xy[2];
            std::memcpy(xy, at, sizeof(xy));
            point = {static_cast<double>(xy[0]), static_cast<double>(xy[1])};
            at += sizeof(xy);
        }
        return points;
    }

    template <typename Count>
    std::optional<std::vector<std::uint32_t>> Counts(std::uint64_t offset, std::uint64_t count) const
    {
        if (!Holds(offset, count, sizeof(Count)))
            return std::nullopt;
        std::vector<std::uint32_t> counts(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < counts.size(); ++i) {
            Count value;
            std::memcpy(&value, data_ + offset + i * sizeof(Count), sizeof(Count));
            counts[i] = value;
        }
        return counts;
    }

private:
    const char* data_;
    std::size_t size_;
};

inline TColor ColorOf(const U_COLORREF& color)
{
    return RGB(color.Red, color.Green, color.Blue);
}

// Characters of CP932 text (single bytes and double-byte pairs), each with
// the sum of the advances its bytes are given, when they are.
std::vector<TTextCharacter> Cp932TextCharacters(std::string_view text, std::span<const double> byteAdvances);

} // namespace qm
