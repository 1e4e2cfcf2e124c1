#pragma once

#include <cstdint>
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
// Its memory is a few large blocks, so the system takes it back whole once
// the reader is done, rather than as holes between the tree's nodes.
class TAppendOnlyIdIndex {
public:
    // A node's place in the index; kTop stands for the hidden top above the
    // top-level nodes (no node).
    using TPlace = std::int32_t;
    static constexpr TPlace kTop = 0;

    TAppendOnlyIdIndex();
    // Room for `nodes` nodes set aside at once: growing copies the places,
    // and the copy and the old block would be held together. Untouched room
    // costs no memory.
    void Reserve(std::size_t nodes) { slots_.reserve(nodes + 1); }

    // `node` carrying `id` was appended as the last child of the node at
    // `parent`, which was added before. Returns the new node's place.
    TPlace Add(TTreeNode* node, TPlace parent, std::int32_t id);
    // The place of the node a scan would find for `id`.
    TPlace FindPlace(std::int32_t id) const;
    TTreeNode* NodeAt(TPlace place) const { return slots_[static_cast<std::size_t>(place)].Node; }
    TTreeNode* Find(std::int32_t id) const { return NodeAt(FindPlace(id)); }

private:
    struct TSlot {
        TTreeNode* Node = nullptr;
        std::int32_t Parent = 0;
        std::int32_t Jump = 0;
        std::int32_t Depth = 0;
    };

    // One id and the place of its first node in tree order; an open
    // addressing table of them, kept at most half full.
    struct TFirst {
        std::int32_t Id = 0;
        TPlace Place = kTop; // kTop: an empty entry
    };

    std::int32_t AncestorAtDepth(std::int32_t slot, std::int32_t depth) const;
    bool Precedes(std::int32_t a, std::int32_t b) const;
    // The entry of `id`, or the empty entry where it would go.
    TFirst& EntryOf(std::int32_t id);
    const TFirst& EntryOf(std::int32_t id) const;
    void GrowFirsts();

    std::vector<TSlot> slots_; // by place
    std::vector<TFirst> firsts_;
    std::size_t firstCount_ = 0;
    std::int32_t last_ = 0;
};

} // namespace qm
