#include "model/IdRegistry.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace qm {
namespace {

// The smallest free id, found the slow and obvious way.
std::int64_t NaiveSmallestFree(const std::map<std::int32_t, int>& counts)
{
    std::int64_t id = 0;
    while (counts.contains(static_cast<std::int32_t>(id)))
        ++id;
    return id;
}

TEST(IdRegistry, AgreesWithANaiveScanUnderRandomAddsAndRemovesWithDuplicates)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> idOf(-3, 60);
    TIdRegistry registry;
    std::map<std::int32_t, int> counts;
    for (int step = 0; step < 20000; ++step) {
        const std::int32_t id = idOf(random);
        if (random() % 2 == 0) {
            registry.Add(id);
            ++counts[id];
        } else if (counts.contains(id)) {
            registry.Remove(id);
            if (--counts[id] == 0)
                counts.erase(id);
        }
        ASSERT_EQ(registry.SmallestFree(), NaiveSmallestFree(counts)) << "at step " << step;
        ASSERT_EQ(registry.Contains(id), counts.contains(id));
    }
}

TEST(IdRegistry, ExtremeIdsCostNothingAndRemovingAnUnknownIdIsHarmless)
{
    TIdRegistry registry;
    registry.Add(2147483647);
    registry.Add(-2147483647 - 1);
    EXPECT_EQ(registry.SmallestFree(), 0);
    registry.Remove(5);
    registry.Add(0);
    registry.Add(1);
    EXPECT_EQ(registry.SmallestFree(), 2);
    registry.Remove(2147483647);
    registry.Remove(0);
    EXPECT_EQ(registry.SmallestFree(), 0);
}

} // namespace
} // namespace qm
