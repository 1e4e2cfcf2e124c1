#pragma once

#include "Bitmap.h"

#include <QImage>

namespace qm {

// The picture of a bitmap for Qt code (showing it, saving it): drawing on
// the bitmap's canvas has ended, so the image is complete and may be copied.
const QImage& BitmapImage(const TBitmap& bitmap);

// A bitmap with the image's pixels (as RGB32). An image beyond what one
// bitmap may hold (TBitmap::kMaxPixels) gives an empty bitmap.
std::unique_ptr<TBitmap> BitmapFromImage(const QImage& image);

} // namespace qm
