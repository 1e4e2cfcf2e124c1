#pragma once

#include "DocumentRecords.h"
#include "FileProgress.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qm {

class TFileStreamEx;
class TObjectTree;
class TTreeNode;

// Saves the drawing as a document file: the header, the canvas record, the
// records rcNode .. rcControlPoints of every node in tree order (parents
// before children, siblings in list order; the trash and Temp nodes with their
// contents included) and the end record. The nodes are filed under ids 1, 2,
// 3, ... in that order, and once the file is in place the items in the tree
// take these ids.
//
// The file is written beside `path` and put in place only when complete, so a
// failed save leaves the previous file and the tree's ids as they were; it
// throws TFileError ("ファイル %s を作成できません").
void WriteDocument(const QString& path, TObjectTree& tree, const TCanvasGeometry& canvas);

// The file of WriteDocument without the new ids: it only reads the tree, so
// it may run on a thread of its own while nothing changes the tree. Returns
// the nodes in file order, for TObjectTree::TakeFileIds once the file is in
// place. With `progress`, the nodes written are reported as it goes, and a
// stop asked for throws TFileCancelled with the previous file in place.
std::vector<TTreeNode*> WriteDocumentFile(const QString& path, const TObjectTree& tree, const TCanvasGeometry& canvas,
                                          TFileProgress* progress = nullptr);

// The same file written a few nodes at a time, so a long write can share the
// user-interface thread with the user (the recovery file). The tree must not
// change between the calls; the file takes its place only at Finish, and a
// writer destroyed before that leaves nothing behind. The tree's ids stay.
class TDocumentWriter {
public:
    // Throws TFileError when the file cannot be created.
    TDocumentWriter(const QString& path, const TObjectTree& tree, const TCanvasGeometry& canvas);
    ~TDocumentWriter();
    TDocumentWriter(const TDocumentWriter&) = delete;
    TDocumentWriter& operator=(const TDocumentWriter&) = delete;

    // Writes up to `nodes` more nodes; true once every node is written.
    bool WriteSome(std::size_t nodes);
    // Writes the rest and puts the file in place; throws TFileError.
    void Finish();
    // Finish in two halves: the rest of the nodes and the end record, which
    // read the tree, and then the flush to the disk and the rename, which do
    // not and may run on another thread.
    void WriteEnd();
    void Close();
    // Collects the written nodes in file order.
    void KeepOrder(std::vector<TTreeNode*>* order) { order_ = order; }

private:
    std::unique_ptr<TFileStreamEx> stream_;
    TTreeNode* next_;
    std::vector<std::int32_t> ancestorIds_; // file ids along the path to `next_`
    std::size_t written_ = 0;
    std::vector<TTreeNode*>* order_ = nullptr;
};

} // namespace qm
