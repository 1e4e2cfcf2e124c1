#pragma once

#include "model/ObjectTree.h"

#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace qm {

class TDocumentWriter;

// The files a running editor keeps its unsaved drawing in, in the user's
// data folder: "<name>.dof" (the drawing), "<name>.path" (the drawing's own
// file, UTF-8) and "<name>.lock", held while the editor runs, so a recovery
// file whose lock can be taken was left by an editor that has ended.
struct TRecoveryFiles {
    QString Base; // the folder and name, without an extension

    QString Drawing() const { return Base + QStringLiteral(".dof"); }
    QString PathFile() const { return Base + QStringLiteral(".path"); }
    QString Lock() const { return Base + QStringLiteral(".lock"); }
    // The drawing's own file the recovery file stands for; empty for none.
    QString OriginalPath() const;
    void Remove() const;
    // Keeps a recovery file that could not be read beside the others, out of
    // their way: "<name>.dof.damaged".
    void KeepAside() const;

    // The folder of recovery files, in the user's data folder.
    static QString Folder();
    // Recovery files whose editor is no longer running.
    static std::vector<TRecoveryFiles> LeftBehind();
};

// Writes the drawing to this editor's recovery file every interval while it
// is modified, a slice of nodes per pass of the event loop, so the user
// interface never waits for a whole save; an edit in between starts the
// file over. The flush to the disk and the rename, which no longer read the
// drawing, run on a thread of their own. The file goes when the drawing is saved or given up, and when
// the editor ends normally.
class TAutosave final : public QObject, private TTreeObserver {
public:
    // `documentPath` names the drawing's own file for the recovery file.
    TAutosave(TObjectTree& tree, std::function<QString()> documentPath, int intervalSeconds);
    ~TAutosave() override;

    const TRecoveryFiles& Files() const { return files_; }
    // Writes the recovery file now, whole (tests, and a session ending).
    void WriteNow();

    // Nodes written per slice: about 5 ms on this machine.
    static constexpr std::size_t kNodesPerSlice = 2000;

private:
    void HistoryChanged() override;
    void StartWriting();
    void WriteSlice();
    void StopWriting();
    // The file is complete: flushed and put in place away from this thread.
    void Close();
    void Closed();
    void JoinCloser();

    TObjectTree& tree_;
    std::function<QString()> documentPath_;
    TRecoveryFiles files_;
    QLockFile lock_;
    QTimer interval_;
    QTimer slices_;
    std::unique_ptr<TDocumentWriter> writer_;
    std::thread closer_;
    bool closing_ = false;
    std::atomic<bool> closed_ = false; // the closing thread put the file in place
    std::uint64_t writingRevision_ = 0;
    std::uint64_t writtenRevision_ = 0;
    bool written_ = false;
};

} // namespace qm
