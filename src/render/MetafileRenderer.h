#pragma once

#include "DocumentRenderer.h"

#include "model/ObjectTree.h"

#include <cstdint>
#include <vector>

namespace qm {

// The metafile export draws the document as the canvas does, except that
// arrowheads follow the chord between the first and last vertex and appear
// on rectangles and polygons too.
inline constexpr TArrowRules kMetafileArrowRules{.AlongChord = true, .OnClosedShapes = true};

// The whole document from the Object root drawn into an enhanced metafile
// of width x height pixels: the bytes of the metafile file, empty when the
// picture could not be built.
std::vector<char> RenderMetafile(const TObjectTree& tree, std::int32_t width, std::int32_t height);

} // namespace qm
