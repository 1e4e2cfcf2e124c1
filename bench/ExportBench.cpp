// Speed of the exports of a 10 000-item drawing (BenchDrawing.h) of 800 x
// 600: SVG (target 0.2 s) and PDF (0.5 s) drawn as vectors and written
// beside the target and renamed over it, and the canvas pixels as PNG
// against BMP.
#include "BenchDrawing.h"

#include "canvas/BitmapExport.h"
#include "canvas/VectorExport.h"
#include "render/BitmapX.h"
#include "render/DocumentRenderer.h"

#include <benchmark/benchmark.h>

#include <QFileInfo>
#include <QTemporaryDir>

namespace qm {
namespace {

using namespace bench;

void ExportVector(benchmark::State& state, TVectorFormat format, const char* name)
{
    EnsureGuiApplication();
    TObjectTree tree;
    BuildDrawing(tree, {});
    const QTemporaryDir dir;
    const QString path = dir.path() + "/" + name;
    ExportVectorFile(path, format, tree, kWidth, kHeight); // fonts and glyphs made once
    for (auto _ : state)
        ExportVectorFile(path, format, tree, kWidth, kHeight);
    state.counters["bytes"] = static_cast<double>(QFileInfo(path).size());
    state.SetItemsProcessed(state.iterations() * kItems);
}

void BM_ExportSvg(benchmark::State& state)
{
    ExportVector(state, TVectorFormat::Svg, "drawing.svg");
}
BENCHMARK(BM_ExportSvg)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ExportPdf(benchmark::State& state)
{
    ExportVector(state, TVectorFormat::Pdf, "drawing.pdf");
}
BENCHMARK(BM_ExportPdf)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The canvas surface of the drawing, written as the editor's Save As writes it.
void ExportPixels(benchmark::State& state, TBitmapFileFormat format, const char* name)
{
    EnsureGuiApplication();
    TObjectTree tree;
    BuildDrawing(tree, {});
    TBitmapX surface;
    surface.InitBitmap(kWidth, kHeight);
    ClearCanvas(surface, TCanvasBackground{});
    TDocumentRenderer(tree, surface).RepaintAll();
    const QTemporaryDir dir;
    const QString path = dir.path() + "/" + name;
    for (auto _ : state)
        ExportBitmap(surface.Bitmap(), path, format);
    state.counters["bytes"] = static_cast<double>(QFileInfo(path).size());
}

void BM_ExportPngOfTheDrawing(benchmark::State& state)
{
    ExportPixels(state, TBitmapFileFormat::Png, "drawing.png");
}
BENCHMARK(BM_ExportPngOfTheDrawing)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ExportBmpOfTheDrawing(benchmark::State& state)
{
    ExportPixels(state, TBitmapFileFormat::Bmp, "drawing.bmp");
}
BENCHMARK(BM_ExportBmpOfTheDrawing)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm
