// The canvas window on huge drawings from the sample writer
// (tools/SampleDrawing.h), 100 000 and 1 000 000 items: the release after
// moving one item, until the picture shows it (targets 1.6 ms and 16 ms),
// and the first click after an edit (target 20 ms on 1 000 000).
#include "../tests/canvas/CanvasTestSupport.h"
#include "../tools/SampleDrawing.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace qm {
namespace {

constexpr int kItemsPerCopy = 13;
// A point on the topmost copy's rectangle "四角形", which a click selects.
constexpr std::int32_t kPressX = 110;
constexpr std::int32_t kPressY = 70;
const TCanvasWindow::TMouse kLeft{TCanvasWindow::mbLeft, false, false};

struct THugeDrawing {
    explicit THugeDrawing(long items) : canvas(tree, main, textBox, TCanvasGeometry{600, 450, 10}, QStringList{})
    {
        sample::BuildCopies(tree, items / kItemsPerCopy);
        tree.ClearHistory();
        canvas.Repaint();
        // Once, untimed: the first edit bounds every item, the first click
        // boxes every item.
        canvas.Image1MouseDown(kLeft, kPressX, kPressY);
        canvas.Image1MouseMove(kLeft, kPressX + 10, kPressY);
        canvas.Image1MouseUp(kLeft, kPressX + 10, kPressY);
        tree.Undo();
        canvas.Repaint();
    }

    // Flags off, as after a size change: the next press selects afresh.
    void ShowNoMarks() { canvas.SetCanvasSize(canvas.ImageWidth(), canvas.ImageHeight()); }

    TObjectTree tree;
    TMainState main;
    test::TFakeTextBox textBox;
    TCanvasWindow canvas;
};

// One drawing at a time: a million items take a good part of a gigabyte.
THugeDrawing& Drawing(long items)
{
    static std::unique_ptr<THugeDrawing> drawing;
    static long made = 0;
    if (made != items) {
        drawing.reset();
        drawing = std::make_unique<THugeDrawing>(items);
        made = items;
    }
    return *drawing;
}

// Press on the topmost rectangle, one drag step; timed: the release, which
// draws the moved item's old and new place again and shows the picture.
void BM_ReleaseAfterMovingOneItem(benchmark::State& state)
{
    THugeDrawing& d = Drawing(state.range(0));
    std::int32_t x = kPressX;
    for (auto _ : state) {
        state.PauseTiming();
        d.ShowNoMarks();
        d.canvas.Image1MouseDown(kLeft, x, kPressY);
        x = x == kPressX ? kPressX + 10 : kPressX;
        d.canvas.Image1MouseMove(kLeft, x, kPressY);
        state.ResumeTiming();
        d.canvas.Image1MouseUp(kLeft, x, kPressY);
    }
    if (d.canvas.Selection().Size() != 1)
        state.SkipWithError("the press selected no single item");
}
BENCHMARK(BM_ReleaseAfterMovingOneItem)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// An item moved and the picture redrawn; timed: the click that selects the
// topmost item under the mouse, its hit test boxing the moved item again.
void BM_FirstClickAfterAnEdit(benchmark::State& state)
{
    THugeDrawing& d = Drawing(state.range(0));
    TTreeNode* moved = d.tree.ObjectRoot()->LastChild()->FirstChild();
    std::int32_t step = 5;
    for (auto _ : state) {
        state.PauseTiming();
        {
            const TEditStepScope edit(d.tree, "move");
            d.tree.MoveItem(step, 0, moved);
        }
        step = -step;
        d.canvas.Repaint();
        d.ShowNoMarks();
        state.ResumeTiming();
        d.canvas.Image1MouseDown(kLeft, kPressX, kPressY);
        d.canvas.Image1MouseUp(kLeft, kPressX, kPressY);
    }
    if (d.canvas.Selection().Size() != 1)
        state.SkipWithError("the click selected no single item");
}
BENCHMARK(BM_FirstClickAfterAnEdit)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace qm
