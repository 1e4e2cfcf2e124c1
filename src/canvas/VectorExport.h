#pragma once

#include "model/ObjectTree.h"
#include "qtplatform/VectorFile.h"
#include "render/DocumentRenderer.h"

#include <QString>

#include <cstdint>

namespace qm {

// "名前をつけて保存(&A)..." with the SVG or PDF type: the drawing as the canvas
// shows it (`background` under it, without the grid) drawn as vectors into a
// document of width x height pixels and written to `path`. The file is
// written beside `path` and put in its place only when complete, so a
// failure leaves an existing file as it was; it throws TFileError
// ("ファイル %s を作成できません").
void ExportVectorFile(const QString& path, TVectorFormat format, const TObjectTree& tree, std::int32_t width,
                      std::int32_t height, const TCanvasBackground& background = {});

} // namespace qm
