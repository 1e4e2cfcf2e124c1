#pragma once

#include "Canvas.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace qm {

// Where the picture of a metafile lies and how large it shows.
struct TMetafileFrame {
    // The picture's rectangle in the units its records end up in: reference
    // device pixels for EMF, logical units for WMF.
    double Left = 0;
    double Top = 0;
    double Width = 0;
    double Height = 0;
    // Its size on the 96 pixels-per-inch canvas.
    std::int64_t PixelWidth = 0;
    std::int64_t PixelHeight = 0;
};

// What the header of an enhanced metafile (EMF) says.
struct TEnhancedMetafileInfo {
    TMetafileFrame Frame;
    std::uint32_t Handles = 0; // size of the object table
    double PixelsPerMmX = 0;   // of the reference device
    double PixelsPerMmY = 0;
};

// Checks the header and that the records, each of a sound size, chain up to
// the end-of-file record. Nothing when the bytes are not such a metafile;
// `error` then says why (Japanese, UTF-8).
std::optional<TEnhancedMetafileInfo> ReadEnhancedMetafile(std::span<const char> bytes, std::string& error);

// Plays the records onto the canvas with the frame stretched over the box.
// The bytes must have passed ReadEnhancedMetafile. Records the player does
// not know, and records whose contents do not add up, are skipped.
void PlayEnhancedMetafile(std::span<const char> bytes, const TEnhancedMetafileInfo& info, TCanvas& canvas,
                          double left, double top, double width, double height);

} // namespace qm
