#pragma once

#include "BoundsCanvas.h"
#include "CanvasX.h"
#include "CoverMask.h"
#include "DocumentRenderer.h"

#include "model/ObjectTree.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace qm {

// Items drawn one after another on a TBoundsCanvas, their text measured on
// `measure`, the canvas the picture is drawn on.
class TItemBounder {
public:
    TItemBounder(const TObjectTree& tree, TCanvas& measure);
    TItemBounds Bound(const TTreeNode* node);
    // See TDocumentRenderer::RoughBounds.
    std::optional<TRect> RoughBounds(const TTreeNode* node) { return renderer_.RoughBounds(node); }

private:
    TBoundsCanvas canvas_;
    TCanvasX surface_;
    TDocumentRenderer renderer_;
};

// One item, with a bounder of its own.
TItemBounds BoundItem(const TObjectTree& tree, TCanvas& measure, const TTreeNode* node);

// Finds, among items offered from the topmost down, those nothing of which
// shows in a part of the picture: wholly under the covers of items offered
// before, or twins of one. Sound only while every pen copies: a closed
// shape fills in the mode the pen before it left.
class THiddenItems {
public:
    THiddenItems(const TRect& part, std::size_t items);

    // Whether the item, offered after every item drawn above it, is hidden;
    // if not, its cover and twin count for the items below.
    bool Hidden(const TRect& bounds, const TOcclusion& occlusion);
    // Whether the covers of the items offered so far hide all of `box`.
    bool Covers(const TRect& box) const { return covered_.Covers(box); }

private:
    // Fingerprints met so far, by open addressing: a part may hold a
    // million items, and a node per entry would cost more than the test.
    class TFingerprints {
    public:
        explicit TFingerprints(std::size_t most);
        // Enters a fingerprint (never 0); false when it was there already.
        bool Insert(std::uint64_t fingerprint);

    private:
        std::vector<std::uint64_t> slots_;
    };

    TCoverMask covered_;
    TFingerprints twins_;
};

// Takes out of `items`, in drawing order, those nothing of which shows in
// the part `hidden` was made for; `bound(k)` gives the TItemBounds of
// items[k], asked from the last item down, or none for an item known to be
// hidden already. The caller makes sure that every pen of the drawing copies.
// `shownBounds`, when given, gets the bounds of each item kept.
template <typename Bound>
void LeaveOutHiddenItems(std::vector<TTreeNode*>& items, THiddenItems& hidden, Bound&& bound,
                         std::vector<TRect>* shownBounds = nullptr)
{
    std::vector<bool> shown(items.size());
    std::vector<TRect> bounds; // of the items kept, from the last one down
    for (std::size_t k = items.size(); k-- > 0;) {
        const std::optional<TItemBounds> drawn = bound(k);
        shown[k] = drawn && !hidden.Hidden(drawn->Bounds, drawn->Occlusion);
        if (shown[k] && shownBounds)
            bounds.push_back(drawn->Bounds);
    }
    std::size_t kept = 0;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (shown[k])
            items[kept++] = items[k];
    }
    items.resize(kept);
    if (shownBounds) {
        std::reverse(bounds.begin(), bounds.end());
        *shownBounds = std::move(bounds);
    }
}

// Of `items`, the whole walk of a render in drawing order, those that show
// something in `part` of the bitmap, each bounded on the way, text measured
// on its canvas (a long walk half on the canvas beside): all of them when a
// pen does not copy. `bounds`, when given, gets the bounds of each item
// returned, or stays empty when a pen does not copy.
std::vector<TTreeNode*> ShownItems(const TObjectTree& tree, TBitmap& bitmap, std::vector<TTreeNode*> items,
                                   const TRect& part, std::vector<TRect>* bounds = nullptr);

} // namespace qm
