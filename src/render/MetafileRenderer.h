#pragma once

#include "DocumentRenderer.h"
#include "SurfaceX.h"

#include "model/ObjectTree.h"

#include <cstdint>
#include <vector>

namespace qm {

// The tree window's drawing of the document into a metafile: the canvas's
// walk and item drawing, except that arrowheads follow the chord between
// the first and last vertex and appear on rectangles and polygons too.
class TMetafileRenderer {
public:
    // `surface` is normally a TMetaFileX.
    TMetafileRenderer(const TObjectTree& tree, TSurfaceX& surface);

    // The node's item and its descendants in drawing order; -1 for an
    // absent node, the trash and Temp nodes and an inactive item.
    int MetaDrawSubtree(TTreeNode* node);
    // Lines, arrows, curves (types 2, 3, 4).
    void MetaDrawOpenShape(const TTreeNode* node) { renderer_.RenderOpenShape(node); }
    // Rectangles and polygons (types 0, 5), closed, with arrowheads.
    void MetaDrawClosedShape(const TTreeNode* node) { renderer_.RenderClosedShape(node); }
    // Ellipses (type 1).
    void MetaDrawEllipseItem(const TTreeNode* node) { renderer_.RenderEllipseItem(node); }

private:
    TDocumentRenderer renderer_;
};

// The whole document from the Object root drawn into an enhanced metafile
// of width x height pixels: the bytes of the metafile file, empty when the
// picture could not be built.
std::vector<char> RenderMetafile(const TObjectTree& tree, std::int32_t width, std::int32_t height);

} // namespace qm
