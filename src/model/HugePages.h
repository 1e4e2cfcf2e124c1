#pragma once

#include <cstddef>
#include <new>

namespace qm {

// Memory in whole 2 MB pages, aligned to 2 MB and asked of the system as
// huge pages: one fault each, where malloc's own mappings fault every 4 KB.
// MapHugePages returns null when the system has none to give.
constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;
void* MapHugePages(std::size_t bytes);
void UnmapHugePages(void* pages, std::size_t bytes);
// Whether AddressSanitizer or valgrind watches the heap: memory then comes
// from operator new, so that they still see each block.
bool MemoryCheckerWatches();

// An allocator for containers that grow large (a table of a million nodes,
// the marks of a large selection): buffers of a huge page and more come in
// huge pages, smaller ones from operator new.
template <typename T>
struct THugePageAllocator {
    using value_type = T;

    THugePageAllocator() = default;
    template <typename U>
    THugePageAllocator(const THugePageAllocator<U>&) noexcept
    {
    }

    T* allocate(std::size_t count)
    {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kHugePageBytes || MemoryCheckerWatches())
            return static_cast<T*>(::operator new(bytes));
        if (void* pages = MapHugePages(bytes))
            return static_cast<T*>(pages);
        throw std::bad_alloc();
    }
    void deallocate(T* buffer, std::size_t count) noexcept
    {
        const std::size_t bytes = count * sizeof(T);
        if (bytes < kHugePageBytes || MemoryCheckerWatches())
            ::operator delete(buffer);
        else
            UnmapHugePages(buffer, bytes);
    }

    template <typename U>
    friend bool operator==(const THugePageAllocator&, const THugePageAllocator<U>&) noexcept
    {
        return true;
    }
};

} // namespace qm
