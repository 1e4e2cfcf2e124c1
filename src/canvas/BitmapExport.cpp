#include "BitmapExport.h"

#include "io/FileError.h"
#include "qtplatform/Bitmap.h"

#include <QSaveFile>

namespace qm {

void ExportBitmap(const TBitmap& surface, const QString& path, TBitmapFileFormat format)
{
    if (surface.IsEmpty()) {
        throw TFileError(TFileError::TKind::CannotCreate, path,
                         QStringLiteral("キャンバスの幅か高さが 0 です").toStdString());
    }
    const QByteArray bytes = EncodeBitmapFile(surface, format);
    if (bytes.isEmpty())
        throw TFileError(TFileError::TKind::CannotCreate, path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw TFileError(TFileError::TKind::CannotCreate, path, file.errorString().toStdString());
}

} // namespace qm
