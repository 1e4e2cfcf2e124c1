#include "DrawingIndex.h"

#include "BoundsCanvas.h"
#include "CanvasX.h"

#include <algorithm>

namespace qm {

namespace {

// Candidates beyond this share of the indexed items are put in order by
// walking the whole drawing rather than by sorting.
constexpr std::size_t kWalkShare = 8;
constexpr std::size_t kMinWalked = 4096;

} // namespace

TDrawingIndex::TDrawingIndex(TObjectTree& tree, TSurfaceX& surface)
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
    bounds_.Clear();
    groups_.clear();
    dirty_.clear();
    damage_ = {0, 0, -1, -1};
    built_ = false;
}

void TDrawingIndex::Build()
{
    Reset();
    if (TTreeNode* root = tree_.ObjectRoot())
        Rebound(root, nullptr);
    damage_ = {0, 0, -1, -1};
    built_ = true;
}

void TDrawingIndex::NoteFullRender()
{
    if (built_)
        TakeDamage();
    itemCounter_ = tree_.ItemCounter();
    follows_ = true;
}

void TDrawingIndex::NodeAdded(TTreeNode* node)
{
    MarkDirty(node);
}

void TDrawingIndex::NodeChanging(TTreeNode* node)
{
    MarkDirty(node);
}

void TDrawingIndex::MarkDirty(TTreeNode* node)
{
    if (!built_)
        Build();
    dirty_.insert(node);
}

void TDrawingIndex::NodeRemoving(TTreeNode* node)
{
    if (!built_)
        Build();
    if (const TRect* box = bounds_.Find(node))
        AddDamage(*box);
    bounds_.Remove(node);
    groups_.erase(node);
    dirty_.erase(node);
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

TRect TDrawingIndex::TakeDamage()
{
    Update();
    const TRect damage = damage_;
    damage_ = {0, 0, -1, -1};
    return damage;
}

void TDrawingIndex::Update()
{
    if (!built_)
        Build();
    std::unordered_set<const TTreeNode*> done;
    for (TTreeNode* node : dirty_) {
        if (InDrawing(node))
            Rebound(node, &done);
    }
    dirty_.clear();
    const std::int32_t counter = tree_.ItemCounter();
    if (counter != itemCounter_) {
        DamagePriorities(std::min(counter, itemCounter_), std::max(counter, itemCounter_));
        itemCounter_ = counter;
    }
}

void TDrawingIndex::Rebound(const TTreeNode* node, std::unordered_set<const TTreeNode*>* done)
{
    std::vector<const TTreeNode*> pending{node};
    while (!pending.empty()) {
        const TTreeNode* current = pending.back();
        pending.pop_back();
        if (done && !done->insert(current).second)
            continue;
        if (const TRect* old = bounds_.Find(current))
            AddDamage(*old);
        const TRect box = ItemBounds(current);
        AddDamage(box);
        bounds_.Set(current, box);
        if (current->HasChildren())
            groups_.insert(current);
        else
            groups_.erase(current);
        for (const TTreeNode* child = current->FirstChild(); child; child = child->NextSibling()) {
            if (child != tree_.TrashNode() && child != tree_.TempNode())
                pending.push_back(child);
        }
    }
}

TRect TDrawingIndex::ItemBounds(const TTreeNode* node)
{
    TBoundsCanvas bounds(surface_.Canvas());
    TCanvasX surface(bounds);
    TTreeNode* const nodes[] = {const_cast<TTreeNode*>(node)};
    TDocumentRenderer(tree_, surface).RenderItems(nodes);
    return bounds.Bounds();
}

void TDrawingIndex::DamagePriorities(std::int32_t low, std::int32_t high)
{
    auto inWindow = [low, high](const TTreeNode* node) {
        return node->Data()->Priority >= low && node->Data()->Priority < high;
    };
    auto damageSubtree = [this](const TTreeNode* top) {
        std::vector<const TTreeNode*> pending{top};
        while (!pending.empty()) {
            const TTreeNode* node = pending.back();
            pending.pop_back();
            if (const TRect* box = bounds_.Find(node))
                AddDamage(*box);
            for (const TTreeNode* child = node->FirstChild(); child; child = child->NextSibling())
                pending.push_back(child);
        }
    };
    bounds_.ForEach([&](const TTreeNode* node, const TRect& box) {
        if (inWindow(node))
            AddDamage(box);
    });
    for (const TTreeNode* group : groups_) {
        if (inWindow(group))
            damageSubtree(group);
    }
}

void TDrawingIndex::AddDamage(const TRect& box)
{
    damage_ = damage_.United(box);
}

bool TDrawingIndex::InDrawing(const TTreeNode* node) const
{
    for (; node; node = node->Parent()) {
        if (node == tree_.TrashNode() || node == tree_.TempNode())
            return false;
        if (node == tree_.ObjectRoot())
            return true;
    }
    return false;
}

std::vector<TTreeNode*> TDrawingIndex::ItemsMeeting(const TRect& area)
{
    Update();
    std::vector<TTreeNode*> items;
    bounds_.Query(area, [&](const TTreeNode* node, const TRect&) {
        if (tree_.IsDrawn(node))
            items.push_back(const_cast<TTreeNode*>(node));
    });
    if (items.size() < kMinWalked || items.size() * kWalkShare < bounds_.Size()) {
        tree_.SortInDrawingOrder(items);
        return items;
    }
    items.clear();
    tree_.WalkInDrawingOrder(tree_.ObjectRoot(), [&](TTreeNode* node) {
        if (node == tree_.TrashNode() || node == tree_.TempNode() || !node->Data()->Active)
            return false;
        const TRect* box = bounds_.Find(node);
        if (box && box->Meets(area))
            items.push_back(node);
        return true;
    });
    return items;
}

} // namespace qm
