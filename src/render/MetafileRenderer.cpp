#include "MetafileRenderer.h"

#include "MetaFileX.h"

namespace qm {

TMetafileRenderer::TMetafileRenderer(const TObjectTree& tree, TSurfaceX& surface)
    : renderer_(tree, surface, TArrowRules{.AlongChord = true, .OnClosedShapes = true})
{
}

int TMetafileRenderer::MetaDrawSubtree(TTreeNode* node)
{
    return renderer_.RenderSubtree(node);
}

std::vector<char> RenderMetafile(const TObjectTree& tree, std::int32_t width, std::int32_t height)
{
    TMetaFileX surface;
    surface.InitMeta(width, height);
    TMetafileRenderer(tree, surface).MetaDrawSubtree(tree.ObjectRoot());
    return surface.FinishMetafile();
}

} // namespace qm
