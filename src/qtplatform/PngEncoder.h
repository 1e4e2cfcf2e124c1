#pragma once

#include <QByteArray>

class QImage;

namespace qm {

// An opaque image (RGB32) as the bytes of a PNG file: 8-bit RGB, each row
// filtered by its left neighbour and deflated by TRowDeflater. Drawings are
// mostly runs of one colour, which that filter turns into runs of zeros, and
// rows that repeat the one above, so the file is small and written about as
// fast as a bitmap file. `dotsPerMetre` is recorded as the resolution.
QByteArray EncodePng(const QImage& image, int dotsPerMetre);

} // namespace qm
