#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

class TIniFile;

// A numbered key: the name followed directly by the decimal index ("PX0", "CoItem12").
std::string NumberedKey(std::string_view name, std::int32_t index);

// The most points an INI file of `fileBytes` bytes can describe: each needs two
// entries of at least five bytes. Small files may name up to 4096 points, so
// hand-written files that leave the points to their defaults still read.
std::int64_t MaxPointCount(std::int64_t fileBytes);

// The error for a point count beyond MaxPointCount.
[[noreturn]] void ThrowPointCountTooLarge(const QString& path, std::int32_t count);

} // namespace qm
