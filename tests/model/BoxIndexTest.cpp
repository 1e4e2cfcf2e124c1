#include "model/BoxIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
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
// also after the grid was rebuilt for its stale entries.
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
    for (int round = 0; round < 3000; ++round) {
        const TTreeNode* node = NodeNumber(below(400));
        if (below(6) == 0) {
            index.Remove(node);
            boxes.erase(node);
        } else {
            const TRect box = randomBox();
            index.Set(node, box);
            boxes[node] = box;
        }
        if (round % 50 != 0)
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
        std::sort(found.begin(), found.end());
        ASSERT_EQ(found, expected) << "round " << round;
        ASSERT_EQ(index.Size(), boxes.size());
    }
    index.Set(NodeNumber(0), {5, 5, 4, 4}); // an empty box removes
    EXPECT_EQ(index.Find(NodeNumber(0)), nullptr);
}

} // namespace
} // namespace qm
