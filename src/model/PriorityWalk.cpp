// The order in which children are drawn, hit and moved. Taken literally the
// walk tries every priority 0 .. ItemCounter - 1 against every child; sorting
// the children once gives the same order in O(k log k), and in O(k) for the
// usual case of children already in ascending priority.
#include "ObjectTree.h"

#include <algorithm>
#include <limits>
#include <unordered_map>

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
    std::stable_sort(nodes.begin(), nodes.end(), ascending);
}

std::vector<TTreeNode*> ChildrenWithPriorityBelow(const TTreeNode* node, std::int64_t limit, bool allPriorities)
{
    std::vector<TTreeNode*> children;
    if (!node)
        return children;
    children.reserve(static_cast<std::size_t>(node->ChildCount()));
    // Whether they come in ascending order, seen on the way: a second pass
    // over a million children would read each record from memory again.
    bool ascending = true;
    std::int32_t last = std::numeric_limits<std::int32_t>::min();
    for (TTreeNode* child = node->FirstChild(); child; child = child->NextSibling()) {
        const std::int32_t priority = PriorityOf(child);
        if (allPriorities || (priority >= 0 && priority < limit)) {
            children.push_back(child);
            ascending = ascending && priority >= last;
            last = priority;
        }
    }
    if (!ascending)
        SortByPriority(children);
    return children;
}

// `order` (one parent's children in drawing order) with the nodes in `moved`
// put where `where` says.
void Reorder(std::vector<TTreeNode*>& order, const TNodeSet& moved, TObjectTree::TRestack where)
{
    auto isMoved = [&moved](const TTreeNode* node) { return moved.Contains(node); };
    switch (where) {
    case TObjectTree::TRestack::ToFront:
        std::stable_partition(order.begin(), order.end(), [&](const TTreeNode* node) { return !isMoved(node); });
        break;
    case TObjectTree::TRestack::ToBack:
        std::stable_partition(order.begin(), order.end(), isMoved);
        break;
    case TObjectTree::TRestack::Forward:
        // From the top down, so a run of moved nodes climbs as one.
        for (std::size_t i = order.size(); i-- > 1;) {
            if (isMoved(order[i - 1]) && !isMoved(order[i]))
                std::swap(order[i - 1], order[i]);
        }
        break;
    case TObjectTree::TRestack::Backward:
        for (std::size_t i = 1; i < order.size(); ++i) {
            if (isMoved(order[i]) && !isMoved(order[i - 1]))
                std::swap(order[i - 1], order[i]);
        }
        break;
    }
}

} // namespace

int TObjectTree::Restack(const std::vector<TTreeNode*>& nodes, TRestack where)
{
    // The moved nodes by parent, parents in the order they first appear.
    std::vector<TTreeNode*> parents;
    std::unordered_map<const TTreeNode*, TNodeSet> movedByParent;
    for (TTreeNode* node : nodes) {
        if (!node || IsFixedNode(node))
            continue;
        auto [entry, added] = movedByParent.try_emplace(node->Parent());
        if (added)
            parents.push_back(node->Parent());
        entry->second.Insert(node);
    }
    bool changed = false;
    for (TTreeNode* parent : parents) {
        // The fixed nodes keep their place and priority.
        std::vector<TTreeNode*> order = ChildrenInDrawingOrder(parent);
        std::erase_if(order, [this](const TTreeNode* node) { return IsFixedNode(node); });
        if (order.empty())
            continue;
        Reorder(order, movedByParent[parent], where);
        // Rising strictly, so that list order no longer decides.
        const std::vector<std::int64_t> priorities = RisingPriorities(order);
        if (priorities.back() >= itemCounter_)
            SetItemCounter(static_cast<std::int32_t>(priorities.back() + 1));
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (PriorityOf(order[i]) == priorities[i])
                continue;
            ChangePriority(order[i], static_cast<std::int32_t>(priorities[i]));
            changed = true;
        }
        changed = ArrangeChildren(parent, order) || changed;
    }
    return changed ? 0 : -1;
}

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
