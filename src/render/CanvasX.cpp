#include "CanvasX.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace qm {

namespace {

// Parts with fewer items are drawn on one thread: waking the thread beside
// costs more than it saves. A part as small as one dragged item's may still
// show over a thousand items of a crowded drawing, a few milliseconds' work.
constexpr std::size_t kBandsFrom = 256;

// The upper and the lower rows of a part, drawn on two threads.
struct THalves {
    TRect Upper;
    TRect Lower;
};

// Splits the part where each half holds about as many rows of the items'
// boxes as the other: the items of a drawing seldom spread evenly over it,
// and the thread with the fuller half would keep the other waiting.
// `boxOf(k)` is the box of item k of `count`.
template <typename BoxOf>
THalves HalvesOf(const TRect& part, std::size_t count, BoxOf&& boxOf)
{
    const auto rows = static_cast<std::size_t>(std::int64_t{part.Bottom} - part.Top + 1);
    // Boxes starting at each row less those ending just above it, summed
    // into the boxes meeting each row, summed into the box rows up to it.
    std::vector<std::int64_t> boxRows(rows + 1, 0);
    for (std::size_t k = 0; k < count; ++k) {
        const TRect box = boxOf(k).Intersected(part);
        if (box.IsEmpty())
            continue;
        ++boxRows[static_cast<std::size_t>(box.Top - part.Top)];
        --boxRows[static_cast<std::size_t>(box.Bottom - part.Top) + 1];
    }
    std::partial_sum(boxRows.begin(), boxRows.end(), boxRows.begin());
    std::partial_sum(boxRows.begin(), boxRows.end(), boxRows.begin());
    // The upper half ends at the first row by which half the box rows are
    // passed, and both halves keep a row at least.
    const auto last = std::lower_bound(boxRows.begin(), boxRows.begin() + static_cast<std::ptrdiff_t>(rows) - 2,
                                       boxRows[rows - 1] / 2);
    const auto middle = part.Top + static_cast<std::int32_t>(last - boxRows.begin());
    return {{part.Left, part.Top, part.Right, middle}, {part.Left, middle + 1, part.Right, part.Bottom}};
}

// Whether `part` is drawn in two bands, the lower one beside.
bool InBands(const TBitmap* bands, const TRect& part, std::size_t items)
{
    return bands && items >= kBandsFrom && part.Bottom > part.Top;
}

// Draws the nodes' own items clipped to `band` of the canvas.
void RenderClipped(TCanvas& canvas, const TObjectTree& tree, const TRect& band, std::span<TTreeNode* const> nodes)
{
    canvas.SetClip(band.Left, band.Top, band.Right + 1, band.Bottom + 1);
    TCanvasX surface(canvas);
    TDocumentRenderer(tree, surface).RenderItems(nodes);
    canvas.ClearClip();
}

// Draws the items, each clipped to the box it shows in: most of a crowded
// drawing's items show in a corner of their bounds, and the pixels outside
// it would only be painted over.
void RenderShown(TCanvas& canvas, const TObjectTree& tree, std::span<const TDrawingIndex::TShownItem> items)
{
    TCanvasX surface(canvas);
    TDocumentRenderer renderer(tree, surface);
    for (const TDrawingIndex::TShownItem& item : items) {
        const TRect& showing = item.Showing;
        canvas.SetClip(showing.Left, showing.Top, showing.Right + 1, showing.Bottom + 1);
        renderer.RenderItems({&item.Node, 1});
    }
    canvas.ClearClip();
}

} // namespace

void RenderDrawing(TCanvas& canvas, const TObjectTree& tree, std::int32_t width, std::int32_t height,
                   const TCanvasBackground& background)
{
    DrawBackground(canvas, width, height, background);
    TCanvasX surface(canvas);
    TDocumentRenderer(tree, surface).RepaintAll();
}

void RenderDrawingPart(TCanvas& canvas, const TObjectTree& tree, TDrawingIndex& index, const TRect& area,
                       std::int32_t width, std::int32_t height, const TCanvasBackground& background,
                       bool leaveOutHidden, TBitmap* bands)
{
    const TRect part = area.Intersected({0, 0, width - 1, height - 1});
    if (part.IsEmpty())
        return;
    canvas.SetClip(part.Left, part.Top, part.Right + 1, part.Bottom + 1);
    DrawBackground(canvas, width, height, background);
    // While every pen copies, the items that show are found band by band.
    if (leaveOutHidden) {
        if (const std::vector<TDrawingIndex::TCandidate>* candidates = index.CandidatesMeeting(part)) {
            RenderCandidatesInPart(canvas, tree, index, part, *candidates, bands);
            return;
        }
    }
    TCanvasX surface(canvas);
    TDocumentRenderer renderer(tree, surface);
    for (const TDrawingIndex::TPartItem& item : index.ItemsMeeting(part, leaveOutHidden)) {
        if (item.PenModeBefore) {
            TPen pen = canvas.Pen();
            pen.Mode = *item.PenModeBefore;
            canvas.SetPen(pen);
        }
        renderer.RenderItems({&item.Node, 1});
    }
    canvas.ClearClip();
}

void RenderCandidatesInPart(TCanvas& canvas, const TObjectTree& tree, const TDrawingIndex& index, const TRect& part,
                            const std::vector<TDrawingIndex::TCandidate>& candidates, TBitmap* bands)
{
    if (!InBands(bands, part, candidates.size())) {
        RenderShown(canvas, tree, index.ShownIn(candidates, part));
        return;
    }
    const auto drawBand = [&tree, &index, &candidates](TCanvas& on, const TRect& band) {
        RenderShown(on, tree, index.ShownIn(candidates, band));
    };
    const THalves halves = HalvesOf(part, candidates.size(), [&candidates](std::size_t k) { return candidates[k].Box; });
    bands->RunBeside([&](TCanvas& beside) { drawBand(beside, halves.Lower); }, [&] { drawBand(canvas, halves.Upper); });
}

void RenderItemsInPart(TBitmap& bitmap, const TObjectTree& tree, const TRect& part, std::span<TTreeNode* const> items,
                       std::span<const TRect> showing)
{
    if (showing.size() != items.size()) {
        RenderClipped(bitmap.Canvas(), tree, part, items);
        return;
    }
    const auto drawBand = [&tree, items, showing](TCanvas& on, const TRect& band) {
        std::vector<TDrawingIndex::TShownItem> meeting;
        for (std::size_t k = 0; k < items.size(); ++k) {
            const TRect inBand = showing[k].Intersected(band);
            if (!inBand.IsEmpty())
                meeting.push_back({items[k], inBand});
        }
        RenderShown(on, tree, meeting);
    };
    if (!InBands(&bitmap, part, items.size())) {
        drawBand(bitmap.Canvas(), part);
        return;
    }
    const THalves halves = HalvesOf(part, showing.size(), [showing](std::size_t k) { return showing[k]; });
    bitmap.RunBeside([&](TCanvas& beside) { drawBand(beside, halves.Lower); },
                     [&] { drawBand(bitmap.Canvas(), halves.Upper); });
}

} // namespace qm
