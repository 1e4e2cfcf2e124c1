// The boxes the hit test reads: kept in a grid and boxed again only for the
// nodes an edit changed.
#include "ObjectTree.h"

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
}

void TObjectTree::UpdateHitIndex() const
{
    std::vector<const TTreeNode*> pending;
    const bool building = !hitIndexBuilt_;
    if (building) {
        hitIndex_.Clear();
        hitIndex_.Reserve(NodeCount());
        pending.push_back(top_.get());
        hitIndexBuilt_ = true;
    } else {
        pending.reserve(hitDirty_.Size());
        hitDirty_.ForEach([&pending](const TTreeNode* node) { pending.push_back(node); });
    }
    hitDirty_ = {};
    // A changed node and its changed group both reach it: box it once.
    TNodeSet boxed;
    while (!pending.empty()) {
        const TTreeNode* node = pending.back();
        pending.pop_back();
        if (!building && !boxed.Insert(node))
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
