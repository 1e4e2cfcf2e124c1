#include "HugePages.h"

#include <sys/mman.h>

#include <cstdint>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define QM_RUNNING_ON_VALGRIND() (RUNNING_ON_VALGRIND != 0)
#else
#define QM_RUNNING_ON_VALGRIND() false
#endif

#if defined(__SANITIZE_ADDRESS__)
#define QM_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QM_ADDRESS_SANITIZER 1
#endif
#endif

namespace qm {

namespace {

std::size_t WholePages(std::size_t bytes)
{
    return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
}

} // namespace

bool MemoryCheckerWatches()
{
#ifdef QM_ADDRESS_SANITIZER
    return true;
#else
    static const bool watched = QM_RUNNING_ON_VALGRIND();
    return watched;
#endif
}

void* MapHugePages(std::size_t bytes)
{
    // Mapped a page too long, then trimmed to the aligned part: a huge page
    // must start on a 2 MB boundary.
    const std::size_t length = WholePages(bytes);
    void* mapped = mmap(nullptr, length + kHugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kHugePageBytes - 1) & ~std::uintptr_t{kHugePageBytes - 1};
    if (aligned > start)
        munmap(mapped, aligned - start);
    munmap(reinterpret_cast<void*>(aligned + length), start + kHugePageBytes - aligned);
    // Only advice: without huge pages the memory still works, page by page.
    madvise(reinterpret_cast<void*>(aligned), length, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void UnmapHugePages(void* pages, std::size_t bytes)
{
    munmap(pages, WholePages(bytes));
}

} // namespace qm
