#include "DrawingIndex.h"

#include "BoundsCanvas.h"
#include "CanvasX.h"
#include "HiddenItems.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace qm {

namespace {

// Fewer items than this are put in order by comparing their places in the
// tree, more by the numbers of the drawing walk.
constexpr std::size_t kMinRanked = 4096;
// Levels above the last numbered node searched for a new node's parent.
constexpr int kMaxAppendSearch = 64;
// Shifted by whole pixels, an item whose points all shift alike still
// places text, ellipses and arrowheads from them in floating point, each
// truncated: a pixel may come out up to two pixels off the shift.
constexpr std::int32_t kShiftMargin = 2;
// Coordinates within which that holds, the rounding of the floating point
// along the way well under a pixel.
constexpr std::int64_t kShiftExactWithin = 1 << 16;

} // namespace

TDrawingIndex::TDrawingIndex(TObjectTree& tree, TBitmapX& surface)
    : tree_(tree), surface_(surface), itemCounter_(tree.ItemCounter())
{
    tree_.AddObserver(this);
}

TDrawingIndex::~TDrawingIndex()
{
    tree_.RemoveObserver(this);
}

void TDrawingIndex::Reset()
{
    boxes_.Clear();
    groups_.clear();
    undrawn_ = {};
    dirty_ = {};
    copied_ = {};
    clipboard_ = {};
    shifted_ = {};
    damage_ = {0, 0, -1, -1};
    ranks_.Clear();
    byRank_.clear();
    ranksValid_ = false;
    candidates_ = {};
    ordered_ = {};
    placeOfRank_ = {};
    otherPenModes_.clear();
    changing_ = {};
    reordered_ = {};
    allReordered_ = false;
    movingAmongSiblings_ = nullptr;
    shapeChanged_ = false;
    otherPenModeLeft_ = false;
    onTopFrom_ = 0;
    onlyOnTop_ = false;
    built_ = false;
    unbounded_ = {};
    boundSoFar_ = 0;
    building_ = false;
}

void TDrawingIndex::StartBuild()
{
    if (building_)
        return;
    Reset();
    if (const TTreeNode* root = tree_.ObjectRoot())
        GatherSubtree(root, nullptr, unbounded_);
    // Tables grown a doubling at a time would hold two copies while moving.
    boxes_.Reserve(unbounded_.size());
    building_ = true;
}

bool TDrawingIndex::BuildSome(std::size_t count)
{
    if (built_)
        return true;
    StartBuild();
    const std::size_t more = std::min(count, unbounded_.size() - boundSoFar_);
    Rebound(std::span(unbounded_).subspan(boundSoFar_, more));
    boundSoFar_ += more;
    if (boundSoFar_ < unbounded_.size())
        return false;
    unbounded_ = {};
    boundSoFar_ = 0;
    building_ = false;
    built_ = true;
    NothingChanged();
    return true;
}

void TDrawingIndex::Build()
{
    BuildSome(std::numeric_limits<std::size_t>::max());
}

void TDrawingIndex::NoteFullRender()
{
    if (built_) {
        Update();
        NothingChanged();
    }
    itemCounter_ = tree_.ItemCounter();
    follows_ = true;
}

TDrawingIndex::TWalkPart::TWalkPart(const TItemObject& item)
    : Priority(item.Priority), PenMode(item.Pen.Mode), Active(item.Active), ItemType(item.ItemType),
      Count(item.Count), CurveStyle(item.CurveStyle), PStyle(item.PStyle), DStyle(item.DStyle)
{
}

bool TDrawingIndex::HeldAside(const TTreeNode* node) const
{
    const TTreeNode* parent = node->Parent();
    return parent && (parent == tree_.TrashNode() || parent == tree_.TempNode());
}

void TDrawingIndex::NodeAdded(TTreeNode* node)
{
    // Copies to the clipboard and deletions to the trash come by the
    // thousand; they join no drawing and leave the walk's numbers valid.
    if (HeldAside(node))
        return;
    MarkDirty(node);
    shapeChanged_ = true;
    if (!ranksValid_)
        return;
    if (AppendedLast(node)) {
        ranks_.Set(node, byRank_.size());
        byRank_.push_back(node);
        lastRanked_ = node;
    } else {
        ranksValid_ = false;
    }
}

