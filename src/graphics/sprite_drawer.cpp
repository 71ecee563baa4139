#include "graphics/sprite_drawer.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "graphics/sprite_drawer_kernels.h"

// The AVX2 loops exist on x86 only; a WebAssembly build has the SSE2 ones,
// which the compiler maps onto WebAssembly SIMD.
#if defined(__x86_64__) || defined(__i386__)
#define V3_SPRITE_AVX2 1
#endif

namespace gfx {

namespace {

// round(x / 255) for 0 <= x <= 65025, without a division.
inline uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

inline uint32_t Channel(uint32_t argb, int shift) { return (argb >> shift) & 0xFFu; }

// Blends one already filtered texel (straight alpha, 8 bits per channel)
// multiplied by color over *dst; the result is opaque.
inline void BlendPixel(uint32_t* dst, uint32_t b, uint32_t g, uint32_t r, uint32_t a, uint32_t color) {
    const uint32_t ma = Div255(a * Channel(color, 24));
    if (ma == 0) return;
    const uint32_t inv = 255 - ma;
    const uint32_t d = *dst;
    const uint32_t mb = Div255(b * Channel(color, 0));
    const uint32_t mg = Div255(g * Channel(color, 8));
    const uint32_t mr = Div255(r * Channel(color, 16));
    const uint32_t ob = Div255(mb * ma + Channel(d, 0) * inv);
    const uint32_t og = Div255(mg * ma + Channel(d, 8) * inv);
    const uint32_t orr = Div255(mr * ma + Channel(d, 16) * inv);
    *dst = 0xFF000000u | (orr << 16) | (og << 8) | ob;
}

// The fixed-weight filter of four texels, one channel at a time.
inline void BlendFixed(uint32_t* dst, uint32_t t00, uint32_t t10, uint32_t t01, uint32_t t11,
                       const kernels::BlendRow& row) {
    uint32_t c[4];
    for (int i = 0; i < 4; ++i) {
        const int s = i * 8;
        c[i] = (Channel(t00, s) * row.w00 + Channel(t10, s) * row.w10 + Channel(t01, s) * row.w01 +
                Channel(t11, s) * row.w11 + 128) >>
               8;
    }
    BlendPixel(dst, c[0], c[1], c[2], c[3], row.color);
}

void BlendRowScalar(const kernels::BlendRow& row) {
    for (int k = 0; k < row.count; ++k) {
        const int i = row.first + k * row.step;
        BlendFixed(row.dst + k, row.row0[i], row.row0[i + 1], row.row1[i], row.row1[i + 1], row);
    }
}

void CopyRowScalar(uint32_t* dst, const uint32_t* src, int count, uint32_t color) {
    const uint32_t cb = Channel(color, 0), cg = Channel(color, 8), cr = Channel(color, 16);
    for (int k = 0; k < count; ++k) {
        const uint32_t t = src[k];
        dst[k] = 0xFF000000u | (Div255(Channel(t, 16) * cr) << 16) | (Div255(Channel(t, 8) * cg) << 8) |
                 Div255(Channel(t, 0) * cb);
    }
}

using kernels::ClampIndex;
using kernels::FloorDiv;

// The pixels one wide loop draws at a time.
int Lanes(SpriteKernel kernel) {
    switch (kernel) {
        case SpriteKernel::Avx2: return 8;
        case SpriteKernel::Sse2: return 4;
        default: return 1;
    }
}

// Draws the leading whole vectors of row with the kernel; returns how many
// pixels that was.
int WideBlend(const kernels::BlendRow& row, SpriteKernel kernel) {
    switch (kernel) {
#ifdef V3_SPRITE_AVX2
        case SpriteKernel::Avx2: return kernels::BlendRowAvx2(row);
#endif
        case SpriteKernel::Sse2: return kernels::BlendRowSse2(row);
        default: BlendRowScalar(row); return row.count;
    }
}

// Draws count (at most lanes) pixels whose left texels start at index first
// of the rows: copies the texels they read, clamped to the row, and the
// destination pixels into small buffers, blends those with one vector and
// writes back the count pixels.
void GatherBlend(kernels::BlendRow row, const uint32_t* src0, const uint32_t* src1, int width, int first, uint32_t* dst,
                 int count, int lanes, SpriteKernel kernel) {
    uint32_t g0[17], g1[17], d[8] = {};
    const int texels = row.step * (lanes - 1) + 2;
    for (int m = 0; m < texels; ++m) {
        const int i = ClampIndex(first + m, width);
        g0[m] = src0[i];
        g1[m] = src1[i];
    }
    std::copy(dst, dst + count, d);
    // The gathered lanes past count are blended into the scratch copy only,
    // so every lane takes the blending way.
    row.opaqueFirst = row.opaqueEnd = 0;
    row.row0 = g0;
    row.row1 = g1;
    row.signed0 = row.signed1 = nullptr;
    row.first = 0;
    row.dst = d;
    row.count = lanes;
    WideBlend(row, kernel);
    std::copy(d, d + count, dst);
}

void RunCopyRow(uint32_t* dst, const uint32_t* src, int count, uint32_t color, SpriteKernel kernel) {
    if ((color & 0x00FFFFFFu) == 0x00FFFFFFu) {
        // White modulation: the texels are the result (they are all opaque).
        std::copy(src, src + count, dst);
        return;
    }
    int done = 0;
#ifdef V3_SPRITE_AVX2
    if (kernel == SpriteKernel::Avx2) done += kernels::CopyRowAvx2(dst, src, count, color);
#endif
    if (kernel != SpriteKernel::Scalar) done += kernels::CopyRowSse2(dst + done, src + done, count - done, color);
    CopyRowScalar(dst + done, src + done, count - done, color);
}

// Pixels whose centres fall inside [start, start + length): [first, end),
// clipped to [0, limit). Computed in double so that any float is safe.
void CoveredPixels(double start, double length, int limit, int* first, int* end) {
    const double lo = std::clamp(std::ceil(start - 0.5), 0.0, static_cast<double>(limit));
    const double hi = std::clamp(std::ceil(start + length - 0.5), 0.0, static_cast<double>(limit));
    *first = static_cast<int>(lo);
    *end = std::max(*first, static_cast<int>(hi));
}

// One axis of a draw at scale 1 or 1/2: pixel p (from the first covered
// one) samples texel index base + step * (p - pixelFirst), weight w/256 on
// the next texel.
struct Axis {
    int pixelFirst;
    int pixelEnd;
    int base;
    int step;
    int weight;
};

Axis FixedAxis(double start, int texels, int step, int limit) {
    Axis axis{};
    axis.step = step;
    CoveredPixels(start, static_cast<double>(texels) / step, limit, &axis.pixelFirst, &axis.pixelEnd);
    // The sample position in texel-centre coordinates of the first pixel.
    const double u = step * (axis.pixelFirst + 0.5 - start) - 0.5;
    const double whole = std::floor(u);
    axis.base = static_cast<int>(whole);
    axis.weight = static_cast<int>(std::lround((u - whole) * 256.0));
    if (axis.weight == 256) {
        axis.base += 1;
        axis.weight = 0;
    }
    return axis;
}

// One pixel whose texels (index i and the next of both rows) may lie past
// the row's ends: they are clamped to it.
void ClampedPixel(const kernels::BlendRow& row, const uint32_t* src0, const uint32_t* src1, int width, int i,
                  uint32_t* dst) {
    const int i0 = ClampIndex(i, width), i1 = ClampIndex(i + 1, width);
    BlendFixed(dst, src0[i0], src0[i1], src1[i0], src1[i1], row);
}

#ifdef V3_SPRITE_AVX2
// The parts of a row the AVX2 rows loop leaves out, drawn as the row loop
// of DrawFixed draws them: up to two pixels one by one, more through
// gathered vectors.
kernels::BlendRow EndsRow(const kernels::BlendRows& rows) {
    kernels::BlendRow row{};
    row.step = rows.step;
    row.color = rows.color;
    row.w00 = rows.w00;
    row.w10 = rows.w10;
    row.w01 = rows.w01;
    row.w11 = rows.w11;
    return row;
}

// The two image rows screen row py filters.
void EndsTexels(const kernels::BlendRows& rows, int py, const uint32_t** src0, const uint32_t** src1) {
    const int v = rows.vBase + rows.vStep * (py - rows.pyLo);
    *src0 = rows.texels + static_cast<std::ptrdiff_t>(ClampIndex(v, rows.height)) * rows.width;
    *src1 = rows.texels + static_cast<std::ptrdiff_t>(ClampIndex(v + 1, rows.height)) * rows.width;
}

// One or two neighbouring pixels as ClampedPixel draws them, in one vector.
void ClampedPixels(const kernels::BlendRow& row, const uint32_t* src0, const uint32_t* src1, int width, int i,
                   uint32_t* dst, int count) {
    uint32_t texels[4][2] = {};
    for (int k = 0; k < count; ++k) {
        const int j = i + row.step * k;
        const int i0 = ClampIndex(j, width), i1 = ClampIndex(j + 1, width);
        texels[0][k] = src0[i0];
        texels[1][k] = src0[i1];
        texels[2][k] = src1[i0];
        texels[3][k] = src1[i1];
    }
    kernels::BlendFewSse2(row, texels, dst, count);
}

int LeftEndAvx2(const kernels::BlendRows& rows, int py, int px, int innerFirst, int pxEnd) {
    const kernels::BlendRow row = EndsRow(rows);
    const uint32_t *src0, *src1;
    EndsTexels(rows, py, &src0, &src1);
    uint32_t* const dstRow = rows.screen + py * rows.pitch;
    if (innerFirst - px <= 2 && innerFirst < pxEnd) {
        ClampedPixels(row, src0, src1, rows.width, rows.base + rows.step * px, dstRow + px, innerFirst - px);
        return innerFirst;
    }
    const int n = std::min(8, pxEnd - px);
    GatherBlend(row, src0, src1, rows.width, rows.base + rows.step * px, dstRow + px, n, 8, SpriteKernel::Avx2);
    return px + n;
}

void RightEndAvx2(const kernels::BlendRows& rows, int py, int px, int innerEnd, int pxEnd) {
    const kernels::BlendRow row = EndsRow(rows);
    const uint32_t *src0, *src1;
    EndsTexels(rows, py, &src0, &src1);
    uint32_t* const dstRow = rows.screen + py * rows.pitch;
    if (px >= innerEnd && pxEnd - px <= 2) {
        ClampedPixels(row, src0, src1, rows.width, rows.base + rows.step * px, dstRow + px, pxEnd - px);
        return;
    }
    while (px < pxEnd) {
        const int n = std::min(8, pxEnd - px);
        GatherBlend(row, src0, src1, rows.width, rows.base + rows.step * px, dstRow + px, n, 8, SpriteKernel::Avx2);
        px += n;
    }
}
#endif

void DrawFixed(const PixelTarget& target, const SpriteImage& image, const Axis& ax, const Axis& ay, uint32_t color,
               SpriteKernel kernel) {
    // The AVX2 loop runs once for the whole draw unless a test asks for it
    // row by row.
    [[maybe_unused]] const bool perRow = kernel != SpriteKernel::Avx2;
    if (kernel == SpriteKernel::TEST_Avx2PerRow) kernel = SpriteKernel::Avx2;
    const int w = image.width;
    const int h = image.height;
    const int lanes = Lanes(kernel);
    const bool copy =
        image.opaque && (color >> 24) == 0xFF && ax.step == 1 && ay.step == 1 && ax.weight == 0 && ay.weight == 0;
    // An opaque copy with a colour: keep the texels multiplied by it, once,
    // where the image offers room for that.
    ModulatedTexels* modulated = nullptr;
    if (copy && image.modulated != nullptr && (color & 0x00FFFFFFu) != 0x00FFFFFFu) {
        modulated = image.modulated;
        if (!modulated->valid || modulated->color != color) {
            modulated->texels.resize(static_cast<size_t>(w) * h);
            RunCopyRow(modulated->texels.data(), image.pixels, w * h, color, kernel);
            modulated->color = color;
            modulated->valid = true;
        }
    }
    kernels::BlendRow row{};
    row.step = ax.step;
    row.color = color;
    row.w11 = static_cast<uint16_t>((ax.weight * ay.weight + 128) >> 8);
    row.w10 = static_cast<uint16_t>(ax.weight - row.w11);
    row.w01 = static_cast<uint16_t>(ay.weight - row.w11);
    row.w00 = static_cast<uint16_t>(256 - ax.weight - ay.weight + row.w11);

    // Texel (column) index of the left texel of the first covered pixel.
    const int base = ax.base - ax.step * ax.pixelFirst;
    if (copy && (modulated != nullptr || (color & 0x00FFFFFFu) == 0x00FFFFFFu) && ay.step == 1 && ax.pixelFirst == 0 &&
        ax.pixelEnd == w && base == 0 && target.pitchPixels == w) {
        // Whole image rows onto whole screen rows that follow each other in
        // memory: one copy of the block (the background each frame).
        const uint32_t* src =
            (modulated != nullptr ? modulated->texels.data() : image.pixels) + static_cast<std::ptrdiff_t>(ay.base) * w;
        const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(ay.pixelEnd - ay.pixelFirst) * w;
        std::copy(src, src + n, target.pixels + static_cast<std::ptrdiff_t>(ay.pixelFirst) * w);
        return;
    }
    // The AVX2 filter reads the texels as signed bytes; a copy in that form,
    // kept with the image, saves flipping them on every read.
    const uint32_t* signedTexels = nullptr;
    if (kernel == SpriteKernel::Avx2 && row.w00 != 256 && image.modulated != nullptr) {
        ModulatedTexels& m = *image.modulated;
        if (!m.signedValid) {
            const size_t n = static_cast<size_t>(w) * h;
            m.signedTexels.resize(n);
            for (size_t i = 0; i < n; ++i) m.signedTexels[i] = image.pixels[i] ^ 0x80808080u;
            m.signedValid = true;
        }
        signedTexels = m.signedTexels.data();
    }
    // Opaque texels need no blending when the colour keeps them opaque.
    const bool opaqueRuns = image.pairOpaqueFirst != nullptr && (color >> 24) == 0xFF;

    // Everything the rows need, in locals: the screen stores and the kernel
    // calls would otherwise make the compiler read the structures again on
    // every row, and keep nothing in registers across the calls.
    uint32_t* const screen = target.pixels;
    const std::ptrdiff_t pitch = target.pitchPixels;
    const uint32_t* const texels = image.pixels;
    const int32_t* const pairFirst = image.pairFirst;
    const int32_t* const pairEnd = image.pairEnd;
    const int32_t* const pairOpaqueFirst = image.pairOpaqueFirst;
    const int32_t* const pairOpaqueEnd = image.pairOpaqueEnd;
    const int step = ax.step;
    const int pxLo = ax.pixelFirst, pxHi = ax.pixelEnd;
    const int pyLo = ay.pixelFirst, pyHi = ay.pixelEnd;
    const int vBase = ay.base, vStep = ay.step;
    auto prefetchRow = [screen, pitch, pxLo, pxHi](int py) {
        // The next screen row lies a whole pitch away, beyond what the
        // hardware prefetcher guesses: ask for its cache lines now.
        const uint32_t* next = screen + (py + 1) * pitch;
        for (int x = pxLo; x < pxHi; x += 16) _mm_prefetch(reinterpret_cast<const char*>(next + x), _MM_HINT_T0);
    };

    if (copy) {
        // Texel px - pixelFirst + base: an exact copy of the row part on screen.
        const uint32_t* const from = (modulated != nullptr ? modulated->texels.data() : texels) + base + pxLo;
        const bool plain = modulated != nullptr || (color & 0x00FFFFFFu) == 0x00FFFFFFu;
        for (int py = pyLo; py < pyHi; ++py) {
            if (py + 1 < pyHi) prefetchRow(py);
            const uint32_t* src = from + static_cast<std::ptrdiff_t>(ClampIndex(vBase + (py - pyLo), h)) * w;
            uint32_t* dst = screen + py * pitch + pxLo;
            if (plain) {
                std::copy(src, src + (pxHi - pxLo), dst);
            } else {
                RunCopyRow(dst, src, pxHi - pxLo, color, kernel);
            }
        }
        return;
    }

    // Pixels whose texels all lie inside the image's rows (no clamping),
    // the same for every row.
    const int innerLo = std::max(pxLo, -FloorDiv(base, step));
    const int innerHi = std::min(pxHi, FloorDiv(w - 2 - base, step) + 1);
#ifdef V3_SPRITE_AVX2
    if (!perRow) {
        kernels::BlendRows rows{};
        rows.screen = screen;
        rows.pitch = pitch;
        rows.texels = texels;
        rows.signedTexels = signedTexels;
        rows.width = w;
        rows.height = h;
        rows.pyLo = pyLo;
        rows.pyHi = pyHi;
        rows.vBase = vBase;
        rows.vStep = vStep;
        rows.step = step;
        rows.base = base;
        rows.pxLo = pxLo;
        rows.pxHi = pxHi;
        rows.innerLo = innerLo;
        rows.innerHi = innerHi;
        rows.pairFirst = pairFirst;
        rows.pairEnd = pairEnd;
        rows.pairOpaqueFirst = opaqueRuns ? pairOpaqueFirst : nullptr;
        rows.pairOpaqueEnd = opaqueRuns ? pairOpaqueEnd : nullptr;
        rows.w00 = row.w00;
        rows.w10 = row.w10;
        rows.w01 = row.w01;
        rows.w11 = row.w11;
        rows.color = color;
        rows.leftEnd = LeftEndAvx2;
        rows.rightEnd = RightEndAvx2;
        kernels::BlendRowsAvx2(rows);
        return;
    }
#endif
    for (int py = pyLo; py < pyHi; ++py) {
        const int v = vBase + vStep * (py - pyLo);
        if (py + 1 < pyHi) prefetchRow(py);
        // Only the texels between the two rows' first and last visible ones matter.
        const int pair = ClampIndex(v + 1, h + 1);
        const int lo = pairFirst[pair], hi = pairEnd[pair];
        if (lo >= hi) continue;
        // Pixel px reads texels base + step*px and the one after (clamped):
        // it matters when they reach [lo, hi).
        const int pxFirst = std::max(pxLo, -FloorDiv(-(lo - 1 - base), step));
        const int pxEnd = std::min(pxHi, FloorDiv(hi - 1 - base, step) + 1);
        if (pxFirst >= pxEnd) continue;
        const int r0 = ClampIndex(v, h);
        const int r1 = ClampIndex(v + 1, h);
        uint32_t* const dstRow = screen + py * pitch;
        const uint32_t* const src0 = texels + static_cast<std::ptrdiff_t>(r0) * w;
        const uint32_t* const src1 = texels + static_cast<std::ptrdiff_t>(r1) * w;
        // Pixels whose texels all lie inside the row go straight to the wide
        // loops; the few at the ends (clamped texels, or fewer than a full
        // vector) go one by one or through a small gathered copy of their texels.
        const int innerFirst = std::min(std::max(pxFirst, innerLo), pxEnd);
        const int innerEnd = std::max(std::min(pxEnd, innerHi), innerFirst);
        int px = pxFirst;
        if (px < innerFirst) {
            if (innerFirst - px <= 2 && innerFirst < pxEnd) {
                // Usually only the first pixel reaches past the edge: cheaper
                // on its own than a gathered vector.
                for (; px < innerFirst; ++px) ClampedPixel(row, src0, src1, w, base + step * px, dstRow + px);
            } else {
                const int n = std::min(lanes, pxEnd - px);
                GatherBlend(row, src0, src1, w, base + step * px, dstRow + px, n, lanes, kernel);
                px += n;
            }
        }
        if (px < innerEnd) {
            row.row0 = src0;
            row.row1 = src1;
            row.dst = dstRow + px;
            row.first = base + step * px;
            row.count = innerEnd - px;
            row.opaqueFirst = row.opaqueEnd = 0;
            if (signedTexels != nullptr) {
                row.signed0 = signedTexels + static_cast<std::ptrdiff_t>(r0) * w;
                row.signed1 = signedTexels + static_cast<std::ptrdiff_t>(r1) * w;
            }
            if (opaqueRuns) {
                // Pixel q reads texels base + step*q and the one after: both
                // rows must be opaque there.
                const int oFirst = std::max(px, -FloorDiv(-(pairOpaqueFirst[pair] - base), step));
                const int oEnd = std::min(innerEnd, FloorDiv(pairOpaqueEnd[pair] - 2 - base, step) + 1);
                if (oFirst < oEnd) {
                    row.opaqueFirst = oFirst - px;
                    row.opaqueEnd = oEnd - px;
                }
            }
            px += WideBlend(row, kernel);
        }
        if (px >= innerEnd && pxEnd - px <= 2) {
            for (; px < pxEnd; ++px) ClampedPixel(row, src0, src1, w, base + step * px, dstRow + px);
        }
        while (px < pxEnd) {
            const int n = std::min(lanes, pxEnd - px);
            GatherBlend(row, src0, src1, w, base + step * px, dstRow + px, n, lanes, kernel);
            px += n;
        }
    }
}

// The general path: any scale and rotation, one pixel at a time in floating
// point. The game draws unturned sprites; this is for everything else.
void DrawGeneral(const PixelTarget& target, const SpriteImage& image, const SpritePlacement& p, uint32_t color) {
    const double sx = p.scaleX, sy = p.scaleY;
    if (sx == 0.0 || sy == 0.0) return;
    const double cs = std::cos(static_cast<double>(p.rotation));
    const double sn = std::sin(static_cast<double>(p.rotation));
    const double w = image.width, h = image.height;
    // Forward map of a sprite point (already scaled) to the screen.
    auto toScreen = [&](double x, double y, double* outX, double* outY) {
        const double qx = x - p.centreX, qy = y - p.centreY;
        *outX = qx * cs - qy * sn + p.centreX + p.x;
        *outY = qx * sn + qy * cs + p.centreY + p.y;
    };
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (double cx : {0.0, w * sx}) {
        for (double cy : {0.0, h * sy}) {
            double X, Y;
            toScreen(cx, cy, &X, &Y);
            minX = std::min(minX, X), maxX = std::max(maxX, X);
            minY = std::min(minY, Y), maxY = std::max(maxY, Y);
        }
    }
    int x0, x1, y0, y1;
    CoveredPixels(minX, maxX - minX, target.width, &x0, &x1);
    CoveredPixels(minY, maxY - minY, target.height, &y0, &y1);
    for (int py = y0; py < y1; ++py) {
        for (int px = x0; px < x1; ++px) {
            // Back from the pixel centre to texel coordinates.
            const double qx = px + 0.5 - p.x - p.centreX, qy = py + 0.5 - p.y - p.centreY;
            const double lx = (qx * cs + qy * sn + p.centreX) / sx;
            const double ly = (-qx * sn + qy * cs + p.centreY) / sy;
            if (!(lx >= 0.0 && lx < w && ly >= 0.0 && ly < h)) continue;
            const double u = lx - 0.5, v = ly - 0.5;
            const double fu = std::floor(u), fv = std::floor(v);
            const double ax = u - fu, ay = v - fv;
            const int i0 = ClampIndex(static_cast<int>(fu), image.width);
            const int i1 = ClampIndex(static_cast<int>(fu) + 1, image.width);
            const int j0 = ClampIndex(static_cast<int>(fv), image.height);
            const int j1 = ClampIndex(static_cast<int>(fv) + 1, image.height);
            const uint32_t* t = image.pixels;
            const uint32_t t00 = t[j0 * image.width + i0], t10 = t[j0 * image.width + i1];
            const uint32_t t01 = t[j1 * image.width + i0], t11 = t[j1 * image.width + i1];
            uint32_t c[4];
            for (int k = 0; k < 4; ++k) {
                const int s = k * 8;
                const double top = Channel(t00, s) * (1 - ax) + Channel(t10, s) * ax;
                const double bottom = Channel(t01, s) * (1 - ax) + Channel(t11, s) * ax;
                c[k] = static_cast<uint32_t>(std::lround(top * (1 - ay) + bottom * ay));
            }
            BlendPixel(target.pixels + static_cast<std::ptrdiff_t>(py) * target.pitchPixels + px, c[0], c[1], c[2],
                       c[3], color);
        }
    }
}

// 1 for scale 1, 2 for scale 1/2, 0 for any other.
int FixedStep(float scale) {
    if (scale == 1.0f) return 1;
    if (scale == 0.5f) return 2;
    return 0;
}

}  // namespace

SpriteImage AnalyseSpriteImage(const uint32_t* pixels, int width, int height, std::vector<int32_t>& rowFirst,
                               std::vector<int32_t>& rowEnd) {
    const size_t rows = static_cast<size_t>(std::max(height, 0));
    // The opaque runs live behind the visible spans in the same vectors,
    // the pairs' spans and runs behind those.
    const size_t pairs = rows + 1;
    rowFirst.assign(2 * rows + 2 * pairs, 0);
    rowEnd.assign(2 * rows + 2 * pairs, 0);
    bool opaque = true;
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = pixels + static_cast<std::ptrdiff_t>(y) * width;
        int first = width, end = 0;
        int runFirst = 0, runEnd = 0, runStart = -1;
        for (int x = 0; x < width; ++x) {
            const uint32_t a = row[x] >> 24;
            if (a != 0xFF) {
                opaque = false;
                runStart = -1;
            } else {
                if (runStart < 0) runStart = x;
                if (x + 1 - runStart > runEnd - runFirst) {
                    runFirst = runStart;
                    runEnd = x + 1;
                }
            }
            if (a != 0) {
                first = std::min(first, x);
                end = x + 1;
            }
        }
        rowFirst[static_cast<size_t>(y)] = first;
        rowEnd[static_cast<size_t>(y)] = end;
        rowFirst[rows + static_cast<size_t>(y)] = runFirst;
        rowEnd[rows + static_cast<size_t>(y)] = runEnd;
    }
    // Pair v + 1 holds rows v and v + 1, clamped: the first pair is row 0
    // twice, the last row height - 1 twice.
    for (size_t pair = 0; pair < (rows > 0 ? pairs : 0); ++pair) {
        const size_t r0 = pair == 0 ? 0 : pair - 1;
        const size_t r1 = std::min(pair, rows - 1);
        int lo = width, hi = 0;
        for (size_t r : {r0, r1}) {
            if (rowFirst[r] < rowEnd[r]) {
                lo = std::min(lo, rowFirst[r]);
                hi = std::max(hi, rowEnd[r]);
            }
        }
        rowFirst[2 * rows + pair] = lo;
        rowEnd[2 * rows + pair] = hi;
        rowFirst[2 * rows + pairs + pair] = std::max(rowFirst[rows + r0], rowFirst[rows + r1]);
        rowEnd[2 * rows + pairs + pair] = std::min(rowEnd[rows + r0], rowEnd[rows + r1]);
    }
    SpriteImage image;
    image.pixels = pixels;
    image.width = width;
    image.height = height;
    image.opaque = opaque && width > 0 && height > 0;
    image.rowFirst = rowFirst.data();
    image.rowEnd = rowEnd.data();
    image.opaqueFirst = rowFirst.data() + rows;
    image.opaqueEnd = rowEnd.data() + rows;
    image.pairFirst = rowFirst.data() + 2 * rows;
    image.pairEnd = rowEnd.data() + 2 * rows;
    image.pairOpaqueFirst = rowFirst.data() + 2 * rows + pairs;
    image.pairOpaqueEnd = rowEnd.data() + 2 * rows + pairs;
    return image;
}

