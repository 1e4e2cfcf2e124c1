#pragma once

#include <QByteArray>

namespace qm {

class TBitmap;

enum class TBitmapFileFormat { Bmp, Png };

// The bitmap's pixels as the bytes of an image file: a Windows BMP (24 bits
// per pixel, bottom-up rows, 96 pixels per inch) or a PNG. Empty when the
// bitmap is empty or cannot be encoded.
QByteArray EncodeBitmapFile(const TBitmap& bitmap, TBitmapFileFormat format);

} // namespace qm
