// The sprite drawer's AVX2 loops: eight pixels at a time. Called only when
// the CPU reports AVX2 (see CpuHasAvx2).
#include <immintrin.h>

#include <algorithm>
#include <cstddef>

#include "graphics/sprite_drawer_kernels.h"

namespace gfx::kernels {

namespace {

// round(x / 255) in each 16-bit lane, for 0 <= x <= 65025.
inline __m256i Div255x16(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

inline __m256i Load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

// Sixteen texels in a row: the even ones (left texels of eight pixels at
// scale 1/2) into *even, the odd ones into *odd, in order.
inline void Deinterleave(const uint32_t* p, __m256i* even, __m256i* odd) {
    const __m256 lo = _mm256_castsi256_ps(Load(p));
    const __m256 hi = _mm256_castsi256_ps(Load(p + 8));
    // Within each 128-bit half the shuffle picks pairs; the permute puts the
    // halves back in order.
    const __m256i e = _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m256i o = _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1)));
    *even = _mm256_permute4x64_epi64(e, _MM_SHUFFLE(3, 1, 2, 0));
    *odd = _mm256_permute4x64_epi64(o, _MM_SHUFFLE(3, 1, 2, 0));
}

// The pixels are worked on as two sets of 16-bit lanes without any byte
// shuffling: blue and red (the even bytes) in one register, green and
// alpha (the odd bytes) in the other.
inline __m256i Even(__m256i v) { return _mm256_and_si256(v, _mm256_set1_epi32(0x00FF00FF)); }
inline __m256i Odd(__m256i v) { return _mm256_srli_epi16(v, 8); }

// x * c / 255 in each 16-bit lane, rounded, for x and c from 0 to 255:
// the fraction c / 255 as 15-bit fixed point (cFixed) and one rounding
// high multiply. cFixed = 128c + c/2 stays below 32768 and is within 1/32768
// of c * 32768 / 255, so the result is the rounded quotient.
inline __m256i FixedOf255(__m256i c) { return _mm256_add_epi16(_mm256_slli_epi16(c, 7), _mm256_srli_epi16(c, 1)); }

}  // namespace

namespace {

// Masked loads of texels: lanes outside mask read nothing and give 0.
inline __m256i LoadMasked(const uint32_t* p, __m256i mask) {
    return _mm256_maskload_epi32(reinterpret_cast<const int*>(p), mask);
}

// The row's constants, set up once.
struct RowSetup {
    __m256i zero, alphaMask, alphaLanes, toSigned, bias, top, bottom, color, alphaTwice;

    explicit RowSetup(const BlendRow& row) : RowSetup(row.w00, row.w10, row.w01, row.w11, row.color) {}

