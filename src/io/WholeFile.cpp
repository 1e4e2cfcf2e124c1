#include "WholeFile.h"

#include "FileError.h"

#include <QSaveFile>

namespace qm {

void WriteWholeFile(const QString& path, std::span<const char> bytes, bool sayWhy)
{
    const auto size = static_cast<qint64>(bytes.size());
    QSaveFile file(path);
    if (bytes.empty() || !file.open(QIODevice::WriteOnly) || file.write(bytes.data(), size) != size
        || !file.commit()) {
        throw TFileError(TFileError::TKind::CannotCreate, path,
                         sayWhy && !bytes.empty() ? file.errorString().toStdString() : std::string());
    }
}

} // namespace qm