bool CpuHasAvx2() {
#ifdef V3_SPRITE_AVX2
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

void DrawSprite(const PixelTarget& target, const SpriteImage& image, const SpritePlacement& placement, uint32_t color,
                SpriteKernel kernel) {
    if (target.pixels == nullptr || image.pixels == nullptr || image.width <= 0 || image.height <= 0 ||
        target.width <= 0 || target.height <= 0) {
        return;
    }
    // A texel's alpha times a colour alpha of 0 is 0 everywhere: nothing shows.
    if ((color >> 24) == 0) return;
    for (float f : {placement.scaleX, placement.scaleY, placement.centreX, placement.centreY, placement.rotation,
                    placement.x, placement.y}) {
        if (!std::isfinite(f)) return;
    }
    if (kernel == SpriteKernel::Auto) kernel = CpuHasAvx2() ? SpriteKernel::Avx2 : SpriteKernel::Sse2;
    if ((kernel == SpriteKernel::Avx2 || kernel == SpriteKernel::TEST_Avx2PerRow) && !CpuHasAvx2())
        kernel = SpriteKernel::Sse2;

    const int stepX = FixedStep(placement.scaleX);
    const int stepY = FixedStep(placement.scaleY);
    if (placement.rotation == 0.0f && stepX != 0 && stepY != 0) {
        const Axis ax = FixedAxis(placement.x, image.width, stepX, target.width);
        const Axis ay = FixedAxis(placement.y, image.height, stepY, target.height);
        if (ax.pixelFirst < ax.pixelEnd && ay.pixelFirst < ay.pixelEnd) DrawFixed(target, image, ax, ay, color, kernel);
        return;
    }
    DrawGeneral(target, image, placement, color);
}

bool SpriteCoversTarget(int width, int height, const SpriteImage& image, const SpritePlacement& placement,
                        uint32_t color) {
    if (image.pixels == nullptr || !image.opaque || width <= 0 || height <= 0 || (color >> 24) != 0xFF) return false;
    for (float f : {placement.scaleX, placement.scaleY, placement.centreX, placement.centreY, placement.rotation,
                    placement.x, placement.y}) {
        if (!std::isfinite(f)) return false;
    }
    // The fixed-weight paths (unturned, scale 1 or 1/2) blend every covered
    // pixel by the filtered alpha, which is 255 for opaque texels: the old
    // pixel's weight is 0 in every kernel.
    const int stepX = FixedStep(placement.scaleX);
    const int stepY = FixedStep(placement.scaleY);
    if (placement.rotation != 0.0f || stepX == 0 || stepY == 0) return false;
    const Axis ax = FixedAxis(placement.x, image.width, stepX, width);
    const Axis ay = FixedAxis(placement.y, image.height, stepY, height);
    return ax.pixelFirst == 0 && ax.pixelEnd == width && ay.pixelFirst == 0 && ay.pixelEnd == height;
}

namespace kernels {

namespace {

inline __m128i Div255x8(__m128i x) {
    x = _mm_add_epi16(x, _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

// Colour channels as 16-bit lanes, twice: b g r a b g r a.
inline __m128i Spread(uint32_t color) {
    return _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(color)), _mm_setzero_si128());
}

// Two pixels in 16-bit lanes: filter, modulate, blend over d.
inline __m128i BlendTwo(__m128i a, __m128i b, __m128i c, __m128i d, __m128i dst, __m128i w00, __m128i w10, __m128i w01,
                        __m128i w11, __m128i color) {
    __m128i f = _mm_add_epi16(_mm_mullo_epi16(a, w00), _mm_mullo_epi16(b, w10));
    f = _mm_add_epi16(f, _mm_mullo_epi16(c, w01));
    f = _mm_add_epi16(f, _mm_mullo_epi16(d, w11));
    f = _mm_srli_epi16(_mm_add_epi16(f, _mm_set1_epi16(128)), 8);
    const __m128i m = Div255x8(_mm_mullo_epi16(f, color));
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(m, 0xFF), 0xFF);
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
    return Div255x8(_mm_add_epi16(_mm_mullo_epi16(m, alpha), _mm_mullo_epi16(dst, inv)));
}

}  // namespace

int BlendRowSse2(const BlendRow& row) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i w00 = _mm_set1_epi16(static_cast<short>(row.w00));
    const __m128i w10 = _mm_set1_epi16(static_cast<short>(row.w10));
    const __m128i w01 = _mm_set1_epi16(static_cast<short>(row.w01));
    const __m128i w11 = _mm_set1_epi16(static_cast<short>(row.w11));
    const __m128i color = Spread(row.color);
    const int n = row.count & ~3;
    for (int k = 0; k < n; k += 4) {
        const int i = row.first + k * row.step;
        __m128i a, b, c, d;
        if (row.step == 1) {
            a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.row0 + i));
            b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.row0 + i + 1));
            c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.row1 + i));
            d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.row1 + i + 1));
        } else {
            // Eight texels in a row: the even ones are left, the odd ones right.
            const __m128 u0 = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row.row0 + i)));
            const __m128 u1 = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row.row0 + i + 4)));
            const __m128 l0 = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row.row1 + i)));
            const __m128 l1 = _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row.row1 + i + 4)));
            a = _mm_castps_si128(_mm_shuffle_ps(u0, u1, _MM_SHUFFLE(2, 0, 2, 0)));
            b = _mm_castps_si128(_mm_shuffle_ps(u0, u1, _MM_SHUFFLE(3, 1, 3, 1)));
            c = _mm_castps_si128(_mm_shuffle_ps(l0, l1, _MM_SHUFFLE(2, 0, 2, 0)));
            d = _mm_castps_si128(_mm_shuffle_ps(l0, l1, _MM_SHUFFLE(3, 1, 3, 1)));
        }
        // Four pixels whose texels are all transparent leave the screen alone.
        const __m128i any = _mm_and_si128(_mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d)), alphaMask);
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, zero)) == 0xFFFF) continue;
        __m128i* out = reinterpret_cast<__m128i*>(row.dst + k);
        const __m128i dst = _mm_loadu_si128(out);
        const __m128i lo =
            BlendTwo(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero), _mm_unpacklo_epi8(c, zero),
                     _mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(dst, zero), w00, w10, w01, w11, color);
        const __m128i hi =
            BlendTwo(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero), _mm_unpackhi_epi8(c, zero),
                     _mm_unpackhi_epi8(d, zero), _mm_unpackhi_epi8(dst, zero), w00, w10, w01, w11, color);
        _mm_storeu_si128(out, _mm_or_si128(_mm_packus_epi16(lo, hi), alphaMask));
    }
    return n;
}

