// Document files (".dof"): the reader, the writer on what it read, and the
// canvas's render walk and hit test over a hostile tree.
#include "FuzzSupport.h"
#include "FuzzTargets.h"

#include "io/DocumentReader.h"
#include "io/DocumentWriter.h"
#include "io/FileError.h"
#include "render/BitmapX.h"
#include "render/DocumentRenderer.h"

#include <optional>

namespace qm::fuzz {

namespace {

constexpr TCanvasGeometry kNoCanvasRecord{400, 400, 10};
constexpr std::int32_t kSurfaceSide = 48;

std::optional<TDocument> ReadInput(const std::uint8_t* data, std::size_t size)
{
    try {
        return ReadDocument(InputFile(QStringLiteral("input.dof"), data, size));
    } catch (const TFileError&) {
        return std::nullopt; // refused with the file error: the open drawing would stay
    }
}

TDocument ReadOwnFile(const QString& path)
{
    try {
        return ReadDocument(path);
    } catch (const TFileError& error) {
        RequireThat(false, error.what());
        throw;
    }
}

} // namespace

int DocumentInput(const std::uint8_t* data, std::size_t size)
{
    std::optional<TDocument> document = ReadInput(data, size);
    if (!document)
        return 0;
    // Whatever was read saves, and the saved file reads back to a tree that
    // saves to the very same bytes.
    const QString first = ScratchPath(QStringLiteral("first.dof"));
    const QString second = ScratchPath(QStringLiteral("second.dof"));
    const TCanvasGeometry canvas = document->Canvas.value_or(kNoCanvasRecord);
    WriteDocument(first, *document->Tree, canvas);
    TDocument again = ReadOwnFile(first);
    RequireThat(again.Tree->NodeCount() == document->Tree->NodeCount(), "a saved document reads back to other nodes");
    RequireThat(again.Canvas == canvas, "a saved document reads back to another canvas");
    WriteDocument(second, *again.Tree, canvas);
    RequireThat(FileContents(first) == FileContents(second), "saving a saved document again changes its bytes");
    return 0;
}

int DocumentRenderInput(const std::uint8_t* data, std::size_t size)
{
    std::optional<TDocument> document = ReadInput(data, size);
    if (!document)
        return 0;
    TObjectTree& tree = *document->Tree;
    TBitmapX surface;
    surface.InitBitmap(kSurfaceSide, kSurfaceSide);
    const std::int32_t grid = document->Canvas ? document->Canvas->Grid : kNoCanvasRecord.Grid;
    ClearCanvas(surface, {.GridStep = grid, .ShowGrid = true});
    TDocumentRenderer(tree, surface).RepaintAll();
    for (const std::int32_t at : {0, kSurfaceSide / 2, kSurfaceSide - 1})
        tree.HitTest(at, at, tree.ObjectRoot());
    return 0;
}

} // namespace qm::fuzz
