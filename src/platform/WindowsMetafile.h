#pragma once

#include "EnhancedMetafile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qm {

// What the headers of a Windows metafile (WMF) say.
struct TWindowsMetafileInfo {
    // In logical units: the placeable header's box, or for a file without
    // one the window its records set, at one unit per pixel.
    TMetafileFrame Frame;
    std::uint32_t Objects = 0; // size of the object table
    std::size_t FirstRecord = 0;
};

// Checks the headers and that the records, each of a sound size, chain up
// to the end-of-file record. Nothing when the bytes are not such a
// metafile; `error` then says why (Japanese, UTF-8).
std::optional<TWindowsMetafileInfo> ReadWindowsMetafile(std::span<const char> bytes, std::string& error);

// Plays the records onto the canvas with the frame stretched over the box.
// Face names and text are CP932 bytes. The bytes must have passed
// ReadWindowsMetafile; records the player does not know, and records whose
// contents do not add up, are skipped.
void PlayWindowsMetafile(std::span<const char> bytes, const TWindowsMetafileInfo& info, TCanvas& canvas,
                         double left, double top, double width, double height);

} // namespace qm
