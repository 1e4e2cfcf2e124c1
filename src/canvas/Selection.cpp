#include "Selection.h"

#include <algorithm>

namespace qm {

TSelection::TSelection(TObjectTree& tree) : tree_(tree)
{
    tree_.AddObserver(this);
}

TSelection::~TSelection()
{
    tree_.RemoveObserver(this);
}

TTreeNode* TSelection::FindById(std::int32_t id) const
{
    const auto found = std::find_if(nodes_.begin(), nodes_.end(), [id](const TTreeNode* node) {
        return node->Data()->Id == id;
    });
    return found == nodes_.end() ? nullptr : *found;
}

void TSelection::Append(TTreeNode* node)
{
    if (node && members_.insert(node).second)
        nodes_.push_back(node);
}

void TSelection::Remove(TTreeNode* node)
{
    if (members_.erase(node) > 0)
        nodes_.erase(std::find(nodes_.begin(), nodes_.end(), node));
}

void TSelection::Clear()
{
    nodes_.clear();
    members_.clear();
}

void TSelection::NodeRemoving(TTreeNode* node)
{
    Remove(node);
}

} // namespace qm
