#pragma once

#include "BoundsCanvas.h"

#include "model/BoxIndex.h"
#include "model/NodeMap.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace qm {

// The bounds and occlusions of the drawing's items, found by area.
//
// Twins, items that make the very same drawing calls and paint over every
// pixel they touch, share one box in the box index: a part that meets a
// stack of thousands of copies pasted in place meets one entry, and of the
// drawn members only the last one shows while every pen copies.
class TItemBoxes {
public:
    // Twins with more than one member.
    struct TTwinStack {
        std::unordered_set<const TTreeNode*> Members;
        // The member drawn last, as of LastDrawnEpoch (0: not known).
        mutable const TTreeNode* LastDrawn = nullptr;
        mutable std::uint64_t LastDrawnEpoch = 0;
    };

    // Enters or moves the item; empty bounds remove it.
    void Set(const TTreeNode* node, const TItemBounds& drawn);
    void Remove(const TTreeNode* node);
    void Clear();
    // Room for `count` items, as for a whole drawing bounded at once.
    void Reserve(std::size_t count);
    // The item's bounds, none for one not entered.
    std::optional<TRect> BoundsOf(const TTreeNode* node) const;
    // What the item hides of those below; nothing for one not entered.
    TOcclusion OcclusionOf(const TTreeNode* node) const;
    // Both, the two look-ups asked for together: none for an item not entered.
    std::optional<TItemBounds> ItemBoundsOf(const TTreeNode* node) const;

    // Calls `visit(node, box)` for every item.
    template <typename Visit>
    void ForEach(Visit&& visit) const;
    // Of the items whose bounds meet `area`, calls `visitItem(node, box)` for
    // each one without a twin, and `visitStack(stack, box)` once for each
    // stack of twins, `box` the item's or the stack's bounds.
    template <typename VisitItem, typename VisitStack>
    void Query(const TRect& area, VisitItem&& visitItem, VisitStack&& visitStack) const;

    // Item keys for putting the box index in drawing order, none for an
    // item to leave out; a stack of twins is keyed by the member drawn last.
    using TKeyOf = TBoxIndex::TKeyOf;
    using TStackKeyOf = std::function<std::optional<std::uint64_t>(const TTwinStack&)>;
    // The item's key changed.
    void Reorder(const TTreeNode* node) { boxes_.Reorder(node); }
    void ReorderAll() { boxes_.ReorderAll(); }
    // Boxes entered, a stack of twins counting once.
    std::size_t Size() const { return boxes_.Size(); }
    // See TBoxIndex; stacks stay unordered, keyed when asked for.
    bool OrderSome(std::size_t entries, const TKeyOf& keyOf) { return boxes_.OrderSome(entries, StacksLeftOut(keyOf)); }
    bool OrderPending() const { return boxes_.OrderPending(); }
    void OrderCellsMeeting(const TRect& area, const TKeyOf& keyOf)
    {
        boxes_.OrderCellsMeeting(area, StacksLeftOut(keyOf));
    }
    bool ReadsCells(const TRect& area) const { return boxes_.ReadsCells(area); }
    // Of the items and stacks of twins whose bounds meet `area`, from the
    // highest key down, calls `visit(node, stack, box)` (`stack` null for an
    // item without twins) until it returns false.
    using TVisitFromTop = std::function<bool(const TTreeNode*, const TTwinStack*, const TRect&)>;
    void QueryFromTop(const TRect& area, const TKeyOf& keyOf, const TStackKeyOf& stackKeyOf,
                      const TVisitFromTop& visit) const;

    // The member of `stack` drawn last, kept by KeepLastDrawn until a
    // member joins or leaves or ForgetLastDrawn is called; none when not kept.
    std::optional<const TTreeNode*> LastDrawn(const TTwinStack& stack) const;
    void KeepLastDrawn(const TTwinStack& stack, const TTreeNode* last) const;
    // Which members are drawn, or their order, may have changed.
    void ForgetLastDrawn() { ++epoch_; }

private:
    // The items with one fingerprint: the box index holds their box under
    // the anchor alone.
    struct TTwins {
        const TTreeNode* Anchor = nullptr;
        std::unique_ptr<TTwinStack> Stack; // null while the anchor is alone

        bool Hold(const TTreeNode* node) const { return Anchor == node || (Stack && Stack->Members.contains(node)); }
    };

    // The twins `node` belongs to, or null when it has none (a fingerprint
    // shared by items of other bounds leaves the later ones on their own).
    const TTwins* TwinsOf(const TTreeNode* node) const;
    // The stack whose anchor `node` is, or null.
    const TTwinStack* StackAnchoredAt(const TTreeNode* node) const;
    void Join(const TTreeNode* node, std::uint64_t fingerprint, const TRect& box);
    // `keyOf` but none for the anchor of a stack, whose key changes with
    // the members drawn.
    TKeyOf StacksLeftOut(const TKeyOf& keyOf) const;

    TBoxIndex boxes_;
    // Kept only for items that fill a block solid or paint over what lies below.
    TNodeMap<TOcclusion> occlusions_;
    std::unordered_map<std::uint64_t, TTwins> twins_;
    // The stacks by anchor, asked about every item a part meets: they are
    // few, and a drawing without copies has none.
    std::unordered_map<const TTreeNode*, const TTwinStack*> stackAt_;
    std::uint64_t epoch_ = 1;
};

template <typename Visit>
void TItemBoxes::ForEach(Visit&& visit) const
{
    boxes_.ForEach([&](const TTreeNode* node, const TRect& box) {
        if (const TTwinStack* stack = StackAnchoredAt(node)) {
            for (const TTreeNode* member : stack->Members)
                visit(member, box);
        } else {
            visit(node, box);
        }
    });
}

template <typename VisitItem, typename VisitStack>
void TItemBoxes::Query(const TRect& area, VisitItem&& visitItem, VisitStack&& visitStack) const
{
    boxes_.Query(area, [&](const TTreeNode* node, const TRect& box) {
        if (const TTwinStack* stack = StackAnchoredAt(node))
            visitStack(*stack, box);
        else
            visitItem(node, box);
    });
}

} // namespace qm
