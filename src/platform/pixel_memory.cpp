#include "platform/pixel_memory.h"

#include <new>

// Sanitizer builds keep every block on the heap, where AddressSanitizer
// guards its ends; a mapped block would hide an overrun into its rounding.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define V3_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define V3_ADDRESS_SANITIZER 1
#endif
#if defined(__linux__) && !defined(__EMSCRIPTEN__) && !defined(V3_ADDRESS_SANITIZER)
#include <sys/mman.h>
#define V3_HUGE_PAGE_BLOCKS 1
#endif

namespace platform {

#if defined(V3_HUGE_PAGE_BLOCKS)
namespace {

size_t RoundUpToHugePages(size_t bytes) { return (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes; }

}  // namespace
#endif

void* AllocatePixelMemory(size_t bytes) {
#if defined(V3_HUGE_PAGE_BLOCKS)
    if (bytes >= kHugePageBytes) {
        // Map one huge page more than needed and give back the parts before
        // the first 2 MB boundary and after the block.
        const size_t size = RoundUpToHugePages(bytes);
        void* mapped = mmap(nullptr, size + kHugePageBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) throw std::bad_alloc();
        const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
        const uintptr_t aligned = (start + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
        if (aligned > start) munmap(mapped, aligned - start);
        const uintptr_t end = start + size + kHugePageBytes;
        if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
        // Before the first touch, so the pages come in huge from the start.
        madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
        return reinterpret_cast<void*>(aligned);
    }
#endif
    return ::operator new(bytes);
}

void FreePixelMemory(void* block, [[maybe_unused]] size_t bytes) {
    if (block == nullptr) return;
#if defined(V3_HUGE_PAGE_BLOCKS)
    if (bytes >= kHugePageBytes) {
        munmap(block, RoundUpToHugePages(bytes));
        return;
    }
#endif
    ::operator delete(block);
}

}  // namespace platform