bool TDrawingIndex::AppendedLast(const TTreeNode* node) const
{
    const TTreeNode* parent = node->Parent();
    if (!parent || node->NextSibling() || node->Data()->Priority != tree_.ItemCounter() - 1)
        return false;
    // On the way up from the last node numbered; a deeper search (nesting
    // thousands deep) costs more than numbering the walk again.
    const TTreeNode* above = lastRanked_;
    for (int level = 0; above && level < kMaxAppendSearch; ++level, above = above->Parent()) {
        if (above == parent)
            return true; // the ancestors of a numbered node are in the drawing
    }
    return false;
}

void TDrawingIndex::NodeChanging(TTreeNode* node)
{
    if (HeldAside(node)) {
        clipboard_.Erase(node);
        return;
    }
    MarkDirty(node);
    copied_.Erase(node);
    changing_.Insert(node, TWalkPart(*node->Data()));
}

void TDrawingIndex::PlaceChanging(TTreeNode* node)
{
    ChangingWithCarriedBounds(node);
}

void TDrawingIndex::ActiveChanging(TTreeNode* node)
{
    ChangingWithCarriedBounds(node);
}

void TDrawingIndex::ChangingWithCarriedBounds(TTreeNode* node)
{
    if (HeldAside(node))
        return;
    MarkDirty(node);
    changing_.Insert(node, TWalkPart(*node->Data()));
}

void TDrawingIndex::NodeCopied(TTreeNode* copy, const TTreeNode* source)
{
    // Groups draw nothing of their own and are few: bounded as ever. The
    // trash is never pasted from.
    if (copy->Parent() == tree_.TrashNode() || source->HasChildren()
        || !TDocumentRenderer::DrawnAlike(*copy->Data(), *source->Data()))
        return;
    if (const std::optional<TCopiedBounds> carried = CarriedBounds(source))
        (HeldAside(copy) ? clipboard_ : copied_).Set(copy, *carried);
}

std::optional<TDrawingIndex::TCopiedBounds> TDrawingIndex::CarriedBounds(const TTreeNode* source) const
{
    if (HeldAside(source)) {
        const TCopiedBounds* carried = clipboard_.Find(source);
        return carried ? std::optional(*carried) : std::nullopt;
    }
    if (!BoundsCurrent(source) || shifted_.Contains(source))
        return std::nullopt;
    const std::optional<TItemBounds> bounds = boxes_.ItemBoundsOf(source);
    if (!bounds)
        return std::nullopt;
    return TCopiedBounds{*bounds, tree_.PlacementOrigin(source), source->Data()->Active};
}

bool TDrawingIndex::BoundsCurrent(const TTreeNode* node) const
{
    if (!built_)
        return false;
    for (const TTreeNode* at = node; at; at = at->Parent()) {
        if (dirty_.Contains(at))
            return false;
    }
    return true;
}

std::vector<const TTreeNode*> TDrawingIndex::EnterCopies(std::vector<const TTreeNode*> nodes)
{
    if (copied_.Size() == 0)
        return nodes;
    // A copy switched otherwise than its source, or placed about another
    // origin (in another group, under an ancestor changed since, moved) that
    // does not shift its points alike, is bounded again.
    std::erase_if(nodes, [this](const TTreeNode* node) {
        const TCopiedBounds* copied = copied_.Find(node);
        if (!copied || node->Data()->Active != copied->Active)
            return false;
        if (tree_.PlacementOrigin(node) == copied->Origin) {
            Enter(node, copied->Bounds);
            return true;
        }
        const std::optional<TItemBounds> shifted = ShiftedBounds(node, *copied);
        if (!shifted)
            return false;
        Enter(node, *shifted);
        shifted_.Insert(node);
        return true;
    });
    copied_ = {};
    return nodes;
}

