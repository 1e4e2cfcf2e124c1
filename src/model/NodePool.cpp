#include "NodePool.h"

#include "HugePages.h"

#include <cstdint>
#include <new>

namespace qm {

namespace {

constexpr std::size_t kBlockBytes = kHugePageBytes;
constexpr std::size_t kSlotAlign = alignof(std::max_align_t);

constexpr std::size_t RoundUp(std::size_t bytes, std::size_t step)
{
    return (bytes + step - 1) / step * step;
}

} // namespace

struct TNodePool::TBlock {
    TBlock* prev = nullptr; // in the open or the full list
    TBlock* next = nullptr;
    void* freeSlots = nullptr; // given back; each holds the next
    std::size_t untouched = RoundUp(sizeof(TBlock), kSlotAlign); // offset of the first slot never taken
    std::size_t taken = 0;

    static TBlock* Of(void* slot)
    {
        return reinterpret_cast<TBlock*>(reinterpret_cast<std::uintptr_t>(slot) & ~(kBlockBytes - 1));
    }
};

TNodePool::TNodePool(std::size_t slotBytes)
    : slotBytes_(RoundUp(slotBytes, kSlotAlign)),
      slotsPerBlock_((kBlockBytes - RoundUp(sizeof(TBlock), kSlotAlign)) / slotBytes_),
      fromHeap_(MemoryCheckerWatches())
{
}

TNodePool::~TNodePool()
{
    for (TBlock* list : {open_, full_}) {
        while (TBlock* block = list) {
            list = block->next;
            UnmapHugePages(block, kBlockBytes);
        }
    }
}

std::size_t TNodePool::BlockCount() const
{
    const std::lock_guard lock(mutex_);
    return blockCount_;
}

std::size_t TNodePool::BytesTaken() const
{
    const std::lock_guard lock(mutex_);
    return slotsTaken_ * slotBytes_;
}

TNodePool::TBlock* TNodePool::NewBlock()
{
    void* memory = MapHugePages(kBlockBytes);
    if (!memory)
        throw std::bad_alloc();
    ++blockCount_;
    auto* block = new (memory) TBlock;
    PushFront(block, open_);
    return block;
}

void TNodePool::Unlink(TBlock* block, TBlock*& list)
{
    (block->prev ? block->prev->next : list) = block->next;
    if (block->next)
        block->next->prev = block->prev;
    block->prev = block->next = nullptr;
}

void TNodePool::PushFront(TBlock* block, TBlock*& list)
{
    block->next = list;
    if (list)
        list->prev = block;
    list = block;
}

void* TNodePool::Take()
{
    if (fromHeap_)
        return ::operator new(slotBytes_);
    const std::lock_guard lock(mutex_);
    TBlock* block = open_ ? open_ : NewBlock();
    void* slot = block->freeSlots;
    if (slot) {
        block->freeSlots = *static_cast<void**>(slot);
    } else {
        slot = reinterpret_cast<char*>(block) + block->untouched;
        block->untouched += slotBytes_;
    }
    ++slotsTaken_;
    if (++block->taken == slotsPerBlock_) {
        Unlink(block, open_);
        PushFront(block, full_);
    }
    return slot;
}

void TNodePool::Give(void* slot)
{
    if (fromHeap_) {
        ::operator delete(slot);
        return;
    }
    const std::lock_guard lock(mutex_);
    TBlock* block = TBlock::Of(slot);
    --slotsTaken_;
    if (block->taken-- == slotsPerBlock_) {
        Unlink(block, full_);
        PushFront(block, open_);
    }
    *static_cast<void**>(slot) = block->freeSlots;
    block->freeSlots = slot;
    if (block->taken > 0 || (open_ == block && !block->next))
        return;
    // Empty, and another block has room: this one goes back.
    Unlink(block, open_);
    --blockCount_;
    UnmapHugePages(block, kBlockBytes);
}

} // namespace qm
