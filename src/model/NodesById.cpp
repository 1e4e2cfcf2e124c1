#include "NodesById.h"

#include "TreeNode.h"

namespace qm {

std::size_t TNodesById::SingleEntry(std::int32_t id) const
{
    const std::size_t mask = single_.size() - 1;
    std::size_t entry = SpreadId(id) & mask;
    while (single_[entry] && singleIds_[entry] != id)
        entry = (entry + 1) & mask;
    return entry;
}

void TNodesById::AddSingle(TTreeNode* node, std::int32_t id)
{
    if (2 * (singleCount_ + 1) > single_.size()) {
        std::vector<TTreeNode*> oldNodes(single_.size() * 2);
        std::vector<std::int32_t> oldIds(oldNodes.size());
        oldNodes.swap(single_);
        oldIds.swap(singleIds_);
        for (std::size_t entry = 0; entry < oldNodes.size(); ++entry) {
            if (oldNodes[entry]) {
                const std::size_t to = SingleEntry(oldIds[entry]);
                single_[to] = oldNodes[entry];
                singleIds_[to] = oldIds[entry];
            }
        }
    }
    const std::size_t entry = SingleEntry(id);
    single_[entry] = node;
    singleIds_[entry] = id;
    ++singleCount_;
}

void TNodesById::EraseSingle(std::size_t hole)
{
    const std::size_t mask = single_.size() - 1;
    single_[hole] = nullptr;
    --singleCount_;
    for (std::size_t entry = (hole + 1) & mask; single_[entry]; entry = (entry + 1) & mask) {
        const std::size_t home = SpreadId(singleIds_[entry]) & mask;
        // It may move back into the hole when the hole lies between its home and it.
        if (((entry - home) & mask) >= ((entry - hole) & mask)) {
            single_[hole] = single_[entry];
            singleIds_[hole] = singleIds_[entry];
            single_[entry] = nullptr;
            hole = entry;
        }
    }
}

void TNodesById::Add(TTreeNode* node, std::int32_t id)
{
    auto shared = shared_.find(id);
    if (shared == shared_.end()) {
        const std::size_t entry = SingleEntry(id);
        if (!single_[entry]) {
            AddSingle(node, id);
            return;
        }
        // A second node with the id: both go to a list of their own.
        shared = shared_.try_emplace(id).first;
        single_[entry]->idSlot_ = 0;
        shared->second.push_back(single_[entry]);
        EraseSingle(entry);
    }
    node->idSlot_ = static_cast<std::uint32_t>(shared->second.size());
    shared->second.push_back(node);
}

void TNodesById::Remove(TTreeNode* node, std::int32_t id)
{
    if (const std::size_t entry = SingleEntry(id); single_[entry]) {
        if (single_[entry] == node)
            EraseSingle(entry);
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
        AddSingle(sameId.front(), id);
        shared_.erase(found);
    }
}

std::span<TTreeNode* const> TNodesById::NodesWith(std::int32_t id) const
{
    if (const std::size_t entry = SingleEntry(id); single_[entry])
        return {&single_[entry], 1};
    if (const auto shared = shared_.find(id); shared != shared_.end())
        return shared->second;
    return {};
}

} // namespace qm
