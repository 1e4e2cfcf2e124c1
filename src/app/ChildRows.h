#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

namespace qm {

class TTreeNode;

// The children of one tree node in row order, for the tree view. Children
// join, leave and move anywhere, so the rows are kept in blocks of at most a
// few hundred: a child's row is the count of the blocks before its own plus
// its place in that block, and an insertion or removal touches one block.
// Rows, lookups by row, insertions and removals thus take one block and the
// blocks' counts, a few hundred steps among a hundred thousand siblings,
// where a sibling walk takes a hundred thousand. The counts before each
// block are brought up to date only as far as a lookup needs them, so work
// at the front of a long list stays cheap. The map from child to block is
// made on the first lookup by child: a view that only shows a long list
// never pays for it.
class TChildRows {
public:
    int Count() const { return count_; }
    // Puts `child` before `before` (null, or not here: last).
    void Insert(TTreeNode* child, const TTreeNode* before = nullptr);
    void Remove(const TTreeNode* child);
    // The row of `child`, or -1 when it is not here.
    int RowOf(const TTreeNode* child) const;
    // The child in `row`, or null outside 0 .. Count() - 1.
    TTreeNode* At(int row) const;

private:
    struct TBlock {
        std::vector<TTreeNode*> children;
        std::size_t index = 0; // among the blocks
        int firstRow = 0;      // valid for the first `firstRowsValid_` blocks
    };
    // The block holding `child`, or null.
    TBlock* BlockOf(const TTreeNode* child) const;
    void Map(TBlock& block) const;
    // Makes firstRow valid up to and including block `last`.
    void CountRowsUpTo(std::size_t last) const;
    void Changed(std::size_t firstStale) const;
    void Split(TBlock& block);
    void Drop(TBlock& block);
    // Fills the blocks again evenly once many are near empty.
    void Rebuild();

    std::vector<std::unique_ptr<TBlock>> blocks_;
    mutable std::unordered_map<const TTreeNode*, TBlock*> blockOf_;
    mutable bool mapped_ = false;
    mutable std::size_t firstRowsValid_ = 0;
    int count_ = 0;
};

} // namespace qm
