#include "BoxIndex.h"

#include <algorithm>
#include <limits>
#include <utility>

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

namespace {

// The cell numbers CellKey made `key` of (they come from 32-bit pixels).
std::pair<std::int64_t, std::int64_t> CellOfKey(std::uint64_t key)
{
    return {static_cast<std::int32_t>(key >> 32), static_cast<std::int32_t>(key & 0xFFFFFFFFu)};
}

} // namespace

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
    if (added)
        slot.placed = orders_;
    else if (slot.box == box)
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
            TCell& cell = CellAt(cx, cy);
            cell.entries.push_back(slot);
            orderPending_ = orderPending_ || cell.NeedsOrder();
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

std::optional<std::size_t> TBoxIndex::NearPlace(std::int64_t cx, std::int64_t cy)
{
    if (cx < 0 || cx >= kNearCells || cy < 0 || cy >= kNearCells)
        return std::nullopt;
    return static_cast<std::size_t>(cy * kNearCells + cx);
}

const TBoxIndex::TCell* TBoxIndex::FindCell(std::int64_t cx, std::int64_t cy) const
{
    if (const std::optional<std::size_t> place = NearPlace(cx, cy))
        return nearCells_.empty() ? nullptr : nearCells_[*place];
    const auto found = cells_.find(CellKey(cx, cy));
    return found == cells_.end() ? nullptr : &found->second;
}

TBoxIndex::TCell& TBoxIndex::CellAt(std::int64_t cx, std::int64_t cy)
{
    if (TCell* found = FindCell(cx, cy))
        return *found;
    // The map's values stay where they are until it is cleared.
    TCell& cell = cells_[CellKey(cx, cy)];
    if (const std::optional<std::size_t> place = NearPlace(cx, cy)) {
        if (nearCells_.empty())
            nearCells_.assign(static_cast<std::size_t>(kNearCells * kNearCells), nullptr);
        nearCells_[*place] = &cell;
    }
    return cell;
}

void TBoxIndex::ClearCells()
{
    cells_.clear();
    nearCells_.clear();
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
    ClearCells();
    large_.clear();
    liveEntries_ = 0;
    staleEntries_ = 0;
    orderPending_ = false;
}

void TBoxIndex::Reserve(std::size_t count)
{
    slots_.reserve(count);
    slotOf_.Reserve(count);
}

void TBoxIndex::Rebuild()
{
    ClearCells();
    liveEntries_ = 0;
    staleEntries_ = 0;
    for (std::uint32_t index = 0; index < slots_.size(); ++index) {
        if (slots_[index].node && !slots_[index].large)
            Enter(index, CellsOf(slots_[index].box), nullptr);
    }
}

void TBoxIndex::Reorder(const TTreeNode* node)
{
    const std::uint32_t* found = slotOf_.Find(node);
    if (!found)
        return;
    TSlot& slot = slots_[*found];
    // Placed since the last cell was ordered: no ordered entry counts.
    if (slot.placed == orders_)
        return;
    slot.placed = orders_;
    if (slot.large)
        return; // every query reads the large ones unordered
    Leave(*found, nullptr);
    Enter(*found, CellsOf(slot.box), nullptr);
}

void TBoxIndex::ReorderAll()
{
    // The entries ordered join the unordered ones, which a query takes as
    // they come; ordering a cell again drops the stale ones among them.
    for (auto& [key, cell] : cells_) {
        cell.ordered = 0;
        orderPending_ = orderPending_ || cell.NeedsOrder();
    }
}

bool TBoxIndex::OrderSome(std::size_t entries, const TKeyOf& keyOf)
{
    std::size_t read = 0;
    for (auto& [key, cell] : cells_) {
        if (!cell.NeedsOrder())
            continue;
        if (read >= entries)
            return false;
        read += cell.entries.size();
        OrderCell(key, cell, keyOf);
    }
    orderPending_ = false;
    return true;
}

void TBoxIndex::OrderCellsMeeting(const TRect& area, const TKeyOf& keyOf)
{
    if (area.IsEmpty() || !ReadsCells(area))
        return;
    const TCellRange cells = CellsOf(area);
    for (std::int64_t cy = cells.top; cy <= cells.bottom; ++cy) {
        for (std::int64_t cx = cells.left; cx <= cells.right; ++cx) {
            TCell* cell = FindCell(cx, cy);
            if (cell && cell->NeedsOrder())
                OrderCell(CellKey(cx, cy), *cell, keyOf);
        }
    }
}

