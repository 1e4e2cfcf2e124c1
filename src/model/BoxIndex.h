#pragma once

#include "ItemObject.h"
#include "NodeMap.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace qm {

class TTreeNode;

// Boxes of tree nodes in a uniform grid of square cells, so that the nodes
// whose box meets an area are found without looking at every node. A box
// that spans very many cells (a huge item, or one far off the canvas) is kept
// in a list of its own that every query reads.
//
// A box that moves is entered in the cells it newly meets and left as a
// stale entry in the cells it leaves; queries skip stale entries, and the
// grid is rebuilt once they outnumber the live ones.
//
// The entries of a cell may also be put in the order of a key the caller
// gives (the drawing order), so that the boxes meeting an area come from
// the highest key down and a caller stops reading once it has what it
// needs. Entries entered since follow unordered; a node whose key changes
// is entered anew (Reorder).
class TBoxIndex {
public:
    TBoxIndex() = default;
    // The table of near cells points into the map: moved with it, never copied.
    TBoxIndex(const TBoxIndex&) = delete;
    TBoxIndex& operator=(const TBoxIndex&) = delete;
    TBoxIndex(TBoxIndex&&) = default;
    TBoxIndex& operator=(TBoxIndex&&) = default;

    // Enters or moves the node's box (inclusive edges, as TRect::Contains);
    // an empty box removes it.
    void Set(const TTreeNode* node, const TRect& box);
    void Remove(const TTreeNode* node);
    void Clear();
    // Room for `count` boxes, entered without moving the table of nodes.
    void Reserve(std::size_t count);

    // The node's box, or null when it has none.
    const TRect* Find(const TTreeNode* node) const;
    std::size_t Size() const { return slotOf_.Size(); }

    // Calls `visit(node, box)` once for each node whose box meets `area`.
    template <typename Visit>
    void Query(const TRect& area, Visit&& visit) const;
    // Calls `visit(node, box)` for every node.
    template <typename Visit>
    void ForEach(Visit&& visit) const;

    // A node's key, none for a node to leave out; each node's key stays the
    // same until the node is entered anew or passed to Reorder.
    using TKeyOf = std::function<std::optional<std::uint64_t>(const TTreeNode*)>;
    // Returns whether to go on.
    using TVisitFromTop = std::function<bool(const TTreeNode*, const TRect&)>;
    // The node's key changed: its entries in ordered cells are out of place.
    void Reorder(const TTreeNode* node);
    // Every node's key may have changed: no cell stays ordered.
    void ReorderAll();
    // Puts in order the cells whose unordered entries have grown, reading
    // about `entries` entries; true once none is left to order. Nodes
    // without a key stay unordered.
    bool OrderSome(std::size_t entries, const TKeyOf& keyOf);
    // Whether a cell may have grown too many unordered entries since.
    bool OrderPending() const { return orderPending_; }
    // Puts in order the cells of `area` whose unordered entries have grown.
    void OrderCellsMeeting(const TRect& area, const TKeyOf& keyOf);
    // Calls `visit(node, box)` for each node with a key whose box meets
    // `area`, from the highest key down, until it returns false.
    void QueryFromTop(const TRect& area, const TKeyOf& keyOf, const TVisitFromTop& visit) const;
    // Whether a query of `area` reads its cells rather than every box.
    bool ReadsCells(const TRect& area) const
    {
        return CellsOf(area).Count() * 2 <= static_cast<std::int64_t>(cells_.size());
    }

    static constexpr std::int32_t kCellSize = 64;
    // Boxes meeting more cells than this go to the list of large boxes.
    static constexpr std::int64_t kMaxCellsPerBox = 1024;

private:
    struct TSlot {
        const TTreeNode* node = nullptr; // null: free
        TRect box;
        mutable std::uint64_t seen = 0; // the query that reported it last
        // The cells ordered (orders_) when the slot took its node or the
        // node a new key: its entries in cells ordered before are not in place.
        std::uint32_t placed = 0;
        bool large = false;
    };
    struct TCell {
        // The first `ordered` ascend by key as of the cells ordered
        // `orderedAt`, but those of slots placed since; the rest as entered.
        std::vector<std::uint32_t> entries;
        std::uint32_t ordered = 0;
        std::uint32_t orderedAt = 0;
        // Unordered entries past this many cost a query more than ordering.
        bool NeedsOrder() const { return entries.size() - ordered > 8 + ordered / 32; }
    };
    struct TCellRange {
        std::int64_t left, top, right, bottom; // inclusive cell numbers
        std::int64_t Count() const { return (right - left + 1) * (bottom - top + 1); }
        bool Contains(std::int64_t cx, std::int64_t cy) const { return left <= cx && cx <= right && top <= cy && cy <= bottom; }
    };

