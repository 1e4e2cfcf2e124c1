#pragma once

#include "model/ObjectTree.h"

#include <string>
#include <vector>

namespace qm::test {

// A shape under `parent` with the given vertices in canvas coordinates.
inline TTreeNode* AddShape(TObjectTree& tree, TTreeNode* parent, TItemType type,
                           std::vector<TPoint> vertices, const std::string& name = "item")
{
    TTreeNode* node = tree.AddItem(parent, name, type);
    for (const TPoint& p : vertices)
        tree.AddPoint(p.x, p.y, node);
    return node;
}

inline std::vector<std::string> Captions(const std::vector<TTreeNode*>& nodes)
{
    std::vector<std::string> captions;
    for (const TTreeNode* node : nodes)
        captions.push_back(node->Text());
    return captions;
}

inline std::vector<std::string> ChildCaptions(const TTreeNode* node)
{
    std::vector<std::string> captions;
    for (const TTreeNode* child = node->FirstChild(); child; child = child->NextSibling())
        captions.push_back(child->Text());
    return captions;
}

} // namespace qm::test
