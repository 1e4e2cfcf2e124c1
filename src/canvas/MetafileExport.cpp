#include "MetafileExport.h"

#include "io/WholeFile.h"
#include "render/MetafileRenderer.h"

namespace qm {

int ExportMetafile(const QString& path, const TObjectTree& tree, std::int32_t width, std::int32_t height)
{
    if (path.isEmpty())
        return -1;
    WriteWholeFile(path, RenderMetafile(tree, width, height), false);
    return 0;
}

} // namespace qm
