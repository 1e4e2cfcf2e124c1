// Speed of the object tree on large drawings: item creation (ids and
// priorities), the priority walk, and the hit test.
#include "HeapBytes.h"

#include "model/ObjectTree.h"

#include <benchmark/benchmark.h>

namespace qm {
namespace {

using bench::HeapBytes;

void FillFlat(TObjectTree& tree, int items)
{
    for (int i = 0; i < items; ++i) {
        TTreeNode* node = tree.AddItem(tree.ObjectRoot(), "item", FromStoredCode<TItemType>(i % 6));
        tree.AddPoint(i % 800, i % 600, node);
        tree.AddPoint(i % 800 + 20, i % 600 + 15, node);
    }
}

// Groups of ten under the root, as a real drawing might be organised.
void FillGrouped(TObjectTree& tree, int items)
{
    TTreeNode* group = nullptr;
    for (int i = 0; i < items; ++i) {
        if (i % 10 == 0)
            group = tree.AddItem(tree.ObjectRoot(), "group", itGroup);
        TTreeNode* node = tree.AddItem(group, "item", FromStoredCode<TItemType>(i % 6));
        tree.AddPoint(i % 800, i % 600, node);
        tree.AddPoint(i % 800 + 20, i % 600 + 15, node);
    }
}

void BM_AddItem(benchmark::State& state)
{
    const auto items = static_cast<int>(state.range(0));
    for (auto _ : state) {
        TObjectTree tree;
        for (int i = 0; i < items; ++i)
            benchmark::DoNotOptimize(tree.AddItem(tree.ObjectRoot(), "item", itRectangle));
        state.PauseTiming();
        tree.NewDocument(); // deletion is not part of the measurement
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_AddItem)->Arg(100000)->Unit(benchmark::kMillisecond);

// Heap held per simple item (a rectangle with four vertices), node included.
void BM_MemoryPerItem(benchmark::State& state)
{
    const auto items = static_cast<int>(state.range(0));
    double bytesPerItem = 0;
    for (auto _ : state) {
        const std::size_t before = HeapBytes();
        TObjectTree tree;
        for (int i = 0; i < items; ++i) {
            TTreeNode* node = tree.AddItem(tree.ObjectRoot(), "item", itRectangle);
            for (int corner = 0; corner < 4; ++corner)
                tree.AddPoint(corner * 10, corner % 2 * 10, node);
        }
        bytesPerItem = static_cast<double>(HeapBytes() - before) / items;
    }
    state.counters["bytes_per_item"] = bytesPerItem;
}
BENCHMARK(BM_MemoryPerItem)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

// Creation after deletions: ids come from the gaps, one at a time.
void BM_AddItemIntoGaps(benchmark::State& state)
{
    const auto items = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TObjectTree tree;
        std::vector<TTreeNode*> nodes;
        for (int i = 0; i < items; ++i)
            nodes.push_back(tree.AddItem(tree.ObjectRoot(), "item", itLine));
        for (int i = 0; i < items; i += 2)
            tree.DeleteSubtree(nodes[static_cast<std::size_t>(i)]);
        state.ResumeTiming();
        for (int i = 0; i < items / 2; ++i)
            benchmark::DoNotOptimize(tree.AddItem(tree.ObjectRoot(), "again", itLine));
    }
}
BENCHMARK(BM_AddItemIntoGaps)->Arg(100000)->Unit(benchmark::kMillisecond);

template <void (*Fill)(TObjectTree&, int)>
void BM_PriorityWalk(benchmark::State& state)
{
    TObjectTree tree;
    Fill(tree, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::size_t visited = 0;
        tree.WalkInDrawingOrder(tree.ObjectRoot(), [&](TTreeNode* node) {
            ++visited;
            return node != tree.TrashNode();
        });
        benchmark::DoNotOptimize(visited);
    }
}
BENCHMARK(BM_PriorityWalk<FillFlat>)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PriorityWalk<FillGrouped>)->Arg(100000)->Unit(benchmark::kMillisecond);

// A click on an empty spot searches every item.
void BM_HitTestMiss(benchmark::State& state)
{
    TObjectTree tree;
    FillGrouped(tree, static_cast<int>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(tree.HitTest(-500, -500, tree.ObjectRoot()));
}
BENCHMARK(BM_HitTestMiss)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_FindItemById(benchmark::State& state)
{
    TObjectTree tree;
    FillFlat(tree, static_cast<int>(state.range(0)));
    std::int32_t id = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tree.FindItemById(id));
        id = (id + 7919) % static_cast<std::int32_t>(state.range(0));
    }
}
BENCHMARK(BM_FindItemById)->Arg(100000);

} // namespace
} // namespace qm
