// Edits that act on an item together with its descendants, and the hit test.
#include "ObjectTree.h"

#include "Geometry.h"

#include <vector>

namespace qm {

template <typename Apply>
int TObjectTree::ApplyToSubtree(TTreeNode* node, Apply&& apply, TItemObject& (TObjectTree::*edit)(TTreeNode*))
{
    if (RefusesItem(node))
        return -1;
    Touch();
    WalkInDrawingOrder(node, [this, &apply, edit](TTreeNode* current) {
        apply((this->*edit)(current));
        return true;
    });
    return 0;
}

int TObjectTree::MoveItem(std::int32_t dx, std::int32_t dy, TTreeNode* node)
{
    return ApplyToSubtree(node, [dx, dy](TItemObject& item) {
        item.X = WrapToInt32(std::int64_t{item.X} + dx);
        item.Y = WrapToInt32(std::int64_t{item.Y} + dy);
    }, &TObjectTree::EditPlace);
}

int TObjectTree::SetStretch(TTreeNode* node, float stretchX, float stretchY)
{
    return ApplyToSubtree(node, [stretchX, stretchY](TItemObject& item) {
        item.StretchX = stretchX;
        item.StretchY = stretchY;
    });
}

int TObjectTree::RotateItem(std::int32_t angleDelta, TTreeNode* node)
{
    // The remainder takes the sign of the sum: -370 gives -10.
    return ApplyToSubtree(node, [angleDelta](TItemObject& item) {
        item.Roll = static_cast<std::int32_t>((std::int64_t{item.Roll} + angleDelta) % 360);
    });
}

int TObjectTree::ApplyFont(const TFont& font, TTreeNode* node)
{
    return ApplyToSubtree(node, [&font](TItemObject& item) { item.Font = font; });
}

namespace {

// A pen or brush reaches the node, every child of it, and through groups the
// descendants of nested groups; the children of a plain member keep theirs.
template <typename Assign>
void AssignThroughGroups(const TObjectTree& tree, TTreeNode* node, Assign&& assign)
{
    std::vector<TTreeNode*> groups{node};
    while (!groups.empty()) {
        TTreeNode* group = groups.back();
        groups.pop_back();
        assign(group);
        for (TTreeNode* child : tree.ChildrenInDrawingOrder(group)) {
            if (child->Data()->ItemType == itGroup)
                groups.push_back(child);
            else
                assign(child);
        }
    }
}

} // namespace

int TObjectTree::ApplyPen(const TPen& pen, TTreeNode* node)
{
    if (RefusesItem(node))
        return -1;
    Touch();
    AssignThroughGroups(*this, node, [this, &pen](TTreeNode* item) { EditRecord(item).Pen = pen; });
    return 0;
}

int TObjectTree::ApplyBrush(const TBrush& brush, TTreeNode* node)
{
    if (RefusesItem(node))
        return -1;
    Touch();
    AssignThroughGroups(*this, node, [this, &brush](TTreeNode* item) { EditRecord(item).Brush = brush; });
    return 0;
}

template <typename Test>
TTreeNode* TObjectTree::FindInHitOrder(TTreeNode* node, Test&& test) const
{
    // A node comes before its descendants, siblings from the highest priority
    // down, so the first match is the topmost item; the trash and Temp are
    // never searched.
    std::vector<TTreeNode*> pending{node};
    while (!pending.empty()) {
        TTreeNode* current = pending.back();
        pending.pop_back();
        if (!current || current == trashNode_ || current == tempNode_)
            continue;
        TRect box;
        if (current != objectRoot_ && PointToXY(current, box) == 0 && test(current, box))
            return current;
        const std::vector<TTreeNode*> children = ChildrenInHitOrder(current);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return nullptr;
}

TTreeNode* TObjectTree::HitTest(std::int32_t x, std::int32_t y, TTreeNode* node) const
{
    if (!node || node != objectRoot_)
        return FindInHitOrder(node, [x, y](TTreeNode*, const TRect& box) { return box.Contains(x, y); });
    UpdateHitIndex();
    std::vector<const TTreeNode*> candidates;
    hitIndex_.Query({x, y, x, y}, [&candidates](const TTreeNode* candidate, const TRect&) { candidates.push_back(candidate); });
    // Copies pasted in place put a candidate of every copy under the mouse.
    TTreeNode* topmost = nullptr;
    ForEachReadAhead(candidates, [this, &topmost](const TTreeNode* candidate) {
        if (ReachedInHitOrder(candidate) && (!topmost || PrecedesInHitOrder(candidate, topmost)))
            topmost = const_cast<TTreeNode*>(candidate);
    });
    return topmost;
}

int TObjectTree::FocusChk(std::int32_t x, std::int32_t y, TTreeNode* node)
{
    TTreeNode* hit = HitTest(x, y, node);
    if (!hit)
        return -1;
    if (toggleSelection_)
        toggleSelection_(hit);
    return 0;
}

} // namespace qm
