#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qm {

class TTreeNode;

// Finds nodes by id with exactly the result of a scan of the tree in tree
// order (depth first, parents before children, siblings in list order): the
// first node that carries the id, or the last node of the tree when none does,
// or null for an empty tree. It serves a tree that only grows by appending
// last children, as a document reader builds it.
//
// Lookups take constant time, duplicate ids included; adding a node takes time
// logarithmic in the depth of the tree. Tree order is decided with skew-binary
// jump pointers (one per node) and the order in which siblings were appended.
class TAppendOnlyIdIndex {
public:
    TAppendOnlyIdIndex();

    // `node` carrying `id` was appended as the last child of `parent` (null for
    // a top-level node); `parent` was added before.
    void Add(TTreeNode* node, TTreeNode* parent, std::int32_t id);
    TTreeNode* Find(std::int32_t id) const;

private:
    // Slot 0 stands for the hidden top above the top-level nodes.
    struct TSlot {
        TTreeNode* Node = nullptr;
        std::int32_t Parent = 0;
        std::int32_t Jump = 0;
        std::int32_t Depth = 0;
    };

    std::int32_t AncestorAtDepth(std::int32_t slot, std::int32_t depth) const;
    bool Precedes(std::int32_t a, std::int32_t b) const;

    std::vector<TSlot> slots_;
    std::unordered_map<const TTreeNode*, std::int32_t> slotOf_;
    std::unordered_map<std::int32_t, std::int32_t> firstById_;
    std::int32_t last_ = 0;
};

} // namespace qm
