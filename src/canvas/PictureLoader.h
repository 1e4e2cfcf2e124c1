#pragma once

#include "platform/Canvas.h"

#include <QString>

#include <memory>

namespace qm {

// Loads a trace picture (".bmp", ".emf" or ".wmf", by extension in any
// case). Throws TFileError ("ファイル %s は開けません", with the reason) when
// the file cannot be read as a picture; the caller's picture stays as it was.
std::unique_ptr<TGraphic> LoadPicture(const QString& path);

} // namespace qm
