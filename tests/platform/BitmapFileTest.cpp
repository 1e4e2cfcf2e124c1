#include "qtplatform/Bitmap.h"
#include "qtplatform/BitmapFile.h"
#include "qtplatform/PngEncoder.h"
#include "qtplatform/QtBitmap.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

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

// Pictures that take each path of the deflater: all literals, copies of the
// row above, runs longer than one match with one or two bytes over, rows
// too long to copy from the row above, and halves deflated on two threads.
TEST(BitmapFileTest, PngDecodesToThePixelsOfAnyPicture)
{
    std::mt19937 random(7);
    const auto noise = [&](int, int) {
        return qRgb(static_cast<int>(random() % 256), static_cast<int>(random() % 256), static_cast<int>(random() % 256));
    };
    const struct {
        const char* Name;
        int Width;
        int Height;
        std::function<QRgb(int, int)> Colour;
    } cases[] = {
        {"noise", 61, 17, noise},
        {"rows of 259 bytes, each a copy of the one above", 86, 5, [](int, int) { return qRgb(0, 5, 0); }},
        {"a zero run of 259 bytes", 87, 1, [](int, int) { return qRgb(0, 5, 0); }},
        {"a zero run of 260 bytes", 87, 1, [](int, int) { return qRgb(0, 0, 0); }},
        {"stripes", 90, 50, [](int x, int y) { return (x + y / 9) % 7 < 3 ? qRgb(200, 0, 0) : qRgb(0, 0, 200); }},
        {"rows longer than the window", 11000, 4, [](int x, int y) { return qRgb(x % 251, y * 40, x / 1000); }},
        {"halves deflated at once, copying across the middle", 400, 300,
         [&](int x, int y) { return y % 3 == 0 ? noise(x, y) : qRgb(x % 256, y / 3 % 2 * 255, 0); }},
        {"one pixel", 1, 1, [](int, int) { return qRgb(1, 2, 3); }},
        {"one column", 1, 300, [](int, int y) { return qRgb(y % 256, 0, 0); }},
    };
    for (const auto& c : cases) {
        QImage image(c.Width, c.Height, QImage::Format_RGB32);
        for (int y = 0; y < c.Height; ++y)
            for (int x = 0; x < c.Width; ++x)
                image.setPixel(x, y, c.Colour(x, y));
        const QImage decoded = QImage::fromData(EncodePng(image, 3780), "PNG");
        ASSERT_FALSE(decoded.isNull()) << c.Name;
        EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), image) << c.Name;
    }
}

} // namespace
} // namespace qm
