#pragma once

#include "qtplatform/BitmapFile.h"

#include <QString>

namespace qm {

class TBitmap;

// Saves the drawing surface as a Windows BMP (24 bits per pixel) of its own
// size, or as a PNG with the same pixels. The file is written beside `path`
// and put in its place only when complete, so a failure leaves an existing
// file as it was. Throws TFileError ("ファイル %s を作成できません"), also for an
// empty surface, which no bitmap file can hold.
void ExportBitmap(const TBitmap& surface, const QString& path, TBitmapFileFormat format = TBitmapFileFormat::Bmp);

} // namespace qm
