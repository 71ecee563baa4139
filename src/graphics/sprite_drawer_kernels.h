// Inner loops of the sprite drawer, shared by the baseline and the AVX2
// translation units. Only plain declarations live here: the loops are
// compiled with different instruction sets and must not share inline code.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gfx::kernels {

// Index i clamped to [0, size - 1] (size >= 1): texels past a row's or an
// image's ends repeat its edge.
inline int ClampIndex(int i, int size) { return i < 0 ? 0 : (i >= size ? size - 1 : i); }

// Floor division by a step of 1 or 2 (an arithmetic shift rounds down).
inline int FloorDiv(int a, int step) { return a >> (step - 1); }

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

// Every row of one draw whose bilinear weights are the same for every pixel
// (scale 1 or 1/2), for a loop that walks the rows itself. Screen row py
// (from pyLo to pyHi) filters image rows v = vBase + vStep * (py - pyLo)
// and v + 1, clamped to the image; screen pixel px reads texels base +
// step * px and the one after. Pixels [innerLo, innerHi) of any row read
// texels inside the rows; the loop draws those and hands the others to
// leftEnd and rightEnd.
struct BlendRows {
    uint32_t* screen;
    std::ptrdiff_t pitch;
    const uint32_t* texels;
    // texels with every byte's top bit flipped, or null (as in BlendRow).
    const uint32_t* signedTexels;
    int width, height;
    int pyLo, pyHi, vBase, vStep;
    int step, base, pxLo, pxHi, innerLo, innerHi;
    // The image's facts for pairs of rows (see SpriteImage). The opaque
    // runs are null when the colour does not keep opaque texels opaque.
    const int32_t* pairFirst;
    const int32_t* pairEnd;
    const int32_t* pairOpaqueFirst;
    const int32_t* pairOpaqueEnd;
    uint16_t w00, w10, w01, w11;
    uint32_t color;
    // Draw the pixels of screen row py from px on whose texels are clamped:
    // leftEnd those before innerFirst (it may draw past it; it returns the
    // next pixel to draw), rightEnd those from px to pxEnd.
    int (*leftEnd)(const BlendRows& rows, int py, int px, int innerFirst, int pxEnd);
    void (*rightEnd)(const BlendRows& rows, int py, int px, int innerEnd, int pxEnd);
};

// Draws every row of rows with the AVX2 loop: the same pixels as BlendRow
// calls for each row would.
void BlendRowsAvx2(const BlendRows& rows);

// Each returns how many leading pixels it drew: the SSE2 loop a multiple
// of 4 (the caller finishes the rest), the AVX2 loop all of them.
int BlendRowSse2(const BlendRow& row);
int BlendRowAvx2(const BlendRow& row);
// Blends one or two pixels (count) over dst[0] and dst[1] from their four
// texels each (texels[0] upper left, [1] upper right, [2] lower left, [3]
// lower right; entry k for pixel k) with the row's weights and colour: the
// scalar loop's arithmetic, both pixels in one SSE2 vector. A pixel whose
// alpha comes out 0 is left as it was, as the scalar loop leaves it.
void BlendFewSse2(const BlendRow& row, const uint32_t (*texels)[2], uint32_t* dst, int count);
// Copies count opaque texels, each channel multiplied by color's (alpha 255).
int CopyRowSse2(uint32_t* dst, const uint32_t* src, int count, uint32_t color);
int CopyRowAvx2(uint32_t* dst, const uint32_t* src, int count, uint32_t color);

}  // namespace gfx::kernels
