// Every seed and every input a fuzzer once failed on, run through its target
// again, so a fault that comes back fails here without a fuzzer.
#include "FuzzTargets.h"

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

} // namespace
} // namespace qm
