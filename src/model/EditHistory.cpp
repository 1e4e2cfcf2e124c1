#include "EditHistory.h"

#include "TreeNode.h"

namespace qm {

std::int64_t TEditStep::NodeDelta() const
{
    std::int64_t delta = 0;
    for (const TNodeLink& link : links) {
        if (link.change != TLinkChange::Moved)
            delta += link.change == TLinkChange::Joined ? 1 : -1;
    }
    return delta;
}

TEditHistory::~TEditHistory()
{
    Clear();
}

std::string_view TEditHistory::UndoName() const
{
    return CanUndo() ? std::string_view(steps_[done_ - 1].name) : std::string_view();
}

std::string_view TEditHistory::RedoName() const
{
    return CanRedo() ? std::string_view(steps_[done_].name) : std::string_view();
}

void TEditHistory::SetBudget(std::size_t bytes)
{
    budget_ = bytes;
    while (used_ > budget_ && !steps_.empty())
        DropOldest();
}

void TEditHistory::Clear()
{
    DropUndone();
    while (!steps_.empty())
        DropOldest();
    baseSerial_ = nextSerial_++;
    savedSerial_ = baseSerial_;
}

void TEditHistory::Push(TEditStep step)
{
    DropUndone();
    step.serial = nextSerial_++;
    used_ += step.bytes;
    steps_.push_back(std::move(step));
    done_ = steps_.size();
    while (used_ > budget_ && !steps_.empty())
        DropOldest();
}

void TEditHistory::DropUndone()
{
    while (steps_.size() > done_) {
        FreeKeptNodes(steps_.back(), false);
        used_ -= steps_.back().bytes;
        steps_.pop_back();
    }
}

void TEditHistory::DropOldest()
{
    if (done_ == 0) {
        DropUndone();
        return;
    }
    FreeKeptNodes(steps_.front(), true);
    used_ -= steps_.front().bytes;
    baseSerial_ = steps_.front().serial;
    steps_.pop_front();
    --done_;
}

void TEditHistory::FreeKeptNodes(const TEditStep& step, bool done)
{
    // A done step keeps the nodes it deleted, an undone one those it created
    // (undo took them out again); a node is kept by exactly one step. A
    // moved node is in the tree or kept by the step that created or deleted it.
    const TLinkChange kept = done ? TLinkChange::Left : TLinkChange::Joined;
    for (const TNodeLink& link : step.links) {
        if (link.change == kept)
            delete link.node;
    }
}

std::size_t TEditHistory::HeapBytes(const std::string& caption, const TItemObject& record)
{
    return caption.capacity() + record.Name.capacity() + record.Text.capacity() + record.Font.Name.capacity() +
           (record.Points.capacity() + record.C1.capacity() + record.C2.capacity()) * sizeof(TPoint);
}

std::size_t TEditHistory::Bytes(const TNodeState& state)
{
    return sizeof(TNodeState) + HeapBytes(state.caption, state.record);
}

std::size_t TEditHistory::Bytes(const TPriorityState&)
{
    return sizeof(TPriorityState);
}

std::size_t TEditHistory::Bytes(const TPlaceState&)
{
    return sizeof(TPlaceState);
}

std::size_t TEditHistory::Bytes(const TNodeLink& link)
{
    // A deleted node stays in memory for the step (its record lies in it).
    if (link.change != TLinkChange::Left)
        return sizeof(TNodeLink);
    return sizeof(TNodeLink) + sizeof(TTreeNode) + HeapBytes(link.node->Text(), *link.node->Data());
}

} // namespace qm
