#include "IoTestSupport.h"

#include "canvas/BitmapExport.h"
#include "io/FileError.h"

#include "qtplatform/Bitmap.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

namespace qm::test {
namespace {

std::unique_ptr<TBitmap> Surface(std::int32_t width, std::int32_t height)
{
    auto surface = std::make_unique<TBitmap>(width, height);
    TCanvas& canvas = surface->Canvas();
    canvas.SetBrush({clWhite, bsSolid});
    canvas.FillRect(0, 0, width, height);
    canvas.SetBrush({RGB(10, 120, 230), bsDiagCross});
    canvas.Rectangle(5, 5, width - 5, height - 5);
    return surface;
}

void ExpectPixelsOf(const QString& path, const TBitmap& surface)
{
    const QImage image(path);
    ASSERT_EQ(image.size(), QSize(surface.Width(), surface.Height()));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            ASSERT_EQ(RGB(qRed(pixel), qGreen(pixel), qBlue(pixel)), surface.Pixel(x, y)) << x << "," << y;
        }
    }
}

TEST(BitmapExportTest, WritesTheSurfaceAsBmpOrPngAndReplacesAnOldFile)
{
    TScratchDir dir;
    const QString bmp = dir.Path("図.bmp");
    PutFile(bmp, "an older file");
    const auto surface = Surface(80, 60);
    ExportBitmap(*surface, bmp);
    EXPECT_EQ(FileBytes(bmp).substr(0, 2), "BM");
    ExpectPixelsOf(bmp, *surface);

    const QString png = dir.Path("図.png");
    ExportBitmap(*surface, png, TBitmapFileFormat::Png);
    EXPECT_EQ(FileBytes(png).substr(1, 3), "PNG");
    ExpectPixelsOf(png, *surface);
    // Nothing but the two files: the temporary files are gone.
    EXPECT_EQ(QDir(dir.Root()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST(BitmapExportTest, AFailureRaisesTheFileErrorAndLeavesTheOldFileAsItWas)
{
    TScratchDir dir;
    const QString missingFolder = dir.Path("nowhere/plan.bmp");
    try {
        ExportBitmap(*Surface(20, 20), missingFolder);
        FAIL() << "no error";
    } catch (const TFileError& error) {
        EXPECT_EQ(error.Kind(), TFileError::TKind::CannotCreate);
        EXPECT_EQ(error.Path(), missingFolder);
        EXPECT_NE(std::string(error.what()).find("を作成できません"), std::string::npos);
    }

    // An empty canvas has no bitmap file; the file in place stays.
    const QString existing = dir.Path("plan.bmp");
    PutFile(existing, "the previous export");
    EXPECT_THROW(ExportBitmap(TBitmap(0, 0), existing), TFileError);
    EXPECT_EQ(FileBytes(existing), "the previous export");
    EXPECT_EQ(QDir(dir.Root()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A folder that takes no new file: the temporary file cannot be made.
    {
        TReadOnlyFolder readOnly(dir.Root());
        if (!readOnly.Active())
            GTEST_SKIP() << "this file system lets every write through";
        EXPECT_THROW(ExportBitmap(*Surface(20, 20), existing), TFileError);
    }
    EXPECT_EQ(FileBytes(existing), "the previous export");
    EXPECT_EQ(QDir(dir.Root()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

} // namespace
} // namespace qm::test
