#pragma once

#include <QString>

#include <functional>
#include <string_view>

namespace qm {
class TObjectTree;
class TTreeNode;
} // namespace qm

namespace qm::test {

// The four ways the editor writes a file, each through the program's own
// writer: document, extension object, bitmap export and metafile export.
enum class TSaveKind { Document, ExtensionObject, Bitmap, Metafile };

TSaveKind SaveKindNamed(std::string_view name);
// A group of `items` named, labelled octagons spread over the canvas.
TTreeNode* FillDrawing(TObjectTree& tree, int items);
std::string_view NameOf(TSaveKind kind);
// ".dof", ".ud2", ".bmp", ".emf".
QString ExtensionOf(TSaveKind kind);

// Saves a drawing of `size` polygons (for the bitmap: a canvas `size`
// pixels square) to `path` with the writer of `kind`; `beforeWriting` runs
// once the drawing is made. Throws TFileError when the writer does.
void SaveDrawing(TSaveKind kind, const QString& path, int size, const std::function<void()>& beforeWriting = {});

} // namespace qm::test