    RowSetup(uint16_t w00, uint16_t w10, uint16_t w01, uint16_t w11, uint32_t rgba)
        : zero(_mm256_setzero_si256()),
          alphaMask(_mm256_set1_epi32(static_cast<int>(0xFF000000u))),
          alphaLanes(_mm256_set1_epi64x(static_cast<long long>(0xFFFF000000000000ull))),
          toSigned(_mm256_set1_epi8(static_cast<char>(0x80))),
          bias(_mm256_set1_epi16(static_cast<short>(0x8080))),
          top(_mm256_set1_epi16(static_cast<short>((w10 << 8) | w00))),
          bottom(_mm256_set1_epi16(static_cast<short>((w11 << 8) | w01))),
          color(FixedOf255(_mm256_unpacklo_epi8(_mm256_set1_epi32(static_cast<int>(rgba)), _mm256_setzero_si256()))),
          alphaTwice(_mm256_setr_epi8(6, 6, 6, 6, 6, 6, 6, 6, 14, 14, 14, 14, 14, 14, 14, 14, 6, 6, 6, 6, 6, 6, 6, 6,
                                      14, 14, 14, 14, 14, 14, 14, 14)) {}
};

// Eight pixels from their four texels each (a, b upper row left and right,
// c, d lower row), filtered and modulated into two sets of 16-bit channels
// b g r a: pixels 0, 1, 4, 5 in *lo and 2, 3, 6, 7 in *hi. The texels are
// filtered with one multiply-add per pair: the unsigned 8-bit weights times
// the texels moved to signed bytes (t - 128), which keeps every sum inside
// 16 bits because the four weights add up to 256; filtered = (sum w*t +
// 128) / 256. Whole means the weights are (256, 0, 0, 0): the texels are
// used as they are. Signed means the texels come already moved. Modulate
// multiplies by the colour (not needed for white).
template <bool Whole, bool Signed, bool Modulate>
inline void FilterEight(const RowSetup& s, __m256i a, __m256i b, __m256i c, __m256i d, __m256i* lo, __m256i* hi) {
    if (Whole) {
        *lo = _mm256_unpacklo_epi8(a, s.zero);
        *hi = _mm256_unpackhi_epi8(a, s.zero);
    } else {
        const __m256i as = Signed ? a : _mm256_xor_si256(a, s.toSigned);
        const __m256i bs = Signed ? b : _mm256_xor_si256(b, s.toSigned);
        const __m256i cs = Signed ? c : _mm256_xor_si256(c, s.toSigned);
        const __m256i ds = Signed ? d : _mm256_xor_si256(d, s.toSigned);
        __m256i l = _mm256_add_epi16(_mm256_maddubs_epi16(s.top, _mm256_unpacklo_epi8(as, bs)),
                                     _mm256_maddubs_epi16(s.bottom, _mm256_unpacklo_epi8(cs, ds)));
        __m256i h = _mm256_add_epi16(_mm256_maddubs_epi16(s.top, _mm256_unpackhi_epi8(as, bs)),
                                     _mm256_maddubs_epi16(s.bottom, _mm256_unpackhi_epi8(cs, ds)));
        *lo = _mm256_srli_epi16(_mm256_add_epi16(l, s.bias), 8);
        *hi = _mm256_srli_epi16(_mm256_add_epi16(h, s.bias), 8);
    }
    if (Modulate) {
        *lo = _mm256_mulhrs_epi16(*lo, s.color);
        *hi = _mm256_mulhrs_epi16(*hi, s.color);
    }
}

// True when some of the eight filtered pixels (as FilterEight gives them)
// has a nonzero alpha. Pixels of alpha 0 leave the screen alone.
inline bool Visible(const RowSetup& s, __m256i lo, __m256i hi) {
    // The test masks the alpha lanes itself.
    return !_mm256_testz_si256(_mm256_or_si256(lo, hi), s.alphaLanes);
}

// The filtered pixels lo, hi blended over the destination pixels dst; the
// result is opaque.
inline __m256i BlendedEight(const RowSetup& s, __m256i lo, __m256i hi, __m256i dst) {
    // dst + (src - dst) * alpha / 255 per channel, alpha spread over its
    // pixel. Pixels at the soft edges take this way whatever their alpha:
    // a branch on opacity here would mispredict more than it saves; the
    // opaque runs are found per row instead.
    // The alpha byte copied into both bytes of every lane of its pixel is
    // 257 * alpha; halved, that is the fixed-point alpha / 255 of FixedOf255.
    const __m256i alo = _mm256_srli_epi16(_mm256_shuffle_epi8(lo, s.alphaTwice), 1);
    const __m256i ahi = _mm256_srli_epi16(_mm256_shuffle_epi8(hi, s.alphaTwice), 1);
    const __m256i dlo = _mm256_unpacklo_epi8(dst, s.zero), dhi = _mm256_unpackhi_epi8(dst, s.zero);
    const __m256i olo = _mm256_add_epi16(dlo, _mm256_mulhrs_epi16(_mm256_sub_epi16(lo, dlo), alo));
    const __m256i ohi = _mm256_add_epi16(dhi, _mm256_mulhrs_epi16(_mm256_sub_epi16(hi, dhi), ahi));
    return _mm256_or_si256(_mm256_packus_epi16(olo, ohi), s.alphaMask);
}

// Blends eight pixels over *out. With Masked only the lanes of mask are
// read from and written to *out.
template <bool Whole, bool Signed, bool Modulate, bool Masked>
inline void BlendEight(const RowSetup& s, __m256i a, __m256i b, __m256i c, __m256i d, uint32_t* out, __m256i mask) {
    __m256i lo, hi;
    FilterEight<Whole, Signed, Modulate>(s, a, b, c, d, &lo, &hi);
    // Eight pixels that all come out transparent leave the screen alone.
    if (!Visible(s, lo, hi)) return;
    const __m256i result = BlendedEight(s, lo, hi, Masked ? LoadMasked(out, mask) : Load(out));
    if (Masked) {
        _mm256_maskstore_epi32(reinterpret_cast<int*>(out), mask, result);
    } else {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), result);
    }
}

// Eight pixels known to come out opaque: the destination is not read.
template <bool Whole, bool Signed, bool Modulate>
inline void StoreEight(const RowSetup& s, __m256i a, __m256i b, __m256i c, __m256i d, uint32_t* out) {
    __m256i lo, hi;
    FilterEight<Whole, Signed, Modulate>(s, a, b, c, d, &lo, &hi);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(_mm256_packus_epi16(lo, hi), s.alphaMask));
}

