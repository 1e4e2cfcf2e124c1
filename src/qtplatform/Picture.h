#pragma once

#include "platform/Canvas.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

namespace qm {

// A picture read from a file, or why it could not be read.
struct TPictureRead {
    std::unique_ptr<TGraphic> Picture;
    std::string Error; // Japanese, UTF-8; set when Picture is null
};

// Reads a picture for tracing: ".bmp" as a bitmap, ".emf" and ".wmf" as
// metafiles, chosen by the extension in any case. The file is read whole,
// so one beyond kMaxPictureFileBytes is refused, as is a bitmap of more than
// kMaxPicturePixels pixels.
TPictureRead ReadPictureFile(const QString& path);

inline constexpr std::int64_t kMaxPictureFileBytes = std::int64_t{64} << 20;
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 25;

} // namespace qm
