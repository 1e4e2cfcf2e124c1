#pragma once

#include "Bitmap.h"

#include <QImage>

namespace qm {

// The picture of a bitmap for Qt code (showing it, saving it): drawing on
// the bitmap's canvas has ended, so the image is complete and may be copied.
const QImage& BitmapImage(const TBitmap& bitmap);

} // namespace qm
