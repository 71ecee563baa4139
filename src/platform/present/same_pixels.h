// Whether two runs of pixels are the same: the inner test of the searches
// for changed tiles, bound by reading memory.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

// Whether n pixels at a and b are the same.
inline bool SamePixels(const uint32_t* a, const uint32_t* b, int n) {
    int i = 0;
#if defined(__SSE2__)
    // A whole tile row is read before the one test: the loop is bound by
    // reading the two frames, not by branching on each vector.
    __m128i differ = _mm_setzero_si128();
    for (; i + 8 <= n; i += 8) {
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i + 4));
        const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i + 4));
        differ = _mm_or_si128(differ, _mm_or_si128(_mm_xor_si128(a0, b0), _mm_xor_si128(a1, b1)));
    }
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(differ, _mm_setzero_si128())) != 0xFFFF) return false;
#endif
    uint32_t rest = 0;
    for (; i < n; ++i) rest |= a[i] ^ b[i];
    return rest == 0;
}

}  // namespace platform
