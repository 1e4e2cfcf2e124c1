#include "MetafileExport.h"

#include "io/FileError.h"
#include "render/MetafileRenderer.h"

#include <QSaveFile>

namespace qm {

int ExportMetafile(const QString& path, const TObjectTree& tree, std::int32_t width, std::int32_t height)
{
    if (path.isEmpty())
        return -1;
    const std::vector<char> bytes = RenderMetafile(tree, width, height);
    const auto size = static_cast<qint64>(bytes.size());
    QSaveFile file(path);
    if (bytes.empty() || !file.open(QIODevice::WriteOnly) || file.write(bytes.data(), size) != size || !file.commit())
        throw TFileError(TFileError::TKind::CannotCreate, path);
    return 0;
}

} // namespace qm
