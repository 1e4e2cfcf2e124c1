#pragma once

#include "model/TreeNode.h"

namespace qm {

// Test set-up writes an item's fields directly, as a file reader fills a new
// tree; the editor itself changes records only through TObjectTree.
inline TItemObject* Writable(const TTreeNode* node)
{
    return const_cast<TItemObject*>(node->Data());
}

} // namespace qm
