#pragma once

#include "DocumentRenderer.h"
#include "DrawingIndex.h"
#include "SurfaceX.h"

#include "model/ObjectTree.h"
#include "platform/Canvas.h"

#include <cstdint>

namespace qm {

// The primitives of TSurfaceX, exactly as the raster surface walks them, on
// a canvas owned elsewhere: a painter canvas for a zoomed or smoothed view,
// a printer page or a vector file.
class TCanvasX final : public TSurfaceX {
public:
    explicit TCanvasX(TCanvas& canvas) : canvas_(canvas) {}

    TCanvas& Canvas() override { return canvas_; }

private:
    TCanvas& canvas_;
};

// The canvas window's picture without its marks on any canvas of width x
// height canvas units: the background (with the grid and the trace picture
// as `background` switches them), then the document from the Object root.
void RenderDrawing(TCanvas& canvas, const TObjectTree& tree, std::int32_t width, std::int32_t height,
                   const TCanvasBackground& background);
// The part `area` (inclusive canvas pixels) of the same, drawn again over
// what the canvas holds, clipped to it: the background there, then only the
// items whose bounds in `index` meet it. The pixels come out as a whole
// RenderDrawing would make them. `leaveOutHidden`, for a raster canvas at
// one to one without smoothing: the items others hide there are not drawn.
void RenderDrawingPart(TCanvas& canvas, const TObjectTree& tree, TDrawingIndex& index, const TRect& area,
                       std::int32_t width, std::int32_t height, const TCanvasBackground& background,
                       bool leaveOutHidden = false);

} // namespace qm
