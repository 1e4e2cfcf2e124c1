// Moving nodes themselves within the tree: they keep their ids, records and
// subtrees, and the history records only the place each one left.
#include "ObjectTree.h"

#include <algorithm>
#include <limits>

namespace qm {

namespace {

// Which entries of `values` form a longest strictly rising subsequence.
std::vector<bool> LongestRisingRun(const std::vector<std::size_t>& values)
{
    // tails[k]: the entry ending the best run of length k + 1 found so far.
    std::vector<std::size_t> tails;
    std::vector<std::size_t> before(values.size(), SIZE_MAX);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto place = std::lower_bound(tails.begin(), tails.end(), values[i],
                                            [&values](std::size_t entry, std::size_t value) { return values[entry] < value; });
        if (place != tails.begin())
            before[i] = *(place - 1);
        if (place == tails.end())
            tails.push_back(i);
        else
            *place = i;
    }
    std::vector<bool> inRun(values.size(), false);
    for (std::size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = before[i])
        inRun[i] = true;
    return inRun;
}

} // namespace

void TObjectTree::Relink(TTreeNode* node, TTreeNode* holder, TTreeNode* prev)
{
    if (node->parent_ == holder && node->prev_ == prev)
        return;
    TTreeNode* before = prev ? prev->next_ : holder->firstChild_;
    TTreeNode* newParent = holder == top_.get() ? nullptr : holder;
    for (TTreeObserver* observer : observers_)
        observer->NodeMoving(node, newParent, before);
    Unlink(node);
    Link(node, holder, prev);
    Touch();
    NoteChanged(node);
    for (TTreeObserver* observer : observers_)
        observer->NodeMoved(node);
}

int TObjectTree::MoveNode(TTreeNode* node, TTreeNode* newParent, TTreeNode* before)
{
    TTreeNode* holder = newParent ? newParent : top_.get();
    if (!node || IsFixedNode(node) || !node->Attached() ||
        (newParent && (!newParent->Attached() || newParent->IsWithin(node))) || (before && before->parent_ != holder))
        return -1;
    TTreeNode* prev = before ? before->prev_ : holder->lastChild_;
    if (before == node || prev == node)
        return 0; // already there
    RecordLink({node, node->parent_, node->prev_, TLinkChange::Moved});
    Relink(node, holder, prev);
    return 0;
}

int TObjectTree::MoveNodes(const std::vector<TTreeNode*>& nodes, TTreeNode* newParent, TTreeNode* before)
{
    TTreeNode* holder = newParent ? newParent : top_.get();
    if ((newParent && !newParent->Attached()) || (before && before->parent_ != holder))
        return -1;
    // The topmost of the nodes, each once, in the order given.
    const std::unordered_set<const TTreeNode*> given(nodes.begin(), nodes.end());
    std::vector<TTreeNode*> tops;
    std::unordered_set<const TTreeNode*> moved;
    for (TTreeNode* node : nodes) {
        if (!node || IsFixedNode(node) || !node->Attached() || (newParent && newParent->IsWithin(node)))
            return -1;
        bool inside = false;
        for (const TTreeNode* above = node->Parent(); above && !inside; above = above->Parent())
            inside = given.contains(above);
        if (!inside && moved.insert(node).second)
            tops.push_back(node);
    }
    while (before && moved.contains(before))
        before = before->next_;
    for (TTreeNode* node : tops)
        MoveNode(node, newParent, before);
    if (newParent)
        FollowListOrder(newParent, moved);
    return 0;
}

bool TObjectTree::ArrangeChildren(TTreeNode* node, const std::vector<TTreeNode*>& order)
{
    TNodeMap<std::size_t> listPlace;
    listPlace.Reserve(static_cast<std::size_t>(node->childCount_));
    std::size_t place = 0;
    for (const TTreeNode* child = node->firstChild_; child; child = child->next_)
        listPlace.Set(child, place++);
    std::vector<std::size_t> places;
    places.reserve(order.size());
    for (const TTreeNode* child : order)
        places.push_back(*listPlace.Find(child));
    // Nodes already in order among themselves stay; each other one goes
    // just before its successor in `order`, from the last one back, so that
    // successor already stands where it belongs.
    const std::vector<bool> stays = LongestRisingRun(places);
    bool moved = false;
    for (std::size_t i = order.size(); i-- > 0;) {
        if (!stays[i]) {
            MoveNode(order[i], node, i + 1 < order.size() ? order[i + 1] : nullptr);
            moved = true;
        }
    }
    return moved;
}

void TObjectTree::FollowListOrder(TTreeNode* node, const std::unordered_set<const TTreeNode*>& moved)
{
    std::vector<TTreeNode*> drawn;
    std::int64_t lowest = std::numeric_limits<std::int64_t>::max();
    for (TTreeNode* child = node->firstChild_; child; child = child->next_) {
        if (!InWalkRange(child))
            continue;
        drawn.push_back(child);
        lowest = std::min<std::int64_t>(lowest, child->data_.Priority);
    }
    // Each one above the one before it: a moved node just above, the others
    // where they were unless that is not above.
    std::vector<std::int64_t> priorities;
    priorities.reserve(drawn.size());
    std::int64_t last = lowest - 1;
    for (const TTreeNode* child : drawn) {
        last = moved.contains(child) ? last + 1 : std::max<std::int64_t>(child->data_.Priority, last + 1);
        priorities.push_back(last);
    }
    if (drawn.empty() || last >= std::numeric_limits<std::int32_t>::max())
        return; // no room left above the top priority
    if (last >= itemCounter_)
        SetItemCounter(static_cast<std::int32_t>(last + 1));
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        if (drawn[i]->data_.Priority != priorities[i])
            ChangePriority(drawn[i], static_cast<std::int32_t>(priorities[i]));
    }
}

std::vector<std::int64_t> TObjectTree::RisingPriorities(const std::vector<TTreeNode*>& order)
{
    // Node i can keep its priority p when p >= i (room for the nodes below
    // it), and nodes i < j both keep theirs when p_j - j >= p_i - i (room for
    // those between): the kept ones are a longest run rising in (p - i, i).
    const std::size_t count = order.size();
    std::vector<std::size_t> keepable;
    std::vector<std::size_t> keys;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int64_t room = order[i]->data_.Priority - static_cast<std::int64_t>(i);
        if (room >= 0) {
            keepable.push_back(i);
            keys.push_back(static_cast<std::size_t>(room) * count + i);
        }
    }
    const std::vector<bool> inRun = LongestRisingRun(keys);
    std::vector<bool> keeps(count, false);
    for (std::size_t k = 0; k < keepable.size(); ++k)
        keeps[keepable[k]] = inRun[k];
    // The first node always has room below, so the run is not empty when the
    // order is not; the others take the priority just above the node before.
    std::vector<std::int64_t> priorities(count);
    const auto firstKept = static_cast<std::size_t>(std::find(keeps.begin(), keeps.end(), true) - keeps.begin());
    for (std::size_t i = 0; i < count; ++i) {
        if (keeps[i])
            priorities[i] = order[i]->data_.Priority;
        else if (i < firstKept)
            priorities[i] = order[firstKept]->data_.Priority - static_cast<std::int64_t>(firstKept - i);
        else
            priorities[i] = priorities[i - 1] + 1;
    }
    if (count > 0 && priorities.back() >= std::numeric_limits<std::int32_t>::max()) {
        // No room above the top: the siblings are numbered from 0.
        for (std::size_t i = 0; i < count; ++i)
            priorities[i] = static_cast<std::int64_t>(i);
    }
    return priorities;
}

} // namespace qm