std::optional<TItemBounds> TDrawingIndex::ShiftedBounds(const TTreeNode* node, const TCopiedBounds& copied) const
{
    if (!TDocumentRenderer::PlacedByPointsAlone(*node->Data()))
        return std::nullopt;
    // Strokes out of reach of the canvas are left out of the drawing, and
    // so of the bounds: only those of a source within the canvas hold all
    // of its drawing.
    const TRect& from = copied.Bounds.Bounds;
    const TBitmap& canvas = surface_.Bitmap();
    if (from.IsEmpty() || from.Left < 0 || from.Top < 0 || from.Right >= canvas.Width()
        || from.Bottom >= canvas.Height())
        return std::nullopt;
    const std::optional<TPoint> shift = tree_.PlacedShift(node, copied.Origin);
    if (!shift)
        return std::nullopt;
    // Each side moved and widened (or, for the cover, narrowed) by `margin`;
    // none when it leaves the coordinates the shift is exact within.
    const auto move = [&shift](const TRect& box, std::int64_t margin) -> std::optional<TRect> {
        const std::int64_t left = std::int64_t{box.Left} + shift->x - margin;
        const std::int64_t top = std::int64_t{box.Top} + shift->y - margin;
        const std::int64_t right = std::int64_t{box.Right} + shift->x + margin;
        const std::int64_t bottom = std::int64_t{box.Bottom} + shift->y + margin;
        for (const std::int64_t at : {std::int64_t{box.Left}, std::int64_t{box.Top}, std::int64_t{box.Right},
                                      std::int64_t{box.Bottom}, left, top, right, bottom}) {
            if (at <= -kShiftExactWithin || at >= kShiftExactWithin)
                return std::nullopt;
        }
        return TRect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), static_cast<std::int32_t>(right),
                     static_cast<std::int32_t>(bottom)};
    };
    const std::optional<TRect> bounds = move(from, kShiftMargin);
    if (!bounds)
        return std::nullopt;
    // Its calls differ from its source's: no twin of any item.
    TItemBounds shifted{*bounds, {}};
    if (const TRect& cover = copied.Bounds.Occlusion.Cover; !cover.IsEmpty()) {
        if (const std::optional<TRect> inside = move(cover, -kShiftMargin); inside && !inside->IsEmpty())
            shifted.Occlusion.Cover = *inside;
    }
    return shifted;
}

void TDrawingIndex::PriorityChanging(TTreeNode* node)
{
    // Its bounds stay, and so does whether it is drawn (ChangePriority keeps
    // priorities below ItemCounter): Update only enters it anew in the
    // drawing order and redraws where it is.
    if (HeldAside(node))
        return;
    if (!built_)
        Build();
    NoteReordered(node);
}

void TDrawingIndex::NoteReordered(const TTreeNode* node)
{
    // A restack of a million siblings: tracking each costs more than
    // ordering every cell again.
    shapeChanged_ = true;
    if (allReordered_)
        return;
    reordered_.Insert(node);
    if (reordered_.Size() > boxes_.Size() / 4 + 1024) {
        allReordered_ = true;
        reordered_ = {};
    }
}

void TDrawingIndex::MarkDirty(TTreeNode* node)
{
    if (!built_)
        Build();
    dirty_.Insert(node);
}

void TDrawingIndex::NodeRemoving(TTreeNode* node)
{
    if (!built_)
        Build();
    Forget(node);
}

void TDrawingIndex::NodeMoving(TTreeNode* node, TTreeNode* newParent, TTreeNode*)
{
    if (!built_)
        Build();
    if (newParent && newParent == node->Parent()) {
        // Its place in the list alone: drawn the same, in the order of
        // priorities that list order only breaks ties of.
        NoteReordered(node);
        movingAmongSiblings_ = node;
        return;
    }
    std::vector<const TTreeNode*> pending{node};
    while (!pending.empty()) {
        const TTreeNode* current = pending.back();
        pending.pop_back();
        Forget(current);
        for (const TTreeNode* child = current->FirstChild(); child; child = child->NextSibling())
            pending.push_back(child);
    }
    shapeChanged_ = true;
    // Into the trash or the Temp node it leaves the walk, whose other
    // places keep their order: a delete or cut needs no numbering anew. The
    // last place, when in the subtree, passes up to the parent it leaves.
    if (newParent != tree_.TrashNode() && newParent != tree_.TempNode())
        ranksValid_ = false;
    else if (lastRanked_ && lastRanked_->IsWithin(node))
        lastRanked_ = node->Parent();
}

void TDrawingIndex::NodeMoved(TTreeNode* node)
{
    if (node == std::exchange(movingAmongSiblings_, nullptr))
        return;
    MarkDirty(node);
}