void BlendFewSse2(const BlendRow& row, const uint32_t (*texels)[2], uint32_t* dst, int count) {
    const __m128i zero = _mm_setzero_si128();
    auto two = [zero](const uint32_t* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    };
    const uint32_t old[2] = {dst[0], count > 1 ? dst[1] : 0u};
    // The filter, the modulation and the blend of BlendTwo, keeping the
    // modulated alpha to tell which pixels show.
    __m128i f = _mm_add_epi16(_mm_mullo_epi16(two(texels[0]), _mm_set1_epi16(static_cast<short>(row.w00))),
                              _mm_mullo_epi16(two(texels[1]), _mm_set1_epi16(static_cast<short>(row.w10))));
    f = _mm_add_epi16(f, _mm_mullo_epi16(two(texels[2]), _mm_set1_epi16(static_cast<short>(row.w01))));
    f = _mm_add_epi16(f, _mm_mullo_epi16(two(texels[3]), _mm_set1_epi16(static_cast<short>(row.w11))));
    f = _mm_srli_epi16(_mm_add_epi16(f, _mm_set1_epi16(128)), 8);
    const __m128i m = Div255x8(_mm_mullo_epi16(f, Spread(row.color)));
    const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(m, 0xFF), 0xFF);
    const __m128i inv = _mm_sub_epi16(_mm_set1_epi16(255), alpha);
    const __m128i o = Div255x8(_mm_add_epi16(_mm_mullo_epi16(m, alpha), _mm_mullo_epi16(two(old), inv)));
    uint32_t out[4];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_or_si128(_mm_packus_epi16(o, o), _mm_set1_epi32(static_cast<int>(0xFF000000u))));
    if (_mm_extract_epi16(m, 3) != 0) dst[0] = out[0];
    if (count > 1 && _mm_extract_epi16(m, 7) != 0) dst[1] = out[1];
}

int CopyRowSse2(uint32_t* dst, const uint32_t* src, int count, uint32_t color) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i m = Spread(color);
    const int n = count & ~3;
    for (int k = 0; k < n; k += 4) {
        const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + k));
        const __m128i lo = Div255x8(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), m));
        const __m128i hi = Div255x8(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), m));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + k), _mm_or_si128(_mm_packus_epi16(lo, hi), alphaMask));
    }
    return n;
}

}  // namespace kernels

}  // namespace gfx
