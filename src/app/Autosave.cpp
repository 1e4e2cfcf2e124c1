#include "Autosave.h"

#include "io/DocumentWriter.h"
#include "io/FileError.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

namespace qm {

// --- TRecoveryFiles ---------------------------------------------------------

QString TRecoveryFiles::Folder()
{
    // The program's data folder (~/.local/share/quillmark), named so also
    // for the tests' own programs.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/quillmark/recovery");
}

QString TRecoveryFiles::OriginalPath() const
{
    QFile file(PathFile());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void TRecoveryFiles::Remove() const
{
    QFile::remove(Drawing());
    QFile::remove(PathFile());
}

void TRecoveryFiles::KeepAside() const
{
    QFile::remove(Drawing() + QStringLiteral(".damaged"));
    QFile::rename(Drawing(), Drawing() + QStringLiteral(".damaged"));
    QFile::remove(PathFile());
}

std::vector<TRecoveryFiles> TRecoveryFiles::LeftBehind()
{
    std::vector<TRecoveryFiles> left;
    const QDir folder(Folder());
    for (const QString& name : folder.entryList({QStringLiteral("*.dof")}, QDir::Files, QDir::Name)) {
        TRecoveryFiles files{folder.filePath(name.chopped(4))};
        // A lock that can be taken belongs to no running editor: QLockFile
        // clears a lock whose process has ended.
        QLockFile lock(files.Lock());
        if (lock.tryLock(0))
            left.push_back(files);
    }
    return left;
}

// --- TAutosave --------------------------------------------------------------

namespace {

QString NewRecoveryBase()
{
    QDir().mkpath(TRecoveryFiles::Folder());
    return TRecoveryFiles::Folder() + QStringLiteral("/drawing-") + QString::number(QCoreApplication::applicationPid())
        + QLatin1Char('-') + QString::number(QDateTime::currentMSecsSinceEpoch());
}

} // namespace

TAutosave::TAutosave(TObjectTree& tree, std::function<QString()> documentPath, int intervalSeconds)
    : tree_(tree), documentPath_(std::move(documentPath)), files_{NewRecoveryBase()}, lock_(files_.Lock())
{
    lock_.tryLock(0);
    tree_.AddObserver(this);
    slices_.setInterval(0);
    connect(&slices_, &QTimer::timeout, this, &TAutosave::WriteSlice);
    if (intervalSeconds > 0) {
        interval_.setInterval(intervalSeconds * 1000);
        connect(&interval_, &QTimer::timeout, this, &TAutosave::StartWriting);
        interval_.start();
    }
}

TAutosave::~TAutosave()
{
    tree_.RemoveObserver(this);
    JoinCloser();
    StopWriting();
    files_.Remove();
}

void TAutosave::JoinCloser()
{
    if (closer_.joinable())
        closer_.join();
}

void TAutosave::HistoryChanged()
{
    // Saved, given up, or undone back to the saved drawing: nothing to keep.
    if (!tree_.History().IsModified() && (written_ || closing_)) {
        JoinCloser();
        closing_ = false;
        StopWriting();
        files_.Remove();
        written_ = false;
    }
}

void TAutosave::StartWriting()
{
    if (writer_ || closing_ || !tree_.History().IsModified() || (written_ && writtenRevision_ == tree_.Revision()))
        return;
    writingRevision_ = tree_.Revision();
    try {
        writer_ = std::make_unique<TDocumentWriter>(files_.Drawing(), tree_, tree_.CanvasGeometry());
    } catch (const TFileError&) {
        return; // no room for the recovery file: the next interval tries again
    }
    slices_.start();
}

void TAutosave::WriteSlice()
{
    if (tree_.Revision() != writingRevision_) {
        StopWriting(); // an edit came between the slices: start over soon
        QTimer::singleShot(1000, this, &TAutosave::StartWriting);
        return;
    }
    try {
        if (!writer_->WriteSome(kNodesPerSlice))
            return;
        writer_->WriteEnd();
    } catch (const TFileError&) {
        StopWriting(); // a full disk: the previous recovery file stays; the next interval tries again
        return;
    }
    slices_.stop();
    Close();
}

void TAutosave::Close()
{
    JoinCloser();
    closing_ = true;
    closer_ = std::thread([this, writer = std::move(writer_)] {
        try {
            writer->Close();
            closed_ = true;
        } catch (const TFileError&) {
            closed_ = false;
        }
        QMetaObject::invokeMethod(this, [this] { Closed(); }, Qt::QueuedConnection);
    });
}

void TAutosave::Closed()
{
    if (!closing_)
        return; // the drawing was saved or given up meanwhile
    JoinCloser();
    closing_ = false;
    if (!closed_)
        return;
    QSaveFile path(files_.PathFile());
    if (path.open(QIODevice::WriteOnly)) {
        path.write(documentPath_().toUtf8());
        path.commit();
    }
    written_ = true;
    writtenRevision_ = writingRevision_;
}

void TAutosave::StopWriting()
{
    slices_.stop();
    writer_.reset();
}

void TAutosave::WriteNow()
{
    JoinCloser();
    closing_ = false;
    StopWriting();
    writtenRevision_ = 0;
    written_ = false;
    StartWriting();
    while (writer_)
        WriteSlice();
    JoinCloser();
    Closed();
}

} // namespace qm
