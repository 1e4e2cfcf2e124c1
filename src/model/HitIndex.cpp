// The boxes the hit test reads: kept in a grid and boxed again only for the
// nodes an edit changed.
#include "ObjectTree.h"

#include <limits>

namespace qm {

void TObjectTree::MarkChanged()
{
    Touch();
    DropHitIndex();
    for (TTreeObserver* observer : observers_)
        observer->DrawingChanged();
}

void TObjectTree::NoteChanged(TTreeNode* node)
{
    // A build under way may have boxed the node, or passed its new place.
    if (hitBuilding_)
        DropHitIndex();
    if (!hitIndexBuilt_)
        return;
    hitDirty_.Insert(node);
    // Boxing everything again costs less than tracking more than that.
    if (hitDirty_.Size() > hitIndex_.Size() / 2 + 1024)
        DropHitIndex();
}

void TObjectTree::DropHitIndex()
{
    hitIndex_.Clear();
    hitDirty_ = {};
    hitIndexBuilt_ = false;
    hitUnboxed_ = {};
    hitBuilding_ = false;
}

void TObjectTree::BuildHitIndex(std::size_t count) const
{
    if (!hitBuilding_) {
        hitIndex_.Clear();
        hitIndex_.Reserve(NodeCount());
        hitUnboxed_ = {top_.get()};
        hitBuilding_ = true;
    }
    for (; count > 0 && !hitUnboxed_.empty(); --count) {
        const TTreeNode* node = hitUnboxed_.back();
        hitUnboxed_.pop_back();
        TRect box;
        if (node != top_.get() && PointToXY(node, box) == 0)
            hitIndex_.Set(node, box);
        for (const TTreeNode* child = node->FirstChild(); child; child = child->NextSibling())
            hitUnboxed_.push_back(child);
    }
    if (!hitUnboxed_.empty())
        return;
    hitUnboxed_ = {};
    hitBuilding_ = false;
    hitIndexBuilt_ = true;
    hitDirty_ = {};
}

void TObjectTree::PrepareHitIndex(std::size_t count) const
{
    if (!hitIndexBuilt_)
        BuildHitIndex(count);
    else
        UpdateHitIndex();
}

void TObjectTree::UpdateHitIndex() const
{
    if (!hitIndexBuilt_) {
        BuildHitIndex(std::numeric_limits<std::size_t>::max());
        return;
    }
    std::vector<const TTreeNode*> pending;
    pending.reserve(hitDirty_.Size());
    hitDirty_.ForEach([&pending](const TTreeNode* node) { pending.push_back(node); });
    hitDirty_ = {};
    // A changed node and its changed group both reach it: box it once.
    TNodeSet boxed;
    while (!pending.empty()) {
        const TTreeNode* node = pending.back();
        pending.pop_back();
        if (!boxed.Insert(node))
            continue;
        TRect box;
        if (node != top_.get() && PointToXY(node, box) == 0)
            hitIndex_.Set(node, box);
        else
            hitIndex_.Remove(node);
        for (const TTreeNode* child = node->FirstChild(); child; child = child->NextSibling())
            pending.push_back(child);
    }
}

} // namespace qm