void TDrawingIndex::Forget(const TTreeNode* node)
{
    if (const std::optional<TRect> drawn = boxes_.BoundsOf(node)) {
        AddDamage(*drawn, node);
        shapeChanged_ = true;
    }
    boxes_.Remove(node);
    groups_.erase(node);
    undrawn_.Erase(node);
    dirty_.Erase(node);
    copied_.Erase(node);
    if (HeldAside(node))
        clipboard_.Erase(node);
    if (shifted_.Size() != 0)
        shifted_.Erase(node);
    if (const std::uint64_t* rank = ranks_.Find(node)) {
        byRank_[*rank] = nullptr;
        ranks_.Erase(node);
    }
    otherPenModeLeft_ = otherPenModes_.erase(node) > 0 || otherPenModeLeft_;
    changing_.Erase(node);
    reordered_.Erase(node);
    // The rest of the walk keeps its order; the last place passes up.
    if (node == lastRanked_)
        lastRanked_ = node->Parent();
}

void TDrawingIndex::TreeReset()
{
    Reset();
    follows_ = false;
}

void TDrawingIndex::DrawingChanged()
{
    Reset();
    follows_ = false;
}

TDrawingIndex::TDamage TDrawingIndex::TakeDamage()
{
    Update();
    TDamage damage{damage_, std::nullopt};
    // A closed shape fills in the mode the pen before it left: only while
    // every pen copies is the first item on top drawn as over the picture.
    if (onlyOnTop_ && ranksValid_ && otherPenModes_.empty() && !damage.Region.IsEmpty())
        damage.OnTop = ItemsOnTop();
    NothingChanged();
    return damage;
}

