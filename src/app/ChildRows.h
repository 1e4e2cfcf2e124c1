#pragma once

#include <cstddef>
#include <vector>

namespace qm {

class TTreeNode;

// The children of one tree node in row order, for the tree view. Children
// only ever join at the end of their parent's list and leave from anywhere,
// so each takes a slot numbered in joining order, and its row is the number
// of occupied slots before its own, counted in a Fenwick tree. Rows, lookups
// by row, appends and removals thus cost O(log n), also among a hundred
// thousand siblings; a plain sibling walk would make every one O(n).
class TChildRows {
public:
    int Count() const { return count_; }
    // The slot the appended child takes (its row is Count() - 1 then).
    std::size_t Append(TTreeNode* child);
    void Remove(std::size_t slot);
    // The row of the child in `slot`.
    int RowOf(std::size_t slot) const;
    // The child in `row`, or null outside 0 .. Count() - 1.
    TTreeNode* At(int row) const;
    // Calls `visit(child, slot)` for each child, in row order.
    template <typename Visit>
    void ForEachChild(Visit&& visit) const;

    // Slots of children that left are not reused; when they outnumber the
    // occupied ones, Compact renumbers the children 0, 1, ... in row order,
    // telling `moved` each child's new slot. Rows do not change.
    bool WantsCompaction() const;
    template <typename Moved>
    void Compact(Moved&& moved);

private:
    // Occupied slots among the first `slots` (a prefix sum of the tree).
    int OccupiedBefore(std::size_t slots) const;
    void Rebuild(std::vector<TTreeNode*> children);

    std::vector<TTreeNode*> slots_;  // by slot; null once the child left
    std::vector<int> occupied_;      // Fenwick tree over slots_, 1-based
    int count_ = 0;
};

template <typename Visit>
void TChildRows::ForEachChild(Visit&& visit) const
{
    for (std::size_t slot = 0; slot < slots_.size(); ++slot) {
        if (slots_[slot])
            visit(slots_[slot], slot);
    }
}

template <typename Moved>
void TChildRows::Compact(Moved&& moved)
{
    std::vector<TTreeNode*> children;
    children.reserve(static_cast<std::size_t>(count_));
    for (TTreeNode* child : slots_)
        if (child)
            children.push_back(child);
    for (std::size_t slot = 0; slot < children.size(); ++slot)
        moved(children[slot], slot);
    Rebuild(std::move(children));
}

} // namespace qm
