#include "canvas/MetafileExport.h"

#include "../model/TreeTestSupport.h"
#include "io/FileError.h"
#include "render/MetafileRenderer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace qm {
namespace {

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void AddLines(TObjectTree& tree, int count)
{
    for (int i = 0; i < count; ++i)
        test::AddShape(tree, tree.ObjectRoot(), itLine, {{i % 400, 0}, {399 - i % 400, 299}});
}

// Writes past `bytes` fail with EFBIG (instead of a signal) while it lives.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~TFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(MetafileExport, WritesTheRenderedMetafileAndRefusesAnEmptyName)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    TObjectTree tree;
    AddLines(tree, 3);

    EXPECT_EQ(ExportMetafile(QString(), tree, 400, 300), -1);
    EXPECT_TRUE(QDir(folder.path()).isEmpty());

    const QString path = folder.filePath(QStringLiteral("図面.emf"));
    EXPECT_EQ(ExportMetafile(path, tree, 400, 300), 0);
    const std::vector<char> expected = RenderMetafile(tree, 400, 300);
    EXPECT_EQ(ReadAll(path), QByteArray(expected.data(), static_cast<qsizetype>(expected.size())));
    // Written again over the old file, with nothing left beside it.
    AddLines(tree, 2);
    EXPECT_EQ(ExportMetafile(path, tree, 400, 300), 0);
    const std::vector<char> longer = RenderMetafile(tree, 400, 300);
    EXPECT_EQ(ReadAll(path), QByteArray(longer.data(), static_cast<qsizetype>(longer.size())));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("図面.emf")});
}

TEST(MetafileExport, AFailedWriteRaisesTheFileErrorAndKeepsTheOldFile)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    TObjectTree tree;
    AddLines(tree, 2000);

    const QString missingFolder = folder.filePath(QStringLiteral("無い/a.emf"));
    try {
        ExportMetafile(missingFolder, tree, 400, 300);
        ADD_FAILURE() << "no error";
    } catch (const TFileError& error) {
        EXPECT_EQ(error.Kind(), TFileError::TKind::CannotCreate);
        EXPECT_EQ(error.Path(), missingFolder);
        EXPECT_EQ(std::string(error.what()), QStringLiteral("ファイル %1 を作成できません").arg(missingFolder).toStdString());
    }

    // The disk fills up in the middle of the metafile.
    const QString path = folder.filePath(QStringLiteral("good.emf"));
    {
        QFile good(path);
        ASSERT_TRUE(good.open(QIODevice::WriteOnly));
        good.write("a good file");
    }
    ASSERT_GT(RenderMetafile(tree, 400, 300).size(), 8192u);
    {
        const TFileSizeLimit limit(8192);
        EXPECT_THROW(ExportMetafile(path, tree, 400, 300), TFileError);
    }
    EXPECT_EQ(ReadAll(path), QByteArray("a good file"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("good.emf")});
}

} // namespace
} // namespace qm
