#include "Picture.h"

#include "Bitmap.h"
#include "QtBitmap.h"
#include "QtPicture.h"

#include "platform/MetafilePicture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <limits>

namespace qm {

namespace {

TPictureRead Failure(const QString& reason)
{
    return {nullptr, reason.toStdString()};
}

std::uint32_t LittleEndian(const QByteArray& bytes, qsizetype offset, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[offset + i]);
    return value;
}

// Whether the headers and, for an uncompressed bitmap, the rows as they lay
// them out lie in the file. The reader would make up what is missing, each
// row costing as much as a real one: a few bytes could ask for millions of
// pixels.
bool IsComplete(const QByteArray& bytes, const QSize& size)
{
    // After the 14-byte file header: the OS/2 core header of 12 bytes (bit
    // count at 24, never compressed) or BITMAPINFOHEADER and its successors
    // of 40 bytes and more (bit count at 28, compression at 30).
    if (bytes.size() < 14 + 12)
        return false;
    const std::uint32_t headerSize = LittleEndian(bytes, 14, 4);
    if (bytes.size() < 14 + std::min<qsizetype>(headerSize, 40))
        return false; // the header itself is cut short
    std::int64_t bitsPerPixel = 0;
    if (headerSize == 12) {
        bitsPerPixel = LittleEndian(bytes, 24, 2);
    } else if (headerSize >= 40) {
        const std::uint32_t compression = LittleEndian(bytes, 30, 4);
        constexpr std::uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
        if (compression != kRgb && compression != kBitFields && compression != kAlphaBitFields)
            return true;
        bitsPerPixel = LittleEndian(bytes, 28, 2);
    } else {
        return true;
    }
    const std::int64_t rowBytes = (size.width() * bitsPerPixel + 31) / 32 * 4;
    return std::int64_t{LittleEndian(bytes, 10, 4)} + rowBytes * size.height() <= bytes.size();
}

TPictureRead ReadBitmap(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "bmp");
    // The reader gives the header's height, which is negative for rows
    // stored from the top down; the picture is that high all the same.
    QSize size = reader.size();
    if (size.height() < 0 && size.height() != std::numeric_limits<int>::min())
        size.setHeight(-size.height());
    if (!size.isValid())
        return Failure(QStringLiteral("ビットマップとして読めません"));
    if (std::int64_t{size.width()} * size.height() > kMaxPicturePixels)
        return Failure(QStringLiteral("画像が大きすぎます (%1 × %2)").arg(size.width()).arg(size.height()));
    if (!IsComplete(bytes, size))
        return Failure(QStringLiteral("ファイルが途中で切れています"));
    const QImage image = reader.read();
    if (image.isNull())
        return Failure(QStringLiteral("ビットマップとして読めません"));
    return {BitmapFromImage(image), {}};
}

TPictureRead ReadMetafile(const QByteArray& bytes, TMetafileFormat format)
{
    std::string error;
    auto picture = TMetafilePicture::FromBytes({bytes.begin(), bytes.end()}, format, error);
    return {std::move(picture), std::move(error)};
}

} // namespace

TPictureRead ReadPictureFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("bmp") && suffix != QLatin1String("emf") && suffix != QLatin1String("wmf"))
        return Failure(QStringLiteral("拡張子 .%1 の画像は読めません").arg(QFileInfo(path).suffix()));

    // A pipe would block the open and a device never end.
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        return Failure(QStringLiteral("通常のファイルではありません"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure(file.errorString());
    if (file.size() > kMaxPictureFileBytes)
        return Failure(QStringLiteral("ファイルが大きすぎます"));
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Failure(file.errorString());

    if (suffix == QLatin1String("bmp"))
        return ReadBitmap(std::move(bytes));
    return ReadMetafile(bytes,
                        suffix == QLatin1String("emf") ? TMetafileFormat::Enhanced : TMetafileFormat::Windows);
}

QImage StretchedPictureImage(const TGraphic& picture, int width, int height)
{
    if (width < 1 || height < 1)
        return {};
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&picture)) {
        if (bitmap->IsEmpty())
            return {};
        return BitmapImage(*bitmap).scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    TBitmap preview(width, height);
    TCanvas& canvas = preview.Canvas();
    canvas.SetBrush({clWhite, bsSolid});
    canvas.FillRect(0, 0, width, height);
    if (const auto* metafile = dynamic_cast<const TMetafilePicture*>(&picture))
        metafile->DrawStretched(canvas, 0, 0, width, height);
    else
        picture.DrawOn(canvas, 0, 0);
    return BitmapImage(preview).copy();
}

} // namespace qm
