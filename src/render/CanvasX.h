#pragma once

#include "DocumentRenderer.h"
#include "DrawingIndex.h"
#include "SurfaceX.h"

#include "model/ObjectTree.h"
#include "platform/Canvas.h"
#include "qtplatform/Bitmap.h"

#include <cstdint>
#include <span>

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
// `bands`, the bitmap `canvas` draws on: a part of many items is drawn in
// two bands, the lower one on the bitmap's thread beside this one.
void RenderDrawingPart(TCanvas& canvas, const TObjectTree& tree, TDrawingIndex& index, const TRect& area,
                       std::int32_t width, std::int32_t height, const TCanvasBackground& background,
                       bool leaveOutHidden = false, TBitmap* bands = nullptr);
// Of `candidates`, items of `index` in drawing order with their bounds, the
// parts that show in `part` (inclusive pixels), drawn over what the canvas
// holds while every pen copies: the items added on top of a picture
// (TDrawingIndex::TDamage), or those of the drawing meeting the part over
// its background. `bands` as above.
void RenderCandidatesInPart(TCanvas& canvas, const TObjectTree& tree, const TDrawingIndex& index, const TRect& part,
                            const std::vector<TDrawingIndex::TCandidate>& candidates, TBitmap* bands = nullptr);
// The nodes' own items, in the order given, on the bitmap's canvas clipped
// to `part` (inclusive pixels). With a box for every item in `showing`
// (showing[k] holds all of items[k] that shows), each item is clipped to
// its box, and many items are drawn in two bands as above, each taking the
// items whose boxes meet it.
void RenderItemsInPart(TBitmap& bitmap, const TObjectTree& tree, const TRect& part, std::span<TTreeNode* const> items,
                       std::span<const TRect> showing);

} // namespace qm
