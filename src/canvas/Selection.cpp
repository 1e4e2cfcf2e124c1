#include "Selection.h"

namespace qm {

namespace {

// Selections smaller than this are cleared member by member.
constexpr std::size_t kClearedOneByOne = 4096;

} // namespace

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
        const std::size_t* position = positions_.Find(node);
        if (position && (!first || *position < firstPosition)) {
            first = node;
            firstPosition = *position;
        }
    }
    return first;
}

void TSelection::Append(TTreeNode* node)
{
    if (node && positions_.Insert(node, nodes_.size()))
        nodes_.push_back(node);
}

void TSelection::Remove(TTreeNode* node)
{
    const std::size_t* position = positions_.Find(node);
    if (!position)
        return;
    nodes_[*position] = nullptr;
    positions_.Erase(node);
    if (positions_.Size() == 0)
        nodes_.clear();
}

void TSelection::Clear()
{
    // The table keeps the room of the largest selection made: a few members
    // are taken out one by one rather than by a pass over all of it.
    if (positions_.Size() < kClearedOneByOne) {
        for (const TTreeNode* node : nodes_) {
            if (node)
                positions_.Erase(node);
        }
    } else {
        positions_.Clear();
    }
    nodes_.clear();
}

void TSelection::Compact() const
{
    if (nodes_.size() == positions_.Size())
        return;
    std::size_t kept = 0;
    for (TTreeNode* node : nodes_) {
        if (!node)
            continue;
        positions_.Set(node, kept);
        nodes_[kept++] = node;
    }
    nodes_.resize(kept);
}

void TSelection::NodeRemoving(TTreeNode* node)
{
    Remove(node);
}

} // namespace qm
