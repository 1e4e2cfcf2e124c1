#include "BitmapFile.h"

#include "Bitmap.h"
#include "QtBitmap.h"

#include <QBuffer>

namespace qm {

namespace {

// Both formats record the resolution; the canvas's pixels are 96 to the inch.
constexpr int kDotsPerMetre = 3780;
// Qt's PNG quality 80 is zlib's fastest compression: a PNG is written about
// as fast as a bitmap of the same picture, at twice the size of the
// default compression and a small part of the bitmap's.
constexpr int kPngQuality = 80;

} // namespace

QByteArray EncodeBitmapFile(const TBitmap& bitmap, TBitmapFileFormat format)
{
    if (bitmap.IsEmpty())
        return {};
    QImage image = BitmapImage(bitmap);
    image.setDotsPerMeterX(kDotsPerMetre);
    image.setDotsPerMeterY(kDotsPerMetre);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    const bool png = format == TBitmapFileFormat::Png;
    if (!image.save(&buffer, png ? "PNG" : "BMP", png ? kPngQuality : -1))
        return {};
    return bytes;
}

} // namespace qm
