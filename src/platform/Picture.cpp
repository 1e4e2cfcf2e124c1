#include "Picture.h"

#include "Bitmap.h"
#include "MetafilePicture.h"
#include "QtBitmap.h"
#include "QtPicture.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace qm {

namespace {

TPictureRead Failure(const QString& reason)
{
    return {nullptr, reason.toStdString()};
}

TPictureRead ReadBitmap(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer, "bmp");
    const QSize size = reader.size();
    if (!size.isValid())
        return Failure(QStringLiteral("ビットマップとして読めません"));
    if (std::int64_t{size.width()} * size.height() > kMaxPicturePixels)
        return Failure(QStringLiteral("画像が大きすぎます (%1 × %2)").arg(size.width()).arg(size.height()));
    const QImage image = reader.read();
    if (image.isNull())
        return Failure(QStringLiteral("ビットマップとして読めません"));
    return {BitmapFromImage(image), {}};
}

TPictureRead ReadMetafile(QByteArray bytes, TMetafileFormat format)
{
    std::string error;
    auto picture = TMetafilePicture::FromBytes(std::move(bytes), format, error);
    return {std::move(picture), std::move(error)};
}

} // namespace

TPictureRead ReadPictureFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("bmp") && suffix != QLatin1String("emf") && suffix != QLatin1String("wmf"))
        return Failure(QStringLiteral("拡張子 .%1 の画像は読めません").arg(QFileInfo(path).suffix()));

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
    return ReadMetafile(std::move(bytes),
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
