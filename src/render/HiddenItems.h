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
#include <span>
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

// Bounds each of `items` into `bounds`, text measured on the bitmap's
// canvas; the lower half of a long list on the bitmap's thread beside, its
// text measured on the canvas there. The tree is only read meanwhile.
void BoundItems(const TObjectTree& tree, TBitmap& bitmap, std::span<const TTreeNode* const> items,
                std::span<TItemBounds> bounds);

// Finds, among items offered from the topmost down, those nothing of which
// shows in a part of the picture: wholly under the covers of items offered
// before, or twins of one. Sound only while every pen copies: a closed
// shape fills in the mode the pen before it left.
class THiddenItems {
public:
    explicit THiddenItems(const TRect& part);

    // Whether nothing of the item, offered after every item drawn above it,
    // shows: covered, not drawn at all, or hidden by a twin; if something
    // does, its cover and twin count for the items below. `drawn()` says
    // whether the item is drawn and `occlusionOf()` gives its TOcclusion,
    // both asked only for an item not covered: most items of a crowded
    // drawing are.
    template <typename Drawn, typename OcclusionOf>
    bool Hidden(const TRect& bounds, Drawn&& drawn, OcclusionOf&& occlusionOf);
    // The same question, answered with the box of the item's pixels within
    // the part that the covers above leave showing, empty for a hidden item.
    // The item drawn clipped to that box makes the same picture: the
    // covers paint over the rest whatever lies below.
    template <typename Drawn, typename OcclusionOf>
    TRect Showing(const TRect& bounds, Drawn&& drawn, OcclusionOf&& occlusionOf);
    // Whether the covers of the items offered so far hide all of `box`.
    bool Covers(const TRect& box) const { return covered_.Covers(box); }
    // Whether they hide all of the part: every item offered next is hidden.
    bool CoversPart() const { return covered_.CoversAll(); }

private:
    // Fingerprints met so far, by open addressing: a part may hold a
    // million items, and a node per entry would cost more than the test.
    // Only the items left showing enter, few of a crowded part's many: the
    // table starts small and doubles when half full.
    class TFingerprints {
    public:
        TFingerprints() : slots_(16, 0) {}
        // Enters a fingerprint (never 0); false when it was there already.
        bool Insert(std::uint64_t fingerprint);

    private:
        // The empty slot for `fingerprint`, or its own.
        std::uint64_t& SlotOf(std::uint64_t fingerprint);
        void Grow();

        std::vector<std::uint64_t> slots_;
        std::size_t count_ = 0;
    };

    // Of an item the covers above leave showing: whether a twin above hides
    // it; if not, its cover and twin count for the items below.
    bool HiddenByTwin(const TOcclusion& occlusion);

    TCoverMask covered_;
    TFingerprints twins_;
};

template <typename Drawn, typename OcclusionOf>
bool THiddenItems::Hidden(const TRect& bounds, Drawn&& drawn, OcclusionOf&& occlusionOf)
{
    // Covers first: the earlier twins of a covered item lie in the same
    // bounds and are covered as well, and most items of a crowded drawing
    // are covered, so that few fingerprints are entered.
    return covered_.Covers(bounds) || !drawn() || HiddenByTwin(occlusionOf());
}

template <typename Drawn, typename OcclusionOf>
TRect THiddenItems::Showing(const TRect& bounds, Drawn&& drawn, OcclusionOf&& occlusionOf)
{
    const TRect none{0, 0, -1, -1};
    if (covered_.Covers(bounds) || !drawn())
        return none;
    // Taken before the item's own cover joins the mask.
    const TRect showing = covered_.UncoveredIn(bounds);
    return HiddenByTwin(occlusionOf()) ? none : showing;
}

// Offers `count` items, in drawing order, to `hidden` from the last one
// down and calls `shown(k, showing)` for each that shows something in the
// part `hidden` was made for, `showing` the box THiddenItems::Showing gives.
// `bounds(k)` gives the bounds of item k, or none for an item known to be
// hidden already; `drawn(k)` and `occlusionOf(k)` are asked as
// THiddenItems::Hidden asks. Once the items
// shown hide all of the part, the items below are not asked about: in a
// crowded drawing the items near the top soon hide all of a small part. The
// caller makes sure that every pen of the drawing copies.
template <typename Bounds, typename Drawn, typename OcclusionOf, typename Shown>
void ForEachShownItem(std::size_t count, THiddenItems& hidden, Bounds&& bounds, Drawn&& drawn,
                      OcclusionOf&& occlusionOf, Shown&& shown)
{
    for (std::size_t k = count; k-- > 0;) {
        const std::optional<TRect> box = bounds(k);
        if (!box)
            continue;
        const TRect showing =
            hidden.Showing(*box, [&drawn, k] { return drawn(k); }, [&occlusionOf, k] { return occlusionOf(k); });
        if (showing.IsEmpty())
            continue;
        shown(k, showing);
        if (hidden.CoversPart())
            return;
    }
}

// Of `items`, the whole walk of a render in drawing order, those that show
// something in `part` of the bitmap, each bounded on the way, text measured
// on its canvas (a long walk half on the canvas beside): all of them when a
// pen does not copy. `showing`, when given, gets the box each item returned
// shows in (see THiddenItems::Showing), or stays empty when a pen does not
// copy.
std::vector<TTreeNode*> ShownItems(const TObjectTree& tree, TBitmap& bitmap, std::vector<TTreeNode*> items,
                                   const TRect& part, std::vector<TRect>* showing = nullptr);

} // namespace qm
