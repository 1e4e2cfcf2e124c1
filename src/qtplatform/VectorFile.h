#pragma once

#include "platform/Canvas.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm {

enum class TVectorFormat { Svg, Pdf };

// A vector document of width x height canvas units, one unit a pixel at 96
// per inch (sizes below one unit are taken as one), drawn by `draw` on a
// painter canvas that keeps text as characters: the bytes of its file, empty
// when it could not be made.
//
// SVG: UTF-8, the drawing's shapes as paths and its text as text elements
// whose font family lists the family that draws it, then the face name the
// drawing gave when that differs (a Windows face drawn by its stand-in), so
// a reader with the Windows fonts uses them. PDF: one page of the canvas
// size, text as text with the fonts' subsets embedded. `title` (UTF-8)
// names the document in both.
std::vector<char> DrawVectorFile(TVectorFormat format, std::int32_t width, std::int32_t height,
                                 const std::string& title, const std::function<void(TCanvas&)>& draw);

} // namespace qm
