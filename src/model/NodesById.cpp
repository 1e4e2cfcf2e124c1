#include "NodesById.h"

#include "TreeNode.h"

namespace qm {

void TNodesById::Add(TTreeNode* node, std::int32_t id)
{
    auto shared = shared_.find(id);
    if (shared == shared_.end()) {
        const auto [single, added] = single_.try_emplace(id, node);
        if (added)
            return;
        // A second node with the id: both go to a list of their own.
        shared = shared_.try_emplace(id).first;
        single->second->idSlot_ = 0;
        shared->second.push_back(single->second);
        single_.erase(single);
    }
    node->idSlot_ = static_cast<std::uint32_t>(shared->second.size());
    shared->second.push_back(node);
}

void TNodesById::Remove(TTreeNode* node, std::int32_t id)
{
    if (const auto single = single_.find(id); single != single_.end()) {
        if (single->second == node)
            single_.erase(single);
        return;
    }
    const auto found = shared_.find(id);
    if (found == shared_.end())
        return;
    std::vector<TTreeNode*>& sameId = found->second;
    if (node->idSlot_ >= sameId.size() || sameId[node->idSlot_] != node)
        return;
    sameId[node->idSlot_] = sameId.back();
    sameId[node->idSlot_]->idSlot_ = node->idSlot_;
    sameId.pop_back();
    if (sameId.size() == 1) {
        single_.emplace(id, sameId.front());
        shared_.erase(found);
    }
}

std::span<TTreeNode* const> TNodesById::NodesWith(std::int32_t id) const
{
    if (const auto single = single_.find(id); single != single_.end())
        return {&single->second, 1};
    if (const auto shared = shared_.find(id); shared != shared_.end())
        return shared->second;
    return {};
}

} // namespace qm
