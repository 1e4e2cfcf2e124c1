#pragma once

#include "CanvasGeometry.h"
#include "ItemObject.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace qm {

class TTreeNode;

// What a TNodeLink records of a node.
enum class TLinkChange : std::uint8_t {
    Joined, // created
    Left,   // deleted
    Moved,  // taken with its subtree to another place in the tree
};

// A node joined the tree (created), left it (deleted) or moved within it. A
// node that leaves is not freed: the step keeps it, so undoing the step links
// the very same node back after `prev` under `holder`, and every later step
// that names it stays valid. A moved node stays in the tree, so no step
// keeps it: `holder` and `prev` hold the place it left, and undo and redo
// swap them with the place it holds.
struct TNodeLink {
    TTreeNode* node = nullptr;
    TTreeNode* holder = nullptr; // the parent, or the tree's hidden top
    TTreeNode* prev = nullptr;   // the sibling before it, null when first
    TLinkChange change = TLinkChange::Left;
};

// A node's caption and record as they were before the step changed them.
// Undo and redo swap them with the node's current ones.
struct TNodeState {
    TTreeNode* node = nullptr;
    std::string caption;
    TItemObject record;
};

// A node's priority as it was before the step changed it, where the step
// keeps nothing else of the node: a restack renumbers many siblings and
// changes nothing but their priorities. Undo and redo swap it with the
// node's current one.
struct TPriorityState {
    TTreeNode* node = nullptr;
    std::int32_t priority = 0;
};

// A node's place (X and Y) as it was before the step moved it, where the
// step keeps nothing else of the node: a paste steps the clipboard's copies
// on and a drag moves every selected item, by the hundred thousand. Undo and
// redo swap it with the node's current place.
struct TPlaceState {
    TTreeNode* node = nullptr;
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// One user action: every change between its start and its end.
struct TEditStep {
    std::string name;
    std::uint64_t serial = 0;
    std::vector<TNodeLink> links;   // in the order they happened
    // Applied after the links and before the states: a state taken after a
    // priority changed holds the new priority, so undo restores the state
    // first.
    std::vector<TPriorityState> priorities;
    std::vector<TPlaceState> places; // applied with the priorities
    std::vector<TNodeState> states; // one per node changed and not created by the step
    std::optional<std::int32_t> itemCounter;
    std::optional<TCanvasGeometry> canvas;
    std::size_t bytes = 0;

    bool Empty() const
    {
        return links.empty() && priorities.empty() && places.empty() && states.empty() && !itemCounter && !canvas;
    }
    // Nodes the tree gains by redoing the step (negative: loses).
    std::int64_t NodeDelta() const;
};

// Raised when a step cannot be undone or redone (the node limit); the
// drawing and the history stay as they were.
class TEditRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The steps of one document, oldest first: those done, then those undone
// (which redo takes again). The history owns every node that a step took out
// of the tree: a node deleted by a done step, a node created by an undone
// step. It keeps as many steps as fit its memory budget.
class TEditHistory {
public:
    static constexpr std::size_t kDefaultBudget = std::size_t{64} << 20;

    TEditHistory() = default;
    ~TEditHistory();
    TEditHistory(const TEditHistory&) = delete;
    TEditHistory& operator=(const TEditHistory&) = delete;

    bool CanUndo() const { return done_ > 0; }
    bool CanRedo() const { return done_ < steps_.size(); }
    // The name of the step undo or redo would take; empty when none.
    std::string_view UndoName() const;
    std::string_view RedoName() const;

    // Whether the document differs from the one last marked saved (or, never
    // saved, from the one the history started with).
    bool IsModified() const { return CurrentSerial() != savedSerial_; }
    void MarkSaved() { savedSerial_ = CurrentSerial(); }
    // The document differs from every saved one (a recovered drawing).
    void MarkUnsaved() { savedSerial_ = kNeverSaved; }

    std::size_t Budget() const { return budget_; }
    void SetBudget(std::size_t bytes);
    // Bytes the kept steps take, by the estimate each step keeps.
    std::size_t MemoryUsed() const { return used_; }
    std::size_t StepCount() const { return steps_.size(); }
    // Steps that undo can take.
    std::size_t DoneCount() const { return done_; }

    // Forgets every step, freeing the nodes it kept; the document as it is
    // becomes the unmodified one.
    void Clear();

private:
    friend class TObjectTree;

    std::uint64_t CurrentSerial() const { return done_ > 0 ? steps_[done_ - 1].serial : baseSerial_; }
    // Drops the undone steps and adds `step` as the newest done one, then
    // drops the oldest steps until the budget holds.
    void Push(TEditStep step);
    void DropUndone();
    void DropOldest();
    static void FreeKeptNodes(const TEditStep& step, bool done);
    static std::size_t HeapBytes(const std::string& caption, const TItemObject& record);
    static std::size_t Bytes(const TNodeState& state);
    static std::size_t Bytes(const TNodeLink& link);
    static std::size_t Bytes(const TPriorityState& state);
    static std::size_t Bytes(const TPlaceState& state);

    static constexpr std::uint64_t kNeverSaved = UINT64_MAX;

    std::deque<TEditStep> steps_;
    std::size_t done_ = 0;
    std::size_t budget_ = kDefaultBudget;
    std::size_t used_ = 0;
    std::uint64_t nextSerial_ = 1;
    std::uint64_t baseSerial_ = 0;  // the state before the oldest kept step
    std::uint64_t savedSerial_ = 0;
};

} // namespace qm