    static TCellRange CellsOf(const TRect& box);
    static std::uint64_t CellKey(std::int64_t cx, std::int64_t cy);
    // The cell, or null when it has none; CellAt makes it. Cells near the
    // origin, where a canvas's items lie, are found in a table by number
    // without hashing: a command on many items enters each in several.
    const TCell* FindCell(std::int64_t cx, std::int64_t cy) const;
    TCell* FindCell(std::int64_t cx, std::int64_t cy)
    {
        return const_cast<TCell*>(std::as_const(*this).FindCell(cx, cy));
    }
    TCell& CellAt(std::int64_t cx, std::int64_t cy);
    // The cell's place in the table of near cells, none for a cell farther.
    static std::optional<std::size_t> NearPlace(std::int64_t cx, std::int64_t cy);
    void ClearCells();
    // Enters the slot in the cells of `cells` outside `except` (when given).
    void Enter(std::uint32_t slot, const TCellRange& cells, const TCellRange* except);
    // Takes the slot out of the large list, or counts its entries stale but
    // those in the cells of `staying`.
    void Leave(std::uint32_t slot, const TCellRange* staying);
    void Rebuild();
    // Keeps one entry of each node in the cell, ordered by key.
    void OrderCell(std::uint64_t key, TCell& cell, const TKeyOf& keyOf);

    std::vector<TSlot> slots_;
    std::vector<std::uint32_t> freeSlots_;
    TNodeMap<std::uint32_t> slotOf_;
    std::unordered_map<std::uint64_t, TCell> cells_;
    // The cells [0, kNearCells) on both axes, row by row, null where none;
    // empty until one is made.
    static constexpr std::int64_t kNearCells = 128;
    std::vector<TCell*> nearCells_;
    std::vector<std::uint32_t> large_;
    std::size_t liveEntries_ = 0;
    std::size_t staleEntries_ = 0;
    mutable std::uint64_t queries_ = 0;
    std::uint32_t orders_ = 0;
    bool orderPending_ = false;
};

template <typename Visit>
void TBoxIndex::Query(const TRect& area, Visit&& visit) const
{
    if (area.IsEmpty())
        return;
    const std::uint64_t stamp = ++queries_;
    auto offer = [&](std::uint32_t index) {
        const TSlot& slot = slots_[index];
        if (!slot.node || slot.seen == stamp)
            return;
        slot.seen = stamp;
        if (slot.box.Meets(area))
            visit(slot.node, slot.box);
    };
    if (!ReadsCells(area)) {
        // An area over much of the drawing: a box spans several cells, so
        // reading every slot once costs less than the entries of its cells.
        for (const TSlot& slot : slots_) {
            if (slot.node && slot.box.Meets(area))
                visit(slot.node, slot.box);
        }
        return;
    }
    for (std::uint32_t index : large_)
        offer(index);
    const TCellRange cells = CellsOf(area);
    // A cell of a crowded drawing lists tens of thousands of slots, each
    // read from afar: asked for well ahead, they come together.
    constexpr std::size_t kAhead = 48;
    for (std::int64_t cy = cells.top; cy <= cells.bottom; ++cy) {
        for (std::int64_t cx = cells.left; cx <= cells.right; ++cx) {
            const TCell* cell = FindCell(cx, cy);
            if (!cell)
                continue;
            const std::vector<std::uint32_t>& entries = cell->entries;
            for (std::size_t k = 0; k < entries.size(); ++k) {
                if (k + kAhead < entries.size())
                    __builtin_prefetch(&slots_[entries[k + kAhead]], 1);
                offer(entries[k]);
            }
        }
    }
}

template <typename Visit>
void TBoxIndex::ForEach(Visit&& visit) const
{
    for (const TSlot& slot : slots_) {
        if (slot.node)
            visit(slot.node, slot.box);
    }
}

} // namespace qm