// A row's texels and pixels as plain pointers: pixel k filters texels
// k * Step and the one after of top and bottom, and goes to dst[k]. Kept in
// locals because the compiler must assume that every store to the screen
// may change a BlendRow it only sees through a reference, and would read
// its fields again for every vector.
struct Span {
    const uint32_t* top;
    const uint32_t* bottom;
    uint32_t* dst;
};

// The four texel vectors of the eight pixels from pixel k on.
template <int Step>
inline void LoadTexels(const Span& p, int k, __m256i* a, __m256i* b, __m256i* c, __m256i* d) {
    const int i = k * Step;
    if (Step == 1) {
        *a = Load(p.top + i);
        *b = Load(p.top + i + 1);
        *c = Load(p.bottom + i);
        *d = Load(p.bottom + i + 1);
    } else {
        Deinterleave(p.top + i, a, b);
        Deinterleave(p.bottom + i, c, d);
    }
}

// Blends the whole vectors of pixels [from, to) (to - from a multiple of 8).
template <bool Whole, int Step, bool Signed, bool Modulate>
inline void BlendSpan(const RowSetup& s, Span p, int from, int to) {
    const __m256i none = _mm256_setzero_si256();
    for (int k = from; k < to; k += 8) {
        __m256i a, b, c, d;
        LoadTexels<Step>(p, k, &a, &b, &c, &d);
        BlendEight<Whole, Signed, Modulate, false>(s, a, b, c, d, p.dst + k, none);
    }
}

// One row of count pixels: p as the wide loads read it, row0 and row1 the
// rows' plain texels from the first pixel's left texel on (for the masked
// loads of the last few pixels). Pixels [opaqueFirst, opaqueEnd) come out
// opaque (see BlendRow).
template <bool Whole, int Step, bool Signed, bool Modulate>
__attribute__((always_inline)) inline void BlendRowSpan(const RowSetup& s, const Span& p, const uint32_t* row0,
                                                        const uint32_t* row1, int count, int opaqueFirst,
                                                        int opaqueEnd) {
    if (opaqueEnd - opaqueFirst >= 8) {
        // Blend the parts left and right of the opaque run in whole vectors,
        // letting them reach into the run, then store what they left of it.
        // A blended pixel of the run is the stored one whatever the screen
        // held (its alpha is 255), so the order does not matter and the
        // vectors may overlap. The texels of every pixel of the row lie
        // inside the rows.
        const int leftEnd = (opaqueFirst + 7) & ~7;
        BlendSpan<Whole, Step, Signed, Modulate>(s, p, 0, leftEnd);
        const int rightFirst = count - ((count - opaqueEnd + 7) & ~7);
        BlendSpan<Whole, Step, Signed, Modulate>(s, p, rightFirst, count);
        if (leftEnd >= rightFirst) return;
        // The stores stay inside the run: the last one ends at rightFirst or,
        // for a gap narrower than a vector, at the run's end.
        const int last = std::max(rightFirst, std::min(leftEnd + 8, opaqueEnd)) - 8;
        for (int k = leftEnd; k < last; k += 8) {
            __m256i a, b, c, d;
            LoadTexels<Step>(p, k, &a, &b, &c, &d);
            StoreEight<Whole, Signed, Modulate>(s, a, b, c, d, p.dst + k);
        }
        __m256i a, b, c, d;
        LoadTexels<Step>(p, last, &a, &b, &c, &d);
        StoreEight<Whole, Signed, Modulate>(s, a, b, c, d, p.dst + last);
        return;
    }
    const int n = count & ~7;
    const int rest = count - n;
    if (rest > 0 && count >= 8) {
        // The last eight pixels, overlapping the whole vectors before them:
        // blended from the destination as it is now and stored after those,
        // so the overlapping pixels get the very values the loop gave them.
        // This spares the slow masked store.
        __m256i a, b, c, d;
        LoadTexels<Step>(p, count - 8, &a, &b, &c, &d);
        uint32_t* out = p.dst + count - 8;
        __m256i lo, hi;
        FilterEight<Whole, Signed, Modulate>(s, a, b, c, d, &lo, &hi);
        const bool draws = Visible(s, lo, hi);
        __m256i result = s.zero;
        if (draws) result = BlendedEight(s, lo, hi, Load(out));
        BlendSpan<Whole, Step, Signed, Modulate>(s, p, 0, n);
        if (draws) _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), result);
        return;
    }
    BlendSpan<Whole, Step, Signed, Modulate>(s, p, 0, n);
    if (rest > 0) {
        // The last few pixels: masked loads read only the texels they need
        // (all inside the row) and the store writes only those pixels.
        const int i = n * Step;
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        const __m256i mask = _mm256_cmpgt_epi32(_mm256_set1_epi32(rest), lane);
        __m256i a, b, c, d;
        if (Step == 1) {
            a = LoadMasked(row0 + i, mask);
            b = LoadMasked(row0 + i + 1, mask);
            c = LoadMasked(row1 + i, mask);
            d = LoadMasked(row1 + i + 1, mask);
        } else {
            // Texels i .. i + 2 * rest - 1, deinterleaved as for whole vectors.
            const __m256i texels = _mm256_set1_epi32(2 * rest);
            const __m256i m0 = _mm256_cmpgt_epi32(texels, lane);
            const __m256i m1 = _mm256_cmpgt_epi32(texels, _mm256_add_epi32(lane, _mm256_set1_epi32(8)));
            auto split = [&](const uint32_t* q, __m256i* even, __m256i* odd) {
                const __m256 lo = _mm256_castsi256_ps(LoadMasked(q, m0));
                const __m256 hi = _mm256_castsi256_ps(LoadMasked(q + 8, m1));
                *even = _mm256_permute4x64_epi64(
                    _mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0))), _MM_SHUFFLE(3, 1, 2, 0));
                *odd = _mm256_permute4x64_epi64(_mm256_castps_si256(_mm256_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))),
                                                _MM_SHUFFLE(3, 1, 2, 0));
            };
            split(row0 + i, &a, &b);
            split(row1 + i, &c, &d);
        }
        // Read from the rows as they are: lanes outside mask load 0, a
        // transparent texel only in that form.
        BlendEight<Whole, false, Modulate, true>(s, a, b, c, d, p.dst + n, mask);
    }
}

