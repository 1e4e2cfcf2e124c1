// Frame time of the editor: a full render of a 10 000-item drawing onto an
// 800 x 600 surface (background, grid, every item), and the same drawing
// split by kind of item to show where the time goes. CPU time counts every
// thread of the process, Qt's painting helpers included. Then the damaged
// items and lines that once took seconds to draw.
#include "../tests/render/DamagedDocument.h"
#include "BenchDrawing.h"

#include "render/DocumentRenderer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace qm {
namespace {

using namespace bench;

void RenderDrawing(benchmark::State& state, const TDrawingOptions& options)
{
    EnsureGuiApplication();
    TObjectTree tree;
    BuildDrawing(tree, options);
    TBitmapX surface;
    surface.InitBitmap(kWidth, kHeight);
    TCanvasBackground background;
    background.ShowGrid = true;
    // The editor renders after every change; measure the frames after the
    // first, whose glyph images are already made.
    TDocumentRenderer(tree, surface).RepaintAll();
    for (auto _ : state) {
        ClearCanvas(surface, background);
        TDocumentRenderer(tree, surface).RepaintAll();
        benchmark::DoNotOptimize(surface.Bitmap().Pixel(400, 300)); // ends painting: the frame is complete
    }
    state.SetItemsProcessed(state.iterations() * kItems);
}

void BM_FullRender(benchmark::State& state)
{
    RenderDrawing(state, {});
}
BENCHMARK(BM_FullRender)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_FullRenderWithoutText(benchmark::State& state)
{
    RenderDrawing(state, {.onlyKind = std::nullopt, .withText = false});
}
BENCHMARK(BM_FullRenderWithoutText)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// 10 000 items of one kind, without text: the cost of each kind.
void BM_RenderKind(benchmark::State& state)
{
    const auto kind = static_cast<TKind>(state.range(0));
    static const char* const names[] = {"rectangles", "ellipses", "dashed lines", "wide lines",
                                        "arrows",     "splines",  "beziers",      "polygons"};
    state.SetLabel(names[state.range(0)]);
    RenderDrawing(state, {.onlyKind = kind, .withText = false});
}
BENCHMARK(BM_RenderKind)->DenseRange(0, static_cast<int>(TKind::Count) - 1)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// 10 000 items, each with the 20-character text: text alone.
void BM_RenderTextOnly(benchmark::State& state)
{
    EnsureGuiApplication();
    TObjectTree tree;
    BuildDrawing(tree, {.onlyKind = TKind::Rectangle, .withText = true});
    std::vector<TTreeNode*> texted;
    for (TTreeNode* node = tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling())
        if (!node->Data()->Text.empty())
            texted.push_back(node);
    TBitmapX surface;
    surface.InitBitmap(kWidth, kHeight);
    const auto drawTexts = [&] {
        for (TTreeNode* node : texted) {
            const TItemObject& item = *node->Data();
            TRect rect;
            tree.PointToXY(node, rect);
            surface.Font = item.Font;
            surface.TextDrawEx2(rect, item.Text, item.Roll);
        }
    };
    drawTexts();
    for (auto _ : state) {
        drawTexts();
        benchmark::DoNotOptimize(surface.Bitmap().Pixel(400, 300));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(texted.size()) * 20);
    state.SetLabel("characters");
}
BENCHMARK(BM_RenderTextOnly)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// The damaged items of the render tests on their 200 x 200 surface.
void BM_RenderDamagedItems(benchmark::State& state)
{
    EnsureGuiApplication();
    TObjectTree tree;
    test::BuildDamagedDocument(tree);
    TBitmapX surface;
    surface.InitBitmap(200, 200);
    for (auto _ : state) {
        TDocumentRenderer(tree, surface).RenderSubtree(tree.ObjectRoot());
        benchmark::DoNotOptimize(surface.Bitmap().Pixel(100, 100));
    }
}
BENCHMARK(BM_RenderDamagedItems)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// A dashed line four billion pixels long across an 800 x 600 surface: only
// the dashes near the surface are stroked.
void BM_AstronomicalDashedLine(benchmark::State& state)
{
    EnsureGuiApplication();
    TBitmapX surface;
    surface.InitBitmap(kWidth, kHeight);
    surface.Pen = {clRed, 1, psDash, TPenMode::pmCopy};
    for (auto _ : state) {
        surface.DrawLine(-2000000000, 5, 2000000000, 5);
        benchmark::DoNotOptimize(surface.Bitmap().Pixel(400, 5));
    }
}
BENCHMARK(BM_AstronomicalDashedLine)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace qm
