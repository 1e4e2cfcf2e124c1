#include "BitmapFile.h"

#include "Bitmap.h"
#include "PngEncoder.h"
#include "QtBitmap.h"

#include <QBuffer>

namespace qm {

namespace {

// Both formats record the resolution; the canvas's pixels are 96 to the inch.
constexpr int kDotsPerMetre = 3780;

} // namespace

QByteArray EncodeBitmapFile(const TBitmap& bitmap, TBitmapFileFormat format)
{
    if (bitmap.IsEmpty())
        return {};
    QImage image = BitmapImage(bitmap);
    image.setDotsPerMeterX(kDotsPerMetre);
    image.setDotsPerMeterY(kDotsPerMetre);
    if (format == TBitmapFileFormat::Png)
        return EncodePng(image, kDotsPerMetre);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP"))
        return {};
    return bytes;
}

} // namespace qm
