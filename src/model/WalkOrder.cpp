// Where single nodes stand in the drawing walk and the hit-test walk from
// the Object root, without walking the tree: from their ancestors.
#include "ObjectTree.h"

#include <algorithm>

namespace qm {

namespace {

int Depth(const TTreeNode* node)
{
    int depth = 0;
    for (; node; node = node->Parent())
        ++depth;
    return depth;
}

// Whether `a` stands before its sibling `b` in their parent's list.
bool EarlierInList(const TTreeNode* a, const TTreeNode* b)
{
    for (const TTreeNode* sibling = a; sibling; sibling = sibling->NextSibling()) {
        if (sibling == b)
            return true;
    }
    return false;
}

// Whether a walk meets `a` before `b`: an ancestor before its descendants,
// siblings by priority (the higher first when `higherFirst`), equal
// priorities in list order.
bool MetBefore(const TTreeNode* a, const TTreeNode* b, bool higherFirst)
{
    int depthA = Depth(a);
    int depthB = Depth(b);
    const TTreeNode* x = a;
    const TTreeNode* y = b;
    for (; depthA > depthB; --depthA)
        x = x->Parent();
    for (; depthB > depthA; --depthB)
        y = y->Parent();
    if (x == y)
        return x == a && a != b; // one lies above the other
    while (x->Parent() != y->Parent()) {
        x = x->Parent();
        y = y->Parent();
    }
    const std::int32_t priorityX = x->Data()->Priority;
    const std::int32_t priorityY = y->Data()->Priority;
    if (priorityX != priorityY)
        return higherFirst ? priorityX > priorityY : priorityX < priorityY;
    return EarlierInList(x, y);
}

} // namespace

bool TObjectTree::InWalkRange(const TTreeNode* node) const
{
    const std::int32_t priority = node->Data()->Priority;
    return node != trashNode_ && node != tempNode_ && priority >= 0 && priority < itemCounter_;
}

bool TObjectTree::ReachedInHitOrder(const TTreeNode* node) const
{
    if (node == objectRoot_)
        return false; // never tested itself
    for (; node; node = node->Parent()) {
        if (node == objectRoot_)
            return true;
        if (!InWalkRange(node))
            return false;
    }
    return false;
}

bool TObjectTree::PrecedesInHitOrder(const TTreeNode* a, const TTreeNode* b) const
{
    return MetBefore(a, b, true);
}

bool TObjectTree::IsDrawn(const TTreeNode* node) const
{
    for (; node; node = node->Parent()) {
        if (!node->Data()->Active)
            return false;
        if (node == objectRoot_)
            return true;
        if (!InWalkRange(node))
            return false;
    }
    return false;
}

bool TObjectTree::DrawnBefore(const TTreeNode* a, const TTreeNode* b) const
{
    return MetBefore(a, b, false);
}

void TObjectTree::SortInDrawingOrder(std::vector<TTreeNode*>& nodes) const
{
    std::sort(nodes.begin(), nodes.end(), [this](const TTreeNode* a, const TTreeNode* b) { return DrawnBefore(a, b); });
}

} // namespace qm