void TBoxIndex::OrderCell(std::uint64_t key, TCell& cell, const TKeyOf& keyOf)
{
    if (orders_ == std::numeric_limits<std::uint32_t>::max() - 1) {
        // The count starts again: no entry counts as ordered before it.
        for (TSlot& slot : slots_)
            slot.placed = 0;
        for (auto& [unused, other] : cells_)
            other = {std::move(other.entries), 0, 0};
        orders_ = 0;
    }
    const auto [cx, cy] = CellOfKey(key);
    const std::uint64_t stamp = ++queries_;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keyed;
    std::vector<std::uint32_t> unkeyed;
    keyed.reserve(cell.entries.size());
    for (const std::uint32_t index : cell.entries) {
        const TSlot& slot = slots_[index];
        // The one live entry of a node here; the others are stale.
        if (!slot.node || slot.large || slot.seen == stamp || !CellsOf(slot.box).Contains(cx, cy))
            continue;
        slot.seen = stamp;
        if (const std::optional<std::uint64_t> found = keyOf(slot.node))
            keyed.emplace_back(*found, index);
        else
            unkeyed.push_back(index);
    }
    std::sort(keyed.begin(), keyed.end());
    const std::size_t kept = keyed.size() + unkeyed.size();
    staleEntries_ -= std::min(staleEntries_, cell.entries.size() - kept);
    std::vector<std::uint32_t> entries;
    entries.reserve(kept);
    for (const auto& [unused, index] : keyed)
        entries.push_back(index);
    entries.insert(entries.end(), unkeyed.begin(), unkeyed.end());
    cell.entries = std::move(entries);
    cell.ordered = static_cast<std::uint32_t>(keyed.size());
    cell.orderedAt = ++orders_;
}

void TBoxIndex::QueryFromTop(const TRect& area, const TKeyOf& keyOf, const TVisitFromTop& visit) const
{
    if (area.IsEmpty())
        return;
    // The unordered entries of the cells and the large boxes, put in order
    // here; then every list is read from its top, the highest key first.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> unordered;
    const auto takeUnordered = [&](std::uint32_t index) {
        const TSlot& slot = slots_[index];
        if (!slot.node || !slot.box.Meets(area))
            return;
        if (const std::optional<std::uint64_t> key = keyOf(slot.node))
            unordered.emplace_back(*key, index);
    };
    struct TList {
        const std::uint32_t* slots;
        std::size_t left; // entries [0, left) are still to read
        std::uint32_t orderedAt;
    };
    std::vector<TList> lists;
    for (std::uint32_t index : large_)
        takeUnordered(index);
    const TCellRange cells = CellsOf(area);
    for (std::int64_t cy = cells.top; cy <= cells.bottom; ++cy) {
        for (std::int64_t cx = cells.left; cx <= cells.right; ++cx) {
            const TCell* found = FindCell(cx, cy);
            if (!found)
                continue;
            const TCell& cell = *found;
            if (cell.ordered > 0)
                lists.push_back({cell.entries.data(), cell.ordered, cell.orderedAt});
            for (std::size_t k = cell.ordered; k < cell.entries.size(); ++k)
                takeUnordered(cell.entries[k]);
        }
    }
    std::sort(unordered.begin(), unordered.end());
    unordered.erase(std::unique(unordered.begin(), unordered.end()), unordered.end());
    // Their keys are asked again when read: they are few.
    std::vector<std::uint32_t> unorderedSlots;
    unorderedSlots.reserve(unordered.size());
    for (const auto& [key, index] : unordered)
        unorderedSlots.push_back(index);
    lists.push_back({unorderedSlots.data(), unorderedSlots.size(), std::numeric_limits<std::uint32_t>::max()});

    const std::uint64_t stamp = ++queries_;
    // The key of the list's next entry to offer, passing over those not to.
    constexpr std::size_t kAhead = 16;
    const auto nextKey = [&](TList& list) -> std::optional<std::uint64_t> {
        for (; list.left > 0; --list.left) {
            if (list.left > kAhead)
                __builtin_prefetch(&slots_[list.slots[list.left - 1 - kAhead]]);
            const TSlot& slot = slots_[list.slots[list.left - 1]];
            if (!slot.node || slot.seen == stamp || slot.placed >= list.orderedAt || !slot.box.Meets(area))
                continue;
            if (const std::optional<std::uint64_t> key = keyOf(slot.node))
                return key;
        }
        return std::nullopt;
    };
    std::vector<std::pair<std::uint64_t, std::size_t>> heads; // a heap of each list's next key
    const auto pushNext = [&](std::size_t list) {
        if (const std::optional<std::uint64_t> key = nextKey(lists[list])) {
            heads.emplace_back(*key, list);
            std::push_heap(heads.begin(), heads.end());
        }
    };
    for (std::size_t list = 0; list < lists.size(); ++list)
        pushNext(list);
    while (!heads.empty()) {
        std::pop_heap(heads.begin(), heads.end());
        const std::size_t list = heads.back().second;
        heads.pop_back();
        const TSlot& slot = slots_[lists[list].slots[--lists[list].left]];
        // A box in several cells is offered from the first one read.
        if (slot.seen != stamp) {
            slot.seen = stamp;
            if (!visit(slot.node, slot.box))
                return;
        }
        pushNext(list);
    }
}

const TRect* TBoxIndex::Find(const TTreeNode* node) const
{
    const std::uint32_t* found = slotOf_.Find(node);
    return found ? &slots_[*found].box : nullptr;
}

} // namespace qm
