#pragma once

#include "ItemObject.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm {

// One node of the object tree: a caption and the item record it owns. Children
// form a doubly linked list, so a node leaves its parent in constant time.
// Nodes are created and destroyed only by TObjectTree.
class TTreeNode final {
public:
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;
    // From a pool of huge pages shared by every tree (NodePool.h).
    static void* operator new(std::size_t bytes);
    static void operator delete(void* node);
    // Bytes of every tree's nodes alive now, which the heap does not count.
    static std::size_t PooledBytes();

    // The caption (CP932), the text the node was created with or renamed to.
    const std::string& Text() const { return text_; }
    // Read-only: every change goes through TObjectTree, which records it.
    const TItemObject* Data() const { return &data_; }

    // Null for a top-level node.
    TTreeNode* Parent() const;
    TTreeNode* FirstChild() const { return firstChild_; }
    TTreeNode* LastChild() const { return lastChild_; }
    TTreeNode* NextSibling() const { return next_; }
    TTreeNode* PrevSibling() const { return prev_; }
    int ChildCount() const { return childCount_; }
    bool HasChildren() const { return firstChild_ != nullptr; }
    // Position among the siblings, counted from 0 (walks the sibling list).
    int Index() const;
    // True when `ancestor` is this node or lies above it.
    bool IsWithin(const TTreeNode* ancestor) const;

private:
    friend class TObjectTree;
    friend class TEditHistory;
    friend class TNodesById;
    TTreeNode() = default;
    // Whether the node is linked into a tree (a node a step took out is not).
    bool Attached() const { return parent_ != nullptr; }

    std::string text_;
    TItemObject data_; // in the node itself: one allocation per node
    TTreeNode* parent_ = nullptr; // the tree's hidden top for top-level nodes
    TTreeNode* firstChild_ = nullptr;
    TTreeNode* lastChild_ = nullptr;
    TTreeNode* next_ = nullptr;
    TTreeNode* prev_ = nullptr;
    int childCount_ = 0;
    std::uint32_t idSlot_ = 0; // position among the nodes that share its id; 32 bits keep the node small
};

} // namespace qm
