// Saves that fail: a full disk, a read-only folder, a folder that vanishes
// and a save killed half-way. Each leaves the file that was there byte for
// byte, reports the failure, and leaves nothing beside it that a later save
// would trip over.
#include "FaultSaves.h"
#include "ReadOnlyFolder.h"

#include "io/FileError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

namespace qm {
namespace {

using test::TSaveKind;

// Sizes of the drawing that was there before and of the one saved over it.
constexpr int kSmall = 3;

int BigSize(TSaveKind kind)
{
    return kind == TSaveKind::Bitmap ? 900 : 5000; // 2.4 MB or more in each format
}

std::string Contents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return file.readAll().toStdString();
}

// Every entry of the folder, hidden ones included.
QStringList Listing(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

// Whether the process has a file of `folder` open: the writer's temporary file.
bool HasFileOpenIn(qint64 pid, const QString& folder)
{
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    const QByteArray prefix = QFile::encodeName(folder) + '/';
    DIR* listing = opendir(fds.c_str());
    if (!listing)
        return false;
    bool found = false;
    while (const dirent* entry = readdir(listing)) {
        char target[4096];
        const ssize_t length = readlink((fds + "/" + entry->d_name).c_str(), target, sizeof target);
        found = found || (length > 0 && QByteArray(target, length).startsWith(prefix));
    }
    closedir(listing);
    return found;
}

// Whether the child still runs; QProcess learns of its end only when asked.
bool StillRunning(QProcess& child)
{
    return child.state() == QProcess::Running && !child.waitForFinished(0);
}

// Waits for the end of a child that may have ended already.
bool Finished(QProcess& child)
{
    return child.state() == QProcess::NotRunning || child.waitForFinished(120000);
}

class TSaveFaults : public ::testing::Test {
protected:
    explicit TSaveFaults(TSaveKind kind) : kind_(kind) {}

    void SetUp() override
    {
        ASSERT_TRUE(root_.isValid());
        folder_ = root_.filePath(QStringLiteral("drawings"));
        ASSERT_TRUE(QDir().mkpath(folder_));
        SavePrevious();
    }

    TSaveKind Kind() const { return kind_; }
    QString FileName() const { return QStringLiteral("drawing") + test::ExtensionOf(Kind()); }
    QString Target() const { return QDir(folder_).filePath(FileName()); }

    // The file that a failed save must leave as it is.
    void SavePrevious()
    {
        test::SaveDrawing(Kind(), Target(), kSmall);
        previous_ = Contents(Target());
        ASSERT_FALSE(previous_.empty());
    }

    void ExpectPreviousAlone(const QString& folder) const
    {
        EXPECT_EQ(Contents(QDir(folder).filePath(FileName())), previous_);
        EXPECT_EQ(Listing(folder), QStringList{FileName()});
    }

    void ExpectFileError(const QString& path, int size) const
    {
        try {
            test::SaveDrawing(Kind(), path, size);
            ADD_FAILURE() << "the save reported success";
        } catch (const TFileError& error) {
            EXPECT_NE(std::string(error.what()).find("を作成できません"), std::string::npos) << error.what();
        }
    }

    // A save of `size` in a process of its own, started and waited for until
    // it has made its drawing and begins to write.
    std::unique_ptr<QProcess> StartChild(const QString& path, int size, const QString& fileSizeLimit = {}) const
    {
        auto child = std::make_unique<QProcess>();
        QStringList arguments{QString::fromLatin1(test::NameOf(Kind()).data()), path, QString::number(size)};
        if (!fileSizeLimit.isEmpty())
            arguments << fileSizeLimit;
        child->start(QStringLiteral(QM_SAVE_CHILD), arguments);
        while (!child->canReadLine() && child->waitForReadyRead(60000)) {
        }
        EXPECT_EQ(child->readLine().trimmed(), "saving") << child->readAllStandardError().toStdString();
        return child;
    }

    TSaveKind kind_;
    QTemporaryDir root_;
    QString folder_;
    std::string previous_;
};

class SaveFaultTest : public TSaveFaults, public ::testing::WithParamInterface<TSaveKind> {
protected:
    SaveFaultTest() : TSaveFaults(GetParam()) {}
};

// The document writer has its temporary file open from the start of a save
// to its end; the other writers make their bytes first and write them at once.
class DocumentSaveFaultTest : public TSaveFaults {
protected:
    DocumentSaveFaultTest() : TSaveFaults(TSaveKind::Document) {}
};

TEST_P(SaveFaultTest, AFullDiskFailsTheSaveAndKeepsThePreviousFile)
{
    // A small file system of its own, filled by the save.
    const QString disk = root_.filePath(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(disk));
    if (mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here (" << std::strerror(errno) << "); the file size limit test stands in";
    struct TUnmount {
        QString disk;
        ~TUnmount() { umount2(QFile::encodeName(disk).constData(), MNT_DETACH); }
    } unmount{disk};
    folder_ = disk;
    SavePrevious();
    ExpectFileError(Target(), BigSize(Kind()));
    ExpectPreviousAlone(disk);
    // Once there is room again, the same save goes through.
    SavePrevious();
    ExpectPreviousAlone(disk);
}

TEST_P(SaveFaultTest, WritesRefusedPastAFileSizeFailTheSaveAndKeepThePreviousFile)
{
    // The file size limit refuses writes as a full disk does, without root.
    const std::unique_ptr<QProcess> child = StartChild(Target(), BigSize(Kind()), QStringLiteral("65536"));
    ASSERT_TRUE(Finished(*child));
    EXPECT_EQ(child->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child->exitCode(), 3) << child->readAllStandardError().toStdString();
    EXPECT_TRUE(child->readAllStandardError().contains("を作成できません"));
    ExpectPreviousAlone(folder_);
}

TEST_P(SaveFaultTest, AReadOnlyFolderFailsTheSaveAndKeepsThePreviousFile)
{
    {
        test::TReadOnlyFolder readOnly(QFile::encodeName(folder_).toStdString());
        if (!readOnly.Held())
            GTEST_SKIP() << "the folder cannot be made read-only here (" << readOnly.Why() << ")";
        ExpectFileError(Target(), kSmall + 1);
        EXPECT_EQ(Contents(Target()), previous_);
    }
    ExpectPreviousAlone(folder_);
}

TEST_P(SaveFaultTest, AFolderThatVanishesFailsTheSave)
{
    const QString moved = root_.filePath(QStringLiteral("moved"));
    // Gone before the save starts: the folder is not made again.
    ASSERT_TRUE(QDir().rename(folder_, moved));
    ExpectFileError(Target(), kSmall + 1);
    EXPECT_FALSE(QFileInfo::exists(folder_));
    ExpectPreviousAlone(moved);

    // Gone while the writer works on the drawing.
    ASSERT_TRUE(QDir().rename(moved, folder_));
    const std::unique_ptr<QProcess> child = StartChild(Target(), BigSize(Kind()));
    ASSERT_TRUE(QDir().rename(folder_, moved));
    ASSERT_TRUE(Finished(*child));
    EXPECT_EQ(child->exitCode(), 3) << child->readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder_));
    ExpectPreviousAlone(moved);
}

TEST_F(DocumentSaveFaultTest, AFolderThatVanishesWhileTheFileIsWrittenFailsTheSave)
{
    const QString moved = root_.filePath(QStringLiteral("moved"));
    // The bigger the drawing, the longer the temporary file is open.
    bool caught = false;
    for (int size = 50000; !caught && size <= 400000; size *= 2) {
        const std::unique_ptr<QProcess> child = StartChild(Target(), size);
        while (StillRunning(*child) && !HasFileOpenIn(child->processId(), folder_))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const bool wasMoved = StillRunning(*child) && QDir().rename(folder_, moved);
        ASSERT_TRUE(Finished(*child));
        caught = wasMoved && child->exitCode() == 3;
        if (caught) {
            ExpectPreviousAlone(moved);
            break;
        }
        // The save ended before its folder went: again with a bigger drawing.
        if (wasMoved) {
            ASSERT_TRUE(QDir().rename(moved, folder_));
        }
        SavePrevious();
    }
    EXPECT_TRUE(caught) << "every save ended before its folder could be moved";
}

TEST_P(SaveFaultTest, ASaveKilledHalfWayLeavesThePreviousFileAndNoStrayFile)
{
    const int size = Kind() == TSaveKind::Document ? 50000 : BigSize(Kind());
    // What the save leaves when it is not stopped: a kill just after it
    // finished may leave this instead of the previous file.
    const QString completePath = root_.filePath(QStringLiteral("complete") + test::ExtensionOf(Kind()));
    test::SaveDrawing(Kind(), completePath, size);
    const std::string complete = Contents(completePath);

    int keptPrevious = 0;
    int keptPreviousWhileWriting = 0;
    for (const int delayMs : {-1, 0, 5, 20, 80}) {
        SCOPED_TRACE(delayMs);
        const std::unique_ptr<QProcess> child = StartChild(Target(), size);
        if (delayMs < 0) {
            // Just as the writer has its temporary file open.
            while (StillRunning(*child) && !HasFileOpenIn(child->processId(), folder_))
                std::this_thread::sleep_for(std::chrono::microseconds(100));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        }
        const bool writing = HasFileOpenIn(child->processId(), folder_);
        if (StillRunning(*child))
            ::kill(static_cast<pid_t>(child->processId()), SIGKILL);
        ASSERT_TRUE(Finished(*child));
        EXPECT_EQ(Listing(folder_), QStringList{FileName()});
        const std::string left = Contents(Target());
        if (left == previous_) {
            EXPECT_EQ(child->exitStatus(), QProcess::CrashExit);
            ++keptPrevious;
            keptPreviousWhileWriting += writing ? 1 : 0;
            continue;
        }
        EXPECT_TRUE(left == complete) << "the file is neither the previous nor the complete one";
        SavePrevious(); // the save got through: the next try starts from the small file again
    }
    EXPECT_GT(keptPrevious, 0) << "every save ended before it could be killed";
    if (Kind() == TSaveKind::Document) {
        EXPECT_GT(keptPreviousWhileWriting, 0) << "no save was killed while its file was open";
    }
    // A later save is not hindered by anything the killed ones left.
    test::SaveDrawing(Kind(), Target(), kSmall + 1);
    EXPECT_NE(Contents(Target()), previous_);
    EXPECT_EQ(Listing(folder_), QStringList{FileName()});
}

INSTANTIATE_TEST_SUITE_P(Writers, SaveFaultTest,
                         ::testing::Values(TSaveKind::Document, TSaveKind::ExtensionObject, TSaveKind::Bitmap,
                                           TSaveKind::Metafile),
                         [](const ::testing::TestParamInfo<TSaveKind>& info) {
                             return std::string(test::NameOf(info.param));
                         });

} // namespace
} // namespace qm