template <bool Whole, int Step, bool Signed, bool Modulate>
int BlendRowAvx2Impl(const BlendRow& row) {
    const RowSetup s(row);
    const Span p{(Signed ? row.signed0 : row.row0) + row.first, (Signed ? row.signed1 : row.row1) + row.first, row.dst};
    BlendRowSpan<Whole, Step, Signed, Modulate>(s, p, row.row0 + row.first, row.row1 + row.first, row.count,
                                                row.opaqueFirst, row.opaqueEnd);
    return row.count;
}

// The rows of one draw (see BlendRows): the set-up of the vectors is done
// once, and the rows' spans are worked out here, where the constants of the
// draw stay in registers.
template <bool Whole, int Step, bool Signed, bool Modulate>
void BlendRowsAvx2Impl(const BlendRows& r) {
    const RowSetup s(r.w00, r.w10, r.w01, r.w11, r.color);
    uint32_t* const screen = r.screen;
    const std::ptrdiff_t pitch = r.pitch;
    const uint32_t* const texels = r.texels;
    const uint32_t* const wide = Signed ? r.signedTexels : r.texels;
    const int w = r.width, h = r.height;
    const int base = r.base, pxLo = r.pxLo, pxHi = r.pxHi, innerLo = r.innerLo, innerHi = r.innerHi;
    const int pyLo = r.pyLo, pyHi = r.pyHi;
    const int32_t* const pairFirst = r.pairFirst;
    const int32_t* const pairEnd = r.pairEnd;
    const int32_t* const pairOpaqueFirst = r.pairOpaqueFirst;
    const int32_t* const pairOpaqueEnd = r.pairOpaqueEnd;
    int v = r.vBase;
    const int vStep = r.vStep;
    for (int py = pyLo; py < pyHi; ++py, v += vStep) {
        if (py + 1 < pyHi) {
            // The next screen row lies a whole pitch away, beyond what the
            // hardware prefetcher guesses: ask for its cache lines now.
            const char* line = reinterpret_cast<const char*>(screen + (py + 1) * pitch + pxLo);
            const char* const lineEnd = reinterpret_cast<const char*>(screen + (py + 1) * pitch + pxHi);
            for (; line < lineEnd; line += 64) _mm_prefetch(line, _MM_HINT_T0);
        }
        // Only the texels between the two rows' first and last visible ones matter.
        const int pair = ClampIndex(v + 1, h + 1);
        const int lo = pairFirst[pair], hi = pairEnd[pair];
        if (lo >= hi) continue;
        // Pixel px reads texels base + step*px and the one after (clamped):
        // it matters when they reach [lo, hi).
        const int pxFirst = std::max(pxLo, -FloorDiv(-(lo - 1 - base), Step));
        const int pxEnd = std::min(pxHi, FloorDiv(hi - 1 - base, Step) + 1);
        if (pxFirst >= pxEnd) continue;
        const int innerFirst = std::min(std::max(pxFirst, innerLo), pxEnd);
        const int innerEnd = std::max(std::min(pxEnd, innerHi), innerFirst);
        int px = pxFirst;
        if (px < innerFirst) px = r.leftEnd(r, py, px, innerFirst, pxEnd);
        if (px < innerEnd) {
            const std::ptrdiff_t r0 = static_cast<std::ptrdiff_t>(ClampIndex(v, h)) * w;
            const std::ptrdiff_t r1 = static_cast<std::ptrdiff_t>(ClampIndex(v + 1, h)) * w;
            const int first = base + Step * px;
            int opaqueFirst = 0, opaqueEnd = 0;
            if (pairOpaqueFirst != nullptr) {
                // Pixel q reads texels base + step*q and the one after: both
                // rows must be opaque there.
                const int oFirst = std::max(px, -FloorDiv(-(pairOpaqueFirst[pair] - base), Step));
                const int oEnd = std::min(innerEnd, FloorDiv(pairOpaqueEnd[pair] - 2 - base, Step) + 1);
                if (oFirst < oEnd) {
                    opaqueFirst = oFirst - px;
                    opaqueEnd = oEnd - px;
                }
            }
            const Span p{wide + r0 + first, wide + r1 + first, screen + py * pitch + px};
            BlendRowSpan<Whole, Step, Signed, Modulate>(s, p, texels + r0 + first, texels + r1 + first, innerEnd - px,
                                                        opaqueFirst, opaqueEnd);
            px = innerEnd;
        }
        if (px < pxEnd) r.rightEnd(r, py, px, innerEnd, pxEnd);
    }
}

