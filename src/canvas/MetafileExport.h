#pragma once

#include "model/ObjectTree.h"

#include <QString>

#include <cstdint>

namespace qm {

// "名前をつけて保存(&A)..." with the metafile type: draws the document into an
// enhanced metafile of the canvas size and writes it to `path`. Returns -1
// for an empty name, without writing anything, and 0 when written. The
// file is written beside `path` and put in its place only when complete, so
// a failure leaves an existing file as it was; it throws TFileError
// ("ファイル %s を作成できません").
int ExportMetafile(const QString& path, const TObjectTree& tree, std::int32_t width, std::int32_t height);

} // namespace qm
