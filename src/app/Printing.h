#pragma once

#include "model/ObjectTree.h"
#include "render/DocumentRenderer.h"

#include <cstdint>

class QPrinter;

namespace qm {

// How the drawing meets the page: fitted to the page's printable area
// (proportions kept, centred), or at 100 %, 96 canvas pixels to the inch,
// from the area's top-left corner, on as many pages as it takes (left to
// right, then down).
enum class TPrintScale { FitToPage, ActualSize };

// Prints the drawing as the canvas shows it without grid and marks
// (`background` under it) on `printer`, as vectors with text as
// text. The printer must not be printing already. False when the printer
// could not be started.
bool PrintDrawing(QPrinter& printer, const TObjectTree& tree, std::int32_t width, std::int32_t height,
                  const TCanvasBackground& background, TPrintScale scale);

} // namespace qm
