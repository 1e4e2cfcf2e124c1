#include "CanvasX.h"

namespace qm {

void RenderDrawing(TCanvas& canvas, const TObjectTree& tree, std::int32_t width, std::int32_t height,
                   const TCanvasBackground& background)
{
    DrawBackground(canvas, width, height, background);
    TCanvasX surface(canvas);
    TDocumentRenderer(tree, surface).RepaintAll();
}

} // namespace qm
