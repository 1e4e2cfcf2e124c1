#pragma once

#include "DocumentRecords.h"
#include "FileProgress.h"

#include "model/ObjectTree.h"

#include <QString>

#include <memory>
#include <optional>

namespace qm {

// A document as read from a file, ready to take the place of the open one.
struct TDocument {
    std::unique_ptr<TObjectTree> Tree;
    // From the last canvas record; none when the file has no canvas record.
    std::optional<TCanvasGeometry> Canvas;
};

// Reads a document file into a new tree, record by record up to the end
// record. The header text is not checked; records with codes the format does
// not use are taken as bare codes. Records refer to nodes by id with the
// result of a scan in tree order (the last node when no node has the id), and
// ItemCounter becomes the number of records before the end record.
//
// Throws TFileError ("ファイル %s は開けません", with the reason and the byte
// offset) when the file cannot be opened, ends before the end record, holds a
// count or string length that cannot fit in it, a canvas record beyond
// IsCanvasSizeAllowed, more than kMaxDocumentNodes nodes, or no Object root.
// Nothing read until then is kept, so the open drawing stays as it was.
//
// With `progress`, the bytes read are reported as it goes, and a stop asked
// for throws TFileCancelled. Nothing outside the new tree is touched, so the
// read may run on a thread of its own.
TDocument ReadDocument(const QString& path, TFileProgress* progress = nullptr);

} // namespace qm
