#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/pixel_memory.h"

namespace {

using platform::kHugePageBytes;

// Sizes on both sides of the large-block threshold, and a whole frame
// (1024x768 pixels, 3 MB), which is not a multiple of a huge page.
TEST(PixelMemory, EveryBlockHoldsItsWholeSizeAndLargeOnesStartOnAHugePage) {
    const size_t sizes[] = {1, 64, kHugePageBytes - 4, kHugePageBytes, 1024 * 768 * 4, 3 * kHugePageBytes + 4};
    for (size_t bytes : sizes) {
        SCOPED_TRACE(bytes);
        auto* block = static_cast<unsigned char*>(platform::AllocatePixelMemory(bytes));
        ASSERT_NE(block, nullptr);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % alignof(std::max_align_t), 0u);
#if defined(__linux__) && !defined(__EMSCRIPTEN__) && !defined(__SANITIZE_ADDRESS__)
        if (bytes >= kHugePageBytes) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kHugePageBytes, 0u);
        }
#endif
        // First and last byte writable, and what is written stays.
        std::memset(block, 0xA5, bytes);
        EXPECT_EQ(block[0], 0xA5);
        EXPECT_EQ(block[bytes - 1], 0xA5);
        platform::FreePixelMemory(block, bytes);
    }
}

TEST(PixelMemory, FrameVectorsGrowShrinkAndSwapLikeAnyVector) {
    // Growing from a small block to a large one and back again moves the
    // pixels between the two kinds of memory.
    platform::PixelVector a(100, 0x11111111u);
    a.resize(1024 * 768, 0x22222222u);
    EXPECT_EQ(a[99], 0x11111111u);
    EXPECT_EQ(a[100], 0x22222222u);
    EXPECT_EQ(a.back(), 0x22222222u);
    platform::PixelVector b(1024 * 768, 0x33333333u);
    const uint32_t* bData = b.data();
    a.swap(b);
    EXPECT_EQ(a.data(), bData);
    EXPECT_EQ(a[5], 0x33333333u);
    EXPECT_EQ(b[5], 0x11111111u);
    b.resize(10);
    b.shrink_to_fit();
    EXPECT_EQ(b[9], 0x11111111u);
}

}  // namespace
