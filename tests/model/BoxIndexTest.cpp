#include "model/BoxIndex.h"
#include "model/NodeMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <map>
#include <random>
#include <unordered_map>
#include <vector>

namespace qm {
namespace {

// Stand-ins for nodes: the index only compares their addresses.
const TTreeNode* NodeNumber(int k)
{
    static const std::vector<char> nodes(2000);
    return reinterpret_cast<const TTreeNode*>(&nodes[static_cast<std::size_t>(k)]);
}

// Boxes entered, moved (far and near, small and huge, off the canvas too)
// and removed: every query finds each box that meets the area exactly once,
// also after the grid was rebuilt for its stale entries and for areas over
// most of the grid, and each node finds its own box. Nodes have keys, some
// none, which change now and then, with cells put in order between: a
// query from the top finds the keyed ones from the highest key down, and
// stops where asked.
TEST(BoxIndex, FindsEachBoxMeetingAnAreaOnceWhateverMovedOrLeft)
{
    std::mt19937 random(11);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto randomBox = [&] {
        const int x = below(3000) - 1000;
        const int y = below(3000) - 1000;
        const int size = below(10) == 0 ? 2000 : below(200);
        return TRect{x, y, x + size, y + below(size + 1)};
    };
    TBoxIndex index;
    std::map<const TTreeNode*, TRect> boxes;
    std::map<const TTreeNode*, std::uint64_t> keys;
    const TBoxIndex::TKeyOf keyOf = [&keys](const TTreeNode* node) {
        const auto found = keys.find(node);
        return found == keys.end() ? std::nullopt : std::optional(found->second);
    };
    for (int k = 0; k < 400; ++k) {
        if (below(8) != 0)
            keys[NodeNumber(k)] = random();
    }
    for (int round = 0; round < 3000; ++round) {
        const TTreeNode* node = NodeNumber(below(400));
        if (below(5) == 0) {
            keys[node] = random();
            index.Reorder(node);
        }
        if (below(20) == 0)
            index.OrderSome(static_cast<std::size_t>(below(300)), keyOf);
        if (below(6) == 0) {
            index.Remove(node);
            boxes.erase(node);
        } else {
            const TRect box = randomBox();
            index.Set(node, box);
            boxes[node] = box;
        }
        if (round % 10 != 0)
            continue;
        const TRect area = randomBox();
        std::vector<const TTreeNode*> found;
        index.Query(area, [&](const TTreeNode* hit, const TRect& box) {
            EXPECT_EQ(box, boxes.at(hit));
            found.push_back(hit);
        });
        std::vector<const TTreeNode*> expected;
        for (const auto& [candidate, box] : boxes) {
            if (box.Meets(area))
                expected.push_back(candidate);
        }
        std::vector<const TTreeNode*> fromTop;
        const std::size_t stopAfter = static_cast<std::size_t>(below(40));
        if (below(2) == 0)
            index.OrderCellsMeeting(area, keyOf);
        index.QueryFromTop(area, keyOf, [&](const TTreeNode* hit, const TRect& box) {
            EXPECT_EQ(box, boxes.at(hit));
            fromTop.push_back(hit);
            return fromTop.size() < stopAfter;
        });
        std::vector<const TTreeNode*> keyedFromTop;
        std::copy_if(expected.begin(), expected.end(), std::back_inserter(keyedFromTop),
                     [&](const TTreeNode* hit) { return keys.contains(hit); });
        std::sort(keyedFromTop.begin(), keyedFromTop.end(),
                  [&](const TTreeNode* a, const TTreeNode* b) { return keys.at(a) > keys.at(b); });
        keyedFromTop.resize(std::min(keyedFromTop.size(), std::max<std::size_t>(stopAfter, 1)));
        ASSERT_EQ(fromTop, keyedFromTop) << "round " << round;
        std::sort(found.begin(), found.end());
        ASSERT_EQ(found, expected) << "round " << round;
        ASSERT_EQ(index.Size(), boxes.size());
        // Each node's box by its slot, neighbours in memory erased between.
        for (int k = 0; k < 400; ++k) {
            const auto entered = boxes.find(NodeNumber(k));
            const TRect* box = index.Find(NodeNumber(k));
            ASSERT_EQ(box != nullptr, entered != boxes.end()) << "round " << round << ", node " << k;
            if (box)
                ASSERT_EQ(*box, entered->second);
        }
    }
    index.Set(NodeNumber(0), {5, 5, 4, 4}); // an empty box removes
    EXPECT_EQ(index.Find(NodeNumber(0)), nullptr);
}

// Nodes at random addresses, so that entries crowd: after every change
// each node has the value last set (an Insert sets none over one there),
// or none once erased, every entry is visited once, and erasing in
// the middle of a crowd leaves the entries behind it reachable.
TEST(NodeMap, EachNodeKeepsItsLastValueThroughErasesInCrowds)
{
    static const std::vector<char> memory(1 << 20);
    std::mt19937 random(5);
    std::vector<const TTreeNode*> nodes;
    for (int k = 0; k < 3000; ++k)
        nodes.push_back(reinterpret_cast<const TTreeNode*>(&memory[random() % memory.size()]));
    TNodeMap<int> map;
    std::unordered_map<const TTreeNode*, int> expected;
    for (int round = 0; round < 60000; ++round) {
        const TTreeNode* node = nodes[random() % nodes.size()];
        const auto operation = random() % 5;
        if (operation < 2) {
            ASSERT_EQ(map.Erase(node), expected.erase(node) == 1);
        } else if (operation == 2) {
            ASSERT_EQ(map.Insert(node, round), expected.try_emplace(node, round).second);
        } else {
            map.Set(node, round);
            expected[node] = round;
        }
        if (round % 5000 == 0 || round == 59999) {
            ASSERT_EQ(map.Size(), expected.size());
            for (const TTreeNode* each : nodes) {
                const auto entered = expected.find(each);
                const int* value = map.Find(each);
                ASSERT_EQ(value != nullptr, entered != expected.end()) << "round " << round;
                if (value)
                    ASSERT_EQ(*value, entered->second);
            }
            std::size_t visited = 0;
            map.ForEach([&](const TTreeNode* each, int value) {
                ++visited;
                ASSERT_EQ(expected.at(each), value);
            });
            ASSERT_EQ(visited, expected.size());
        }
    }
    map.Clear();
    EXPECT_EQ(map.Size(), 0u);
    EXPECT_FALSE(map.Contains(nodes.front()));
}

} // namespace
} // namespace qm
