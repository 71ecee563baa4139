// The software sprite drawer: draws one texture into a 32-bit A8R8G8B8
// pixel buffer, scaled, turned and moved, bilinearly filtered, colour
// modulated and blended by source alpha. ID3DXSprite::Draw sits on top.
#pragma once

#include <cstdint>
#include <vector>

#include "base/pixels.h"

namespace gfx {

// Copies of an image's texels the drawer keeps between draws. Owned by the
// texture; the drawer fills them on demand. Whoever changes the texels
// clears both flags.
struct ModulatedTexels {
    // Opaque texels multiplied by the colour last used to copy them, so that
    // an image drawn every frame with the same colour (the background) costs
    // a plain copy.
    bool valid = false;
    uint32_t color = 0;
    std::vector<uint32_t> texels;
    // The texels with the top bit of every byte flipped (t - 128 as signed
    // bytes): the form the wide filter multiplies, made once per image
    // instead of once per texel read.
    bool signedValid = false;
    std::vector<uint32_t> signedTexels;
};

// A read-only view of straight-alpha A8R8G8B8 texels (tightly packed rows)
// plus facts the drawer uses to skip work (made by AnalyseSpriteImage).
// The texture owns the memory.
struct SpriteImage {
    const uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    // Every texel has alpha 255.
    bool opaque = false;
    // Per row: texels [rowFirst[y], rowEnd[y]) hold every nonzero alpha of
    // the row; an empty range (first >= end) means the row is transparent.
    const int32_t* rowFirst = nullptr;
    const int32_t* rowEnd = nullptr;
    // Optional (may be null): per row, the longest run [opaqueFirst[y],
    // opaqueEnd[y]) of texels with alpha 255 (empty when there is none).
    // Pixels filtered only from such texels need no blending.
    const int32_t* opaqueFirst = nullptr;
    const int32_t* opaqueEnd = nullptr;
    // The same facts for the two rows v and v + 1 (clamped to the image) a
    // filtered screen row reads, at index v + 1 for v from -1 to height - 1:
    // [pairFirst, pairEnd) holds every nonzero alpha of both rows (empty
    // when both are transparent), [pairOpaqueFirst, pairOpaqueEnd) is opaque
    // in both (may be empty). Worked out once here instead of on every row
    // of every draw.
    const int32_t* pairFirst = nullptr;
    const int32_t* pairEnd = nullptr;
    const int32_t* pairOpaqueFirst = nullptr;
    const int32_t* pairOpaqueEnd = nullptr;
    // Optional (may be null): where the drawer keeps modulated copies of an
    // opaque image. Drawing then writes to it, so one image must not be
    // drawn from two threads at once.
    ModulatedTexels* modulated = nullptr;
};

// Computes the facts of a SpriteImage for width x height texels into the
// caller's vectors and returns a view of pixels that borrows all three.
// Each vector receives 4 * height + 2 entries: the rows' visible spans,
// their opaque runs, then the same for pairs of rows.
SpriteImage AnalyseSpriteImage(const uint32_t* pixels, int width, int height, std::vector<int32_t>& rowFirst,
                               std::vector<int32_t>& rowEnd);

// Where the image goes: scaled about its top-left corner, turned by rotation
// radians (clockwise on screen) about (centreX, centreY) in scaled sprite
// coordinates, its unturned top-left corner moved to (x, y).
struct SpritePlacement {
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float centreX = 0.0f;
    float centreY = 0.0f;
    float rotation = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
};

// The inner loops the drawer may use; Auto picks the fastest this CPU runs.
// TEST_Avx2PerRow is the AVX2 loop called once for every row instead of
// once for the whole draw, with the clamped pixels at the ends of rows drawn
// one at a time; kept for tests that both give the same pixels.
enum class SpriteKernel { Auto, Scalar, Sse2, Avx2, TEST_Avx2PerRow };

// True when the CPU runs the AVX2 kernel.
bool CpuHasAvx2();

// Draws image into target with the placement, every texel's channels
// multiplied by color (ARGB) and blended by the resulting alpha; the
// destination alpha is written as 255. Pixels outside target are clipped.
void DrawSprite(const PixelTarget& target, const SpriteImage& image, const SpritePlacement& placement, uint32_t color,
                SpriteKernel kernel = SpriteKernel::Auto);

// True when DrawSprite into a width x height target would write every one
// of its pixels with an opaque value that does not depend on what was there:
// an opaque image, a colour of alpha 255, unturned at scale 1 or 1/2,
// covering the whole target. Whatever the target held may then be dropped.
bool SpriteCoversTarget(int width, int height, const SpriteImage& image, const SpritePlacement& placement,
                        uint32_t color);

}  // namespace gfx
