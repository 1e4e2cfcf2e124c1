#include "BoxIndex.h"

#include <algorithm>

namespace qm {

static_assert(TBoxIndex::kCellSize == 64, "CellsOf divides by shifting");

TBoxIndex::TCellRange TBoxIndex::CellsOf(const TRect& box)
{
    return {std::int64_t{box.Left} >> 6, std::int64_t{box.Top} >> 6, std::int64_t{box.Right} >> 6,
            std::int64_t{box.Bottom} >> 6};
}

std::uint64_t TBoxIndex::CellKey(std::int64_t cx, std::int64_t cy)
{
    return (static_cast<std::uint64_t>(cx) << 32) ^ (static_cast<std::uint64_t>(cy) & 0xFFFFFFFFu);
}

void TBoxIndex::Set(const TTreeNode* node, const TRect& box)
{
    if (box.IsEmpty()) {
        Remove(node);
        return;
    }
    const std::uint32_t* found = slotOf_.Find(node);
    const bool added = !found;
    std::uint32_t index = 0;
    if (found) {
        index = *found;
    } else if (!freeSlots_.empty()) {
        index = freeSlots_.back();
        freeSlots_.pop_back();
        slotOf_.Set(node, index);
    } else {
        index = static_cast<std::uint32_t>(slots_.size());
        slots_.emplace_back();
        slotOf_.Set(node, index);
    }
    TSlot& slot = slots_[index];
    if (!added && slot.box == box)
        return;
    const TCellRange cells = CellsOf(box);
    const bool large = cells.Count() > kMaxCellsPerBox;
    std::optional<TCellRange> kept;
    if (!added && !slot.large)
        kept = CellsOf(slot.box);
    if (!added)
        Leave(index, large ? nullptr : &cells);
    slot.node = node;
    slot.box = box;
    slot.large = large;
    if (large)
        large_.push_back(index);
    else
        Enter(index, cells, kept ? &*kept : nullptr);
    if (staleEntries_ > liveEntries_ + 4096)
        Rebuild();
}

void TBoxIndex::Enter(std::uint32_t slot, const TCellRange& cells, const TCellRange* except)
{
    for (std::int64_t cy = cells.top; cy <= cells.bottom; ++cy) {
        for (std::int64_t cx = cells.left; cx <= cells.right; ++cx) {
            if (except && except->Contains(cx, cy))
                continue;
            cells_[CellKey(cx, cy)].push_back(slot);
        }
    }
    liveEntries_ += static_cast<std::size_t>(cells.Count());
}

void TBoxIndex::Leave(std::uint32_t slot, const TCellRange* staying)
{
    TSlot& entry = slots_[slot];
    if (entry.large) {
        large_.erase(std::find(large_.begin(), large_.end(), slot));
        return;
    }
    const TCellRange cells = CellsOf(entry.box);
    std::int64_t stale = cells.Count();
    if (staying) {
        const std::int64_t width = std::min(cells.right, staying->right) - std::max(cells.left, staying->left) + 1;
        const std::int64_t height = std::min(cells.bottom, staying->bottom) - std::max(cells.top, staying->top) + 1;
        if (width > 0 && height > 0)
            stale -= width * height;
    }
    liveEntries_ -= static_cast<std::size_t>(cells.Count());
    staleEntries_ += static_cast<std::size_t>(stale);
}

void TBoxIndex::Remove(const TTreeNode* node)
{
    const std::uint32_t* found = slotOf_.Find(node);
    if (!found)
        return;
    const std::uint32_t index = *found;
    Leave(index, nullptr);
    slots_[index] = TSlot{};
    freeSlots_.push_back(index);
    slotOf_.Erase(node);
}

void TBoxIndex::Clear()
{
    slots_.clear();
    freeSlots_.clear();
    slotOf_.Clear();
    cells_.clear();
    large_.clear();
    liveEntries_ = 0;
    staleEntries_ = 0;
}

void TBoxIndex::Reserve(std::size_t count)
{
    slots_.reserve(count);
    slotOf_.Reserve(count);
}

void TBoxIndex::Rebuild()
{
    cells_.clear();
    liveEntries_ = 0;
    staleEntries_ = 0;
    for (std::uint32_t index = 0; index < slots_.size(); ++index) {
        if (slots_[index].node && !slots_[index].large)
            Enter(index, CellsOf(slots_[index].box), nullptr);
    }
}

const TRect* TBoxIndex::Find(const TTreeNode* node) const
{
    const std::uint32_t* found = slotOf_.Find(node);
    return found ? &slots_[*found].box : nullptr;
}

} // namespace qm
