#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

namespace qm {

class TTreeNode;

// The nodes of a tree by the id their item carries. Nearly every id has one
// node, kept in one small table entry; the ids that several nodes share (a
// file may repeat ids) have a list apart, which a node leaves in constant
// time however many share its id.
class TNodesById {
public:
    void Add(TTreeNode* node, std::int32_t id);
    // `node` must carry `id` as it did when added.
    void Remove(TTreeNode* node, std::int32_t id);
    // Every node carrying `id`; empty when none does. Valid until the next change.
    std::span<TTreeNode* const> NodesWith(std::int32_t id) const;

private:
    std::unordered_map<std::int32_t, TTreeNode*> single_;
    std::unordered_map<std::int32_t, std::vector<TTreeNode*>> shared_;
};

} // namespace qm
