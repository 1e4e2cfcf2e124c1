#include "HiddenItems.h"

#include "BoundsCanvas.h"
#include "CanvasX.h"
#include "DocumentRenderer.h"

#include <algorithm>

namespace qm {

TItemBounds BoundItem(const TObjectTree& tree, TCanvas& measure, const TTreeNode* node)
{
    TBoundsCanvas bounds(measure);
    TCanvasX surface(bounds);
    TTreeNode* const nodes[] = {const_cast<TTreeNode*>(node)};
    TDocumentRenderer(tree, surface).RenderItems(nodes);
    const bool paintsOver = bounds.PaintsOver() && !bounds.Bounds().IsEmpty();
    return {bounds.Bounds(), {bounds.Cover(), paintsOver ? bounds.Fingerprint() : 0}};
}

std::vector<TTreeNode*> ShownItems(const TObjectTree& tree, TCanvas& measure, std::vector<TTreeNode*> items,
                                   const TRect& part)
{
    const bool otherPenModes = std::any_of(items.begin(), items.end(),
                                           [](const TTreeNode* node) { return node->Data()->Pen.Mode != TPenMode::pmCopy; });
    if (!otherPenModes)
        LeaveOutHiddenItems(items, part, [&](const TTreeNode* node) { return BoundItem(tree, measure, node); });
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
