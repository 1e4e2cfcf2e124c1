// Every seed and every input a fuzzer once failed on, run through its target
// again, so a fault that comes back fails here without a fuzzer; and the
// picture seeds, which are sound files, taken as trace pictures.
#include "FuzzTargets.h"

#include "qtplatform/Bitmap.h"
#include "qtplatform/Picture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <string>

namespace qm {
namespace {

using fuzz::TFuzzTarget;

QStringList FilesIn(const QString& folder)
{
    QStringList files;
    for (const QString& name : QDir(folder).entryList(QDir::Files, QDir::Name))
        files << QDir(folder).filePath(name);
    return files;
}

QString Folder(const char* kind, std::string_view name)
{
    return QStringLiteral(QM_FUZZ_DIR "/%1/%2").arg(kind, QString::fromLatin1(name.data(), name.size()));
}

class FuzzReplayTest : public ::testing::TestWithParam<TFuzzTarget> {};

TEST_P(FuzzReplayTest, SeedsAndKeptInputsRunClean)
{
    const TFuzzTarget& target = GetParam();
    const QStringList seeds = FilesIn(Folder("corpus", target.Seeds));
    EXPECT_FALSE(seeds.isEmpty()) << "no seed inputs for " << target.Name;
    for (const QString& path : seeds + FilesIn(Folder("regressions", target.Name))) {
        SCOPED_TRACE(path.toStdString());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // A fault aborts the program or trips a sanitizer; the result must be 0.
        EXPECT_EQ(target.Run(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                             static_cast<std::size_t>(bytes.size())),
                  0);
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplayTest, ::testing::ValuesIn(fuzz::FuzzTargets().begin(), fuzz::FuzzTargets().end()),
                         [](const ::testing::TestParamInfo<TFuzzTarget>& info) { return std::string(info.param.Name); });

TEST(PictureSeedTest, EverySeedPictureIsTakenForTracing)
{
    for (const char* target : {"picture_bmp", "picture_emf", "picture_wmf"}) {
        for (const QString& path : FilesIn(Folder("corpus", target))) {
            SCOPED_TRACE(path.toStdString());
            const TPictureRead read = ReadPictureFile(path);
            ASSERT_NE(read.Picture, nullptr) << read.Error;
            EXPECT_GT(read.Picture->Width(), 0);
            EXPECT_GT(read.Picture->Height(), 0);
        }
    }
    // Rows stored from the top down come out the right way up: the first
    // stored pixel is palette colour 0 (red), the first of the next row 15.
    const TPictureRead topDown = ReadPictureFile(Folder("corpus", "picture_bmp") + "/top-down-4bit.bmp");
    const auto* bitmap = dynamic_cast<const TBitmap*>(topDown.Picture.get());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Pixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(bitmap->Pixel(0, 1), RGB(15, 0, 240));
}

} // namespace
} // namespace qm
