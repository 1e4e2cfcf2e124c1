#include "VectorExport.h"

#include "io/WholeFile.h"
#include "render/VectorRenderer.h"

#include <QFileInfo>

namespace qm {

void ExportVectorFile(const QString& path, TVectorFormat format, const TObjectTree& tree, std::int32_t width,
                      std::int32_t height, const TCanvasBackground& background)
{
    const std::string title = QFileInfo(path).completeBaseName().toStdString();
    WriteWholeFile(path, RenderVectorFile(tree, format, width, height, background, title));
}

} // namespace qm
