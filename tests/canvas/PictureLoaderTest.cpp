#include "IoTestSupport.h"

#include "canvas/PictureLoader.h"
#include "io/FileError.h"

#include <QImage>

#include <gtest/gtest.h>

namespace qm::test {
namespace {

TEST(PictureLoaderTest, LoadsAPictureOrRaisesTheOpenErrorWithTheReason)
{
    TScratchDir dir;
    const QString bitmap = dir.Path("trace.bmp");
    QImage image(12, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    ASSERT_TRUE(image.save(bitmap, "BMP"));
    const std::unique_ptr<TGraphic> picture = LoadPicture(bitmap);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Width(), 12);
    EXPECT_EQ(picture->Height(), 8);

    const QString broken = dir.Path("broken.wmf");
    PutFile(broken, "not a metafile at all");
    try {
        LoadPicture(broken);
        FAIL() << "no error";
    } catch (const TFileError& error) {
        EXPECT_EQ(error.Kind(), TFileError::TKind::CannotOpen);
        EXPECT_EQ(error.Path(), broken);
        EXPECT_NE(std::string(error.what()).find("は開けません"), std::string::npos);
        EXPECT_FALSE(error.Detail().empty());
    }
    EXPECT_THROW(LoadPicture(dir.Path("missing.emf")), TFileError);
}

} // namespace
} // namespace qm::test
