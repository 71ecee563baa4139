// Memory for large pixel arrays: whole frames and the background, which are
// copied or read in full every frame. Blocks of at least 2 MB start on a
// 2 MB boundary and are marked for transparent huge pages, so that a pass
// over a frame walks two pages instead of 768 and misses the TLB far less;
// smaller blocks come from operator new as usual. Where the system offers
// no huge pages the marking is a hint it ignores.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

// Size of the pages large blocks are laid out for.
constexpr size_t kHugePageBytes = size_t{2} << 20;

// bytes of memory, aligned for any pixel type; large blocks as described
// above. Throws std::bad_alloc when there is no memory, as operator new does.
void* AllocatePixelMemory(size_t bytes);
// Frees a block from AllocatePixelMemory; bytes must be the size asked for.
void FreePixelMemory(void* block, size_t bytes);

// A standard allocator over AllocatePixelMemory.
template <class T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(AllocatePixelMemory(n * sizeof(T))); }
    void deallocate(T* block, size_t n) { FreePixelMemory(block, n * sizeof(T)); }
    template <class U>
    bool operator==(const PixelAllocator<U>&) const {
        return true;
    }
};

// The pixels of a frame-sized surface or texture copy.
using PixelVector = std::vector<uint32_t, PixelAllocator<uint32_t>>;

}  // namespace platform
