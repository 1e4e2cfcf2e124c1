#pragma once

#include "model/ItemObject.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <string_view>

namespace qm {

class TObjectTree;
class TTreeNode;

// Shape template files (".udf"): one item in section "Item", read by the
// rectangle and circle tools. "FileType" 1 in "System" lets the template give
// its own "ItemType"; any other value keeps the caller's.

// Adds the template's item under the Object root: its "Name" ("error" when
// missing), "Count" vertices from "PX<i>"/"PY<i>" with the default control
// points, "CurveStyle" read as a Boolean, then moved by half the canvas size so
// that the template's origin lands in the middle of the canvas. A missing file
// gives an item named "error" without points. Throws TFileError when the file
// cannot be read or names more points than it could hold.
TTreeNode* ReadShapeTemplate(const QString& path, TObjectTree& tree, TItemType itemType, std::int32_t canvasWidth,
                             std::int32_t canvasHeight);

// The name of the rectangle and circle tools' template.
inline constexpr std::string_view kRectTemplateName = "Rect.udf";

// The program data folder of an installed copy, beside the executable's
// folder as the install rules lay them out (bin/quillmark and
// share/quillmark/Rect.udf under one prefix: <exe dir>/../share/quillmark).
QString InstalledDataFolder(const QString& executableDir);

// The folders "Rect.udf" is looked for in: the executable's folder, then the
// installed data folder.
QStringList RectTemplateFolders(const QString& executableDir);

// "Rect.udf" as shipped, built into the program (CP932 INI text).
std::string_view BuiltInRectTemplate();

// The tools' template: "Rect.udf" from the first of `folders` that has it, or
// the built-in copy when none has or that one cannot be read.
TTreeNode* ReadRectTemplate(const QStringList& folders, TObjectTree& tree, TItemType itemType,
                            std::int32_t canvasWidth, std::int32_t canvasHeight);

} // namespace qm
