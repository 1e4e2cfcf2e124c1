// The canvas on a drawing of 100 000 items: a click that selects, one drag
// step, the release after a move, and a full render for comparison; undo and
// redo of a move and of deleting 10 000 items, and the history's memory; a
// selection rectangle over it; select all and delete of up to a million items.
#include "../tests/canvas/CanvasTestSupport.h"
#include "canvas/CanvasWindow.h"
#include "canvas/EditCommands.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace qm {
namespace {

constexpr int kItems = 100000;

struct TBigDrawing : test::TCanvasWithCommands {
    TBigDrawing() : TCanvasWithCommands(TCanvasGeometry{800, 600, 10})
    {
        std::mt19937 random(7);
        for (int i = 0; i < kItems; ++i) {
            const auto type = FromStoredCode<TItemType>(static_cast<std::int32_t>(random() % 6));
            TTreeNode* node = tree.AddItem(tree.ObjectRoot(), "item", type);
            const auto x = static_cast<std::int32_t>(random() % 760);
            const auto y = static_cast<std::int32_t>(random() % 560);
            tree.MoveItem(x, y, node);
            tree.AddPoint(x, y, node);
            tree.AddPoint(x + 30, y + 5, node);
            tree.AddPoint(x + 25, y + 30, node);
            tree.AddPoint(x, y + 20, node);
        }
        // One item on top, at a known place.
        target = tree.AddItem(tree.ObjectRoot(), "target", itRectangle);
        for (TPoint p : {TPoint{400, 300}, TPoint{440, 300}, TPoint{440, 340}, TPoint{400, 340}})
            tree.AddPoint(p.x, p.y, target);
        canvas.Repaint();
        tree.ClearHistory();
    }

    // Flags off, as after a size change: the next press selects afresh.
    void ShowNoMarks() { canvas.SetCanvasSize(canvas.ImageWidth(), canvas.ImageHeight()); }

