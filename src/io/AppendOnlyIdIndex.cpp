#include "AppendOnlyIdIndex.h"

#include "model/NodesById.h"

#include <utility>

namespace qm {

TAppendOnlyIdIndex::TAppendOnlyIdIndex() : slots_(1), firsts_(16) {}

const TAppendOnlyIdIndex::TFirst& TAppendOnlyIdIndex::EntryOf(std::int32_t id) const
{
    const std::size_t mask = firsts_.size() - 1;
    std::size_t at = SpreadId(id) & mask;
    while (firsts_[at].Place != kTop && firsts_[at].Id != id)
        at = (at + 1) & mask;
    return firsts_[at];
}

TAppendOnlyIdIndex::TFirst& TAppendOnlyIdIndex::EntryOf(std::int32_t id)
{
    return const_cast<TFirst&>(std::as_const(*this).EntryOf(id));
}

void TAppendOnlyIdIndex::GrowFirsts()
{
    std::vector<TFirst> old(firsts_.size() * 2);
    old.swap(firsts_);
    for (const TFirst& entry : old) {
        if (entry.Place != kTop)
            EntryOf(entry.Id) = entry;
    }
}

TAppendOnlyIdIndex::TPlace TAppendOnlyIdIndex::Add(TTreeNode* node, TPlace parent, std::int32_t id)
{
    const std::int32_t p = parent;
    const auto slot = static_cast<std::int32_t>(slots_.size());

    // A jump skips ahead in runs whose lengths follow the skew-binary numbers,
    // so an ancestor at any depth is reached in logarithmically many steps.
    const TSlot& up = slots_[static_cast<std::size_t>(p)];
    const TSlot& upJump = slots_[static_cast<std::size_t>(up.Jump)];
    const std::int32_t upJumpJumpDepth = slots_[static_cast<std::size_t>(upJump.Jump)].Depth;
    const std::int32_t jump = up.Depth - upJump.Depth == upJump.Depth - upJumpJumpDepth ? upJump.Jump : p;
    slots_.push_back({node, p, jump, up.Depth + 1});

    if (2 * (firstCount_ + 1) > firsts_.size())
        GrowFirsts();
    TFirst& first = EntryOf(id);
    if (first.Place == kTop) {
        first = {id, slot};
        ++firstCount_;
    } else if (Precedes(slot, first.Place)) {
        first.Place = slot;
    }
    // The new node is the last in tree order when its parent lies on the path
    // down to the last node so far.
    if (AncestorAtDepth(last_, slots_[static_cast<std::size_t>(p)].Depth) == p)
        last_ = slot;
    return slot;
}

TAppendOnlyIdIndex::TPlace TAppendOnlyIdIndex::FindPlace(std::int32_t id) const
{
    const TFirst& first = EntryOf(id);
    return first.Place != kTop ? first.Place : last_;
}

std::int32_t TAppendOnlyIdIndex::AncestorAtDepth(std::int32_t slot, std::int32_t depth) const
{
    while (slots_[static_cast<std::size_t>(slot)].Depth > depth) {
        const TSlot& s = slots_[static_cast<std::size_t>(slot)];
        slot = slots_[static_cast<std::size_t>(s.Jump)].Depth >= depth ? s.Jump : s.Parent;
    }
    return slot;
}

// Whether slot a comes before slot b in tree order (a != b).
bool TAppendOnlyIdIndex::Precedes(std::int32_t a, std::int32_t b) const
{
    const std::int32_t depth = std::min(slots_[static_cast<std::size_t>(a)].Depth, slots_[static_cast<std::size_t>(b)].Depth);
    std::int32_t x = AncestorAtDepth(a, depth);
    std::int32_t y = AncestorAtDepth(b, depth);
    if (x == y)
        return x == a; // one lies above the other; parents come first
    // Climb to the children of the lowest common ancestor. Jump targets depend
    // on the depth only, so equal depths jump to equal depths.
    while (slots_[static_cast<std::size_t>(x)].Parent != slots_[static_cast<std::size_t>(y)].Parent) {
        const TSlot& sx = slots_[static_cast<std::size_t>(x)];
        const TSlot& sy = slots_[static_cast<std::size_t>(y)];
        if (sx.Jump != sy.Jump) {
            x = sx.Jump;
            y = sy.Jump;
        } else {
            x = sx.Parent;
            y = sy.Parent;
        }
    }
    // Siblings: the one appended first comes first.
    return x < y;
}

} // namespace qm
