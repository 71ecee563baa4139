// Inner loops of the sprite drawer, shared by the baseline and the AVX2
// translation units. Only plain declarations live here: the loops are
// compiled with different instruction sets and must not share inline code.
#pragma once

#include <cstdint>

namespace gfx::kernels {

// One destination row of a draw whose bilinear weights are the same for
// every pixel (scale 1 or 1/2). Destination pixel k filters the texels at
// first + k*step and first + k*step + 1 of row0 (upper) and row1 (lower);
// all of them lie inside the rows. The weights are in 1/256 and sum to 256.
struct BlendRow {
    uint32_t* dst;
    const uint32_t* row0;
    const uint32_t* row1;
    int first;
    int step;  // 1 or 2
    int count;
    uint16_t w00, w10, w01, w11;
    uint32_t color;
    // Pixels [opaqueFirst, opaqueEnd) read only texels of alpha 255 and the
    // colour's alpha is 255: they come out opaque and may be stored without
    // reading the destination. An empty range when there are none.
    int opaqueFirst = 0;
    int opaqueEnd = 0;
    // Optional (may be null, then both are): row0 and row1 with every byte's
    // top bit flipped, read instead of them by the AVX2 filter.
    const uint32_t* signed0 = nullptr;
    const uint32_t* signed1 = nullptr;
};

// Each returns how many leading pixels it drew: the SSE2 loop a multiple
// of 4 (the caller finishes the rest), the AVX2 loop all of them.
int BlendRowSse2(const BlendRow& row);
int BlendRowAvx2(const BlendRow& row);
// Copies count opaque texels, each channel multiplied by color's (alpha 255).
int CopyRowSse2(uint32_t* dst, const uint32_t* src, int count, uint32_t color);
int CopyRowAvx2(uint32_t* dst, const uint32_t* src, int count, uint32_t color);

}  // namespace gfx::kernels