    TTreeNode* target = nullptr;
};

TBigDrawing& Drawing()
{
    static TBigDrawing drawing;
    return drawing;
}

const TCanvasWindow::TMouse kLeft{TCanvasWindow::mbLeft, false, false};

// Press and release on an item while no marks are shown: the click selects it.
void BM_ClickSelectsAnItem(benchmark::State& state)
{
    TBigDrawing& d = Drawing();
    for (auto _ : state) {
        state.PauseTiming();
        d.ShowNoMarks();
        state.ResumeTiming();
        d.canvas.Image1MouseDown(kLeft, 420, 320);
        d.canvas.Image1MouseUp(kLeft, 420, 320);
    }
    if (d.canvas.Selection().First() != d.target)
        state.SkipWithError("the click did not select the target");
}
BENCHMARK(BM_ClickSelectsAnItem)->Unit(benchmark::kMillisecond);

// One mouse step while moving the selected item: marks only.
void BM_DragStep(benchmark::State& state)
{
    TBigDrawing& d = Drawing();
    d.ShowNoMarks();
    d.canvas.Image1MouseDown(kLeft, 420, 320);
    std::int32_t x = 420;
    for (auto _ : state) {
        x = x == 420 ? 430 : 420;
        d.canvas.Image1MouseMove(kLeft, x, 320);
    }
    d.canvas.Image1MouseUp(kLeft, x, 320);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMillisecond);

// The release after a one-step move: the one full render of the gesture.
void BM_ReleaseAfterMove(benchmark::State& state)
{
    TBigDrawing& d = Drawing();
    std::int32_t x = 420;
    for (auto _ : state) {
        state.PauseTiming();
        d.ShowNoMarks();
        d.canvas.Image1MouseDown(kLeft, x, 320);
        x = x == 420 ? 430 : 420;
        d.canvas.Image1MouseMove(kLeft, x, 320);
        state.ResumeTiming();
        d.canvas.Image1MouseUp(kLeft, x, 320);
    }
}
BENCHMARK(BM_ReleaseAfterMove)->Unit(benchmark::kMillisecond);

// Undo and redo of moving one item, without the redraw; the history's
// bytes for that step.
void BM_UndoRedoMoveOfOneItem(benchmark::State& state)
{
    TBigDrawing& d = Drawing();
    d.tree.ClearHistory();
    d.tree.BeginStep("move");
    d.tree.MoveItem(5, 5, d.target);
    d.tree.EndStep();
    state.counters["history_bytes"] = static_cast<double>(d.tree.History().MemoryUsed());
    for (auto _ : state) {
        d.tree.Undo();
        d.tree.Redo();
    }
    d.tree.ClearHistory();
}
BENCHMARK(BM_UndoRedoMoveOfOneItem)->Unit(benchmark::kMicrosecond); // one undo and one redo

// Deleting 10 000 selected items to the trash, taken back and done again.
void BM_UndoRedoDeleteOf10000Items(benchmark::State& state)
{
    TBigDrawing& d = Drawing();
    d.canvas.ClearSelection();
    TTreeNode* node = d.tree.ObjectRoot()->FirstChild();
    for (int selected = 0; node && selected < 10000; node = node->NextSibling()) {
        if (node != d.tree.TrashNode()) {
            d.canvas.ToggleSelection(node);
            ++selected;
        }
    }
    d.commands.DeleteSelection();
    for (auto _ : state) {
        d.tree.Undo();
        state.PauseTiming();
        d.tree.Redo();
        state.ResumeTiming();
    }
    state.counters["history_MB"] = static_cast<double>(d.tree.History().MemoryUsed()) / (1 << 20);
    d.tree.Undo();
    d.tree.ClearHistory();
}
BENCHMARK(BM_UndoRedoDeleteOf10000Items)->Unit(benchmark::kMillisecond);

void BM_FullRender(benchmark::State& state)
{
    TBigDrawing& d = Drawing();
    for (auto _ : state) {
        d.tree.MarkChanged();
        d.canvas.ClearCanvas();
        d.canvas.RepaintAll();
    }
}
BENCHMARK(BM_FullRender)->Unit(benchmark::kMillisecond);

// The release of a selection rectangle dragged from the empty bottom-right
// corner: over the whole drawing (argument 1, every item selected) or over
// its bottom-right quarter (argument 4). The time from the release until
// the selection and its marks are shown.
void BM_RubberBandRelease(benchmark::State& state)
{
    TBigDrawing& d = Drawing();
    const std::int32_t left = state.range(0) == 1 ? 0 : 400;
    const std::int32_t top = state.range(0) == 1 ? 0 : 300;
    for (auto _ : state) {
        state.PauseTiming();
        d.ShowNoMarks();
        d.canvas.Image1MouseDown(kLeft, 795, 595);
        d.canvas.Image1MouseMove(kLeft, left, top);
        state.ResumeTiming();
        d.canvas.Image1MouseUp(kLeft, left, top);
    }
    state.counters["selected"] = static_cast<double>(d.canvas.Selection().Size());
    if (d.canvas.Selection().Empty())
        state.SkipWithError("the band selected nothing");
    d.canvas.ClearSelection();
}
BENCHMARK(BM_RubberBandRelease)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

// すべて選択 and 削除 on a drawing of the argument's number of items, together.
void BM_SelectAllAndDelete(benchmark::State& state)
{
    const auto items = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto tree = std::make_unique<TObjectTree>();
        TMainState main;
        test::TFakeTextBox textBox;
        test::TScriptedQuestions questions;
        auto canvas = std::make_unique<TCanvasWindow>(*tree, main, textBox, TCanvasGeometry{800, 600, 10}, QStringList{});
        TEditCommands commands(*tree, *canvas, main, textBox, questions);
        for (int i = 0; i < items; ++i) {
            TTreeNode* node = tree->AddItem(tree->ObjectRoot(), "item", itRectangle);
            tree->AddPoint(i % 760, i % 560, node);
            tree->AddPoint(i % 760 + 30, i % 560 + 20, node);
        }
        tree->ClearHistory();
        canvas->Repaint(); // shown, as a drawing is before anything in it is selected
        state.ResumeTiming();
        canvas->SelectAll();
        commands.DeleteSelection();
        state.PauseTiming();
        if (tree->ObjectRoot()->ChildCount() != 1)
            state.SkipWithError("items were left");
        canvas.reset();
        tree.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SelectAllAndDelete)->Arg(10000)->Arg(100000)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
