// Metafile export of drawings of 1 000, 10 000 and 100 000 items (every
// kind, every tenth with a 20-character text): the whole export with the
// file written, and the drawing into the metafile alone. The time per item
// stays the same as the drawing grows.
#include "BenchDrawing.h"

#include "canvas/MetafileExport.h"
#include "render/MetafileRenderer.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace qm {
namespace {

using namespace bench;

void BuildDrawingOf(TObjectTree& tree, std::int64_t items)
{
    TDrawingOptions options;
    options.items = static_cast<int>(items);
    BuildDrawing(tree, options);
}

void BM_ExportMetafile(benchmark::State& state)
{
    EnsureGuiApplication();
    TObjectTree tree;
    BuildDrawingOf(tree, state.range(0));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("drawing.emf"));
    for (auto _ : state)
        benchmark::DoNotOptimize(ExportMetafile(path, tree, kWidth, kHeight));
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["bytes"] = static_cast<double>(QFileInfo(path).size());
}
BENCHMARK(BM_ExportMetafile)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_RenderMetafile(benchmark::State& state)
{
    EnsureGuiApplication();
    TObjectTree tree;
    BuildDrawingOf(tree, state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderMetafile(tree, kWidth, kHeight).size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RenderMetafile)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm
