#pragma once

#include "model/TreeNode.h"

#include <malloc.h>

#include <cstddef>

namespace qm::bench {

// Bytes in use on the heap, the tree's pooled nodes included.
inline std::size_t HeapBytes()
{
    return mallinfo2().uordblks + TTreeNode::PooledBytes();
}

} // namespace qm::bench
