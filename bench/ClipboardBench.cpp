// Copying to the desktop's clipboard: 100 000 selected items of every kind
// copied to the Temp node and put on the clipboard as the drawing's own
// type, PNG and SVG (second argument 1), or copied to the Temp node only
// (0), for comparison.
#include "BenchDrawing.h"
#include "../tests/canvas/CanvasTestSupport.h"

#include "app/SystemClipboard.h"
#include "canvas/CanvasWindow.h"
#include "canvas/EditCommands.h"

#include <QClipboard>
#include <QMimeData>

#include <benchmark/benchmark.h>

namespace qm {
namespace {

void BM_CopyToTheDesktopClipboard(benchmark::State& state)
{
    bench::EnsureGuiApplication();
    test::TCanvasWithCommands editor(TCanvasGeometry{bench::kWidth, bench::kHeight, 10});
    TObjectTree& tree = editor.tree;
    TCanvasWindow& canvas = editor.canvas;
    TEditCommands& commands = editor.commands;
    TSystemClipboard clipboard(tree);
    if (state.range(1) == 1)
        commands.ClipboardFilled = [&clipboard] { clipboard.Publish(); };
    bench::BuildDrawing(tree, {.items = static_cast<int>(state.range(0))});
    tree.ClearHistory();
    canvas.SelectAll();
    for (auto _ : state) {
        commands.CopySelection();
        state.PauseTiming();
        tree.ClearHistory();
        state.ResumeTiming();
    }
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData();
    if (state.range(1) == 0)
        return;
    if (!offered || !offered->hasFormat(QString::fromLatin1(TSystemClipboard::kMimeType)))
        state.SkipWithError("nothing on the clipboard");
    else
        state.counters["drawing_MB"] =
            static_cast<double>(offered->data(QString::fromLatin1(TSystemClipboard::kMimeType)).size()) / (1 << 20);
}
BENCHMARK(BM_CopyToTheDesktopClipboard)->Args({100000, 0})->Args({100000, 1})->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm
