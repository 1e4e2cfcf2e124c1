// Moving and copying whole subtrees. Both follow the recursive definition
// node by node (the order matters: ids freed by one moved child can be reused
// by the next) but keep their own stack, so nesting depth costs heap, not
// call stack.
#include "ObjectTree.h"

namespace qm {

namespace {

struct TCopyFrame {
    TTreeNode* source;
    TTreeNode* copy;
    std::vector<TTreeNode*> children;
    std::size_t next = 0;
};

} // namespace

TTreeNode* TObjectTree::CopyNode(TTreeNode* parent, const TTreeNode* source)
{
    TTreeNode* copy = CopyItem(parent, source->Text(), *source->Data());
    for (TTreeObserver* observer : observers_)
        observer->NodeCopied(copy, source);
    return copy;
}

TTreeNode* TObjectTree::MoveSubtree(TTreeNode* newParent, TTreeNode* node)
{
    if (!node || IsFixedNode(node) || (newParent && newParent->IsWithin(node)))
        return nullptr;
    TTreeNode* top = CopyNode(newParent, node);
    // A group of many items moves them one at a time, each with no children.
    if (!node->HasChildren()) {
        DeleteSubtree(node);
        return top;
    }
    // Every child moves, whatever its priority, so none is freed with the old node.
    std::vector<TCopyFrame> stack;
    stack.push_back({node, top, ChildrenByPriority(node)});
    while (!stack.empty()) {
        TCopyFrame& frame = stack.back();
        if (frame.next < frame.children.size()) {
            TTreeNode* child = frame.children[frame.next++];
            TTreeNode* copy = CopyNode(frame.copy, child);
            stack.push_back({child, copy, ChildrenByPriority(child)});
            continue;
        }
        DeleteSubtree(frame.source);
        stack.pop_back();
    }
    return top;
}

TTreeNode* TObjectTree::CopySubtree(TTreeNode* newParent, TTreeNode* node)
{
    if (!node)
        return nullptr;
    if (!node->HasChildren() || node == trashNode_) {
        // A childless group or fixed node is nothing to copy.
        return node->Data()->ItemType >= itRectangle ? CopyNode(newParent, node) : nullptr;
    }
    // Below the top, every child the priority walk reaches is copied, groups
    // and empty folders included. Each node's children are listed right after
    // the node is copied, against the counter as it stands then.
    TTreeNode* top = CopyNode(newParent, node);
    std::vector<TCopyFrame> stack;
    stack.push_back({node, top, ChildrenInDrawingOrder(node)});
    while (!stack.empty()) {
        TCopyFrame& frame = stack.back();
        if (frame.next == frame.children.size()) {
            stack.pop_back();
            continue;
        }
        TTreeNode* child = frame.children[frame.next++];
        TTreeNode* copy = CopyNode(frame.copy, child);
        stack.push_back({child, copy, ChildrenInDrawingOrder(child)});
    }
    return top;
}

TTreeNode* TObjectTree::CopySubtreeFrom(TTreeNode* newParent, const TTreeNode* source)
{
    if (!source)
        return nullptr;
    TTreeNode* top = CopyItem(newParent, source->Text(), *source->Data());
    std::vector<std::pair<const TTreeNode*, TTreeNode*>> pending{{source, top}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (const TTreeNode* child = from->FirstChild(); child; child = child->NextSibling())
            pending.emplace_back(child, CopyItem(to, child->Text(), *child->Data()));
    }
    return top;
}

} // namespace qm
