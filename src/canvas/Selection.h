#pragma once

#include "model/NodeMap.h"
#include "model/ObjectTree.h"

#include <cstddef>
#include <vector>

namespace qm {

// The canvas selection: tree nodes in the order they were selected. It watches
// the tree and forgets a node the moment it is deleted, so no command ever
// touches a node that no longer exists. Commands that delete or move selected
// nodes iterate over a copy of Nodes() and skip entries for which Contains()
// has become false (a deleted node's address may be reused by a new node,
// which is never in the selection).
//
// Membership, adding and removing take constant time: a removed entry leaves
// a hole that the next call of Nodes() closes, so removing many entries one
// by one costs one pass, not one pass each.
class TSelection final : public TTreeObserver {
public:
    explicit TSelection(TObjectTree& tree);
    ~TSelection() override;
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

    const std::vector<TTreeNode*>& Nodes() const;
    bool Empty() const { return positions_.Size() == 0; }
    std::size_t Size() const { return positions_.Size(); }
    TTreeNode* First() const;
    bool Contains(const TTreeNode* node) const { return positions_.Contains(node); }

    // The entry selected first among those whose item carries `id`, or null.
    TTreeNode* FindById(std::int32_t id) const;
    void Append(TTreeNode* node);
    void Remove(TTreeNode* node);
    void Clear();

private:
    void NodeRemoving(TTreeNode* node) override;
    void TreeReset() override { Clear(); }
    // Closes the holes that removals left in nodes_.
    void Compact() const;

    TObjectTree& tree_;
    // In selection order; null where an entry was removed until Compact.
    mutable std::vector<TTreeNode*> nodes_;
    // Each member's index in nodes_, asked about every node a command on a
    // large selection moves or the tree removes.
    mutable TNodeMap<std::size_t> positions_;
};

} // namespace qm
