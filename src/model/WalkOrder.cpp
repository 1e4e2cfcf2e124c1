// Where single nodes stand in the drawing walk and the hit-test walk from
// the Object root, without walking the tree: from their paths.
#include "ObjectTree.h"

#include <algorithm>
#include <numeric>

namespace qm {

namespace {

// The node's ancestors from the top of the tree down to the node itself.
std::vector<const TTreeNode*> PathDownTo(const TTreeNode* node)
{
    std::vector<const TTreeNode*> path;
    for (; node; node = node->Parent())
        path.push_back(node);
    std::reverse(path.begin(), path.end());
    return path;
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

// Whether a walk meets the node at the end of `pathA` before that of
// `pathB`: an ancestor before its descendants, siblings by priority (the
// higher first when `higherFirst`), equal priorities in list order.
bool MetBefore(const std::vector<const TTreeNode*>& pathA, const std::vector<const TTreeNode*>& pathB, bool higherFirst)
{
    std::size_t depth = 0;
    while (depth < pathA.size() && depth < pathB.size() && pathA[depth] == pathB[depth])
        ++depth;
    if (depth == pathA.size() || depth == pathB.size())
        return depth == pathA.size() && depth < pathB.size();
    const std::int32_t priorityA = pathA[depth]->Data()->Priority;
    const std::int32_t priorityB = pathB[depth]->Data()->Priority;
    if (priorityA != priorityB)
        return higherFirst ? priorityA > priorityB : priorityA < priorityB;
    return EarlierInList(pathA[depth], pathB[depth]);
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
    return MetBefore(PathDownTo(a), PathDownTo(b), true);
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

void TObjectTree::SortInDrawingOrder(std::vector<TTreeNode*>& nodes) const
{
    std::vector<std::vector<const TTreeNode*>> paths;
    paths.reserve(nodes.size());
    for (const TTreeNode* node : nodes)
        paths.push_back(PathDownTo(node));
    std::vector<std::size_t> order(nodes.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&paths](std::size_t a, std::size_t b) { return MetBefore(paths[a], paths[b], false); });
    std::vector<TTreeNode*> sorted;
    sorted.reserve(nodes.size());
    for (std::size_t k : order)
        sorted.push_back(nodes[k]);
    nodes = std::move(sorted);
}

} // namespace qm
