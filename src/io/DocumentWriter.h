#pragma once

#include "DocumentRecords.h"

#include <QString>

namespace qm {

class TObjectTree;

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

} // namespace qm
