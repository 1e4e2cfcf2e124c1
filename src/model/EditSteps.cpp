// Recording the tree's changes as steps of the edit history, and putting a
// step's changes back (undo) or taking them again (redo).
#include "ObjectTree.h"

#include <new>

namespace qm {

namespace {

// Changes made outside any step are gathered under this name.
constexpr std::string_view kLooseStepName = "編集";

} // namespace

// --- Steps ------------------------------------------------------------------

void TObjectTree::BeginStep(std::string_view name)
{
    if (stepDepth_++ > 0)
        return;
    CloseLooseStep();
    openStep_.emplace();
    openStep_->name = name;
}

void TObjectTree::EndStep()
{
    if (stepDepth_ == 0 || --stepDepth_ > 0)
        return;
    TEditStep step = std::move(*openStep_);
    openStep_.reset();
    recordedNodes_ = {};
    if (!step.Empty()) {
        history_.Push(std::move(step));
        NotifyHistoryChanged();
    }
}

void TObjectTree::CancelStep()
{
    if (!openStep_)
        return;
    ApplyStep(*openStep_, true); // a failure toggles back and leaves the step open
    const TEditStep step = std::move(*openStep_);
    openStep_.reset();
    stepDepth_ = 0;
    recordedNodes_ = {};
    TEditHistory::FreeKeptNodes(step, false);
    for (TTreeObserver* observer : observers_)
        observer->StepApplied();
}

void TObjectTree::NotifyHistoryChanged()
{
    for (TTreeObserver* observer : observers_)
        observer->HistoryChanged();
}

TEditStepScope::~TEditStepScope()
{
    if (std::uncaught_exceptions() <= exceptions_) {
        tree_.EndStep();
        return;
    }
    try {
        tree_.CancelStep();
    } catch (...) {
        // Out of memory while taking the changes back: keep them as a step,
        // which undo can still take.
        while (tree_.StepOpen())
            tree_.EndStep();
    }
}

void TObjectTree::CloseLooseStep()
{
    if (!looseStepOpen_)
        return;
    looseStepOpen_ = false;
    if (!openStep_)
        recordedNodes_ = {};
}

void TObjectTree::ClearHistory()
{
    if (openStep_)
        TEditHistory::FreeKeptNodes(*openStep_, true);
    openStep_.reset();
    stepDepth_ = 0;
    looseStepOpen_ = false;
    recordedNodes_ = {};
    history_.Clear();
    NotifyHistoryChanged();
}

void TObjectTree::SetHistoryBudget(std::size_t bytes)
{
    history_.SetBudget(bytes);
    if (history_.StepCount() == 0)
        CloseLooseStep();
    NotifyHistoryChanged();
}

void TObjectTree::MarkUnsaved()
{
    history_.MarkUnsaved();
    NotifyHistoryChanged();
}

void TObjectTree::MarkSaved()
{
    CloseLooseStep();
    history_.MarkSaved();
    NotifyHistoryChanged();
}

// --- Recording --------------------------------------------------------------

TEditStep& TObjectTree::RecordingStep()
{
    if (openStep_)
        return *openStep_;
    if (!looseStepOpen_) {
        TEditStep loose;
        loose.name = kLooseStepName;
        history_.Push(std::move(loose));
        looseStepOpen_ = true;
        recordedNodes_ = {};
        NotifyHistoryChanged();
    }
    return history_.steps_.back();
}

void TObjectTree::StepGrew(TEditStep& step, std::size_t bytes)
{
    step.bytes += bytes;
    if (openStep_)
        return; // counted against the budget when the step ends
    history_.used_ += bytes;
    history_.SetBudget(history_.Budget());
    if (history_.StepCount() == 0)
        CloseLooseStep(); // the gathering step itself did not fit
}

void TObjectTree::RecordLink(const TNodeLink& link)
{
    if (!Recording())
        return;
    TEditStep& step = RecordingStep();
    step.links.push_back(link);
    if (link.change == TLinkChange::Joined)
        recordedNodes_.Set(link.node, TRecorded::Whole); // its later changes need no state of their own
    StepGrew(step, TEditHistory::Bytes(link));
}

bool TObjectTree::WholeRecorded(const TTreeNode* node) const
{
    const TRecorded* kept = recordedNodes_.Find(node);
    return kept && *kept == TRecorded::Whole;
}

void TObjectTree::RecordState(TTreeNode* node)
{
    if (!Recording())
        return;
    TEditStep& step = RecordingStep();
    if (WholeRecorded(node))
        return;
    recordedNodes_.Set(node, TRecorded::Whole);
    step.states.push_back({node, node->text_, node->data_});
    StepGrew(step, TEditHistory::Bytes(step.states.back()));
}

void TObjectTree::RecordPriority(TTreeNode* node)
{
    // A node created or changed whole by the step needs no priority of its own.
    if (!Recording() || WholeRecorded(node))
        return;
    TEditStep& step = RecordingStep();
    step.priorities.push_back({node, node->data_.Priority});
    StepGrew(step, TEditHistory::Bytes(step.priorities.back()));
}

void TObjectTree::RecordPlace(TTreeNode* node)
{
    // The first place recorded is the one undo goes back to; a state recorded
    // later holds the places since.
    if (!Recording())
        return;
    TEditStep& step = RecordingStep();
    if (!recordedNodes_.Insert(node, TRecorded::Place))
        return;
    step.places.push_back({node, node->data_.X, node->data_.Y});
    StepGrew(step, TEditHistory::Bytes(step.places.back()));
}

void TObjectTree::RecordItemCounter()
{
    if (!Recording())
        return;
    TEditStep& step = RecordingStep();
    if (!step.itemCounter)
        step.itemCounter = itemCounter_;
}

void TObjectTree::RecordCanvas()
{
    if (!Recording())
        return;
    TEditStep& step = RecordingStep();
    if (!step.canvas)
        step.canvas = canvas_;
}

// --- Undo and redo ----------------------------------------------------------

std::vector<TTreeNode*> TObjectTree::Undo(std::size_t nodeLimit)
{
    return TakeStep(true, nodeLimit);
}

std::vector<TTreeNode*> TObjectTree::Redo(std::size_t nodeLimit)
{
    return TakeStep(false, nodeLimit);
}

std::vector<TTreeNode*> TObjectTree::TakeStep(bool undo, std::size_t nodeLimit)
{
    while (stepDepth_ > 0)
        EndStep();
    CloseLooseStep();
    if (undo ? !history_.CanUndo() : !history_.CanRedo())
        return {};
    TEditStep& step = history_.steps_[undo ? history_.done_ - 1 : history_.done_];
    const std::int64_t delta = undo ? -step.NodeDelta() : step.NodeDelta();
    if (delta > 0 && (nodeCount_ > nodeLimit || nodeLimit - nodeCount_ < static_cast<std::uint64_t>(delta)))
        throw TEditRefused(std::string("図形の数が ") + std::to_string(nodeLimit) + " 個を超えるため、" +
                           (undo ? "元に戻せません" : "やり直せません"));
    try {
        ApplyStep(step, undo);
    } catch (const std::bad_alloc&) {
        throw TEditRefused(std::string("メモリが足りないため、") + (undo ? "元に戻せません" : "やり直せません"));
    }
    if (undo)
        --history_.done_;
    else
        ++history_.done_;
    for (TTreeObserver* observer : observers_)
        observer->StepApplied();
    NotifyHistoryChanged();
    return TouchedNodes(step);
}

void TObjectTree::ApplyStep(TEditStep& step, bool undo)
{
    // Undo swaps the states back and then unwinds the links newest first;
    // redo does the reverse. Each change is its own inverse (a link toggles,
    // a state swaps), so a failure half-way toggles back what was done.
    const std::size_t links = step.links.size();
    const std::size_t beforePlaces = links + step.priorities.size();
    const std::size_t beforeStates = beforePlaces + step.places.size();
    const std::size_t count = beforeStates + step.states.size() + 1;
    auto change = [&](std::size_t k) {
        const std::size_t position = undo ? count - 1 - k : k;
        if (position < links)
            ToggleLink(step.links[position]);
        else if (position < beforePlaces)
            SwapPriority(step.priorities[position - links]);
        else if (position < beforeStates)
            SwapPlace(step.places[position - beforePlaces]);
        else if (position < count - 1)
            SwapState(step.states[position - beforeStates]);
        else
            SwapStepValues(step);
    };
    std::size_t applied = 0;
    try {
        for (; applied < count; ++applied)
            change(applied);
    } catch (...) {
        while (applied-- > 0)
            change(applied);
        throw;
    }
}

void TObjectTree::ToggleLink(TNodeLink& link)
{
    TTreeNode* node = link.node;
    if (link.change == TLinkChange::Moved) {
        const TNodeLink other = link;
        link.holder = node->parent_;
        link.prev = node->prev_;
        try {
            Relink(node, other.holder, other.prev);
        } catch (...) {
            // Refused before the node moved: the link still names the other place.
            if (node->parent_ == link.holder && node->prev_ == link.prev)
                link = other;
            throw;
        }
        return;
    }
    if (node->Attached()) {
        DetachNode(node);
        return;
    }
    Link(node, link.holder, link.prev);
    ++nodeCount_;
    Touch();
    try {
        RegisterId(node);
        // Only a step that deleted a fixed node can bring one back.
        if (!objectRoot_ && node->data_.ItemType == itObjectRoot)
            objectRoot_ = node;
        if (!trashNode_ && node->data_.ItemType == itTrash)
            trashNode_ = node;
        if (!tempNode_ && node->data_.ItemType == itTemp)
            tempNode_ = node;
        NoteChanged(node);
        for (TTreeObserver* observer : observers_)
            observer->NodeAdded(node);
    } catch (...) {
        DetachNode(node);
        throw;
    }
}

void TObjectTree::NoteSwapping(TTreeNode* node, TChangeNotice changing)
{
    if (!node->Attached())
        return;
    NoteChanged(node);
    for (TTreeObserver* observer : observers_)
        (observer->*changing)(node);
}

void TObjectTree::SwapState(TNodeState& state)
{
    TTreeNode* node = state.node;
    NoteSwapping(node);
    // Ids are the ones the last save gave out, whatever the step recorded.
    const std::int32_t id = node->data_.Id;
    std::swap(node->text_, state.caption);
    std::swap(node->data_, state.record);
    node->data_.Id = id;
    Touch();
    if (node->Attached() && node->text_ != state.caption) {
        for (TTreeObserver* observer : observers_)
            observer->NodeRenamed(node);
    }
}

void TObjectTree::SwapPriority(TPriorityState& state)
{
    TTreeNode* node = state.node;
    if (node->Attached()) {
        for (TTreeObserver* observer : observers_)
            observer->PriorityChanging(node);
    }
    std::swap(node->data_.Priority, state.priority);
    Touch();
}

void TObjectTree::SwapPlace(TPlaceState& state)
{
    TTreeNode* node = state.node;
    NoteSwapping(node, &TTreeObserver::PlaceChanging);
    std::swap(node->data_.X, state.x);
    std::swap(node->data_.Y, state.y);
    Touch();
}

void TObjectTree::SwapStepValues(TEditStep& step)
{
    if (step.itemCounter)
        std::swap(itemCounter_, *step.itemCounter);
    if (step.canvas) {
        std::swap(canvas_, *step.canvas);
        for (TTreeObserver* observer : observers_)
            observer->CanvasChanged();
    }
    Touch();
}

std::vector<TTreeNode*> TObjectTree::TouchedNodes(const TEditStep& step) const
{
    std::vector<TTreeNode*> touched;
    TNodeSet seen;
    auto add = [&](TTreeNode* node) {
        if (node->Attached() && seen.Insert(node))
            touched.push_back(node);
    };
    for (const TNodeLink& link : step.links)
        add(link.node);
    for (const TPriorityState& state : step.priorities)
        add(state.node);
    for (const TPlaceState& state : step.places)
        add(state.node);
    for (const TNodeState& state : step.states)
        add(state.node);
    return touched;
}

} // namespace qm
