// The frame scaler's AVX2 loops: eight picture columns at a time. Called
// only when the CPU reports AVX2; built only for x86-64 (the build leaves
// this file out elsewhere, and without -mavx2 it compiles to nothing).
#if defined(__AVX2__)

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#include "platform/present/frame_scaler_kernels.h"

namespace platform::scaler_kernels {

namespace {

inline __m256i Load(const int16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

// One instruction for the rounded (d * v + 2^14) >> 15.
inline __m256i Blend(__m256i a, __m256i difference, __m256i weight) {
    return _mm256_srai_epi16(_mm256_add_epi16(a, _mm256_mulhrs_epi16(difference, weight)), 7);
}

// The filter's loop, for one row or two: the tables and weights of a group
// are loaded once for both rows.
template <bool Two>
void FilterGroups(const uint32_t* row, const uint32_t* second, int groups, const int32_t* groupBase,
                  const int32_t* groupOffset, const uint16_t* groupWeights, int16_t* out, int16_t* secondOut) {
    const __m256i one = _mm256_set1_epi32(1);
    const __m256i flip = _mm256_set1_epi8(static_cast<char>(0x80));
    // The multiply-add below takes the pixels as signed bytes (p - 128):
    // this puts back 128 * 128 and adds the 64 that rounds.
    const __m256i bias = _mm256_set1_epi16(128 * 128 + 64);
    // Each column's two weights spread over its four channels, in unpack
    // order: columns 0, 1 | 4, 5 for the low half, 2, 3 | 6, 7 for the high.
    const __m256i spreadLow = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3,  //
                                               8, 9, 8, 9, 8, 9, 8, 9, 10, 11, 10, 11, 10, 11, 10, 11);
    const __m256i spreadHigh = _mm256_setr_epi8(4, 5, 4, 5, 4, 5, 4, 5, 6, 7, 6, 7, 6, 7, 6, 7,  //
                                                12, 13, 12, 13, 12, 13, 12, 13, 14, 15, 14, 15, 14, 15, 14, 15);
    for (int g = 0; g < groups; ++g) {
        const __m256i leftAt = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(groupOffset + 8 * g));
        const __m256i rightAt = _mm256_add_epi32(leftAt, one);
        const __m256i weights =
            _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(groupWeights + 8 * g)));
        const __m256i weightsLow = _mm256_shuffle_epi8(weights, spreadLow);
        const __m256i weightsHigh = _mm256_shuffle_epi8(weights, spreadHigh);
        const int base = groupBase[g];
        auto filter = [&](const uint32_t* source, int16_t* target) {
            const __m256i window =
                _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + base)), flip);
            const __m256i left = _mm256_permutevar8x32_epi32(window, leftAt);
            const __m256i right = _mm256_permutevar8x32_epi32(window, rightAt);
            // Each channel's left and right byte side by side, times the
            // column's (128 - w, w) and summed.
            const __m256i low = _mm256_maddubs_epi16(weightsLow, _mm256_unpacklo_epi8(left, right));
            const __m256i high = _mm256_maddubs_epi16(weightsHigh, _mm256_unpackhi_epi8(left, right));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + 32 * g), _mm256_add_epi16(low, bias));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + 32 * g + 16), _mm256_add_epi16(high, bias));
        };
        filter(row, out);
        if (Two) filter(second, secondOut);
    }
}

}  // namespace

void FilterRowsAvx2(const uint32_t* row, const uint32_t* second, int width, const int32_t* groupBase,
                    const int32_t* groupOffset, const uint16_t* groupWeights, int16_t* out, int16_t* secondOut) {
    // Every group has its own offsets and weights (the last one those of the
    // columns it overlaps), so the loop does no arithmetic on columns.
    const int groups = (width + 7) / 8;
    if (second != nullptr) {
        FilterGroups<true>(row, second, groups, groupBase, groupOffset, groupWeights, out, secondOut);
    } else {
        FilterGroups<false>(row, nullptr, groups, groupBase, groupOffset, groupWeights, out, nullptr);
    }
}

