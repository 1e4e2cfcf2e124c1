#include "io/AppendOnlyIdIndex.h"
#include "model/ObjectTree.h"

#include <gtest/gtest.h>

#include <random>

namespace qm {
namespace {

// Grows a tree by appending nodes under random parents with ids from a small
// range, so that ids repeat, and checks every lookup against the tree's own
// scan in tree order.
void GrowAndCompare(std::uint32_t seed, int nodes, int idRange, bool preferDeep)
{
    SCOPED_TRACE(seed);
    std::mt19937 random(seed);
    TObjectTree tree(TObjectTree::Empty);
    TAppendOnlyIdIndex index;
    std::vector<TAppendOnlyIdIndex::TPlace> all;
    EXPECT_EQ(index.Find(0), nullptr);
    for (int k = 0; k < nodes; ++k) {
        TAppendOnlyIdIndex::TPlace parent = TAppendOnlyIdIndex::kTop;
        if (!all.empty()) {
            const std::size_t recent = preferDeep ? std::min<std::size_t>(all.size(), 3) : all.size();
            parent = all[all.size() - 1 - random() % recent];
            if (random() % 10 == 0)
                parent = TAppendOnlyIdIndex::kTop;
        }
        const auto id = static_cast<std::int32_t>(random() % static_cast<unsigned>(idRange)) - 2;
        TTreeNode* node = tree.AddItem(index.NodeAt(parent), "n", itGroup);
        tree.SetItemId(node, id);
        all.push_back(index.Add(node, parent, id));
        for (std::int32_t probe = -3; probe <= idRange; ++probe)
            ASSERT_EQ(index.Find(probe), tree.FindItemById(probe)) << "id " << probe << " after " << k + 1 << " nodes";
    }
}

TEST(AppendOnlyIdIndex, FindsWhatAScanInTreeOrderFinds)
{
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        GrowAndCompare(seed, 300, 12, false);
        GrowAndCompare(seed + 100, 300, 6, true);
    }
}

} // namespace
} // namespace qm
