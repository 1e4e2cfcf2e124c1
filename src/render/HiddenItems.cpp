#include "HiddenItems.h"

#include "BitmapX.h"

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

namespace {

// Lists of items this long are bounded in two halves, on two threads.
constexpr std::size_t kBoundInHalvesFrom = 1024;

// Calls `boundRange(bounder, from, to)` for [begin, end): the upper half with
// `upper`, the lower half on the bitmap's thread beside with a bounder
// measuring on the canvas there; all with `upper` unless `inHalves`.
template <typename BoundRange>
void BoundInHalves(const TObjectTree& tree, TBitmap& bitmap, TItemBounder& upper, std::size_t begin, std::size_t end,
                   bool inHalves, BoundRange&& boundRange)
{
    const std::size_t middle = inHalves ? begin + (end - begin) / 2 : begin;
    if (middle == begin) {
        boundRange(upper, begin, end);
        return;
    }
    bitmap.RunBeside(
        [&tree, &boundRange, begin, middle](TCanvas& beside) {
            TItemBounder lower(tree, beside);
            boundRange(lower, begin, middle);
        },
        [&upper, &boundRange, middle, end] { boundRange(upper, middle, end); });
}

} // namespace

void BoundItems(const TObjectTree& tree, TBitmap& bitmap, std::span<const TTreeNode* const> items,
                std::span<TItemBounds> bounds)
{
    TItemBounder upper(tree, bitmap.Canvas());
    BoundInHalves(tree, bitmap, upper, 0, items.size(), items.size() >= kBoundInHalvesFrom,
                  [items, bounds](TItemBounder& bounder, std::size_t from, std::size_t to) {
                      for (std::size_t k = from; k < to; ++k)
                          bounds[k] = bounder.Bound(items[k]);
                  });
}

namespace {

// Whole walks this long are bounded on two threads.
constexpr std::size_t kBoundInParallelFrom = 32768;
// Items bounded at a time, half on each thread.
constexpr std::size_t kBlock = 8192;

// The bounds of a walk's items, asked from the last down, a block at a
// time: none for an item whose rough box the covers of the items above the
// block already hide, which is not drawn. The lower half of a long walk's
// block is bounded on the bitmap's thread beside, its text measured on the
// canvas there; the tree and the covers are only read meanwhile.
class TBlockBounder {
public:
    TBlockBounder(const TObjectTree& tree, TBitmap& bitmap, const std::vector<TTreeNode*>& items,
                  const THiddenItems& hidden)
        : tree_(tree), bitmap_(bitmap), items_(items), hidden_(hidden), upper_(tree, bitmap.Canvas()),
          bounds_(std::min(kBlock, items.size())), begin_(items.size()),
          inParallel_(items.size() >= kBoundInParallelFrom)
    {
    }

    std::optional<TRect> BoundsOf(std::size_t k)
    {
        if (k < begin_)
            BoundBlockEndingAt(k + 1);
        const std::optional<TItemBounds>& drawn = bounds_[k - begin_];
        return drawn ? std::optional<TRect>(drawn->Bounds) : std::nullopt;
    }
    // Of an item just asked for with BoundsOf, which gave it bounds.
    const TOcclusion& OcclusionOf(std::size_t k) const { return bounds_[k - begin_]->Occlusion; }

private:
    void BoundBlockEndingAt(std::size_t end)
    {
        begin_ = end > kBlock ? end - kBlock : 0;
        BoundInHalves(tree_, bitmap_, upper_, begin_, end, inParallel_,
                      [this](TItemBounder& bounder, std::size_t from, std::size_t to) { BoundRange(bounder, from, to); });
    }

    void BoundRange(TItemBounder& bounder, std::size_t from, std::size_t to)
    {
        for (std::size_t k = from; k < to; ++k) {
            const std::optional<TRect> rough = bounder.RoughBounds(items_[k]);
            if (rough && hidden_.Covers(*rough))
                bounds_[k - begin_].reset();
            else
                bounds_[k - begin_] = bounder.Bound(items_[k]);
        }
    }

    const TObjectTree& tree_;
    TBitmap& bitmap_;
    const std::vector<TTreeNode*>& items_;
    const THiddenItems& hidden_;
    TItemBounder upper_;
    std::vector<std::optional<TItemBounds>> bounds_;
    std::size_t begin_;
    bool inParallel_;
};

} // namespace

std::vector<TTreeNode*> ShownItems(const TObjectTree& tree, TBitmap& bitmap, std::vector<TTreeNode*> items,
                                   const TRect& part, std::vector<TRect>* showing)
{
    const bool otherPenModes = std::any_of(items.begin(), items.end(),
                                           [](const TTreeNode* node) { return node->Data()->Pen.Mode != TPenMode::pmCopy; });
    if (otherPenModes)
        return items;
    THiddenItems hidden(part);
    TBlockBounder bounder(tree, bitmap, items, hidden);
    // Gathered from the last item down.
    std::vector<TTreeNode*> shown;
    std::vector<TRect> boxes;
    ForEachShownItem(
        items.size(), hidden, [&bounder](std::size_t k) { return bounder.BoundsOf(k); },
        [](std::size_t) { return true; }, [&bounder](std::size_t k) { return bounder.OcclusionOf(k); },
        [&](std::size_t k, const TRect& box) {
            shown.push_back(items[k]);
            if (showing)
                boxes.push_back(box);
        });
    std::reverse(shown.begin(), shown.end());
    if (showing) {
        std::reverse(boxes.begin(), boxes.end());
        *showing = std::move(boxes);
    }
    return shown;
}

THiddenItems::THiddenItems(const TRect& part) : covered_(part) {}

bool THiddenItems::HiddenByTwin(const TOcclusion& occlusion)
{
    const std::uint64_t twin = occlusion.PaintsOverAs;
    if (twin != 0 && !twins_.Insert(twin))
        return true;
    covered_.Add(occlusion.Cover);
    return false;
}

bool THiddenItems::TFingerprints::Insert(std::uint64_t fingerprint)
{
    std::uint64_t& slot = SlotOf(fingerprint);
    if (slot == fingerprint)
        return false;
    slot = fingerprint;
    if (++count_ * 2 > slots_.size())
        Grow();
    return true;
}

std::uint64_t& THiddenItems::TFingerprints::SlotOf(std::uint64_t fingerprint)
{
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t at = fingerprint & mask;; at = (at + 1) & mask) {
        if (slots_[at] == fingerprint || slots_[at] == 0)
            return slots_[at];
    }
}

void THiddenItems::TFingerprints::Grow()
{
    std::vector<std::uint64_t> entered(slots_.size() * 2, 0);
    entered.swap(slots_);
    for (const std::uint64_t fingerprint : entered) {
        if (fingerprint != 0)
            SlotOf(fingerprint) = fingerprint;
    }
}

} // namespace qm
