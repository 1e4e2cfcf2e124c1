#include "HiddenItems.h"

#include <algorithm>

namespace qm {

TItemBounder::TItemBounder(const TObjectTree& tree, TCanvas& measure)
    : canvas_(measure), surface_(canvas_), renderer_(tree, surface_)
{
}

TItemBounds TItemBounder::Bound(const TTreeNode* node)
{
    // The surface and the renderer set all they use for each item; the
    // canvas starts as new, so that twins make the same calls.
    canvas_.Reset();
    TTreeNode* const nodes[] = {const_cast<TTreeNode*>(node)};
    renderer_.RenderItems(nodes);
    const bool paintsOver = canvas_.PaintsOver() && !canvas_.Bounds().IsEmpty();
    return {canvas_.Bounds(), {canvas_.Cover(), paintsOver ? canvas_.Fingerprint() : 0}};
}

TItemBounds BoundItem(const TObjectTree& tree, TCanvas& measure, const TTreeNode* node)
{
    return TItemBounder(tree, measure).Bound(node);
}

std::vector<TTreeNode*> ShownItems(const TObjectTree& tree, TCanvas& measure, std::vector<TTreeNode*> items,
                                   const TRect& part)
{
    const bool otherPenModes = std::any_of(items.begin(), items.end(),
                                           [](const TTreeNode* node) { return node->Data()->Pen.Mode != TPenMode::pmCopy; });
    if (!otherPenModes) {
        TItemBounder bounder(tree, measure);
        LeaveOutHiddenItems(items, part, [&bounder](const TTreeNode* node) { return bounder.Bound(node); });
    }
    return items;
}

THiddenItems::THiddenItems(const TRect& part, std::size_t items) : covered_(part), twins_(items) {}

bool THiddenItems::Hidden(const TRect& bounds, const TOcclusion& occlusion)
{
    // A twin hides the earlier ones even when covers hide it in turn: they
    // touch only the pixels it touches.
    const std::uint64_t twin = occlusion.PaintsOverAs;
    if ((twin != 0 && !twins_.Insert(twin)) || covered_.Covers(bounds))
        return true;
    covered_.Add(occlusion.Cover);
    return false;
}

THiddenItems::TFingerprints::TFingerprints(std::size_t most)
{
    std::size_t size = 16;
    while (size < 2 * most)
        size *= 2;
    slots_.assign(size, 0);
}

bool THiddenItems::TFingerprints::Insert(std::uint64_t fingerprint)
{
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = fingerprint & mask;; at = (at + 1) & mask) {
        if (slots_[at] == fingerprint)
            return false;
        if (slots_[at] == 0) {
            slots_[at] = fingerprint;
            return true;
        }
    }
}

} // namespace qm
