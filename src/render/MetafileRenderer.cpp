#include "MetafileRenderer.h"

#include "MetaFileX.h"

namespace qm {

std::vector<char> RenderMetafile(const TObjectTree& tree, std::int32_t width, std::int32_t height)
{
    TMetaFileX surface;
    surface.InitMeta(width, height);
    TDocumentRenderer(tree, surface, kMetafileArrowRules).RenderSubtree(tree.ObjectRoot());
    return surface.FinishMetafile();
}

} // namespace qm
