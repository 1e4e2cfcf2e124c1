#include "PictureLoader.h"

#include "io/FileError.h"
#include "qtplatform/Picture.h"

namespace qm {

std::unique_ptr<TGraphic> LoadPicture(const QString& path)
{
    TPictureRead read = ReadPictureFile(path);
    if (!read.Picture)
        throw TFileError(TFileError::TKind::CannotOpen, path, read.Error);
    return std::move(read.Picture);
}

} // namespace qm
