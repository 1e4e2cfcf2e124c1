#pragma once

#include "model/ObjectTree.h"

#include <unordered_set>
#include <vector>

namespace qm {

// The canvas selection: tree nodes in the order they were selected. It watches
// the tree and forgets a node the moment it is deleted, so no command ever
// touches a node that no longer exists. Commands that delete or move selected
// nodes iterate over a copy of Nodes() and skip entries for which Contains()
// has become false (a deleted node's address may be reused by a new node,
// which is never in the selection).
class TSelection final : public TTreeObserver {
public:
    explicit TSelection(TObjectTree& tree);
    ~TSelection() override;
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;

    const std::vector<TTreeNode*>& Nodes() const { return nodes_; }
    bool Empty() const { return nodes_.empty(); }
    std::size_t Size() const { return nodes_.size(); }
    TTreeNode* First() const { return nodes_.empty() ? nullptr : nodes_.front(); }
    bool Contains(const TTreeNode* node) const { return members_.contains(node); }

    // The entry whose item carries `id`, or null.
    TTreeNode* FindById(std::int32_t id) const;
    void Append(TTreeNode* node);
    void Remove(TTreeNode* node);
    void Clear();

private:
    void NodeRemoving(TTreeNode* node) override;
    void TreeReset() override { Clear(); }

    TObjectTree& tree_;
    std::vector<TTreeNode*> nodes_;
    std::unordered_set<const TTreeNode*> members_;
};

} // namespace qm
