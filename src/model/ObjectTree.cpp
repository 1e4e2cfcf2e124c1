#include "ObjectTree.h"

#include "NodePool.h"

#include "platform/ShiftJis.h"

#include <algorithm>
#include <limits>

namespace qm {

namespace {

const std::string& TrashCaption()
{
    static const std::string caption = Utf8ToCp932("ごみ箱");
    return caption;
}

// Ancestors of `node` from its top-level node down to the node itself.
std::vector<const TTreeNode*> PathFromTop(const TTreeNode* node)
{
    std::vector<const TTreeNode*> path;
    for (; node; node = node->Parent())
        path.push_back(node);
    std::reverse(path.begin(), path.end());
    return path;
}

// Whether `a` comes before `b` in tree order (depth first, parents first).
bool PrecedesInTreeOrder(const TTreeNode* a, const TTreeNode* b, const TTreeNode* firstTopLevel)
{
    const auto pathA = PathFromTop(a);
    const auto pathB = PathFromTop(b);
    std::size_t depth = 0;
    while (depth < pathA.size() && depth < pathB.size() && pathA[depth] == pathB[depth])
        ++depth;
    if (depth == pathA.size())
        return true; // a is an ancestor of b (or b itself)
    if (depth == pathB.size())
        return false;
    // Siblings below the common ancestor: is pathA's branch earlier in the list?
    const TTreeNode* start = depth == 0 ? firstTopLevel : pathA[depth - 1]->FirstChild();
    for (const TTreeNode* sibling = start; sibling; sibling = sibling->NextSibling()) {
        if (sibling == pathA[depth])
            return true;
        if (sibling == pathB[depth])
            return false;
    }
    return false;
}

} // namespace

// --- TTreeNode --------------------------------------------------------------

namespace {

TNodePool& NodePool()
{
    // Never destroyed: a tree held by a static may be freed after it.
    static TNodePool& pool = *new TNodePool(sizeof(TTreeNode));
    return pool;
}

} // namespace

void* TTreeNode::operator new(std::size_t /*bytes: always sizeof(TTreeNode), the class being final*/)
{
    return NodePool().Take();
}

void TTreeNode::operator delete(void* node)
{
    NodePool().Give(node);
}

std::size_t TTreeNode::PooledBytes()
{
    return NodePool().BytesTaken();
}

TTreeNode* TTreeNode::Parent() const
{
    // Only the hidden top has no parent: its children are the top-level
    // nodes. (A node out of the tree has no children either.)
    return parent_ && parent_->parent_ ? parent_ : nullptr;
}

int TTreeNode::Index() const
{
    int index = 0;
    for (const TTreeNode* sibling = prev_; sibling; sibling = sibling->prev_)
        ++index;
    return index;
}

bool TTreeNode::IsWithin(const TTreeNode* ancestor) const
{
    for (const TTreeNode* node = this; node; node = node->Parent()) {
        if (node == ancestor)
            return true;
    }
    return false;
}

// --- Construction -----------------------------------------------------------

TObjectTree::TObjectTree() : TObjectTree(Empty)
{
    CreateFixedNodes();
    recording_ = true;
}

TObjectTree::TObjectTree(EmptyTag) : top_(new TTreeNode), recording_(false) {}

TObjectTree::~TObjectTree()
{
    observers_.clear();
    ClearHistory();
    suspended_ = true;
    DeleteAllNodes();
}

void TObjectTree::CreateFixedNodes()
{
    objectRoot_ = AddItem(nullptr, "Object", itObjectRoot);
    trashNode_ = AddItem(objectRoot_, TrashCaption(), itTrash);
    tempNode_ = AddItem(trashNode_, "Temp", itTemp);
}

void TObjectTree::DeleteAllNodes()
{
    while (TTreeNode* node = top_->lastChild_)
        DeleteSubtree(node);
}

void TObjectTree::NewDocument()
{
    ClearHistory();
    suspended_ = true;
    DeleteAllNodes();
    itemCounter_ = 0;
    CreateFixedNodes();
    suspended_ = false;
}

void TObjectTree::ReplaceContents(TObjectTree& source)
{
    ClearHistory();
    // The old nodes leave all at once: observers are told of the reset
    // only, not of each node, and `source` frees them.
    std::swap(top_, source.top_);
    std::swap(objectRoot_, source.objectRoot_);
    std::swap(trashNode_, source.trashNode_);
    std::swap(tempNode_, source.tempNode_);
    std::swap(itemCounter_, source.itemCounter_);
    std::swap(nodeCount_, source.nodeCount_);
    std::swap(ids_, source.ids_);
    std::swap(nodesById_, source.nodesById_);
    DropHitIndex();
    source.DropHitIndex();
    Touch();
    for (TTreeObserver* observer : observers_)
        observer->TreeReset();
}

void TObjectTree::AddObserver(TTreeObserver* observer)
{
    if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
        observers_.push_back(observer);
}

void TObjectTree::RemoveObserver(TTreeObserver* observer)
{
    std::erase(observers_, observer);
}

bool TObjectTree::IsFixedNode(const TTreeNode* node) const
{
    return node && (node == objectRoot_ || node == trashNode_ || node == tempNode_);
}

void TObjectTree::MarkFixedNode(TTreeNode* node)
{
    if (!node)
        return;
    switch (node->Data()->ItemType) {
    case itObjectRoot: objectRoot_ = node; break;
    case itTrash: trashNode_ = node; break;
    case itTemp: tempNode_ = node; break;
    default: break;
    }
}

bool TObjectTree::RefusesItem(const TTreeNode* node) const
{
    return !node || IsFixedNode(node);
}

TTreeNode* TObjectTree::LastNode() const
{
    TTreeNode* node = top_->lastChild_;
    while (node && node->lastChild_)
        node = node->lastChild_;
    return node;
}

// --- Nodes ------------------------------------------------------------------

TTreeNode* TObjectTree::NewNode(TTreeNode* parent, std::string_view caption, TItemObject data)
{
    TTreeNode* holder = parent ? parent : top_.get();
    auto node = std::unique_ptr<TTreeNode>(new TTreeNode);
    node->text_ = caption;
    node->data_ = std::move(data);
    Link(node.get(), holder, holder->lastChild_);
    ++nodeCount_;
    Touch();
    RegisterId(node.get());
    RecordLink({node.get(), holder, node->prev_, TLinkChange::Joined});
    IncrementItemCounter();
    NoteChanged(node.get());
    for (TTreeObserver* observer : observers_)
        observer->NodeAdded(node.get());
    return node.release();
}

void TObjectTree::Link(TTreeNode* node, TTreeNode* holder, TTreeNode* prev)
{
    TTreeNode* next = prev ? prev->next_ : holder->firstChild_;
    node->parent_ = holder;
    node->prev_ = prev;
    node->next_ = next;
    (prev ? prev->next_ : holder->firstChild_) = node;
    (next ? next->prev_ : holder->lastChild_) = node;
    ++holder->childCount_;
}

void TObjectTree::Unlink(TTreeNode* node)
{
    TTreeNode* holder = node->parent_;
    (node->prev_ ? node->prev_->next_ : holder->firstChild_) = node->next_;
    (node->next_ ? node->next_->prev_ : holder->lastChild_) = node->prev_;
    --holder->childCount_;
    node->parent_ = node->prev_ = node->next_ = nullptr;
}

void TObjectTree::DestroyNode(TTreeNode* node)
{
    const TNodeLink link{node, node->parent_, node->prev_, TLinkChange::Left};
    DetachNode(node);
    // A recorded deletion keeps the node in the history, out of the tree.
    if (Recording())
        RecordLink(link);
    else
        delete node;
}

void TObjectTree::DetachNode(TTreeNode* node)
{
    for (TTreeObserver* observer : observers_)
        observer->NodeRemoving(node);
    if (hitBuilding_)
        DropHitIndex(); // the node may wait to be boxed
    hitIndex_.Remove(node);
    hitDirty_.Erase(node);
    if (node == objectRoot_)
        objectRoot_ = nullptr;
    if (node == trashNode_)
        trashNode_ = nullptr;
    if (node == tempNode_)
        tempNode_ = nullptr;
    UnregisterId(node);
    Unlink(node);
    --nodeCount_;
    Touch();
}

void TObjectTree::IncrementItemCounter()
{
    if (itemCounter_ < std::numeric_limits<std::int32_t>::max()) {
        RecordItemCounter();
        ++itemCounter_;
    }
}

void TObjectTree::SetItemCounter(std::int32_t value)
{
    RecordItemCounter();
    itemCounter_ = value;
    Touch();
}

void TObjectTree::SetCanvasGeometry(const TCanvasGeometry& canvas)
{
    if (canvas == canvas_)
        return;
    RecordCanvas();
    ResetCanvasGeometry(canvas);
}

void TObjectTree::ResetCanvasGeometry(const TCanvasGeometry& canvas)
{
    canvas_ = canvas;
    Touch();
    for (TTreeObserver* observer : observers_)
        observer->CanvasChanged();
}

TItemObject& TObjectTree::EditRecord(TTreeNode* node)
{
    RecordState(node);
    return AnnounceChange(node);
}

TItemObject& TObjectTree::EditPlace(TTreeNode* node)
{
    RecordPlace(node);
    return AnnounceChange(node, &TTreeObserver::PlaceChanging);
}

void TObjectTree::SetActive(TTreeNode* node, bool active)
{
    if (!node)
        return;
    RecordState(node);
    AnnounceChange(node, &TTreeObserver::ActiveChanging).Active = active;
}

TItemObject& TObjectTree::AnnounceChange(TTreeNode* node, TChangeNotice changing)
{
    Touch();
    NoteChanged(node);
    for (TTreeObserver* observer : observers_)
        (observer->*changing)(node);
    return node->data_;
}

void TObjectTree::ChangePriority(TTreeNode* node, std::int32_t priority)
{
    RecordPriority(node);
    Touch();
    for (TTreeObserver* observer : observers_)
        observer->PriorityChanging(node);
    node->data_.Priority = priority;
}

TTreeNode* TObjectTree::AddItem(TTreeNode* parent, std::string_view caption, TItemType itemType,
                                std::optional<std::int32_t> id)
{
    TItemObject item;
    item.Name = caption;
    item.ItemType = itemType;
    item.Id = id ? *id : NextFreeId();
    item.Priority = itemCounter_;
    item.Font = DefaultItemFont();
    item.DStyle = itemType == itArrow ? leArrow : lePlain;
    return NewNode(parent, caption, std::move(item));
}

TTreeNode* TObjectTree::CopyItem(TTreeNode* parent, std::string_view caption, const TItemObject& source)
{
    TItemObject item;
    item.ItemType = source.ItemType;
    item.X = source.X;
    item.Y = source.Y;
    item.StretchX = source.StretchX;
    item.StretchY = source.StretchY;
    item.Roll = source.Roll;
    item.Text = source.Text;
    item.Margin = source.Margin;
    item.LineSpacing = source.LineSpacing;
    item.CenterH = source.CenterH;
    item.CenterV = source.CenterV;
    item.Count = source.Count;
    item.CurveStyle = source.CurveStyle;
    item.PStyle = source.PStyle;
    item.DStyle = source.DStyle;
    item.Pen = source.Pen;
    item.Brush = source.Brush;
    item.Font = source.Font;
    item.Name = caption;
    item.Id = NextFreeId();
    item.Priority = itemCounter_;
    item.Active = true;
    if (!source.Points.empty()) {
        // Entries that the source lacks stay (0, 0); the length never exceeds
        // the vertices the source really has.
        const auto length = static_cast<std::size_t>(source.VertexCount());
        auto copied = [length](const TPointArray& from) {
            TPointArray to(length);
            std::copy_n(from.begin(), std::min(length, from.size()), to.begin());
            return to;
        };
        item.Points = copied(source.Points);
        item.C1 = copied(source.C1);
        item.C2 = copied(source.C2);
    }
    return NewNode(parent, caption, std::move(item));
}

int TObjectTree::DeleteSubtree(TTreeNode* node)
{
    if (!node)
        return -1;
    // Post-order without recursion: always descend to the first child, delete
    // a node once it has none left.
    TTreeNode* current = node;
    while (true) {
        while (current->firstChild_)
            current = current->firstChild_;
        TTreeNode* parent = current->parent_;
        const bool done = current == node;
        DestroyNode(current);
        if (done)
            return 0;
        current = parent;
    }
}

// --- Ids --------------------------------------------------------------------

std::int32_t TObjectTree::NextFreeId() const
{
    if (itemCounter_ <= 0)
        return itemCounter_;
    return static_cast<std::int32_t>(std::min<std::int64_t>(ids_.SmallestFree(), itemCounter_));
}

void TObjectTree::RegisterId(TTreeNode* node)
{
    ids_.Add(node->data_.Id);
    nodesById_.Add(node, node->data_.Id);
}

void TObjectTree::UnregisterId(TTreeNode* node)
{
    ids_.Remove(node->data_.Id);
    nodesById_.Remove(node, node->data_.Id);
}

void TObjectTree::SetItemId(TTreeNode* node, std::int32_t id)
{
    if (!node || node->data_.Id == id)
        return;
    RecordState(node);
    UnregisterId(node);
    node->data_.Id = id;
    RegisterId(node);
}

void TObjectTree::TakeFileIds(const std::vector<TTreeNode*>& nodesInFileOrder)
{
    // All out, then all in: an id changed one node at a time would still be
    // carried by the next node, and every node would share its id for a while.
    std::vector<std::pair<TTreeNode*, std::int32_t>> changed;
    for (std::size_t k = 0; k < nodesInFileOrder.size(); ++k) {
        const auto id = static_cast<std::int32_t>(k + 1);
        if (nodesInFileOrder[k]->data_.Id != id)
            changed.emplace_back(nodesInFileOrder[k], id);
    }
    // Most ids changed, as when a drawing is saved for the first time:
    // building the tables again costs less than taking every node out and
    // putting it back. The list holds every node of the tree then.
    if (nodesInFileOrder.size() == nodeCount_ && 2 * changed.size() > nodeCount_) {
        ids_.Clear();
        nodesById_ = TNodesById(nodeCount_);
        for (const auto& [node, id] : changed)
            node->data_.Id = id;
        for (TTreeNode* node : nodesInFileOrder)
            RegisterId(node);
        return;
    }
    for (const auto& [node, id] : changed)
        UnregisterId(node);
    for (const auto& [node, id] : changed) {
        node->data_.Id = id;
        RegisterId(node);
    }
}

TTreeNode* TObjectTree::FindItemById(std::int32_t id) const
{
    const std::span<TTreeNode* const> sameId = nodesById_.NodesWith(id);
    if (sameId.empty())
        return LastNode();
    TTreeNode* found = sameId.front();
    for (TTreeNode* other : sameId) {
        if (other != found && PrecedesInTreeOrder(other, found, top_->firstChild_))
            found = other;
    }
    return found;
}

std::span<TTreeNode* const> TObjectTree::NodesWithId(std::int32_t id) const
{
    return nodesById_.NodesWith(id);
}

// --- Captions ---------------------------------------------------------------

bool TObjectTree::CanEditCaption(const TTreeNode* node) const
{
    return node && !IsFixedNode(node);
}

bool TObjectTree::CanExpand(const TTreeNode* node) const
{
    return node && node != tempNode_ && node->data_.Active;
}

void TObjectTree::SetCaption(TTreeNode* node, std::string_view caption)
{
    if (!node)
        return;
    RecordState(node);
    Touch();
    node->text_ = caption;
    node->data_.Name = caption;
    for (TTreeObserver* observer : observers_)
        observer->NodeRenamed(node);
}

} // namespace qm
