// Trace pictures: BMP through the picture file reader, EMF and WMF through
// the metafile checks and the player, each drawn onto a small raster canvas
// at its own size and stretched, as the canvas and the settings dialog do.
#include "FuzzSupport.h"
#include "FuzzTargets.h"

#include "platform/MetafilePicture.h"
#include "qtplatform/Bitmap.h"
#include "qtplatform/Picture.h"
#include "qtplatform/QtPicture.h"

namespace qm::fuzz {

namespace {

constexpr std::int32_t kCanvasSide = 48;
constexpr int kPreviewSide = 24;

void DrawEveryWay(const TGraphic& picture)
{
    TBitmap canvas(kCanvasSide, kCanvasSide);
    picture.DrawOn(canvas.Canvas(), 0, 0);
    StretchedPictureImage(picture, kPreviewSide, kPreviewSide);
}

int MetafileInput(const std::uint8_t* data, std::size_t size, TMetafileFormat format)
{
    std::string error;
    const auto* bytes = reinterpret_cast<const char*>(data);
    const auto picture = TMetafilePicture::FromBytes({bytes, bytes + size}, format, error);
    RequireThat(picture || !error.empty(), "a refused metafile without a reason");
    if (picture)
        DrawEveryWay(*picture);
    return 0;
}

} // namespace

int BitmapPictureInput(const std::uint8_t* data, std::size_t size)
{
    const TPictureRead read = ReadPictureFile(InputFile(QStringLiteral("input.bmp"), data, size));
    RequireThat(read.Picture || !read.Error.empty(), "a refused bitmap without a reason");
    if (read.Picture)
        DrawEveryWay(*read.Picture);
    return 0;
}

int EnhancedMetafileInput(const std::uint8_t* data, std::size_t size)
{
    return MetafileInput(data, size, TMetafileFormat::Enhanced);
}

int WindowsMetafileInput(const std::uint8_t* data, std::size_t size)
{
    return MetafileInput(data, size, TMetafileFormat::Windows);
}

} // namespace qm::fuzz