namespace {

// One group's filtered values: the top row's and the difference to the
// bottom row's, low and high halves.
struct GroupValues {
    __m256i aLow, aHigh, dLow, dHigh;
};

inline GroupValues ValuesOf(const int16_t* top, const int16_t* bottom, int g) {
    GroupValues v;
    v.aLow = Load(top + 32 * g);
    v.aHigh = Load(top + 32 * g + 16);
    v.dLow = _mm256_sub_epi16(Load(bottom + 32 * g), v.aLow);
    v.dHigh = _mm256_sub_epi16(Load(bottom + 32 * g + 16), v.aHigh);
    return v;
}

// The eight pixels of a group for a row of weight w. The pack undoes the
// unpack's order: columns 0 to 7.
inline __m256i PixelsOf(const GroupValues& v, __m256i w) {
    return _mm256_packus_epi16(Blend(v.aLow, v.dLow, w), Blend(v.aHigh, v.dHigh, w));
}

template <int Rows>
void BlendRun(const int16_t* top, const int16_t* bottom, const int16_t* weights, int width, uint32_t* out,
              int pitchPixels) {
    const int whole = width / 8;
    const int groups = (width + 7) / 8;
    __m256i w[Rows];
    for (int r = 0; r < Rows; ++r) w[r] = _mm256_set1_epi16(weights[r]);
    auto target = [&](int r, int at) {
        return reinterpret_cast<__m256i*>(out + static_cast<size_t>(r) * pitchPixels + at);
    };
    // Every picture row of the run blends the same two filtered rows: each
    // group's values and differences are loaded once for all of them.
    int g = 0;
    // The picture is written once and read next by the display, not by us:
    // streaming stores skip reading its old contents into the cache. They
    // need rows that start on 32 bytes.
    if ((reinterpret_cast<uintptr_t>(out) & 31) == 0 && (pitchPixels & 7) == 0) {
        // Two groups, a whole cache line, for each row in turn: streaming
        // stores that hop to the next row every 32 bytes leave lines half
        // written in the write-combining buffers, and with three or four
        // rows in flight that costs over a quarter of the write speed.
        // A row that starts half way into a line streams one group first.
        if ((reinterpret_cast<uintptr_t>(out) & 63) != 0 && whole > 0) {
            const GroupValues values = ValuesOf(top, bottom, 0);
            for (int r = 0; r < Rows; ++r) _mm256_stream_si256(target(r, 0), PixelsOf(values, w[r]));
            g = 1;
        }
        for (; g + 2 <= whole; g += 2) {
            const GroupValues first = ValuesOf(top, bottom, g);
            const GroupValues second = ValuesOf(top, bottom, g + 1);
            for (int r = 0; r < Rows; ++r) {
                _mm256_stream_si256(target(r, 8 * g), PixelsOf(first, w[r]));
                _mm256_stream_si256(target(r, 8 * g + 8), PixelsOf(second, w[r]));
            }
        }
    }
    // The rest with plain stores: the last group may overlap the one before.
    auto store = [&](int group, int at) {
        const GroupValues values = ValuesOf(top, bottom, group);
        for (int r = 0; r < Rows; ++r) _mm256_storeu_si256(target(r, at), PixelsOf(values, w[r]));
    };
    for (; g < whole; ++g) store(g, 8 * g);
    if (groups > whole) store(groups - 1, width - 8);
}

}  // namespace

void BlendRowsAvx2(const int16_t* top, const int16_t* bottom, const int16_t* weights, int rows, int width,
                   uint32_t* out, int pitchPixels) {
    static_assert(kMaxBlendRows == 4);
    switch (rows) {
        case 1: BlendRun<1>(top, bottom, weights, width, out, pitchPixels); break;
        case 2: BlendRun<2>(top, bottom, weights, width, out, pitchPixels); break;
        case 3: BlendRun<3>(top, bottom, weights, width, out, pitchPixels); break;
        case 4: BlendRun<4>(top, bottom, weights, width, out, pitchPixels); break;
        default: break;
    }
}

void FinishStreaming() { _mm_sfence(); }

}  // namespace platform::scaler_kernels

#endif  // __AVX2__
