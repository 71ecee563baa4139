#include "platform/frame_damage.h"

#include <algorithm>

#include "platform/frame_changes.h"
#include "platform/same_pixels.h"

namespace platform {

void FrameDamage::Resize(int width, int height) {
    base_ = BaseKey{};
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    tileWidth_ = FrameChanges::TileWidth(width_);
    tiles_ = (width_ + tileWidth_ - 1) / tileWidth_;
    bands_.assign(static_cast<size_t>((height_ + FrameChanges::kBandRows - 1) / FrameChanges::kBandRows), 0);
}

void FrameDamage::LayBase(BaseKey key) {
    base_ = key;
    std::fill(bands_.begin(), bands_.end(), 0);
}

void FrameDamage::Mark(int left, int top, int right, int bottom) {
    if (!HasBase()) return;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    if (left >= right || top >= bottom) return;
    const int first = left / tileWidth_;
    const int last = (right - 1) / tileWidth_;
    const uint64_t bits = (last == 63 ? ~uint64_t{0} : (uint64_t{1} << (last + 1)) - 1) & ~((uint64_t{1} << first) - 1);
    for (int band = top / FrameChanges::kBandRows; band <= (bottom - 1) / FrameChanges::kBandRows; ++band) {
        bands_[static_cast<size_t>(band)] |= bits;
    }
}

void FrameDamage::MarkDifferences(const uint32_t* frame, const uint32_t* base, int pitchPixels, int top,
                                  int bottom) {
    if (!HasBase() || frame == nullptr || base == nullptr) return;
    top = std::max(top, 0);
    bottom = std::min(bottom, height_);
    if (top >= bottom) return;
    for (size_t band = static_cast<size_t>(top / FrameChanges::kBandRows);
         band <= static_cast<size_t>((bottom - 1) / FrameChanges::kBandRows); ++band) {
        const int bandTop = static_cast<int>(band) * FrameChanges::kBandRows;
        const int from = std::max(bandTop, top);
        const int to = std::min(bandTop + FrameChanges::kBandRows, bottom);
        uint64_t marked = bands_[band];
        const uint64_t unmarked = ~marked;
        for (int y = from; y < to; ++y) {
            const uint32_t* row = frame + static_cast<size_t>(y) * pitchPixels;
            const uint32_t* baseRow = base + static_cast<size_t>(y) * pitchPixels;
            for (int t = 0; t < tiles_; ++t) {
                const uint64_t bit = uint64_t{1} << t;
                // Tiles marked before, or found on an earlier row, are not read again.
                if ((unmarked & bit) == 0 || (marked & bit) != 0) continue;
                const int x = t * tileWidth_;
                if (!SamePixels(row + x, baseRow + x, std::min(tileWidth_, width_ - x))) marked |= bit;
            }
        }
        bands_[band] = marked;
    }
}

}  // namespace platform
