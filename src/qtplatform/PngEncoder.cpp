#include "PngEncoder.h"

#include "RowDeflater.h"

#include <QImage>
#include <QtEndian>

#include <zlib.h>

#include <cstdint>
#include <string_view>

namespace qm {

namespace {

constexpr std::string_view kSignature{"\x89PNG\r\n\x1a\n", 8};
constexpr std::uint8_t kFilterSub = 1;
constexpr std::uint8_t kColourTypeRgb = 2;

void AppendBigEndian(QByteArray& out, std::uint32_t value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

// Ends the chunk that starts at `start` (its length field): writes the
// length and appends the checksum of type and data.
void EndChunk(QByteArray& file, qsizetype start)
{
    const auto dataSize = static_cast<std::uint32_t>(file.size() - start - 8);
    qToBigEndian(dataSize, file.data() + start);
    const auto* typeAndData = reinterpret_cast<const Bytef*>(file.constData() + start + 4);
    AppendBigEndian(file, static_cast<std::uint32_t>(crc32(crc32(0, nullptr, 0), typeAndData, dataSize + 4)));
}

qsizetype BeginChunk(QByteArray& file, const char (&type)[5])
{
    const qsizetype start = file.size();
    file.append(4, '\0');
    file.append(type, 4);
    return start;
}

// Row `y` as a PNG scanline: a filter byte, then each pixel's red, green and
// blue less those of the pixel on its left.
void FilterRow(const QImage& image, int y, std::uint8_t* out)
{
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    *out++ = kFilterSub;
    const int width = image.width();
    QRgb left = 0;
    for (int x = 0; x < width; ++x) {
        const QRgb pixel = pixels[x];
        *out++ = static_cast<std::uint8_t>(qRed(pixel) - qRed(left));
        *out++ = static_cast<std::uint8_t>(qGreen(pixel) - qGreen(left));
        *out++ = static_cast<std::uint8_t>(qBlue(pixel) - qBlue(left));
        left = pixel;
    }
}

void AppendImageData(QByteArray& file, const QImage& image)
{
    const std::size_t rowSize = 1 + 3 * static_cast<std::size_t>(image.width());
    AppendDeflatedRows(file, rowSize, static_cast<std::size_t>(image.height()),
                       [&image](std::size_t y, std::uint8_t* row) { FilterRow(image, static_cast<int>(y), row); });
}

} // namespace

QByteArray EncodePng(const QImage& image, int dotsPerMetre)
{
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    QByteArray file(kSignature.data(), kSignature.size());

    qsizetype chunk = BeginChunk(file, "IHDR");
    AppendBigEndian(file, static_cast<std::uint32_t>(rgb.width()));
    AppendBigEndian(file, static_cast<std::uint32_t>(rgb.height()));
    file.append("\x08", 1); // bits per sample
    file.append(static_cast<char>(kColourTypeRgb));
    file.append(3, '\0'); // deflate, adaptive filters, no interlace
    EndChunk(file, chunk);

    chunk = BeginChunk(file, "pHYs");
    AppendBigEndian(file, static_cast<std::uint32_t>(dotsPerMetre));
    AppendBigEndian(file, static_cast<std::uint32_t>(dotsPerMetre));
    file.append("\x01", 1); // the unit is the metre
    EndChunk(file, chunk);

    chunk = BeginChunk(file, "IDAT");
    AppendImageData(file, rgb);
    EndChunk(file, chunk);

    EndChunk(file, BeginChunk(file, "IEND"));
    return file;
}

} // namespace qm
