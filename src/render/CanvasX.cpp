#include "CanvasX.h"

namespace qm {

void RenderDrawing(TCanvas& canvas, const TObjectTree& tree, std::int32_t width, std::int32_t height,
                   const TCanvasBackground& background)
{
    DrawBackground(canvas, width, height, background);
    TCanvasX surface(canvas);
    TDocumentRenderer(tree, surface).RepaintAll();
}

void RenderDrawingPart(TCanvas& canvas, const TObjectTree& tree, TDrawingIndex& index, const TRect& area,
                       std::int32_t width, std::int32_t height, const TCanvasBackground& background,
                       bool leaveOutHidden)
{
    const TRect part = area.Intersected({0, 0, width - 1, height - 1});
    if (part.IsEmpty())
        return;
    canvas.SetClip(part.Left, part.Top, part.Right + 1, part.Bottom + 1);
    DrawBackground(canvas, width, height, background);
    TCanvasX surface(canvas);
    TDocumentRenderer renderer(tree, surface);
    for (const TDrawingIndex::TPartItem& item : index.ItemsMeeting(part, leaveOutHidden)) {
        if (item.PenModeBefore) {
            TPen pen = canvas.Pen();
            pen.Mode = *item.PenModeBefore;
            canvas.SetPen(pen);
        }
        renderer.RenderItems({&item.Node, 1});
    }
    canvas.ClearClip();
}

} // namespace qm
