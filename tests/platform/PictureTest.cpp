#include "MetafileTestSupport.h"

#include "qtplatform/Bitmap.h"
#include "qtplatform/Picture.h"
#include "qtplatform/QtBitmap.h"
#include "qtplatform/QtPicture.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

namespace qm::test {
namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// 30 x 20, red on the left half and blue on the right.
QImage HalvesImage()
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 15; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(0, 0, 255));
    }
    return image;
}

QByteArray RedSquareEmf()
{
    TEmfWriter emf(200, 100);
    emf.Add(selectobject_set(U_NULL_PEN, emf.Handles()));
    emf.Add(selectobject_set(emf.Make([](std::uint32_t* index, EMFHANDLES* handles) {
        return createbrushindirect_set(index, handles, logbrush_set(U_BS_SOLID, colorref3_set(255, 0, 0), 0));
    }), emf.Handles()));
    emf.Add(U_EMRRECTANGLE_set(rectl_set(pointl_set(0, 0), pointl_set(100, 100))));
    return emf.Finish();
}

TEST(PictureTest, BitmapFilesLoadWithTheirPixelsWhateverTheCaseOfTheExtension)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("トレース.BMP");
    ASSERT_TRUE(HalvesImage().save(path, "BMP"));

    const TPictureRead read = ReadPictureFile(path);
    ASSERT_TRUE(read.Picture) << read.Error;
    const auto* bitmap = dynamic_cast<const TBitmap*>(read.Picture.get());
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Width(), 30);
    EXPECT_EQ(bitmap->Height(), 20);
    EXPECT_EQ(bitmap->Pixel(3, 4), clRed);
    EXPECT_EQ(bitmap->Pixel(20, 19), clBlue);

    TRecordingCanvas canvas;
    canvas.Draw(0, 0, *read.Picture);
    ASSERT_EQ(canvas.Calls().size(), 1u);
    EXPECT_EQ(canvas.Calls()[0].Kind, TCanvasCall::TKind::DrawBitmap);
}

TEST(PictureTest, MetafilesLoadByTheirExtension)
{
    QTemporaryDir dir;
    TWmfWriter wmf(120, 80);
    const QByteArray windows = wmf.Finish();
    WriteFile(dir.filePath("a.emf"), RedSquareEmf());
    WriteFile(dir.filePath("b.WMF"), windows);
    WriteFile(dir.filePath("c.emf"), windows);

    const TPictureRead enhanced = ReadPictureFile(dir.filePath("a.emf"));
    ASSERT_TRUE(dynamic_cast<const TMetafilePicture*>(enhanced.Picture.get())) << enhanced.Error;
    EXPECT_EQ(enhanced.Picture->Width(), 200);
    EXPECT_EQ(enhanced.Picture->Height(), 100);
    const TPictureRead placeable = ReadPictureFile(dir.filePath("b.WMF"));
    ASSERT_TRUE(dynamic_cast<const TMetafilePicture*>(placeable.Picture.get())) << placeable.Error;
    EXPECT_EQ(placeable.Picture->Width(), 120);
    EXPECT_EQ(placeable.Picture->Height(), 80);
    // The extension decides: a WMF named .emf is no enhanced metafile.
    EXPECT_FALSE(ReadPictureFile(dir.filePath("c.emf")).Picture);
}

TEST(PictureTest, FilesThatHoldNoPictureGiveAReason)
{
    QTemporaryDir dir;
    WriteFile(dir.filePath("x.png"), "\x89PNG");
    WriteFile(dir.filePath("junk.bmp"), QByteArray(500, 'j'));
    WriteFile(dir.filePath("junk.emf"), QByteArray(500, 'j'));
    WriteFile(dir.filePath("junk.wmf"), QByteArray(500, 'j'));
    // A bitmap header that declares 8000 x 8000 pixels and holds none.
    QByteArray huge(54, '\0');
    huge[0] = 'B';
    huge[1] = 'M';
    const std::uint32_t fields[][2] = {{2, 54}, {10, 54}, {14, 40}, {18, 8000}, {22, 8000}};
    for (const auto& [offset, value] : fields)
        std::memcpy(huge.data() + offset, &value, 4);
    const std::uint16_t planesAndBits[] = {1, 24};
    std::memcpy(huge.data() + 26, planesAndBits, sizeof(planesAndBits));
    WriteFile(dir.filePath("huge.bmp"), huge);
    QFile large(dir.filePath("large.emf"));
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(kMaxPictureFileBytes + 1));
    large.close();

    for (const char* name : {"missing.bmp", "x.png", "junk.bmp", "junk.emf", "junk.wmf", "huge.bmp", "large.emf"}) {
        const TPictureRead read = ReadPictureFile(dir.filePath(name));
        EXPECT_FALSE(read.Picture) << name;
        EXPECT_FALSE(read.Error.empty()) << name;
    }
    EXPECT_NE(ReadPictureFile(dir.filePath("x.png")).Error.find(".png"), std::string::npos);
    EXPECT_NE(ReadPictureFile(dir.filePath("huge.bmp")).Error.find("8000"), std::string::npos);
}

TEST(PictureTest, PreviewsStretchBitmapsAndMetafilesOverTheBox)
{
    const auto bitmap = BitmapFromImage(HalvesImage());
    const QImage bitmapPreview = StretchedPictureImage(*bitmap, 120, 120);
    ASSERT_EQ(bitmapPreview.size(), QSize(120, 120));
    EXPECT_EQ(bitmapPreview.pixel(10, 60), qRgb(255, 0, 0));
    EXPECT_EQ(bitmapPreview.pixel(110, 60), qRgb(0, 0, 255));

    const auto metafile = ReadPicture(RedSquareEmf(), TMetafileFormat::Enhanced);
    ASSERT_TRUE(metafile);
    const QImage metafilePreview = StretchedPictureImage(*metafile, 120, 120);
    ASSERT_EQ(metafilePreview.size(), QSize(120, 120));
    EXPECT_EQ(metafilePreview.pixel(30, 100), qRgb(255, 0, 0));
    EXPECT_EQ(metafilePreview.pixel(90, 60), qRgb(255, 255, 255));
}

} // namespace
} // namespace qm::test
