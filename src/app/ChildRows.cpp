#include "ChildRows.h"

#include <algorithm>

namespace qm {

namespace {

// A full block splits in two halves.
constexpr std::size_t kBlockSize = 512;

} // namespace

TChildRows::TBlock* TChildRows::BlockOf(const TTreeNode* child) const
{
    if (!mapped_) {
        for (const std::unique_ptr<TBlock>& block : blocks_)
            Map(*block);
        mapped_ = true;
    }
    const auto found = blockOf_.find(child);
    return found == blockOf_.end() ? nullptr : found->second;
}

void TChildRows::Map(TBlock& block) const
{
    for (const TTreeNode* child : block.children)
        blockOf_[child] = &block;
}

void TChildRows::CountRowsUpTo(std::size_t last) const
{
    for (; firstRowsValid_ <= last && firstRowsValid_ < blocks_.size(); ++firstRowsValid_) {
        const std::size_t k = firstRowsValid_;
        blocks_[k]->firstRow =
            k == 0 ? 0 : blocks_[k - 1]->firstRow + static_cast<int>(blocks_[k - 1]->children.size());
    }
}

void TChildRows::Changed(std::size_t firstStale) const
{
    firstRowsValid_ = std::min(firstRowsValid_, firstStale);
}

void TChildRows::Insert(TTreeNode* child, const TTreeNode* before)
{
    TBlock* block = before ? BlockOf(before) : nullptr;
    std::vector<TTreeNode*>::iterator place;
    if (block) {
        place = std::find(block->children.begin(), block->children.end(), before);
    } else {
        if (blocks_.empty() || blocks_.back()->children.size() >= kBlockSize) {
            blocks_.push_back(std::make_unique<TBlock>());
            blocks_.back()->index = blocks_.size() - 1;
        }
        block = blocks_.back().get();
        place = block->children.end();
    }
    block->children.insert(place, child);
    if (mapped_)
        blockOf_[child] = block;
    ++count_;
    Changed(block->index + 1);
    if (block->children.size() > kBlockSize)
        Split(*block);
}

void TChildRows::Split(TBlock& block)
{
    auto second = std::make_unique<TBlock>();
    const auto half = block.children.begin() + static_cast<std::ptrdiff_t>(block.children.size() / 2);
    second->children.assign(half, block.children.end());
    block.children.erase(half, block.children.end());
    if (mapped_)
        Map(*second);
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(block.index + 1), std::move(second));
    for (std::size_t k = block.index + 1; k < blocks_.size(); ++k)
        blocks_[k]->index = k;
    Changed(block.index + 1);
}

void TChildRows::Remove(const TTreeNode* child)
{
    TBlock* block = BlockOf(child);
    if (!block)
        return;
    std::erase(block->children, child);
    blockOf_.erase(child);
    --count_;
    Changed(block->index + 1);
    if (block->children.empty())
        Drop(*block);
    if (blocks_.size() > 8 && blocks_.size() * kBlockSize / 8 > static_cast<std::size_t>(count_))
        Rebuild();
}

void TChildRows::Drop(TBlock& block)
{
    const std::size_t index = block.index;
    blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(index));
    for (std::size_t k = index; k < blocks_.size(); ++k)
        blocks_[k]->index = k;
    Changed(index);
}

void TChildRows::Rebuild()
{
    std::vector<TTreeNode*> children;
    children.reserve(static_cast<std::size_t>(count_));
    for (const std::unique_ptr<TBlock>& block : blocks_)
        children.insert(children.end(), block->children.begin(), block->children.end());
    blocks_.clear();
    blockOf_.clear();
    mapped_ = false;
    count_ = 0;
    firstRowsValid_ = 0;
    for (TTreeNode* child : children)
        Insert(child);
}

int TChildRows::RowOf(const TTreeNode* child) const
{
    const TBlock* block = BlockOf(child);
    if (!block)
        return -1;
    CountRowsUpTo(block->index);
    const auto place = std::find(block->children.begin(), block->children.end(), child);
    return block->firstRow + static_cast<int>(place - block->children.begin());
}

TTreeNode* TChildRows::At(int row) const
{
    if (row < 0 || row >= count_)
        return nullptr;
    // Count only as far as the row lies: rows near the front stay cheap.
    auto blockEnd = [this](std::size_t k) { return blocks_[k]->firstRow + static_cast<int>(blocks_[k]->children.size()); };
    while (firstRowsValid_ == 0 || blockEnd(firstRowsValid_ - 1) <= row)
        CountRowsUpTo(firstRowsValid_);
    const auto valid = blocks_.begin() + static_cast<std::ptrdiff_t>(firstRowsValid_);
    const auto after = std::upper_bound(blocks_.begin(), valid, row,
                                        [](int r, const std::unique_ptr<TBlock>& block) { return r < block->firstRow; });
    const TBlock& block = **(after - 1);
    return block.children[static_cast<std::size_t>(row - block.firstRow)];
}

} // namespace qm
