#pragma once

#include <cstddef>
#include <mutex>

namespace qm {

// Slots of one size in blocks of 2 MB, each asked of the system as a huge
// page. A drawing of a million items holds a million nodes: from malloc,
// every new 4 KB page of them costs a fault of its own, which on this kind
// of machine was the larger part of a large open; a block costs one.
// A block reuses the slots given back to it, and goes back to the system
// once none of its slots is taken, unless it is the last one with room.
// Safe to share between threads. Under AddressSanitizer or valgrind every
// slot comes from operator new instead, so that they still watch each one.
class TNodePool {
public:
    explicit TNodePool(std::size_t slotBytes);
    ~TNodePool();
    TNodePool(const TNodePool&) = delete;
    TNodePool& operator=(const TNodePool&) = delete;

    // Throws std::bad_alloc when the system has no block to give.
    void* Take();
    // `slot` came from Take of this pool.
    void Give(void* slot);
    // Blocks held from the system now.
    std::size_t BlockCount() const;
    // Bytes of the slots taken and not given back (none when they come
    // from operator new: the heap counts them then).
    std::size_t BytesTaken() const;

private:
    struct TBlock;

    TBlock* NewBlock();
    // A block is in the open list or the full one.
    static void Unlink(TBlock* block, TBlock*& list);
    static void PushFront(TBlock* block, TBlock*& list);

    mutable std::mutex mutex_;
    const std::size_t slotBytes_;
    const std::size_t slotsPerBlock_;
    const bool fromHeap_;
    TBlock* open_ = nullptr; // the blocks with a free slot, most recent first
    TBlock* full_ = nullptr; // the others, so that the destructor finds them
    std::size_t blockCount_ = 0;
    std::size_t slotsTaken_ = 0;
};

} // namespace qm
