#include "ChildRows.h"

namespace qm {

namespace {

std::size_t LowestBit(std::size_t index)
{
    return index & (~index + 1);
}

} // namespace

int TChildRows::OccupiedBefore(std::size_t slots) const
{
    int sum = 0;
    for (std::size_t i = slots; i > 0; i -= LowestBit(i))
        sum += occupied_[i];
    return sum;
}

std::size_t TChildRows::Append(TTreeNode* child)
{
    if (occupied_.empty())
        occupied_.push_back(0); // index 0 is unused: the tree counts from 1
    const std::size_t slot = slots_.size();
    const std::size_t index = slot + 1;
    // The new entry covers the slots (index - lowest bit, index].
    occupied_.push_back(1 + OccupiedBefore(index - 1) - OccupiedBefore(index - LowestBit(index)));
    slots_.push_back(child);
    ++count_;
    return slot;
}

void TChildRows::Remove(std::size_t slot)
{
    if (slot >= slots_.size() || !slots_[slot])
        return;
    slots_[slot] = nullptr;
    for (std::size_t i = slot + 1; i < occupied_.size(); i += LowestBit(i))
        --occupied_[i];
    --count_;
}

int TChildRows::RowOf(std::size_t slot) const
{
    return OccupiedBefore(slot);
}

TTreeNode* TChildRows::At(int row) const
{
    if (row < 0 || row >= count_)
        return nullptr;
    // Descend to the last index whose prefix holds at most `row` children:
    // the slot after it is the child in `row`.
    std::size_t step = 1;
    while (step * 2 < occupied_.size())
        step *= 2;
    std::size_t index = 0;
    int remaining = row;
    for (; step > 0; step /= 2) {
        const std::size_t next = index + step;
        if (next < occupied_.size() && occupied_[next] <= remaining) {
            index = next;
            remaining -= occupied_[next];
        }
    }
    return slots_[index];
}

bool TChildRows::WantsCompaction() const
{
    return slots_.size() > 64 && slots_.size() > 2 * static_cast<std::size_t>(count_);
}

void TChildRows::Rebuild(std::vector<TTreeNode*> children)
{
    slots_ = std::move(children);
    count_ = static_cast<int>(slots_.size());
    // All slots occupied: each entry counts the slots it covers.
    occupied_.assign(slots_.size() + 1, 0);
    for (std::size_t i = 1; i < occupied_.size(); ++i)
        occupied_[i] = static_cast<int>(LowestBit(i));
}

} // namespace qm