template <bool Whole, bool Signed, bool Modulate>
void BlendRowsAvx2Step(const BlendRows& rows) {
    if (rows.step == 1) {
        BlendRowsAvx2Impl<Whole, 1, Signed, Modulate>(rows);
    } else {
        BlendRowsAvx2Impl<Whole, 2, Signed, Modulate>(rows);
    }
}

template <bool Modulate>
void BlendRowsAvx2Weights(const BlendRows& rows) {
    // As for single rows: weights (256, 0, 0, 0) need no filtering.
    if (rows.w00 == 256) {
        BlendRowsAvx2Step<true, false, Modulate>(rows);
    } else if (rows.signedTexels != nullptr) {
        BlendRowsAvx2Step<false, true, Modulate>(rows);
    } else {
        BlendRowsAvx2Step<false, false, Modulate>(rows);
    }
}

template <bool Whole, bool Signed, bool Modulate>
int BlendRowAvx2Step(const BlendRow& row) {
    return row.step == 1 ? BlendRowAvx2Impl<Whole, 1, Signed, Modulate>(row)
                         : BlendRowAvx2Impl<Whole, 2, Signed, Modulate>(row);
}

template <bool Modulate>
int BlendRowAvx2Weights(const BlendRow& row) {
    // Weights (256, 0, 0, 0) do not fit the 8-bit multiply-add; they need no filtering.
    if (row.w00 == 256) return BlendRowAvx2Step<true, false, Modulate>(row);
    if (row.signed0 != nullptr) return BlendRowAvx2Step<false, true, Modulate>(row);
    return BlendRowAvx2Step<false, false, Modulate>(row);
}

}  // namespace

int BlendRowAvx2(const BlendRow& row) {
    return row.color == 0xFFFFFFFFu ? BlendRowAvx2Weights<false>(row) : BlendRowAvx2Weights<true>(row);
}

void BlendRowsAvx2(const BlendRows& rows) {
    if (rows.color == 0xFFFFFFFFu) {
        BlendRowsAvx2Weights<false>(rows);
    } else {
        BlendRowsAvx2Weights<true>(rows);
    }
}

int CopyRowAvx2(uint32_t* dst, const uint32_t* src, int count, uint32_t color) {
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i c = _mm256_set1_epi32(static_cast<int>(color));
    const __m256i colorEven = Even(c), colorOdd = Odd(c);
    const int n = count & ~7;
    for (int k = 0; k < n; k += 8) {
        const __m256i t = Load(src + k);
        const __m256i e = Div255x16(_mm256_mullo_epi16(Even(t), colorEven));
        const __m256i o = Div255x16(_mm256_mullo_epi16(Odd(t), colorOdd));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + k),
                            _mm256_or_si256(_mm256_or_si256(e, _mm256_slli_epi16(o, 8)), alphaMask));
    }
    return n;
}

}  // namespace gfx::kernels
