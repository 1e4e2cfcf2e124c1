#include "BitmapExport.h"

#include "io/FileError.h"
#include "io/WholeFile.h"
#include "qtplatform/Bitmap.h"

namespace qm {

void ExportBitmap(const TBitmap& surface, const QString& path, TBitmapFileFormat format)
{
    if (surface.IsEmpty()) {
        throw TFileError(TFileError::TKind::CannotCreate, path,
                         QStringLiteral("キャンバスの幅か高さが 0 です").toStdString());
    }
    const QByteArray bytes = EncodeBitmapFile(surface, format);
    WriteWholeFile(path, std::span<const char>(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace qm
