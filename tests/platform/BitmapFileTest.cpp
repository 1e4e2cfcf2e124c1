#include "qtplatform/Bitmap.h"
#include "qtplatform/BitmapFile.h"
#include "qtplatform/QtBitmap.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

namespace qm {
namespace {

// 37 x 23: odd, so every BMP row carries padding.
std::unique_ptr<TBitmap> Drawing()
{
    auto bitmap = std::make_unique<TBitmap>(37, 23);
    TCanvas& canvas = bitmap->Canvas();
    canvas.SetBrush({clWhite, bsSolid});
    canvas.FillRect(0, 0, 37, 23);
    canvas.SetBrush({RGB(200, 40, 10), bsSolid});
    canvas.SetPen({clBlue, 3, psSolid, TPenMode::pmCopy});
    canvas.Rectangle(4, 3, 30, 20);
    canvas.SetPen({RGB(1, 2, 3), 1, psDot, TPenMode::pmCopy});
    canvas.MoveTo(0, 22);
    canvas.LineTo(36, 0);
    return bitmap;
}

template <typename T>
T FieldAt(const QByteArray& bytes, int offset)
{
    T value{};
    std::memcpy(&value, bytes.constData() + offset, sizeof(T));
    return value;
}

void ExpectSamePixels(const QImage& decoded, const TBitmap& bitmap)
{
    ASSERT_EQ(decoded.size(), QSize(bitmap.Width(), bitmap.Height()));
    for (int y = 0; y < decoded.height(); ++y) {
        for (int x = 0; x < decoded.width(); ++x) {
            const QRgb pixel = decoded.pixel(x, y);
            ASSERT_EQ(RGB(qRed(pixel), qGreen(pixel), qBlue(pixel)), bitmap.Pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(BitmapFileTest, BmpIsAWindowsBitmapOfTwentyFourBitsWithTheSurfacePixels)
{
    const auto bitmap = Drawing();
    const QByteArray bytes = EncodeBitmapFile(*bitmap, TBitmapFileFormat::Bmp);
    const int rowBytes = (37 * 3 + 3) / 4 * 4;
    ASSERT_EQ(bytes.size(), 14 + 40 + rowBytes * 23);
    EXPECT_EQ(bytes.left(2), "BM");
    EXPECT_EQ(FieldAt<std::uint32_t>(bytes, 2), static_cast<std::uint32_t>(bytes.size()));
    EXPECT_EQ(FieldAt<std::uint32_t>(bytes, 10), 54u);              // pixels follow the headers
    EXPECT_EQ(FieldAt<std::uint32_t>(bytes, 14), 40u);              // BITMAPINFOHEADER
    EXPECT_EQ(FieldAt<std::int32_t>(bytes, 18), 37);
    EXPECT_EQ(FieldAt<std::int32_t>(bytes, 22), 23);                // positive: bottom-up rows
    EXPECT_EQ(FieldAt<std::uint16_t>(bytes, 28), 24);
    EXPECT_EQ(FieldAt<std::uint32_t>(bytes, 30), 0u);               // uncompressed
    EXPECT_EQ(FieldAt<std::int32_t>(bytes, 38), 3780);              // 96 pixels per inch
    // The bottom row comes first, blue, green, red.
    const int firstPixel = 54;
    EXPECT_EQ(static_cast<unsigned char>(bytes[firstPixel + 2]), RedOf(bitmap->Pixel(0, 22)));
    ExpectSamePixels(QImage::fromData(bytes, "BMP"), *bitmap);
}

TEST(BitmapFileTest, AnotherReaderOpensBothFormatsAtTheirSize)
{
    const QString identify = QStandardPaths::findExecutable("identify");
    if (identify.isEmpty())
        GTEST_SKIP() << "ImageMagick's identify is not installed";
    const struct {
        TBitmapFileFormat Format;
        const char* Name;
        const char* Identified; // format, size, bits per sample
    } cases[] = {{TBitmapFileFormat::Bmp, "drawing.bmp", "BMP3 37 23 8"},
                 {TBitmapFileFormat::Png, "drawing.png", "PNG 37 23 8"}};
    QTemporaryDir dir;
    for (const auto& c : cases) {
        const QString path = dir.filePath(c.Name);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(EncodeBitmapFile(*Drawing(), c.Format));
        file.close();

        QProcess process;
        process.start(identify, {"-regard-warnings", "-format", "%m %w %h %z", path});
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitCode(), 0) << c.Name << process.readAllStandardError().toStdString();
        EXPECT_EQ(process.readAllStandardOutput().trimmed().toStdString(), c.Identified);
    }
}

TEST(BitmapFileTest, PngHoldsTheSamePixelsAndEmptyBitmapsGiveNoBytes)
{
    const auto bitmap = Drawing();
    const QByteArray png = EncodeBitmapFile(*bitmap, TBitmapFileFormat::Png);
    ASSERT_TRUE(png.startsWith("\x89PNG"));
    const QImage read = QImage::fromData(png, "PNG");
    ExpectSamePixels(read, *bitmap);
    EXPECT_EQ(read.dotsPerMeterX(), 3780); // 96 pixels per inch, as the bitmap
    EXPECT_EQ(read.dotsPerMeterY(), 3780);

    const TBitmap empty;
    EXPECT_TRUE(EncodeBitmapFile(empty, TBitmapFileFormat::Bmp).isEmpty());
    EXPECT_TRUE(EncodeBitmapFile(empty, TBitmapFileFormat::Png).isEmpty());
}

} // namespace
} // namespace qm
