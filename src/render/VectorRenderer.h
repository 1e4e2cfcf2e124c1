#pragma once

#include "DocumentRenderer.h"

#include "model/ObjectTree.h"
#include "qtplatform/VectorFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// The drawing as the canvas window shows it without grid and marks
// (RenderDrawing) in an SVG or PDF document of width x height pixels: the
// bytes of its file, empty when it could not be made. `title` is UTF-8.
std::vector<char> RenderVectorFile(const TObjectTree& tree, TVectorFormat format, std::int32_t width,
                                   std::int32_t height, const TCanvasBackground& background, const std::string& title);

} // namespace qm
