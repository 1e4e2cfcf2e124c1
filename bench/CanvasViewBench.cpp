// The canvas window showing the 10 000-item drawing (BenchDrawing.h) away
// from 100 %, 1000 x 700 pixels of it in view: a repaint after the zoom
// changed, which draws the part in view anew through the painter canvas as
// vectors, hard-edged and smoothed (also at 100 %); and a repaint while the
// selection's marks come and go, as on every step of a drag, which draws
// the kept view and the marks over it (target 50 ms); and the redraw after
// an edit, which draws again only the part of the view the edit changed
// (target 50 ms).
#include "BenchDrawing.h"

#include "app/CanvasForm1.h"
#include "canvas/MainState.h"

#include <QApplication>
#include <QScrollArea>

#include <benchmark/benchmark.h>

namespace qm {
namespace {

using namespace bench;

QApplication& Application()
{
    static int argc = 1;
    static char name[] = "canvas_view_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Left to the end of the process: Qt's own clean-up may not run after main.
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// The canvas window on the drawing, 1000 x 700 pixels.
struct TShownDrawing {
    TShownDrawing() : form(tree, main, TCanvasGeometry{kWidth, kHeight, 10}, QStringList{})
    {
        BuildDrawing(tree, {});
        form.resize(1000, 700);
        form.show();
        form.Canvas().Repaint();
    }
    QApplication& application = Application();
    TObjectTree tree;
    TMainState main;
    TCanvasForm1 form;
};

void RepaintAtZoom(benchmark::State& state, double zoom, bool smooth)
{
    TShownDrawing shown;
    TCanvasForm1& form = shown.form;
    form.SetSmooth(smooth);
    auto* picture = form.findChild<TCanvasPicture*>();
    QWidget* viewport = form.findChild<QScrollArea*>()->viewport();
    bool other = false;
    for (auto _ : state) {
        // A zoom a hair away each time, so the view is drawn again.
        form.SetZoom(other ? zoom * 0.9999 : zoom);
        other = !other;
        const QRect visible(picture->mapFrom(viewport, QPoint(0, 0)), viewport->size());
        benchmark::DoNotOptimize(picture->grab(visible.intersected(picture->rect())));
    }
    state.counters["view_pixels"] = static_cast<double>(viewport->width()) * viewport->height();
    state.SetItemsProcessed(state.iterations() * kItems);
}

void BM_RepaintMarksAtZoom(benchmark::State& state)
{
    TShownDrawing shown;
    TObjectTree& tree = shown.tree;
    TCanvasForm1& form = shown.form;
    form.SetZoom(static_cast<double>(state.range(0)) / 100);
    for (int i = 0; i < 20; ++i)
        form.Canvas().ToggleSelection(tree.ObjectRoot()->FirstChild()->NextSibling());
    auto* picture = form.findChild<TCanvasPicture*>();
    QWidget* viewport = form.findChild<QScrollArea*>()->viewport();
    const QRect visible = QRect(picture->mapFrom(viewport, QPoint(0, 0)), viewport->size()).intersected(picture->rect());
    benchmark::DoNotOptimize(picture->grab(visible)); // the view drawn once
    for (auto _ : state) {
        form.Canvas().ToggleMarks();
        benchmark::DoNotOptimize(picture->grab(visible));
    }
}
BENCHMARK(BM_RepaintMarksAtZoom)->Arg(200)->Arg(400)->MeasureProcessCPUTime()->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The view drawn again with the marks of every item showing, as while the
// whole drawing is selected and scrolled.
void BM_RepaintAllMarksAtZoom(benchmark::State& state)
{
    TShownDrawing shown;
    TCanvasForm1& form = shown.form;
    form.SetZoom(static_cast<double>(state.range(0)) / 100);
    for (TTreeNode* node = shown.tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling()) {
        if (!shown.tree.IsFixedNode(node))
            form.Canvas().ToggleSelection(node);
    }
    form.Canvas().ToggleMarks();
    auto* picture = form.findChild<TCanvasPicture*>();
    QWidget* viewport = form.findChild<QScrollArea*>()->viewport();
    const QRect visible = QRect(picture->mapFrom(viewport, QPoint(0, 0)), viewport->size()).intersected(picture->rect());
    for (auto _ : state)
        benchmark::DoNotOptimize(picture->grab(visible));
    state.counters["marks"] = static_cast<double>(form.Canvas().Overlay().Count());
}
BENCHMARK(BM_RepaintAllMarksAtZoom)->Arg(50)->Arg(200)->MeasureProcessCPUTime()->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One item moved a step through the edit path, the canvas repainted as after
// the release, and the view drawn again.
void BM_RedrawAfterEditAtZoom(benchmark::State& state)
{
    TShownDrawing shown;
    TCanvasForm1& form = shown.form;
    form.SetZoom(static_cast<double>(state.range(0)) / 100);
    auto* picture = form.findChild<TCanvasPicture*>();
    QWidget* viewport = form.findChild<QScrollArea*>()->viewport();
    const QRect visible = QRect(picture->mapFrom(viewport, QPoint(0, 0)), viewport->size()).intersected(picture->rect());
    benchmark::DoNotOptimize(picture->grab(visible)); // the view drawn once
    TTreeNode* moved = shown.tree.ObjectRoot()->LastChild();
    std::int32_t step = 5;
    for (auto _ : state) {
        {
            const TEditStepScope edit(shown.tree, "move");
            shown.tree.MoveItem(step, step, moved);
        }
        step = -step;
        form.Canvas().Repaint();
        benchmark::DoNotOptimize(picture->grab(visible));
    }
}
BENCHMARK(BM_RedrawAfterEditAtZoom)->Arg(200)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_RepaintAtZoom(benchmark::State& state)
{
    RepaintAtZoom(state, static_cast<double>(state.range(0)) / 100, false);
}
BENCHMARK(BM_RepaintAtZoom)->Arg(25)->Arg(200)->Arg(400)->Arg(1600)->MeasureProcessCPUTime()->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_RepaintAtZoomSmooth(benchmark::State& state)
{
    RepaintAtZoom(state, static_cast<double>(state.range(0)) / 100, true);
}
BENCHMARK(BM_RepaintAtZoomSmooth)->Arg(100)->Arg(200)->MeasureProcessCPUTime()->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm
