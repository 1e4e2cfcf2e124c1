#pragma once

#include "BoxIndex.h"
#include "CanvasGeometry.h"
#include "EditHistory.h"
#include "IdRegistry.h"
#include "ItemObject.h"
#include "NodeMap.h"
#include "NodesById.h"
#include "TreeNode.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qm {

// Told of every change to the shape of the tree (the tree window's view).
class TTreeObserver {
public:
    virtual ~TTreeObserver() = default;
    // After `node` was linked under its parent: appended as the last child,
    // or, when undo or redo brings it back, wherever it was before.
    virtual void NodeAdded(TTreeNode* node) { (void)node; }
    // Before `node` leaves the tree; its children have left already. The node
    // and its record are still valid during the call.
    virtual void NodeRemoving(TTreeNode* node) { (void)node; }
    virtual void NodeRenamed(TTreeNode* node) { (void)node; }
    // Before `node` moves with its subtree, neither freed nor changed, to
    // stand before `before` among the children of `newParent` (null: at the
    // top level; null `before`: last). The node is still where it was.
    virtual void NodeMoving(TTreeNode* node, TTreeNode* newParent, TTreeNode* before)
    {
        (void)node, (void)newParent, (void)before;
    }
    // After that move.
    virtual void NodeMoved(TTreeNode* node) { (void)node; }
    // After NodeAdded for `copy`, whose record was copied from `source`'s
    // (a subtree copied or moved), while `source` is still in the tree.
    virtual void NodeCopied(TTreeNode* copy, const TTreeNode* source) { (void)copy, (void)source; }
    // Before the record of `node` changes: an edit through the tree, or undo
    // or redo putting a state back. The record may change more than once
    // before the next call.
    virtual void NodeChanging(TTreeNode* node) { (void)node; }
    // Before the priority of `node` alone changes (a restack): the item is
    // drawn the same, at another place in the drawing order.
    virtual void PriorityChanging(TTreeNode* node) { NodeChanging(node); }
    // Before the X and Y of `node` alone change (a move): the item is placed
    // about another origin, drawn the same otherwise.
    virtual void PlaceChanging(TTreeNode* node) { NodeChanging(node); }
    // Before `node` alone is switched on or off (put aside, brought back).
    virtual void ActiveChanging(TTreeNode* node) { NodeChanging(node); }
    // The whole contents were replaced (an opened document).
    virtual void TreeReset() {}
    // The document's canvas size or grid changed.
    virtual void CanvasChanged() {}
    // Records were written past the tree's operations (MarkChanged): any
    // item may differ.
    virtual void DrawingChanged() {}
    // Undo or redo has finished putting a step's changes back.
    virtual void StepApplied() {}
    // Steps were added, taken, dropped, or the saved mark moved.
    virtual void HistoryChanged() {}
};

// The document: the tree of item records with its three fixed nodes "Object",
// "ごみ箱" and "Temp", the creation counter ItemCounter, the canvas geometry,
// and every operation on items and subtrees. Operations return 0 when done
// and -1 when refused (an absent node or a fixed node where the operation
// does not apply).
//
// It is the one place that changes a document: readers get const records,
// and every change is recorded in the edit history (a tree made for a reader
// records nothing). The changes between BeginStep and EndStep are one step;
// a change outside any step joins the step of the changes just before it
// that were outside one too.
//
// Ids, counts and priorities may come from files and are not trusted: no
// operation here crashes, loops without end or allocates beyond the data
// present, whatever their values. Subtree operations use explicit stacks, so
// nesting depth is limited by memory, not by the call stack.
class TObjectTree {
public:
    struct EmptyTag {};
    static constexpr EmptyTag Empty{};

    // A tree with the three fixed nodes; ItemCounter is 3. Records its edits.
    TObjectTree();
    // A tree without any node and ItemCounter 0, for a reader to fill; it
    // records no history.
    explicit TObjectTree(EmptyTag);
    ~TObjectTree();
    TObjectTree(const TObjectTree&) = delete;
    TObjectTree& operator=(const TObjectTree&) = delete;

    // --- Structure -------------------------------------------------------
    TTreeNode* ObjectRoot() const { return objectRoot_; }
    TTreeNode* TrashNode() const { return trashNode_; }
    TTreeNode* TempNode() const { return tempNode_; }
    bool IsFixedNode(const TTreeNode* node) const;
    // Makes a node the Object root, the trash node or the Temp node by its
    // ItemType (-3, -1, -4); other types are ignored. Used by the reader.
    void MarkFixedNode(TTreeNode* node);

    TTreeNode* FirstTopLevelNode() const { return top_->firstChild_; }
    // The last node in tree order (depth-first, parents first), or null.
    TTreeNode* LastNode() const;
    std::size_t NodeCount() const { return nodeCount_; }

    std::int32_t ItemCounter() const { return itemCounter_; }
    void SetItemCounter(std::int32_t value);

    const TCanvasGeometry& CanvasGeometry() const { return canvas_; }
    // Observers are told CanvasChanged.
    void SetCanvasGeometry(const TCanvasGeometry& canvas);
    // The canvas of a new or opened document: not an edit, so not recorded.
    void ResetCanvasGeometry(const TCanvasGeometry& canvas);

    // Counts changes that can alter the picture: every operation here that
    // edits nodes or records advances it, so a view can skip renders of an
    // unchanged drawing. Code that writes record fields directly calls
    // MarkChanged: whatever was kept about the drawing (hit boxes, a view's
    // bounds) counts as stale, and observers are told DrawingChanged.
    std::uint64_t Revision() const { return revision_; }
    void MarkChanged();

    // Deletes everything, sets ItemCounter to 0 and makes the fixed nodes
    // again. The history is emptied; the canvas geometry stays.
    void NewDocument();
    // Takes over the nodes, fixed nodes and counter of `source`, which gets
    // this tree's in exchange (freed with it, without a word to this tree's
    // observers); observers of this tree are told TreeReset. The history is
    // emptied.
    void ReplaceContents(TObjectTree& source);

    // --- Edits and their history ----------------------------------------
    // Changes one item's record through `change(TItemObject&)`; the record
    // as it was goes to the history first.
    template <typename Change>
    void ChangeItem(TTreeNode* node, Change&& change);
    // Steps nest: the outermost BeginStep names the step, its EndStep closes
    // it. A step in which nothing changed is not kept. `name` is UTF-8, for
    // the menus.
    void BeginStep(std::string_view name);
    void EndStep();
    // Takes back every change of the open step and forgets it (a gesture
    // cancelled, a command that failed half-way).
    void CancelStep();
    bool StepOpen() const { return stepDepth_ > 0; }
    const TEditHistory& History() const { return history_; }
    // Forgets every step; the drawing as it is counts as unmodified.
    void ClearHistory();
    void SetHistoryBudget(std::size_t bytes);
    void MarkSaved();
    // The drawing counts as modified until it is saved (a recovered drawing).
    void MarkUnsaved();
    // Takes the newest done step back, or does the oldest undone one again,
    // and returns the nodes it touched that are in the tree, in the order it
    // first touched them; empty when there is nothing to take. An open step
    // is closed first. Throws TEditRefused, with nothing changed, when the
    // tree would hold more than `nodeLimit` nodes.
    std::vector<TTreeNode*> Undo(std::size_t nodeLimit = SIZE_MAX);
    std::vector<TTreeNode*> Redo(std::size_t nodeLimit = SIZE_MAX);

    void AddObserver(TTreeObserver* observer);
    void RemoveObserver(TTreeObserver* observer);

    // --- Items (one node) ------------------------------------------------
    // Appends a node with a new record in its default state (null parent: a
    // top-level node), carrying `id` when given (a reader's), else the next
    // free one.
    TTreeNode* AddItem(TTreeNode* parent, std::string_view caption, TItemType itemType,
                       std::optional<std::int32_t> id = std::nullopt);
    // Appends a node with a copy of `source` under a fresh id and priority.
    TTreeNode* CopyItem(TTreeNode* parent, std::string_view caption, const TItemObject& source);
    // CopyItem of a node of this tree, which the observers are told of.
    TTreeNode* CopyNode(TTreeNode* parent, const TTreeNode* source);
    std::int32_t NextFreeId() const;
    // Changes an item's id; the only way ids change after creation.
    void SetItemId(TTreeNode* node, std::int32_t id);
    // Gives the nodes the ids 1, 2, 3, ... that a saved file files them
    // under. Not an edit: undo and redo keep these ids.
    void TakeFileIds(const std::vector<TTreeNode*>& nodesInFileOrder);
    // The first node in tree order whose item has `id`; the last node of the
    // tree when none has it (null for an empty tree). Constant time for a
    // unique id.
    TTreeNode* FindItemById(std::int32_t id) const;
    // Every node of the tree whose item has `id`, in no particular order.
    std::span<TTreeNode* const> NodesWithId(std::int32_t id) const;
    // Deletes the node with its subtree, children first. Fixed nodes too.
    int DeleteSubtree(TTreeNode* node);

    // Caption editing from the tree view.
    bool CanEditCaption(const TTreeNode* node) const;
    bool CanExpand(const TTreeNode* node) const;
    // Stores the caption and the item's Name.
    void SetCaption(TTreeNode* node, std::string_view caption);

    // --- Per-item geometry ----------------------------------------------
    int AddPoint(std::int32_t x, std::int32_t y, TTreeNode* node);
    int CarvePoint(TTreeNode* node);
    int PointToCenter(TTreeNode* node);
    // Canvas coordinates of the vertices (P) and control points (Q1, Q2),
    // each resized to the vertex count; -1 when C1 (then Q1, Q2 untouched)
    // or C2 (then Q2 untouched) is absent, or for a refused node.
    int ViewPoints1(const TTreeNode* node, TPointArray& P, TPointArray* Q1 = nullptr,
                    TPointArray* Q2 = nullptr) const;
    // Bounding box on the canvas, at least 10 pixels each way. An item without
    // points has none: -1 and an empty rectangle that contains no point.
    int PointToXY(const TTreeNode* node, TRect& rect) const;
    // The canvas point the item's vertices are placed about: its X and Y
    // turned about its ancestors. The geometry above depends on the record
    // and this point alone, so records alike placed about equal points lie
    // in the same place.
    std::pair<float, float> PlacementOrigin(const TTreeNode* node) const;
    // How far every point of the geometry above lies from where placing the
    // record about `origin` would put it, when that is one shift in whole
    // pixels for all of them; none when the points part or there are none.
    std::optional<TPoint> PlacedShift(const TTreeNode* node, std::pair<float, float> origin) const;

    // --- Subtree operations ---------------------------------------------
    int MoveItem(std::int32_t dx, std::int32_t dy, TTreeNode* node);
    // Switches the node's item alone on or off, its descendants untouched.
    void SetActive(TTreeNode* node, bool active);
    int SetStretch(TTreeNode* node, float stretchX, float stretchY);
    int RotateItem(std::int32_t angleDelta, TTreeNode* node);
    int ApplyPen(const TPen& pen, TTreeNode* node);
    int ApplyBrush(const TBrush& brush, TTreeNode* node);
    int ApplyFont(const TFont& font, TTreeNode* node);

    // The topmost item under a canvas point, searched from `node` down. From
    // the Object root the boxes of the whole drawing are kept between calls
    // in a grid, and an edit boxes again only the items it changed, so a
    // click reads the few boxes near the point.
    TTreeNode* HitTest(std::int32_t x, std::int32_t y, TTreeNode* node) const;
    // Boxes about `count` more nodes as the next hit test would, so that an
    // idle editor spares the first click after opening a large drawing the
    // wait. A change in between drops the boxes made so far.
    void PrepareHitIndex(std::size_t count) const;
    bool HitIndexCurrent() const { return hitIndexBuilt_ && hitDirty_.Size() == 0; }
    // Toggles the selection of the hit item through the selection toggler.
    int FocusChk(std::int32_t x, std::int32_t y, TTreeNode* node);
    void SetSelectionToggler(std::function<void(TTreeNode*)> toggler) { toggleSelection_ = std::move(toggler); }

    // The subtree reappears as the last child of `newParent` with fresh ids and
    // priorities; the old nodes are deleted. Refuses (null) a null node, a
    // fixed node, and a new parent inside the moved subtree.
    TTreeNode* MoveSubtree(TTreeNode* newParent, TTreeNode* node);
    // Moves the node itself with its subtree, ids, priorities and records
    // unchanged, to stand before `before` among the children of `newParent`
    // (null: the top level; null `before`: last). Refuses (-1) a null or
    // fixed node, a new parent inside the node's subtree and a `before` that
    // is not a child of `newParent`; a node already there is left (0).
    int MoveNode(TTreeNode* node, TTreeNode* newParent, TTreeNode* before);
    // Moves `nodes` as MoveNode does, in this order and side by side, to
    // stand before `before` (the first of the siblings after it that is not
    // moved) under `newParent`; a node inside another one of them moves with
    // it. The new parent's children then take priorities that rise in list
    // order, so that its drawing order is its list order, the moved nodes
    // drawn where they stand (see Restack). Refuses (-1, nothing moved) what
    // MoveNode refuses of any of them.
    int MoveNodes(const std::vector<TTreeNode*>& nodes, TTreeNode* newParent, TTreeNode* before);
    // A copy of the subtree as the last child of `newParent`, or null.
    TTreeNode* CopySubtree(TTreeNode* newParent, TTreeNode* node);
    // A copy of `source` with every node below it, children in list order,
    // as the last child of `newParent`; `source` may belong to another tree
    // (a drawing on the clipboard). Fresh ids and priorities.
    TTreeNode* CopySubtreeFrom(TTreeNode* newParent, const TTreeNode* source);

    // --- Priority walk ---------------------------------------------------
    // Children in drawing order: ascending Priority, equal priorities in list
    // order, only 0 <= Priority < ItemCounter.
    std::vector<TTreeNode*> ChildrenInDrawingOrder(const TTreeNode* node) const;
    // Children in hit-test order: descending Priority, equal priorities in
    // list order, same range.
    std::vector<TTreeNode*> ChildrenInHitOrder(const TTreeNode* node) const;
    // Every child, ascending Priority, equal priorities in list order.
    std::vector<TTreeNode*> ChildrenByPriority(const TTreeNode* node) const;

    // Whether the drawing walk from the Object root draws the node: it and
    // every ancestor active, outside the trash and Temp, priorities in range.
    bool IsDrawn(const TTreeNode* node) const;
    // Leaves in `entries` (nodes, or records with a Node), in their order,
    // those whose node IsDrawn; a long list costs little more than its reads
    // of memory.
    template <typename Entry>
    void KeepDrawn(std::vector<Entry>& entries) const;
    // Puts nodes in the order in which the drawing walk meets them.
    void SortInDrawingOrder(std::vector<TTreeNode*>& nodes) const;
    // Whether the drawing walk meets `a` before `b`.
    bool DrawnBefore(const TTreeNode* a, const TTreeNode* b) const;

    // Visits `node` and, where `visit` returns true, its children in drawing
    // order, depth first (parents before children).
    template <typename Visit>
    void WalkInDrawingOrder(TTreeNode* node, Visit&& visit) const;

    // Where Restack puts the nodes among their siblings' drawing order.
    enum class TRestack { ToFront, Forward, Backward, ToBack };
    // Changes the drawing order of `nodes` among their drawn siblings (the
    // fixed nodes aside, which keep theirs): above
    // all of them, one place up, one place down, or below all of them (nodes
    // of one parent keep their order among themselves). The siblings take
    // priorities that rise strictly in the new order, as few of them changed
    // as it allows (RisingPriorities), each one recorded; ItemCounter grows
    // when nodes go above the top. The siblings' list, which the tree
    // window shows and files keep, follows: they take the new drawing order
    // among the places they held in it, each node that has to move moved
    // once (the fixed nodes and siblings out of the priority range keep
    // theirs). Returns 0, or -1 when nothing moved.
    int Restack(const std::vector<TTreeNode*>& nodes, TRestack where);

private:
    void Touch() { ++revision_; }
    TTreeNode* NewNode(TTreeNode* parent, std::string_view caption, TItemObject data);
    // Links `node` under `holder` after `prev` (first when null).
    void Link(TTreeNode* node, TTreeNode* holder, TTreeNode* prev);
    void Unlink(TTreeNode* node);
    // Moves a linked node after `prev` under `holder`, observers told
    // (NodeMoves.cpp).
    void Relink(TTreeNode* node, TTreeNode* holder, TTreeNode* prev);
    // Puts `node`'s children into the list order `order` with as few moves
    // as the order allows; whether any moved.
    bool ArrangeChildren(TTreeNode* node, const std::vector<TTreeNode*>& order);
    // Gives `node`'s drawn children priorities that rise in list order, the
    // nodes in `moved` fitted in where they stand, the others keeping theirs
    // where the order allows.
    void FollowListOrder(TTreeNode* node, const std::unordered_set<const TTreeNode*>& moved);
    void DestroyNode(TTreeNode* node);
    // The node's record for a change, its old state recorded first.
    TItemObject& EditRecord(TTreeNode* node);
    // The node's record for a change of X and Y alone, only its old place
    // recorded first.
    TItemObject& EditPlace(TTreeNode* node);
    // NodeChanging or one of its narrower cases.
    using TChangeNotice = void (TTreeObserver::*)(TTreeNode*);
    // The node's record as the observers are told it changes.
    TItemObject& AnnounceChange(TTreeNode* node, TChangeNotice changing = &TTreeObserver::NodeChanging);
    // Changes the node's priority alone, recording only the old priority; its
    // box for hit tests stays. Both priorities lie below ItemCounter, so the
    // node stays in the drawing walk (observers rely on it).
    void ChangePriority(TTreeNode* node, std::int32_t priority);
    // Priorities rising strictly along `order` (siblings in their new drawing
    // order) that change as few of the ones they hold as the order allows.
    // Those above the top may pass ItemCounter.
    static std::vector<std::int64_t> RisingPriorities(const std::vector<TTreeNode*>& order);

    // Recording (EditSteps.cpp).
    bool Recording() const { return recording_ && !suspended_; }
    TEditStep& RecordingStep();
    void StepGrew(TEditStep& step, std::size_t bytes);
    void RecordLink(const TNodeLink& link);
    void RecordState(TTreeNode* node);
    void RecordPriority(TTreeNode* node);
    void RecordPlace(TTreeNode* node);
    // Whether the step being recorded keeps the node's whole state.
    bool WholeRecorded(const TTreeNode* node) const;
    void RecordItemCounter();
    void RecordCanvas();
    // Ends a step of changes made outside BeginStep, so the next change
    // starts a step of its own.
    void CloseLooseStep();
    void NotifyHistoryChanged();
    std::vector<TTreeNode*> TakeStep(bool undo, std::size_t nodeLimit);
    // Applies the step's changes backwards (undo) or forwards (redo).
    void ApplyStep(TEditStep& step, bool undo);
    void SwapPriority(TPriorityState& state);
    void SwapPlace(TPlaceState& state);
    // Before a state or place swaps back into an attached node.
    void NoteSwapping(TTreeNode* node, TChangeNotice changing = &TTreeObserver::NodeChanging);
    // Takes a linked node out of the tree, or links an unlinked one back.
    // A moved node goes back to the recorded place, which records the one it left.
    void ToggleLink(TNodeLink& link);
    void SwapState(TNodeState& state);
    void SwapStepValues(TEditStep& step);
    std::vector<TTreeNode*> TouchedNodes(const TEditStep& step) const;
    // Takes the node out of the tree without freeing it.
    void DetachNode(TTreeNode* node);
    void RegisterId(TTreeNode* node);
    void UnregisterId(TTreeNode* node);
    void CreateFixedNodes();
    void DeleteAllNodes();
    void IncrementItemCounter();
    bool RefusesItem(const TTreeNode* node) const;
    // Calls `apply` with the record of the node and of each descendant, each
    // taken for the change by `edit`.
    template <typename Apply>
    int ApplyToSubtree(TTreeNode* node, Apply&& apply,
                       TItemObject& (TObjectTree::*edit)(TTreeNode*) = &TObjectTree::EditRecord);
    // Calls `test` with each node that has a box, in hit-test order, until it
    // returns true; returns that node.
    template <typename Test>
    TTreeNode* FindInHitOrder(TTreeNode* node, Test&& test) const;
    // The hit boxes (HitIndex.cpp): an edited, added or returned node gets
    // its box again at the next hit test, with its descendants, whose boxes
    // follow their ancestors' anchors and turns.
    void NoteChanged(TTreeNode* node);
    void DropHitIndex();
    void UpdateHitIndex() const;
    // Boxes up to `count` nodes of a build of the whole index, started when
    // none is under way.
    void BuildHitIndex(std::size_t count) const;

    // Calls `visit(entry)` for each entry of a long list of nodes scattered
    // in memory (nodes, or records with a Node): the parts of each record and
    // its parent's that the walk orders read are asked for well ahead, so
    // that many are on their way at once.
    template <typename Entry, typename Visit>
    static void ForEachReadAhead(const std::vector<Entry>& entries, Visit&& visit);
    template <typename Entry>
    static const TTreeNode* NodeOfEntry(const Entry& entry)
    {
        if constexpr (std::is_pointer_v<Entry>)
            return entry;
        else
            return entry.Node;
    }
    // Whether the walk from the Object root in hit order reaches the node.
    bool ReachedInHitOrder(const TTreeNode* node) const;
    // Whether the hit-order walk meets `a` before `b` (WalkOrder.cpp).
    bool PrecedesInHitOrder(const TTreeNode* a, const TTreeNode* b) const;
    // Whether a walk from the node's parent goes on to the node: not the
    // trash or Temp, priority within 0 .. ItemCounter - 1.
    bool InWalkRange(const TTreeNode* node) const;

    std::unique_ptr<TTreeNode> top_; // hidden parent of the top-level nodes
    TTreeNode* objectRoot_ = nullptr;
    TTreeNode* trashNode_ = nullptr;
    TTreeNode* tempNode_ = nullptr;
    std::int32_t itemCounter_ = 0;
    TCanvasGeometry canvas_;
    std::size_t nodeCount_ = 0;
    std::uint64_t revision_ = 0;
    TIdRegistry ids_;
    TNodesById nodesById_;
    std::vector<TTreeObserver*> observers_;
    std::function<void(TTreeNode*)> toggleSelection_;
    TEditHistory history_;
    bool recording_ = true;
    bool suspended_ = false;       // while the whole document is replaced
    int stepDepth_ = 0;
    std::optional<TEditStep> openStep_;
    bool looseStepOpen_ = false;   // the newest step gathers changes made outside a step
    // What the step being recorded keeps of a node: the whole state of one it
    // created or changed, or the place alone of one it only moved.
    enum class TRecorded : std::uint8_t { Place, Whole };
    TNodeMap<TRecorded> recordedNodes_;
    // Boxes of every node with one, once a hit test has asked; nodes changed
    // since wait in hitDirty_.
    mutable TBoxIndex hitIndex_;
    // A build under way: the nodes whose subtrees wait to be boxed.
    mutable std::vector<const TTreeNode*> hitUnboxed_;
    mutable bool hitBuilding_ = false;
    mutable TNodeSet hitDirty_;
    mutable bool hitIndexBuilt_ = false;
};

// One user action as one step of the history, from construction to
// destruction. An exception that leaves the scope takes the step's changes
// back, so a command that fails half-way leaves the drawing as it was.
class TEditStepScope {
public:
    TEditStepScope(TObjectTree& tree, std::string_view name)
        : tree_(tree), exceptions_(std::uncaught_exceptions())
    {
        tree_.BeginStep(name);
    }
    ~TEditStepScope();
    TEditStepScope(const TEditStepScope&) = delete;
    TEditStepScope& operator=(const TEditStepScope&) = delete;

private:
    TObjectTree& tree_;
    int exceptions_;
};

template <typename Change>
void TObjectTree::ChangeItem(TTreeNode* node, Change&& change)
{
    if (!node)
        return;
    const std::int32_t id = node->data_.Id;
    try {
        change(EditRecord(node));
    } catch (...) {
        node->data_.Id = id; // the nodes by id find a node by the id it carries
        throw;
    }
    if (node->data_.Id != id) {
        const std::int32_t newId = node->data_.Id;
        node->data_.Id = id;
        SetItemId(node, newId);
    }
}

template <typename Entry, typename Visit>
void TObjectTree::ForEachReadAhead(const std::vector<Entry>& entries, Visit&& visit)
{
    constexpr std::size_t kAhead = 16;
    // The node's parts first, its parent's once the node's link has come.
    const auto ask = [](const TTreeNode* node) {
        if (node) {
            __builtin_prefetch(node->Data());
            __builtin_prefetch(&node->parent_);
        }
    };
    for (std::size_t k = 0; k < entries.size() && k < kAhead; ++k)
        ask(NodeOfEntry(entries[k]));
    for (std::size_t k = 0; k < entries.size(); ++k) {
        if (k + kAhead < entries.size())
            ask(NodeOfEntry(entries[k + kAhead]));
        if (k + kAhead / 2 < entries.size())
            ask(NodeOfEntry(entries[k + kAhead / 2])->parent_);
        visit(entries[k]);
    }
}

template <typename Entry>
void TObjectTree::KeepDrawn(std::vector<Entry>& entries) const
{
    std::size_t kept = 0;
    // Entries are only written at or before the one visited, read ahead of it.
    ForEachReadAhead(entries, [this, &entries, &kept](const Entry& entry) {
        if (IsDrawn(NodeOfEntry(entry)))
            entries[kept++] = entry;
    });
    entries.resize(kept);
}

template <typename Visit>
void TObjectTree::WalkInDrawingOrder(TTreeNode* node, Visit&& visit) const
{
    if (!node)
        return;
    std::vector<TTreeNode*> pending{node};
    while (!pending.empty()) {
        TTreeNode* current = pending.back();
        pending.pop_back();
        if (!visit(current))
            continue;
        const std::vector<TTreeNode*> children = ChildrenInDrawingOrder(current);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
}

} // namespace qm
