// The order in which children are drawn, hit and moved. Taken literally the
// walk tries every priority 0 .. ItemCounter - 1 against every child; sorting
// the children once gives the same order in O(k log k), and in O(k) for the
// usual case of children already in ascending priority.
#include "ObjectTree.h"

#include <algorithm>

namespace qm {

namespace {

std::int32_t PriorityOf(const TTreeNode* node)
{
    return node->Data()->Priority;
}

// Stable, so equal priorities keep their list order.
void SortByPriority(std::vector<TTreeNode*>& nodes)
{
    const auto ascending = [](const TTreeNode* a, const TTreeNode* b) { return PriorityOf(a) < PriorityOf(b); };
    if (!std::is_sorted(nodes.begin(), nodes.end(), ascending))
        std::stable_sort(nodes.begin(), nodes.end(), ascending);
}

std::vector<TTreeNode*> ChildrenWithPriorityBelow(const TTreeNode* node, std::int64_t limit, bool allPriorities)
{
    std::vector<TTreeNode*> children;
    if (!node)
        return children;
    children.reserve(static_cast<std::size_t>(node->ChildCount()));
    for (TTreeNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        const std::int32_t priority = PriorityOf(child);
        if (allPriorities || (priority >= 0 && priority < limit))
            children.push_back(child);
    }
    SortByPriority(children);
    return children;
}

} // namespace

std::vector<TTreeNode*> TObjectTree::ChildrenInDrawingOrder(const TTreeNode* node) const
{
    return ChildrenWithPriorityBelow(node, itemCounter_, false);
}

std::vector<TTreeNode*> TObjectTree::ChildrenByPriority(const TTreeNode* node) const
{
    return ChildrenWithPriorityBelow(node, itemCounter_, true);
}

std::vector<TTreeNode*> TObjectTree::ChildrenInHitOrder(const TTreeNode* node) const
{
    // Priorities run downward, but children of one priority keep list order:
    // take the runs of equal priority from the end, each run as it stands.
    const std::vector<TTreeNode*> ascending = ChildrenInDrawingOrder(node);
    std::vector<TTreeNode*> descending;
    descending.reserve(ascending.size());
    std::size_t runEnd = ascending.size();
    while (runEnd > 0) {
        std::size_t runStart = runEnd - 1;
        while (runStart > 0 && PriorityOf(ascending[runStart - 1]) == PriorityOf(ascending[runEnd - 1]))
            --runStart;
        descending.insert(descending.end(), ascending.begin() + static_cast<std::ptrdiff_t>(runStart),
                          ascending.begin() + static_cast<std::ptrdiff_t>(runEnd));
        runEnd = runStart;
    }
    return descending;
}

} // namespace qm
