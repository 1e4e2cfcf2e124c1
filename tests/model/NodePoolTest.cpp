#include "model/HugePages.h"
#include "model/NodePool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace qm {
namespace {

constexpr std::size_t kSlotBytes = 1000; // about 2 000 slots in a block

struct TSlot {
    unsigned char* bytes;
    unsigned char mark;
};

// Fills every byte of each slot with its mark, so that two slots that
// overlap, or a slot the pool wrote into while it was taken, show.
void Take(TNodePool& pool, std::vector<TSlot>& slots, std::size_t count, unsigned char firstMark)
{
    for (std::size_t i = 0; i < count; ++i) {
        auto* bytes = static_cast<unsigned char*>(pool.Take());
        const auto mark = static_cast<unsigned char>(firstMark + i);
        std::memset(bytes, mark, kSlotBytes);
        slots.push_back({bytes, mark});
    }
}

void ExpectIntact(const std::vector<TSlot>& slots)
{
    for (const TSlot& slot : slots) {
        ASSERT_EQ(std::count(slot.bytes, slot.bytes + kSlotBytes, slot.mark), static_cast<long>(kSlotBytes));
    }
}

TEST(NodePool, SlotsStayApartAreReusedAndEmptyBlocksGoBack)
{
    TNodePool pool(kSlotBytes);
    std::vector<TSlot> slots;
    Take(pool, slots, 5000, 0);
    ExpectIntact(slots);
    // Under a memory checker the slots come from the heap and no block is held.
    const bool pooled = pool.BlockCount() > 0;
    if (pooled) {
        EXPECT_EQ(pool.BlockCount(), 3u);
    }
    EXPECT_EQ(pool.BytesTaken(), pooled ? 5000 * 1008u : 0u);

    // Give back most of them in random order, then take as many again: the
    // free slots are reused before any new block is asked for.
    std::shuffle(slots.begin(), slots.end(), std::mt19937(7));
    for (std::size_t i = 0; i < 4000; ++i)
        pool.Give(slots[i].bytes);
    slots.erase(slots.begin(), slots.begin() + 4000);
    ExpectIntact(slots);
    Take(pool, slots, 4000, 100);
    ExpectIntact(slots);
    if (pooled) {
        EXPECT_EQ(pool.BlockCount(), 3u);
    }

    // All back: one block is kept for the next slot, the others are released.
    for (const TSlot& slot : slots)
        pool.Give(slot.bytes);
    EXPECT_EQ(pool.BlockCount(), pooled ? 1u : 0u);
    EXPECT_EQ(pool.BytesTaken(), 0u);
}

TEST(NodePool, TwoThreadsTakeAndGiveAtOnce)
{
    TNodePool pool(kSlotBytes);
    std::vector<TSlot> kept[2];
    auto churn = [&pool](std::vector<TSlot>& mine, unsigned char firstMark) {
        for (int round = 0; round < 20; ++round) {
            Take(pool, mine, 500, firstMark);
            for (std::size_t i = 0; i < 400; ++i)
                pool.Give(mine[mine.size() - 1 - i].bytes);
            mine.resize(mine.size() - 400);
        }
    };
    std::thread other(churn, std::ref(kept[0]), 0);
    churn(kept[1], 128);
    other.join();
    ExpectIntact(kept[0]);
    ExpectIntact(kept[1]);
    EXPECT_EQ(pool.BytesTaken(), pool.BlockCount() > 0 ? 2 * 20 * 100 * 1008u : 0u);
    for (const std::vector<TSlot>& slots : kept) {
        for (const TSlot& slot : slots)
            pool.Give(slot.bytes);
    }
}

// A vector grown past a huge page moves into huge pages and keeps its
// values; one shrunk below it goes back to the heap.
TEST(HugePages, AGrowingBufferKeepsItsValuesAcrossTheSwitch)
{
    std::vector<std::uint32_t, THugePageAllocator<std::uint32_t>> values;
    for (std::uint32_t k = 0; k < 3 * kHugePageBytes / sizeof(std::uint32_t); ++k)
        values.push_back(k * 2654435761u);
    if (!MemoryCheckerWatches()) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(values.data()) % kHugePageBytes, 0u);
    }
    values.resize(1000);
    values.shrink_to_fit();
    for (std::uint32_t k = 0; k < values.size(); ++k)
        ASSERT_EQ(values[k], k * 2654435761u);
}

} // namespace
} // namespace qm
