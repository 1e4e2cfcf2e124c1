// The canvas on a drawing of 100 000 items: a click that selects, one drag
// step, the release after a move, and a full render for comparison; undo and
// redo of a move and of deleting 10 000 items, and the history's memory.
#include "../tests/canvas/CanvasTestSupport.h"
#include "canvas/CanvasWindow.h"
#include "canvas/EditCommands.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <random>

namespace qm {
namespace {

constexpr int kItems = 100000;

struct TBigDrawing {
    TBigDrawing()
        : canvas(tree, main, textBox, TCanvasGeometry{800, 600, 10}, QStringList{}),
          commands(tree, canvas, main, textBox, questions)
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

    TObjectTree tree;
    TMainState main;
    test::TFakeTextBox textBox;
    test::TScriptedQuestions questions;
    TCanvasWindow canvas;
    TEditCommands commands;
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
