#include "AppendOnlyIdIndex.h"

namespace qm {

TAppendOnlyIdIndex::TAppendOnlyIdIndex() : slots_(1) {}

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

    auto [first, inserted] = firstById_.try_emplace(id, slot);
    if (!inserted && Precedes(slot, first->second))
        first->second = slot;
    // The new node is the last in tree order when its parent lies on the path
    // down to the last node so far.
    if (AncestorAtDepth(last_, slots_[static_cast<std::size_t>(p)].Depth) == p)
        last_ = slot;
    return slot;
}

TAppendOnlyIdIndex::TPlace TAppendOnlyIdIndex::FindPlace(std::int32_t id) const
{
    const auto found = firstById_.find(id);
    return found != firstById_.end() ? found->second : last_;
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
