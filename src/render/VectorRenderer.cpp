#include "VectorRenderer.h"

#include "CanvasX.h"

namespace qm {

std::vector<char> RenderVectorFile(const TObjectTree& tree, TVectorFormat format, std::int32_t width,
                                   std::int32_t height, const TCanvasBackground& background, const std::string& title)
{
    TCanvasBackground withoutGrid = background;
    withoutGrid.ShowGrid = false;
    return DrawVectorFile(format, width, height, title,
                          [&](TCanvas& canvas) { RenderDrawing(canvas, tree, width, height, withoutGrid); });
}

} // namespace qm