void TDrawingIndex::Update()
{
    if (!built_)
        Build();
    bool otherPenModes = !otherPenModes_.empty() || otherPenModeLeft_;
    const std::vector<const TTreeNode*> changed = EnterCopies(SubtreesInDrawing(dirty_));
    // A fresh table: one grown for a large edit would cost its whole
    // length at every clear.
    dirty_ = {};
    Rebound(changed);
    otherPenModes = otherPenModes || !otherPenModes_.empty();
    bool walkChanged = shapeChanged_;
    std::vector<const TTreeNode*> moved; // in the walk, with their descendants
    changing_.ForEach([&](const TTreeNode* node, const TWalkPart& before) {
        const TWalkPart now(*node->Data());
        walkChanged = walkChanged || now != before;
        if (now.Priority != before.Priority) {
            ranksValid_ = false;
            GatherSubtree(node, nullptr, moved);
        }
    });
    for (const TTreeNode* node : moved)
        boxes_.Reorder(node);
    changing_ = {};
    Restack();
    shapeChanged_ = false;
    otherPenModeLeft_ = false;
    if (otherPenModes && walkChanged)
        AddDamage({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, nullptr);
    const std::int32_t counter = tree_.ItemCounter();
    if (counter != itemCounter_) {
        boxes_.ForgetLastDrawn(); // the items drawn are those below the counter
        DamagePriorities(std::min(counter, itemCounter_), std::max(counter, itemCounter_), counter > itemCounter_);
        itemCounter_ = counter;
    }
}

void TDrawingIndex::Restack()
{
    if (std::exchange(allReordered_, false)) {
        ranksValid_ = false;
        boxes_.ForgetLastDrawn();
        boxes_.ReorderAll();
        AddDamage({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, nullptr);
        return;
    }
    if (reordered_.Size() == 0)
        return;
    const std::vector<const TTreeNode*> moved = SubtreesInDrawing(reordered_);
    reordered_ = {};
    if (moved.empty())
        return;
    ranksValid_ = false;
    boxes_.ForgetLastDrawn(); // the twin drawn last may be another
    for (const TTreeNode* node : moved) {
        boxes_.Reorder(node);
        if (const std::optional<TRect> box = boxes_.BoundsOf(node))
            AddDamage(*box, node);
    }
}

std::vector<const TTreeNode*> TDrawingIndex::SubtreesInDrawing(const TNodeSet& nodes) const
{
    TNodeSet done;
    TNodeMap<bool> inDrawing;
    std::vector<const TTreeNode*> subtrees;
    nodes.ForEach([&](const TTreeNode* node) {
        if (InDrawing(node, inDrawing))
            GatherSubtree(node, &done, subtrees);
    });
    return subtrees;
}

void TDrawingIndex::GatherSubtree(const TTreeNode* node, TNodeSet* done, std::vector<const TTreeNode*>& nodes) const
{
    std::vector<const TTreeNode*> pending{node};
    while (!pending.empty()) {
        const TTreeNode* current = pending.back();
        pending.pop_back();
        if (done && !done->Insert(current))
            continue;
        nodes.push_back(current);
        for (const TTreeNode* child = current->FirstChild(); child; child = child->NextSibling()) {
            if (child != tree_.TrashNode() && child != tree_.TempNode())
                pending.push_back(child);
        }
    }
}

void TDrawingIndex::Rebound(std::span<const TTreeNode* const> nodes)
{
    // A block at a time: the bounds of a whole drawing would take more room
    // than its boxes.
    constexpr std::size_t kBlock = 8192;
    std::vector<TItemBounds> bounds(std::min(kBlock, nodes.size()));
    for (std::size_t begin = 0; begin < nodes.size(); begin += kBlock) {
        const std::size_t count = std::min(kBlock, nodes.size() - begin);
        BoundItems(tree_, surface_.Bitmap(), std::span(nodes).subspan(begin, count), std::span(bounds).first(count));
        for (std::size_t k = 0; k < count; ++k)
            Enter(nodes[begin + k], bounds[k]);
    }
}

void TDrawingIndex::Enter(const TTreeNode* node, const TItemBounds& drawn)
{
    if (shifted_.Size() != 0)
        shifted_.Erase(node);
    if (const std::optional<TRect> old = boxes_.BoundsOf(node))
        AddDamage(*old, node);
    AddDamage(drawn.Bounds, node);
    boxes_.Set(node, drawn);
    if (node->Data()->Pen.Mode != TPenMode::pmCopy)
        otherPenModes_.insert(node);
    else
        otherPenModes_.erase(node);
    if (node->HasChildren())
        groups_.insert(node);
    else
        groups_.erase(node);
    // The counter may be either side of the update under way.
    if (node->Data()->Priority >= std::min(itemCounter_, tree_.ItemCounter()))
        undrawn_.Insert(node);
    else
        undrawn_.Erase(node);
}

void TDrawingIndex::DamagePriorities(std::int32_t low, std::int32_t high, bool grew)
{
    auto inWindow = [low, high](const TTreeNode* node) {
        return node->Data()->Priority >= low && node->Data()->Priority < high;
    };
    // Nested groups share their members: each is damaged once.
    TNodeSet damaged;
    auto damageSubtree = [this, &damaged](const TTreeNode* top) {
        std::vector<const TTreeNode*> pending{top};
        while (!pending.empty()) {
            const TTreeNode* node = pending.back();
            pending.pop_back();
            if (!damaged.Insert(node))
                continue;
            if (const std::optional<TRect> drawn = boxes_.BoundsOf(node))
                AddDamage(*drawn, node);
            for (const TTreeNode* child = node->FirstChild(); child; child = child->NextSibling())
                pending.push_back(child);
        }
    };
    bool appeared = false;
    // The nodes at or above the new counter.
    const std::int32_t counter = grew ? high : low;
    TNodeSet undrawn;
    auto keepIfUndrawn = [&undrawn, counter](const TTreeNode* node) {
        if (node->Data()->Priority >= counter)
            undrawn.Insert(node);
    };
    if (grew) {
        // The window lies at or above the old counter: only undrawn nodes.
        undrawn_.ForEach([&](const TTreeNode* node) {
            keepIfUndrawn(node);
            if (!inWindow(node))
                return;
            if (const std::optional<TRect> drawn = boxes_.BoundsOf(node))
                AddDamage(*drawn, node);
            if (groups_.contains(node))
                damageSubtree(node);
            appeared = appeared || !ranks_.Contains(node);
        });
    } else {
        boxes_.ForEach([&](const TTreeNode* node, const TRect& box) {
            keepIfUndrawn(node);
            if (inWindow(node)) {
                AddDamage(box, node);
                appeared = appeared || !ranks_.Contains(node);
            }
        });
        for (const TTreeNode* group : groups_) {
            keepIfUndrawn(group);
            if (inWindow(group)) {
                damageSubtree(group);
                appeared = appeared || !ranks_.Contains(group);
            }
        }
    }
    undrawn_ = std::move(undrawn);
    // Nodes the walk passed over before have no place in it yet.
    if (appeared)
        ranksValid_ = false;
}

void TDrawingIndex::AddDamage(const TRect& box, const TTreeNode* node)
{
    damage_ = damage_.United(box);
    // Items added on top, changed or gone since, were never in the picture.
    onlyOnTop_ = onlyOnTop_ && node && AddedOnTop(node);
}

bool TDrawingIndex::AddedOnTop(const TTreeNode* node) const
{
    const std::uint64_t* rank = ranksValid_ ? ranks_.Find(node) : nullptr;
    return rank && *rank >= onTopFrom_;
}

std::vector<TDrawingIndex::TCandidate> TDrawingIndex::ItemsOnTop() const
{
    std::vector<TCandidate> items;
    for (std::uint64_t rank = onTopFrom_; rank < byRank_.size(); ++rank) {
        TTreeNode* node = const_cast<TTreeNode*>(byRank_[rank]);
        if (!node || !tree_.IsDrawn(node))
            continue;
        if (const std::optional<TRect> box = boxes_.BoundsOf(node))
            items.push_back({node, *box});
    }
    return items;
}

void TDrawingIndex::NothingChanged()
{
    damage_ = {0, 0, -1, -1};
    onTopFrom_ = byRank_.size();
    onlyOnTop_ = true;
}

bool TDrawingIndex::InDrawing(const TTreeNode* node, TNodeMap<bool>& known) const
{
    // Up to the first node known or decisive, then up again to note the
    // answer for the nodes passed.
    bool answer = false;
    const TTreeNode* stop = node;
    for (; stop; stop = stop->Parent()) {
        if (const bool* found = known.Find(stop)) {
            answer = *found;
            break;
        }
        if (stop == tree_.TrashNode() || stop == tree_.TempNode())
            break;
        if (stop == tree_.ObjectRoot()) {
            answer = true;
            break;
        }
    }
    for (; node != stop; node = node->Parent())
        known.Set(node, answer);
    return answer;
}

std::vector<TDrawingIndex::TPartItem> TDrawingIndex::ItemsMeeting(const TRect& area, bool leaveOutHidden)
{
    Update();
    // A closed shape fills in the mode the pen before it left: only while
    // every pen copies does a fill paint over what lies below.
    const bool leaveOut = leaveOutHidden && otherPenModes_.empty();
    const std::vector<TCandidate>& candidates = NodesMeeting(area, leaveOut);
    std::vector<TTreeNode*> nodes;
    if (leaveOut) {
        for (const TShownItem& shown : ShownIn(candidates, area))
            nodes.push_back(shown.Node);
    } else {
        nodes.reserve(candidates.size());
        for (const TCandidate& candidate : candidates)
            nodes.push_back(candidate.Node);
    }
    std::vector<TPartItem> items;
    items.reserve(nodes.size());
    const TTreeNode* previous = nullptr;
    for (TTreeNode* node : nodes) {
        items.push_back({node, otherPenModes_.empty() ? std::nullopt : PenModeBefore(node, previous)});
        previous = node;
    }
    return items;
}

const std::vector<TDrawingIndex::TCandidate>* TDrawingIndex::CandidatesMeeting(const TRect& area)
{
    Update();
    if (!otherPenModes_.empty())
        return nullptr;
    return &NodesMeeting(area, true);
}

std::vector<TDrawingIndex::TShownItem> TDrawingIndex::ShownIn(const std::vector<TCandidate>& candidates,
                                                              const TRect& band) const
{
    THiddenItems hidden(band);
    std::vector<TShownItem> shown; // from the last one down
    ForEachShownItem(
        candidates.size(), hidden, [&candidates](std::size_t k) { return std::optional<TRect>(candidates[k].Box); },
        [this, &candidates](std::size_t k) { return tree_.IsDrawn(candidates[k].Node); },
        [this, &candidates](std::size_t k) { return boxes_.OcclusionOf(candidates[k].Node); },
        [&shown, &candidates](std::size_t k, const TRect& showing) { shown.push_back({candidates[k].Node, showing}); });
    std::reverse(shown.begin(), shown.end());
    return shown;
}

const std::vector<TDrawingIndex::TCandidate>& TDrawingIndex::NodesMeeting(const TRect& area, bool lastTwinOnly)
{
    std::vector<TCandidate>& candidates = candidates_;
    candidates.clear();
    // The walk of a small drawing is numbered in no time; a large one waits
    // for a part over many items or for the idle editor to number it.
    if (lastTwinOnly && boxes_.ReadsCells(area) && (ranksValid_ || tree_.NodeCount() < kMinRanked)) {
        NumberWalk();
        if (NodesFromTop(area, candidates))
            return candidates;
        ranksValid_ = false;
        candidates.clear();
    }
    std::vector<std::pair<const TItemBoxes::TTwinStack*, TRect>> stacks;
    boxes_.Query(
        area, [&](const TTreeNode* node, const TRect& box) { candidates.push_back({const_cast<TTreeNode*>(node), box}); },
        [&](const TItemBoxes::TTwinStack& stack, const TRect& box) { stacks.emplace_back(&stack, box); });
    // While every pen copies, ShownIn asks whether an item is drawn only of
    // those the covers above leave showing.
    if (!lastTwinOnly)
        tree_.KeepDrawn(candidates);
    for (const auto& [stack, box] : stacks) {
        if (lastTwinOnly) {
            if (TTreeNode* last = LastDrawnTwin(*stack))
                candidates.push_back({last, box});
            continue;
        }
        for (const TTreeNode* member : stack->Members) {
            if (tree_.IsDrawn(member))
                candidates.push_back({const_cast<TTreeNode*>(member), box});
        }
    }
    SortInDrawingOrder(candidates);
    return candidates;
}

TItemBoxes::TKeyOf TDrawingIndex::RankOf() const
{
    return [this](const TTreeNode* node) -> std::optional<std::uint64_t> {
        const std::uint64_t* rank = ranks_.Find(node);
        return rank ? std::optional(*rank) : std::nullopt;
    };
}

bool TDrawingIndex::OrderSome(std::size_t entries)
{
    NumberWalk();
    return boxes_.OrderSome(entries, RankOf());
}

bool TDrawingIndex::NodesFromTop(const TRect& area, std::vector<TCandidate>& candidates)
{
    const TItemBoxes::TKeyOf rankOf = RankOf();
    boxes_.OrderCellsMeeting(area, rankOf);
    bool unranked = false;
    const TItemBoxes::TKeyOf drawnRankOf = [&](const TTreeNode* node) {
        const std::optional<std::uint64_t> rank = rankOf(node);
        unranked = unranked || (!rank && tree_.IsDrawn(node));
        return rank;
    };
    THiddenItems hidden(area);
    boxes_.QueryFromTop(
        area, drawnRankOf,
        [&](const TItemBoxes::TTwinStack& stack) {
            const TTreeNode* last = LastDrawnTwin(stack);
            return last ? drawnRankOf(last) : std::nullopt;
        },
        [&](const TTreeNode* node, const TItemBoxes::TTwinStack* stack, const TRect& box) {
            TTreeNode* item = stack ? LastDrawnTwin(*stack) : const_cast<TTreeNode*>(node);
            candidates.push_back({item, box});
            hidden.Hidden(box, [&] { return tree_.IsDrawn(item); }, [&] { return boxes_.OcclusionOf(item); });
            return !hidden.CoversPart();
        });
    std::reverse(candidates.begin(), candidates.end());
    return !unranked && ranksValid_;
}

std::optional<TPenMode> TDrawingIndex::PenModeBefore(const TTreeNode* item, const TTreeNode* previous)
{
    if (!ranksValid_)
        AssignRanks();
    const std::uint64_t* rank = ranks_.Find(item);
    if (!rank)
        return std::nullopt;
    for (std::uint64_t r = *rank; r-- > 0;) {
        const TTreeNode* before = byRank_[r];
        if (!before)
            continue; // a node that left
        if (before == previous)
            return std::nullopt;
        if (!tree_.IsDrawn(before))
            continue;
        if (const std::optional<TPenMode> mode = PenModeLeftBy(before))
            return mode;
    }
    return TPenMode::pmCopy; // the background's grid pen
}

std::optional<TPenMode> TDrawingIndex::PenModeLeftBy(const TTreeNode* item)
{
    // Drawn from either mode: an item that sets a pen ends in the same one.
    std::optional<TPenMode> left[2];
    for (const TPenMode start : {TPenMode::pmCopy, TPenMode::pmNotXor}) {
        TBoundsCanvas canvas(surface_.Canvas());
        canvas.SetPen({clBlack, 1, psSolid, start});
        TCanvasX surface(canvas);
        TTreeNode* const nodes[] = {const_cast<TTreeNode*>(item)};
        TDocumentRenderer(tree_, surface).RenderItems(nodes);
        left[start == TPenMode::pmCopy ? 0 : 1] = canvas.Pen().Mode;
    }
    return left[0] == left[1] ? left[0] : std::nullopt;
}

TTreeNode* TDrawingIndex::LastDrawnTwin(const TItemBoxes::TTwinStack& stack)
{
    if (const std::optional<const TTreeNode*> kept = boxes_.LastDrawn(stack))
        return const_cast<TTreeNode*>(*kept);
    std::vector<TTreeNode*> drawn;
    for (const TTreeNode* member : stack.Members) {
        if (tree_.IsDrawn(member))
            drawn.push_back(const_cast<TTreeNode*>(member));
    }
    SortInDrawingOrder(drawn);
    TTreeNode* last = drawn.empty() ? nullptr : drawn.back();
    boxes_.KeepLastDrawn(stack, last);
    return last;
}

void TDrawingIndex::SortInDrawingOrder(std::vector<TTreeNode*>& items)
{
    std::vector<TCandidate> candidates;
    candidates.reserve(items.size());
    for (TTreeNode* item : items)
        candidates.push_back({item, {}});
    SortInDrawingOrder(candidates);
    items.resize(candidates.size());
    for (std::size_t k = 0; k < items.size(); ++k)
        items[k] = candidates[k].Node;
}

void TDrawingIndex::SortInDrawingOrder(std::vector<TCandidate>& candidates)
{
    // By places in the tree, the drawn ones: few items while the walk is
    // not numbered, or a drawn item the walk did not number.
    const auto sortByPlaces = [this, &candidates] {
        tree_.KeepDrawn(candidates);
        std::sort(candidates.begin(), candidates.end(),
                  [this](const TCandidate& a, const TCandidate& b) { return tree_.DrawnBefore(a.Node, b.Node); });
    };
    if (!ranksValid_ && candidates.size() < kMinRanked) {
        sortByPlaces();
        return;
    }
    if (!ranksValid_)
        AssignRanks();
    const std::size_t rankCount = byRank_.size();
    // A part over much of the drawing meets many of its items: a table by
    // rank, read once, costs less than sorting them.
    constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
    const bool byTable = candidates.size() >= rankCount / 8 && candidates.size() < kNone;
    // Otherwise each candidate's place with its rank, sorted.
    std::vector<std::pair<std::uint64_t, std::size_t>> ranked;
    if (byTable)
        placeOfRank_.assign(rankCount, kNone);
    else
        ranked.reserve(candidates.size());
    // Each candidate's rank, its look-up asked for well ahead.
    constexpr std::size_t kAhead = 16;
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        if (k + kAhead < candidates.size())
            ranks_.Prefetch(candidates[k + kAhead].Node);
        const std::uint64_t* rank = ranks_.Find(candidates[k].Node);
        // An item out of the walk that is not drawn either goes.
        if (!rank && !tree_.IsDrawn(candidates[k].Node))
            continue;
        if (!rank) {
            ranksValid_ = false;
            sortByPlaces();
            return;
        }
        if (byTable)
            placeOfRank_[*rank] = static_cast<std::uint32_t>(k);
        else
            ranked.emplace_back(*rank, k);
    }
    ordered_.clear();
    ordered_.reserve(candidates.size());
    if (byTable) {
        for (const std::uint32_t place : placeOfRank_) {
            if (place != kNone)
                ordered_.push_back(candidates[place]);
        }
    } else {
        std::sort(ranked.begin(), ranked.end());
        for (const auto& [rank, k] : ranked)
            ordered_.push_back(candidates[k]);
    }
    candidates.swap(ordered_);
}

void TDrawingIndex::AssignRanks()
{
    // Items added on top since would be numbered among the others.
    if (byRank_.size() > onTopFrom_)
        onlyOnTop_ = false;
    ranks_.Clear();
    byRank_.clear();
    ranks_.Reserve(tree_.NodeCount());
    byRank_.reserve(tree_.NodeCount());
    tree_.WalkInDrawingOrder(tree_.ObjectRoot(), [this](TTreeNode* node) {
        if (node == tree_.TrashNode() || node == tree_.TempNode())
            return false;
        ranks_.Set(node, byRank_.size());
        byRank_.push_back(node);
        lastRanked_ = node;
        return true;
    });
    ranksValid_ = true;
    onTopFrom_ = byRank_.size();
}

} // namespace qm
