#include "ItemBoxes.h"

namespace qm {

void TItemBoxes::Set(const TTreeNode* node, const TItemBounds& drawn)
{
    const std::uint64_t fingerprint = drawn.Bounds.IsEmpty() ? 0 : drawn.Occlusion.PaintsOverAs;
    // An item without twins moves in the box index in place, which keeps
    // the cells it stays in.
    if (drawn.Bounds.IsEmpty() || fingerprint != 0 || TwinsOf(node))
        Remove(node);
    if (drawn.Bounds.IsEmpty())
        return;
    if (drawn.Occlusion.Hides())
        occlusions_.Set(node, drawn.Occlusion);
    else
        occlusions_.Erase(node);
    if (fingerprint != 0)
        Join(node, fingerprint, drawn.Bounds);
    else
        boxes_.Set(node, drawn.Bounds);
}

void TItemBoxes::Join(const TTreeNode* node, std::uint64_t fingerprint, const TRect& box)
{
    const auto [found, added] = twins_.try_emplace(fingerprint);
    TTwins& twins = found->second;
    if (added) {
        twins.Anchor = node;
        boxes_.Set(node, box);
        return;
    }
    if (*boxes_.Find(twins.Anchor) != box) {
        boxes_.Set(node, box); // the same fingerprint for other calls
        return;
    }
    if (!twins.Stack) {
        twins.Stack = std::make_unique<TTwinStack>();
        twins.Stack->Members.insert(twins.Anchor);
        stackAt_[twins.Anchor] = twins.Stack.get();
        boxes_.Reorder(twins.Anchor); // keyed as a stack from now on
    }
    twins.Stack->Members.insert(node);
    twins.Stack->LastDrawnEpoch = 0;
}

void TItemBoxes::Remove(const TTreeNode* node)
{
    const TOcclusion* occlusion = occlusions_.Find(node);
    if (!occlusion) {
        boxes_.Remove(node);
        return;
    }
    const auto found = twins_.find(occlusion->PaintsOverAs);
    occlusions_.Erase(node);
    TTwins* twins = found == twins_.end() ? nullptr : &found->second;
    if (!twins || !twins->Hold(node)) {
        boxes_.Remove(node);
    } else if (!twins->Stack) {
        boxes_.Remove(node);
        twins_.erase(found);
    } else {
        TTwinStack& stack = *twins->Stack;
        stack.Members.erase(node);
        stack.LastDrawnEpoch = 0;
        if (twins->Anchor == node) {
            // Another member holds the box from now on.
            const TRect box = *boxes_.Find(node);
            boxes_.Remove(node);
            stackAt_.erase(node);
            twins->Anchor = *stack.Members.begin();
            boxes_.Set(twins->Anchor, box);
            stackAt_[twins->Anchor] = &stack;
        }
        if (stack.Members.size() == 1) {
            stackAt_.erase(twins->Anchor);
            twins->Stack.reset();
        }
    }
}

void TItemBoxes::Clear()
{
    boxes_.Clear();
    occlusions_.Clear();
    twins_.clear();
    stackAt_.clear();
    ++epoch_;
}

void TItemBoxes::Reserve(std::size_t count)
{
    boxes_.Reserve(count);
    occlusions_.Reserve(count);
}

std::optional<TRect> TItemBoxes::BoundsOf(const TTreeNode* node) const
{
    // Most items have no twin: one look-up.
    if (const TRect* box = boxes_.Find(node))
        return *box;
    if (const TTwins* twins = TwinsOf(node))
        return *boxes_.Find(twins->Anchor);
    return std::nullopt;
}

TOcclusion TItemBoxes::OcclusionOf(const TTreeNode* node) const
{
    const TOcclusion* occlusion = occlusions_.Find(node);
    return occlusion ? *occlusion : TOcclusion{};
}

std::optional<TItemBounds> TItemBoxes::ItemBoundsOf(const TTreeNode* node) const
{
    occlusions_.Prefetch(node);
    const std::optional<TRect> bounds = BoundsOf(node);
    return bounds ? std::optional<TItemBounds>({*bounds, OcclusionOf(node)}) : std::nullopt;
}

const TItemBoxes::TTwins* TItemBoxes::TwinsOf(const TTreeNode* node) const
{
    const TOcclusion* occlusion = occlusions_.Find(node);
    if (!occlusion || occlusion->PaintsOverAs == 0)
        return nullptr;
    const auto found = twins_.find(occlusion->PaintsOverAs);
    if (found == twins_.end())
        return nullptr;
    return found->second.Hold(node) ? &found->second : nullptr;
}

const TItemBoxes::TTwinStack* TItemBoxes::StackAnchoredAt(const TTreeNode* node) const
{
    if (stackAt_.empty())
        return nullptr;
    const auto found = stackAt_.find(node);
    return found == stackAt_.end() ? nullptr : found->second;
}

TItemBoxes::TKeyOf TItemBoxes::StacksLeftOut(const TKeyOf& keyOf) const
{
    return [this, &keyOf](const TTreeNode* node) {
        return StackAnchoredAt(node) ? std::nullopt : keyOf(node);
    };
}

void TItemBoxes::QueryFromTop(const TRect& area, const TKeyOf& keyOf, const TStackKeyOf& stackKeyOf,
                              const TVisitFromTop& visit) const
{
    boxes_.QueryFromTop(
        area,
        [&](const TTreeNode* node) {
            const TTwinStack* stack = StackAnchoredAt(node);
            return stack ? stackKeyOf(*stack) : keyOf(node);
        },
        [&](const TTreeNode* node, const TRect& box) { return visit(node, StackAnchoredAt(node), box); });
}

std::optional<const TTreeNode*> TItemBoxes::LastDrawn(const TTwinStack& stack) const
{
    if (stack.LastDrawnEpoch != epoch_)
        return std::nullopt;
    return stack.LastDrawn;
}

void TItemBoxes::KeepLastDrawn(const TTwinStack& stack, const TTreeNode* last) const
{
    stack.LastDrawn = last;
    stack.LastDrawnEpoch = epoch_;
}

} // namespace qm
