#pragma once

#include "BitmapX.h"
#include "ItemBoxes.h"

#include "model/NodeMap.h"
#include "model/ObjectTree.h"

#include <cstdint>
#include <optional>
#include <span>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qm {

// What each item of the drawing covers on the canvas, kept up to date
// through the tree's notifications, so that after an edit only the part of
// the picture that changed is drawn again, with only the items there.
//
// Bounds come from drawing the item on a TBoundsCanvas, text measured on
// the canvas the picture is drawn on; they are generous, never short. The
// index is built when the first change after a full render is announced,
// before the change, so it holds the bounds of the picture as drawn; from
// then on TakeDamage hands over the region the changes since changed: the
// old and new bounds of every changed item with its descendants, whose
// places follow their ancestors.
class TDrawingIndex final : private TTreeObserver {
public:
    // Text is measured on the canvas of `surface`, the one the picture is
    // drawn on; many items are bounded half on its bitmap's thread beside.
    TDrawingIndex(TObjectTree& tree, TBitmapX& surface);
    ~TDrawingIndex() override;
    TDrawingIndex(const TDrawingIndex&) = delete;
    TDrawingIndex& operator=(const TDrawingIndex&) = delete;

    // A full render drew the drawing as it is now: nothing counts as changed.
    void NoteFullRender();
    // Whether every item is bounded, so that a part costs no more than its items.
    bool Built() const { return built_; }
    // Bounds about `count` more items of the drawing as it is now, so that an
    // idle editor has every item bounded before the first change needs them
    // (a million take seconds); true once all are. A change or query in
    // between bounds the rest at once.
    bool BuildSome(std::size_t count);
    // Whether the places of the drawing walk are numbered, which the first
    // part drawn over many items needs; NumberWalk numbers them.
    bool WalkNumbered() const { return ranksValid_; }
    void NumberWalk()
    {
        if (!ranksValid_)
            AssignRanks();
    }
    // Whether the box index has cells to put in drawing order, so that a
    // small part reads only the items near its top; OrderSome orders about
    // `entries` entries of them, true once none is left.
    bool OrderPending() const { return built_ && boxes_.OrderPending(); }
    bool OrderSome(std::size_t entries);

    // Whether every change since the last full render went through the
    // tree's notifications (none wrote records past them, no document was
    // opened), so that TakeDamage covers all the picture lacks.
    bool FollowsPicture() const { return follows_; }
    // An item meeting a part, with its bounds.
    struct TCandidate {
        TTreeNode* Node = nullptr;
        TRect Box;
    };
    // What changes since the last call or full render changed, bounds
    // brought up to date.
    struct TDamage {
        // Inclusive pixels, empty when none.
        TRect Region{0, 0, -1, -1};
        // When all they changed is items added on top of the drawing while
        // every pen copies: the drawn ones, in drawing order. Drawn over the
        // picture as it was, they make it as it is, so a paste of many items
        // need not draw again the whole drawing beneath them.
        std::optional<std::vector<TCandidate>> OnTop;
    };
    TDamage TakeDamage();
    // An item of a part of the picture, and the pen mode a whole render
    // leaves on the canvas before it when the item before it in the part is
    // not the one before it in the drawing: a closed shape fills in the mode
    // the previous pen left, as GDI does.
    struct TPartItem {
        TTreeNode* Node = nullptr;
        std::optional<TPenMode> PenModeBefore;
    };
    // The items drawn from the Object root whose bounds meet `area`, in
    // drawing order (bounds brought up to date first). With `leaveOutHidden`,
    // for a canvas that paints whole pixels at one to one, and while every
    // pen copies, the items nothing of which shows in `area` are left out:
    // those under solid fills drawn later, and those that a later twin
    // paints over pixel for pixel.
    std::vector<TPartItem> ItemsMeeting(const TRect& area, bool leaveOutHidden = false);
    // An item that shows in a part, with the box of its pixels there that
    // the items drawn above it leave showing: drawn clipped to that box, it
    // makes the same picture.
    struct TShownItem {
        TTreeNode* Node = nullptr;
        TRect Showing;
    };
    // The same in two calls, for a part drawn in bands on several threads
    // while every pen copies (null when one does not): the items meeting
    // `area`, of each stack of twins the one drawn last, then for each band
    // the drawn ones of them that show there, each with the box it shows
    // in. The list is the index's own, valid until its next call that is
    // not ShownIn: a redraw of the whole canvas lists a million items, and a
    // list made anew each time would touch its memory afresh. A small part
    // lists only the items from the top down until those drawn hide all of
    // it.
    const std::vector<TCandidate>* CandidatesMeeting(const TRect& area);
    // Only reads the index: several bands may be asked at once.
    std::vector<TShownItem> ShownIn(const std::vector<TCandidate>& candidates, const TRect& band) const;

private:
    void NodeAdded(TTreeNode* node) override;
    void NodeRemoving(TTreeNode* node) override;
    // A moved subtree leaves its bounds and its place in the walk behind,
    // and is bounded again where it lands (its ancestors place it).
    void NodeMoving(TTreeNode* node, TTreeNode* newParent, TTreeNode* before) override;
    void NodeMoved(TTreeNode* node) override;
    void NodeChanging(TTreeNode* node) override;
    void PriorityChanging(TTreeNode* node) override;
    // A copy keeps the bounds it carries through a move or a switch, which
    // they record: a paste moves and switches on what it copies, and so
    // does a duplicate.
    void PlaceChanging(TTreeNode* node) override;
    void ActiveChanging(TTreeNode* node) override;
    void ChangingWithCarriedBounds(TTreeNode* node);
    // A copy drawn as its source takes the source's bounds instead of being
    // bounded again: grouping many items copies every one of them, and a
    // paste copies what the clipboard carries from the drawing.
    void NodeCopied(TTreeNode* copy, const TTreeNode* source) override;
    // Whether the node's box is as a bound would make it now: neither the
    // node nor an ancestor changed since it was bounded.
    bool BoundsCurrent(const TTreeNode* node) const;
    struct TCopiedBounds;
    // The bounds a copy of `source` may take: its own, or those it carries
    // held aside.
    std::optional<TCopiedBounds> CarriedBounds(const TTreeNode* source) const;
    // Enters the copies among `nodes` placed where their sources were, or
    // shifted from there by whole pixels; the others are left to bound.
    std::vector<const TTreeNode*> EnterCopies(std::vector<const TTreeNode*> nodes);
    // The bounds of a copy drawn as its source shifted by whole pixels, from
    // the source's; none when its points do not all shift alike, or lie too
    // far out for the shift to stay exact.
    std::optional<TItemBounds> ShiftedBounds(const TTreeNode* node, const TCopiedBounds& copied) const;
    // Damages and forgets what is kept of the node.
    void Forget(const TTreeNode* node);
    void TreeReset() override;
    void DrawingChanged() override;
    void Reset();
    // Bounds every item of the drawing as it is now, or the rest of them.
    void Build();
    // Gathers the items to bound, when no build is under way.
    void StartBuild();
    // Brings the bounds up to date with the changes announced; the region
    // they changed waits for TakeDamage.
    void Update();

    // A child of the trash or the Temp node: never drawn, nor was it.
    bool HeldAside(const TTreeNode* node) const;
    void MarkDirty(TTreeNode* node);
    // Adds `node` and its descendants (not the trash and Temp) to `nodes`;
    // `done`, when given, keeps a node from being added twice.
    void GatherSubtree(const TTreeNode* node, TNodeSet* done, std::vector<const TTreeNode*>& nodes) const;
    // The nodes in the drawing among `nodes`, each with its subtree, once each.
    std::vector<const TTreeNode*> SubtreesInDrawing(const TNodeSet& nodes) const;
    // Bounds the nodes again, adding old and new bounds to the damage.
    void Rebound(std::span<const TTreeNode* const> nodes);
    void Enter(const TTreeNode* node, const TItemBounds& drawn);
    void NoteReordered(const TTreeNode* node);
    // Enters the reordered nodes anew in the drawing order and damages
    // where they are drawn.
    void Restack();
    // Items whose priority lies in [low, high) appear or vanish with a new
    // ItemCounter, and their descendants with them. Only the nodes kept in
    // `undrawn_` are looked at when the counter grew, every node when it fell.
    void DamagePriorities(std::int32_t low, std::int32_t high, bool grew);
    // Damage from `node`'s bounds; null for damage of no one item.
    void AddDamage(const TRect& box, const TTreeNode* node);
    // Whether the node took its place in the walk at its end since the
    // picture was last brought up to date.
    bool AddedOnTop(const TTreeNode* node) const;
    // The drawn items added on top since, in drawing order, with their bounds.
    std::vector<TCandidate> ItemsOnTop() const;
    // The picture shows the drawing as bounded: nothing counts as changed,
    // and items added from now on come on top.
    void NothingChanged();
    // Under the Object root, outside the trash and Temp: the only nodes
    // that may ever be drawn (a node keeps its ancestors while in the tree).
    // `known` keeps the answer for the nodes on the way up, so that many
    // nodes of one deep branch cost one walk.
    bool InDrawing(const TTreeNode* node, TNodeMap<bool>& known) const;
    // Numbers the nodes of the drawing in drawing order.
    void AssignRanks();
    // Whether a node just added comes after every node of the drawing: the
    // newest priority, under a node on the way to the last one numbered.
    bool AppendedLast(const TTreeNode* node) const;
    // Puts the items in drawing order; those neither numbered nor drawn go.
    void SortInDrawingOrder(std::vector<TTreeNode*>& items);
    void SortInDrawingOrder(std::vector<TCandidate>& candidates);
    // The drawn items whose bounds meet `area`, in drawing order; of each
    // stack of twins all drawn members, or the last one: then, for ShownIn,
    // the other items may hold some not drawn.
    const std::vector<TCandidate>& NodesMeeting(const TRect& area, bool lastTwinOnly);
    // Of the items meeting `area` as NodesMeeting lists them for ShownIn,
    // those from the top down until the drawn ones hide all of it, read in
    // drawing order from the box index; false when an item drawn has no
    // place in the walk, which must be numbered again.
    bool NodesFromTop(const TRect& area, std::vector<TCandidate>& candidates);
    // The item's place in the walk, numbered.
    TItemBoxes::TKeyOf RankOf() const;
    // The member of a stack of twins drawn last, the only one that shows
    // while every pen copies; null when none is drawn.
    TTreeNode* LastDrawnTwin(const TItemBoxes::TTwinStack& stack);
    // The pen mode the canvas holds when a whole render reaches `item`, or
    // none when that is what drawing `previous` (or the background, when
    // null) left.
    std::optional<TPenMode> PenModeBefore(const TTreeNode* item, const TTreeNode* previous);
    // The pen mode drawing the item leaves on the canvas; none when it
    // sets no pen.
    std::optional<TPenMode> PenModeLeftBy(const TTreeNode* item);

