#include "platform/frame_changes.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace platform {

namespace {

// Whether n pixels at a and b are the same.
inline bool Same(const uint32_t* a, const uint32_t* b, int n) {
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

}  // namespace

const std::vector<PictureRect>& FrameChanges::Compare(const uint32_t* frame, int width, int height,
                                                      int pitchPixels) {
    areas_.clear();
    if (frame == nullptr || width <= 0 || height <= 0) {
        known_ = false;
        return areas_;
    }
    const size_t rowBytes = static_cast<size_t>(width) * sizeof(uint32_t);
    if (!known_ || width != width_ || height != height_) {
        kept_.resize(static_cast<size_t>(width) * height);
        for (int y = 0; y < height; ++y) {
            std::memcpy(kept_.data() + static_cast<size_t>(y) * width, frame + static_cast<size_t>(y) * pitchPixels,
                        rowBytes);
        }
        width_ = width;
        height_ = height;
        known_ = true;
        areas_.push_back({0, 0, width, height});
        return areas_;
    }

    // At most 64 tiles a band, so that one mask holds them.
    const int tileWidth = std::max(kTileColumns, (width + 63) / 64);
    const int tiles = (width + tileWidth - 1) / tileWidth;
    bandChanges_.assign((height + kBandRows - 1) / kBandRows, 0);
    for (int top = 0; top < height; top += kBandRows) {
        const int bottom = std::min(top + kBandRows, height);
        uint64_t changed = 0;
        for (int y = top; y < bottom; ++y) {
            const uint32_t* row = frame + static_cast<size_t>(y) * pitchPixels;
            uint32_t* keptRow = kept_.data() + static_cast<size_t>(y) * width;
            for (int t = 0; t < tiles; ++t) {
                const int x = t * tileWidth;
                const int n = std::min(tileWidth, width - x);
                const uint64_t bit = uint64_t{1} << t;
                // A tile known to have changed in this band is only copied:
                // the rest of it is redrawn whatever its pixels are.
                if ((changed & bit) == 0) {
                    if (Same(row + x, keptRow + x, n)) continue;
                    changed |= bit;
                }
                std::memcpy(keptRow + x, row + x, static_cast<size_t>(n) * sizeof(uint32_t));
            }
        }
        bandChanges_[top / kBandRows] = changed;
    }
    MakeAreas(tileWidth, tiles, false);
    if (areas_.size() > kMostAreas) MakeAreas(tileWidth, tiles, true);
    return areas_;
}

void FrameChanges::MakeAreas(int tileWidth, int tiles, bool wholeBands) {
    areas_.clear();
    previousBand_.clear();
    for (size_t band = 0; band < bandChanges_.size(); ++band) {
        uint64_t changed = bandChanges_[band];
        if (wholeBands && changed != 0) {
            // Every tile from the first changed one to the last.
            const int first = std::countr_zero(changed);
            const int last = 63 - std::countl_zero(changed);
            changed = (last == 63 ? ~uint64_t{0} : (uint64_t{1} << (last + 1)) - 1) & ~((uint64_t{1} << first) - 1);
        }
        const int top = static_cast<int>(band) * kBandRows;
        const int bottom = std::min(top + kBandRows, height_);
        currentBand_.clear();
        for (int t = 0; t < tiles;) {
            if ((changed >> t & 1) == 0) {
                ++t;
                continue;
            }
            int end = t;
            while (end < tiles && (changed >> end & 1) != 0) ++end;
            const int x = t * tileWidth;
            const int runWidth = std::min(end * tileWidth, width_) - x;
            size_t index = areas_.size();
            for (size_t i : previousBand_) {
                if (areas_[i].x == x && areas_[i].width == runWidth) index = i;
            }
            if (index == areas_.size()) {
                areas_.push_back({x, top, runWidth, bottom - top});
            } else {
                areas_[index].height = bottom - areas_[index].y;
            }
            currentBand_.push_back(index);
            t = end;
        }
        previousBand_.swap(currentBand_);
    }
}

}  // namespace platform
