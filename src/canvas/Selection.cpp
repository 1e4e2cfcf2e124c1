#include "Selection.h"

namespace qm {

TSelection::TSelection(TObjectTree& tree) : tree_(tree)
{
    tree_.AddObserver(this);
}

TSelection::~TSelection()
{
    tree_.RemoveObserver(this);
}

const std::vector<TTreeNode*>& TSelection::Nodes() const
{
    Compact();
    return nodes_;
}

TTreeNode* TSelection::First() const
{
    Compact();
    return nodes_.empty() ? nullptr : nodes_.front();
}

TTreeNode* TSelection::FindById(std::int32_t id) const
{
    TTreeNode* first = nullptr;
    std::size_t firstPosition = 0;
    for (TTreeNode* node : tree_.NodesWithId(id)) {
        const auto member = positions_.find(node);
        if (member != positions_.end() && (!first || member->second < firstPosition)) {
            first = node;
            firstPosition = member->second;
        }
    }
    return first;
}

void TSelection::Append(TTreeNode* node)
{
    if (node && positions_.emplace(node, nodes_.size()).second)
        nodes_.push_back(node);
}

void TSelection::Remove(TTreeNode* node)
{
    const auto member = positions_.find(node);
    if (member == positions_.end())
        return;
    nodes_[member->second] = nullptr;
    positions_.erase(member);
    if (positions_.empty())
        nodes_.clear();
}

void TSelection::Clear()
{
    nodes_.clear();
    positions_.clear();
}

void TSelection::Compact() const
{
    if (nodes_.size() == positions_.size())
        return;
    std::size_t kept = 0;
    for (TTreeNode* node : nodes_) {
        if (!node)
            continue;
        positions_[node] = kept;
        nodes_[kept++] = node;
    }
    nodes_.resize(kept);
}

void TSelection::NodeRemoving(TTreeNode* node)
{
    Remove(node);
}

} // namespace qm