    TObjectTree& tree_;
    TBitmapX& surface_;
    TItemBoxes boxes_;
    // Nodes of the drawing with children: their priority decides whether
    // their descendants are drawn.
    std::unordered_set<const TTreeNode*> groups_;
    // At least every node of boxes_ and groups_ with a priority of
    // itemCounter_ or more, which a larger counter draws: none in a drawing
    // made in the editor, so that each command creating nodes need not read
    // every box for the nodes it brings in.
    TNodeSet undrawn_;
    TNodeSet dirty_;
    // Copies made since the last Update whose records draw as their
    // sources', with the sources' bounds, the origin they were placed about
    // and whether they were switched on then.
    struct TCopiedBounds {
        TItemBounds Bounds;
        std::pair<float, float> Origin;
        bool Active = false;
    };
    TNodeMap<TCopiedBounds> copied_;
    // The same for the copies in the clipboard (the Temp node's children),
    // kept while they change only in place or in switch: a paste copies
    // them into the drawing.
    TNodeMap<TCopiedBounds> clipboard_;
    // Items whose bounds were shifted from a source's, generous by a margin:
    // copies of them are bounded again, so that margins never add up.
    TNodeSet shifted_;
    TRect damage_{0, 0, -1, -1};
    // The first place in the walk given since the picture was last brought
    // up to date, and whether all the damage since came from nodes at or
    // after it.
    std::uint64_t onTopFrom_ = 0;
    bool onlyOnTop_ = false;
    std::int32_t itemCounter_ = 0;
    // Places in the drawing walk, valid while edits only append items at
    // its end (they take the next number); other changes to the tree's shape
    // or to priorities number the walk again when next asked.
    TNodeMap<std::uint64_t> ranks_;
    std::vector<const TTreeNode*> byRank_; // null where a node left
    // Room kept from one part to the next: the list NodesMeeting hands out,
    // the same put in order, and the place of each rank in the list.
    std::vector<TCandidate> candidates_;
    std::vector<TCandidate> ordered_;
    std::vector<std::uint32_t> placeOfRank_;
    bool ranksValid_ = false;
    const TTreeNode* lastRanked_ = nullptr;
    // Items of the drawing whose pen does not copy: while there are none,
    // every pen leaves the copying mode. While there are, a change to the
    // order of the walk or to what an item leaves may change how the next
    // item fills anywhere: the whole picture counts as changed.
    std::unordered_set<const TTreeNode*> otherPenModes_;
    // What of a record decides the item's place in the walk and the pen
    // mode it leaves to the next item.
    struct TWalkPart {
        std::int32_t Priority = 0;
        TPenMode PenMode = TPenMode::pmCopy;
        bool Active = false;
        TItemType ItemType = itRectangle;
        std::int32_t Count = 0;
        TCurveStyle CurveStyle = csStraight;
        TLineEnd PStyle = lePlain;
        TLineEnd DStyle = lePlain;
        TWalkPart() = default;
        explicit TWalkPart(const TItemObject& item);
        friend bool operator==(const TWalkPart&, const TWalkPart&) = default;
    };
    // Nodes changing, with that part of their record before the first change.
    TNodeMap<TWalkPart> changing_;
    // Nodes drawn the same but perhaps at another place in the drawing order
    // (a new priority, a move among their siblings), with their subtrees;
    // past a quarter of the boxes, every box is taken as reordered instead.
    TNodeSet reordered_;
    bool allReordered_ = false;
    // The node NodeMoving let stay among its siblings, which NodeMoved then
    // leaves alone.
    const TTreeNode* movingAmongSiblings_ = nullptr;
    // Items joined or left the drawing since the last Update.
    bool shapeChanged_ = false;
    // An item whose pen does not copy left the drawing since.
    bool otherPenModeLeft_ = false;
    bool built_ = false;
    // A build under way: the items it bounds, and how many it has.
    std::vector<const TTreeNode*> unbounded_;
    std::size_t boundSoFar_ = 0;
    bool building_ = false;
    bool follows_ = false;
};

} // namespace qm
