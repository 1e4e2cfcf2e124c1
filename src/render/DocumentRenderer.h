#pragma once

#include "BitmapX.h"
#include "SurfaceX.h"

#include "model/ObjectTree.h"
#include "platform/Canvas.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace qm {

// What lies under the drawing: the canvas window's background colour and
// grid step, and the switches that the settings dialog and the main menu
// hold, with the dialog's trace picture.
struct TCanvasBackground {
    TColor BackColor = clWhite;
    std::int32_t GridStep = 10;
    bool ShowGrid = false;              // "グリッドを表示する"
    bool UseTraceImage = false;         // "トレース用画像を使う"
    bool TraceImageMenuChecked = false; // main menu "トレース画像"
    const TGraphic* TracePicture = nullptr;
};

// Prepares the surface for a full render: background colour, the trace
// picture when both switches are on, then the grid from the top-left
// corner. A grid step below 1 is taken as 1.
void ClearCanvas(TBitmapX& surface, const TCanvasBackground& background);
// The same on any canvas, over width x height canvas units.
void DrawBackground(TCanvas& canvas, std::int32_t width, std::int32_t height, const TCanvasBackground& background);

// How a document walk places arrowheads. The canvas follows the end
// segments of open figures; the metafile export follows the chord between
// the first and last vertex, on closed figures too.
struct TArrowRules {
    bool AlongChord = false;
    bool OnClosedShapes = false;
};

// Draws a document onto a surface item by item, in the priority order of
// the tree, exactly as the canvas window shows it.
class TDocumentRenderer {
public:
    TDocumentRenderer(const TObjectTree& tree, TSurfaceX& surface, TArrowRules arrows = {});

    // The node's item and, in drawing order, its descendants. Refuses (-1)
    // an absent node, the trash and Temp nodes and an inactive item, whose
    // subtrees are skipped as well.
    int RenderSubtree(TTreeNode* node);
    // The nodes RenderSubtree draws from `node`, in its order.
    std::vector<TTreeNode*> SubtreeItems(TTreeNode* node) const;
    // The whole document from the Object root.
    void RepaintAll();
    // Just these nodes' own items, in the order given (their descendants
    // only when listed): the items of a part of the picture drawn again.
    void RenderItems(std::span<TTreeNode* const> nodes);
    // A box sure to hold whatever drawing the node's own item claims on a
    // bounds canvas, worked out from its placed points alone, far cheaper
    // than drawing it; none when only drawing tells: text is laid out by
    // measuring.
    std::optional<TRect> RoughBounds(const TTreeNode* node);
    // Whether two records make the same drawing calls when placed about the
    // same origin (TObjectTree::PlacementOrigin): every field the drawing
    // reads is equal. The caption, name, id and priority are not read, nor
    // is Active, which only decides whether the walk draws the item.
    static bool DrawnAlike(const TItemObject& a, const TItemObject& b);
    // Whether the record's drawing calls take its place from its placed
    // points alone: not a Bezier outline with a segment whose control
    // points the record lacks, drawn through the canvas origin.
    static bool PlacedByPointsAlone(const TItemObject& item);

private:
    bool Refuses(const TTreeNode* node) const;
    template <typename Visit>
    void WalkSubtree(TTreeNode* node, Visit&& visit) const;
    void RenderItem(const TTreeNode* node);
    // Lines, arrows, curves.
    void RenderOpenShape(const TTreeNode* node);
    // Rectangles and polygons, drawn as closed paths.
    void RenderClosedShape(const TTreeNode* node);
    // Ellipses, from vertices 0 and 2 as corners of the box.
    void RenderEllipseItem(const TTreeNode* node);
    // Placed vertices and control points, each list `size` entries long.
    void PlacePoints(const TTreeNode* node, std::size_t size);
    void DrawOutline(const TItemObject& item, std::span<const TPoint> path, int segments);
    void DrawArrowheads(const TItemObject& item, int count);
    void DrawText(const TTreeNode* node);

    const TObjectTree& tree_;
    TSurfaceX& surface_;
    TArrowRules arrows_;
    TPointArray points_;
    TPointArray controls1_;
    TPointArray controls2_;
};

} // namespace qm
