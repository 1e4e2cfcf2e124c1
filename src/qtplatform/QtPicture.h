#pragma once

#include "platform/Canvas.h"

#include <QImage>

namespace qm {

// The picture stretched to width x height on white, as a preview shows it.
// A metafile is played at that size, so a large one costs no large image.
QImage StretchedPictureImage(const TGraphic& picture, int width, int height);

} // namespace qm
