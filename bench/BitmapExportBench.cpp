// Speed of exporting the canvas pixels: an 800 x 600 surface encoded as a
// Windows bitmap and as a PNG (which should cost about the same), and
// encoded and written beside the target and renamed over it.
#include "canvas/BitmapExport.h"
#include "qtplatform/Bitmap.h"
#include "qtplatform/BitmapFile.h"

#include <benchmark/benchmark.h>

#include <QTemporaryDir>

namespace qm {
namespace {

// A white surface with filled and hatched shapes, so no row is alike.
std::unique_ptr<TBitmap> Surface()
{
    auto surface = std::make_unique<TBitmap>(800, 600);
    TCanvas& canvas = surface->Canvas();
    canvas.SetBrush({clWhite, bsSolid});
    canvas.FillRect(0, 0, 800, 600);
    for (int i = 0; i < 40; ++i) {
        canvas.SetPen({RGB(i * 6, 80, 255 - i * 6), 1 + i % 4, psSolid, TPenMode::pmCopy});
        canvas.SetBrush({RGB(255 - i * 5, i * 5, 128), static_cast<TBrushStyle>(i % 8)});
        canvas.Ellipse(i * 19, i * 13, i * 19 + 120, i * 13 + 90);
    }
    return surface;
}

void BM_Encode800x600(benchmark::State& state, TBitmapFileFormat format)
{
    const auto surface = Surface();
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeBitmapFile(*surface, format));
    state.counters["bytes"] = static_cast<double>(EncodeBitmapFile(*surface, format).size());
}
BENCHMARK_CAPTURE(BM_Encode800x600, Bmp, TBitmapFileFormat::Bmp)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Encode800x600, Png, TBitmapFileFormat::Png)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Export800x600(benchmark::State& state, TBitmapFileFormat format, const char* name)
{
    const auto surface = Surface();
    const QTemporaryDir dir;
    const QString path = dir.path() + "/" + name;
    for (auto _ : state)
        ExportBitmap(*surface, path, format);
}
BENCHMARK_CAPTURE(BM_Export800x600, Bmp, TBitmapFileFormat::Bmp, "canvas.bmp")->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export800x600, Png, TBitmapFileFormat::Png, "canvas.png")->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm
