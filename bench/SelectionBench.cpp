// Commands on many selected items: a tenth of a drawing of 100 000 or
// 1 000 000 items (BenchDrawing.h) selected one by one as Shift-clicks do,
// then copied, pasted, deleted, grouped, cut or put to the front or back.
// Each command is taken back after it is timed, so every run starts from the
// same drawing and selection. The commands repaint the canvas as in the
// editor; BM_RepaintAfterCommand gives the part of each figure that is that
// repaint.
#include "BenchDrawing.h"

#include "../tests/canvas/CanvasTestSupport.h"
#include "canvas/CanvasWindow.h"
#include "canvas/EditCommands.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

namespace qm {
namespace {

using namespace bench;

struct TSelectedDrawing : test::TCanvasWithCommands {
    explicit TSelectedDrawing(int items) : TCanvasWithCommands(TCanvasGeometry{kWidth, kHeight, 10})
    {
        BuildDrawing(tree, {.items = items});
        for (TTreeNode* node = tree.ObjectRoot()->FirstChild(); node; node = node->NextSibling()) {
            if (!tree.IsFixedNode(node))
                nodes.push_back(node);
        }
        canvas.Repaint();
        tree.ClearHistory();
        // Each command is undone after it is timed: a step dropped for the
        // default budget (a cut of 100 000 after a copy of as many) would
        // free the items the next run selects.
        tree.SetHistoryBudget(std::size_t{1} << 30);
        canvas.DrawDrawing(redrawn.Canvas()); // its glyphs drawn once, as the surface's are
        PrepareAsWhenIdle();
    }

    // What the editor does while it waits for the user: bounding the items,
    // numbering the walk, boxing them for hit tests.
    void PrepareAsWhenIdle()
    {
        while (!canvas.PrepareSome(8192)) {
        }
    }

    // Every tenth item, one toggle each.
    void SelectATenth()
    {
        canvas.ClearSelection();
        for (std::size_t i = 0; i < nodes.size(); i += 10)
            canvas.ToggleSelection(nodes[i]);
    }

    std::vector<TTreeNode*> nodes;
    // Where the region a command changed is drawn again to time that alone.
    TBitmap redrawn{kWidth, kHeight};
};

TSelectedDrawing& Drawing(int items)
{
    EnsureGuiApplication();
    // One big drawing in memory at a time.
    static std::unique_ptr<TSelectedDrawing> drawing;
    if (!drawing || static_cast<int>(drawing->nodes.size()) != items) {
        drawing.reset();
        drawing = std::make_unique<TSelectedDrawing>(items);
    }
    return *drawing;
}

void BM_SelectOneByOne(benchmark::State& state)
{
    TSelectedDrawing& d = Drawing(static_cast<int>(state.range(0)));
    for (auto _ : state)
        d.SelectATenth();
    state.counters["selected"] = static_cast<double>(d.canvas.Selection().Size());
}

// The marks of the selected tenth put on the picture, over a million
// inverted shapes at 1 000 000 items; taken off again untimed.
void BM_ShowMarks(benchmark::State& state)
{
    TSelectedDrawing& d = Drawing(static_cast<int>(state.range(0)));
    d.SelectATenth();
    if (!d.canvas.Overlay().Empty())
        d.canvas.ToggleMarks();
    std::size_t shapes = 0;
    for (auto _ : state) {
        d.canvas.ToggleMarks();
        state.PauseTiming();
        shapes = d.canvas.Overlay().Count();
        d.canvas.ToggleMarks();
        state.ResumeTiming();
    }
    state.counters["shapes"] = static_cast<double>(shapes);
}

// Wall-clock time: the redraw draws on two threads.
double Milliseconds()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// The time of drawing `area` of the drawing again, as the canvas's redraw
// after an edit does, hidden items left out.
double RedrawMilliseconds(TSelectedDrawing& d, const TRect& area)
{
    const double start = Milliseconds();
    d.canvas.DrawDrawingPart(d.redrawn.Canvas(), area, true, &d.redrawn);
    return Milliseconds() - start;
}

// Times `command` on the selected tenth, then undoes it untimed. A tenth
// scattered over the canvas changes all of it, so each figure holds a redraw
// of the whole canvas: counter redraw_ms is the same region drawn once more
// alone. A paste's repaint draws only the pasted items, over the picture as
// it was, which this counter does not tell.
template <typename Command>
void TimeCommand(benchmark::State& state, Command&& command)
{
    TSelectedDrawing& d = Drawing(static_cast<int>(state.range(0)));
    double redrawMs = 0;
    double historyMb = 0;
    for (auto _ : state) {
        state.PauseTiming();
        d.SelectATenth();
        d.tree.ClearHistory(); // the copy a paste pastes from
        const std::uint64_t revision = d.canvas.SurfaceRevision();
        state.ResumeTiming();
        command(d);
        state.PauseTiming();
        redrawMs += RedrawMilliseconds(d, d.canvas.DamageSince(revision));
        historyMb += static_cast<double>(d.tree.History().MemoryUsed()) / (1 << 20);
        d.commands.Undo();
        d.tree.ClearHistory();
        d.PrepareAsWhenIdle();
        state.ResumeTiming();
    }
    state.counters["redraw_ms"] = benchmark::Counter(redrawMs, benchmark::Counter::kAvgIterations);
    // What the command's step keeps for undo.
    state.counters["history_mb"] = benchmark::Counter(historyMb, benchmark::Counter::kAvgIterations);
}

void BM_Paste(benchmark::State& state)
{
    TSelectedDrawing& d = Drawing(static_cast<int>(state.range(0)));
    d.SelectATenth();
    d.commands.CopySelection();
    TimeCommand(state, [](TSelectedDrawing& drawing) { drawing.commands.PasteClipboard(); });
}

void BM_Copy(benchmark::State& state)
{
    TimeCommand(state, [](TSelectedDrawing& drawing) { drawing.commands.CopySelection(); });
}

void BM_Delete(benchmark::State& state)
{
    TimeCommand(state, [](TSelectedDrawing& drawing) { drawing.commands.DeleteSelection(); });
}

void BM_Group(benchmark::State& state)
{
    TimeCommand(state, [](TSelectedDrawing& drawing) { drawing.commands.GroupSelection(); });
}

void BM_Cut(benchmark::State& state)
{
    TimeCommand(state, [](TSelectedDrawing& drawing) { drawing.commands.CutSelection(); });
}

// The z-order commands also put the siblings' list in the new order, one
// recorded move per item that has to move.
void BM_BringToFront(benchmark::State& state)
{
    TimeCommand(state, [](TSelectedDrawing& drawing) { drawing.commands.RestackSelection(TObjectTree::TRestack::ToFront); });
}

void BM_BringForward(benchmark::State& state)
{
    TimeCommand(state, [](TSelectedDrawing& drawing) { drawing.commands.RestackSelection(TObjectTree::TRestack::Forward); });
}

void BM_SendToBack(benchmark::State& state)
{
    TimeCommand(state, [](TSelectedDrawing& drawing) { drawing.commands.RestackSelection(TObjectTree::TRestack::ToBack); });
}

void BM_RepaintAfterCommand(benchmark::State& state)
{
    TSelectedDrawing& d = Drawing(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        d.canvas.SetShowGrid(!d.canvas.ShowGrid()); // a full render, not the kept surface
        state.ResumeTiming();
        d.canvas.Repaint();
    }
}

#define QM_SELECTION_BENCH(name) \
    BENCHMARK(name)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3)
QM_SELECTION_BENCH(BM_SelectOneByOne);
QM_SELECTION_BENCH(BM_ShowMarks);
QM_SELECTION_BENCH(BM_Copy);
QM_SELECTION_BENCH(BM_Paste);
QM_SELECTION_BENCH(BM_Delete);
QM_SELECTION_BENCH(BM_Group);
QM_SELECTION_BENCH(BM_Cut);
QM_SELECTION_BENCH(BM_BringToFront);
QM_SELECTION_BENCH(BM_BringForward);
QM_SELECTION_BENCH(BM_SendToBack);
QM_SELECTION_BENCH(BM_RepaintAfterCommand);

} // namespace
} // namespace qm
