#include "platform/present/frame_changes.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/present/same_pixels.h"

namespace platform {

const std::vector<PixelRect>& FrameChanges::Compare(const uint32_t* frame, int width, int height, int pitchPixels) {
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
    const int tileWidth = TileWidth(width);
    const int tiles = (width + tileWidth - 1) / tileWidth;
    bandChanges_.assign((height + kBandRows - 1) / kBandRows, 0);
    tileBoxes_.resize(bandChanges_.size() * 64);
    for (int top = 0; top < height; top += kBandRows) {
        const int bottom = std::min(top + kBandRows, height);
        const size_t band = static_cast<size_t>(top / kBandRows);
        uint64_t changed = 0;
        PixelRect* const boxes = tileBoxes_.data() + band * 64;
        for (int y = top; y < bottom; ++y) {
            const uint32_t* row = frame + static_cast<size_t>(y) * pitchPixels;
            uint32_t* keptRow = kept_.data() + static_cast<size_t>(y) * width;
            for (int t = 0; t < tiles; ++t) {
                const uint64_t bit = uint64_t{1} << t;
                const int x = t * tileWidth;
                const int n = std::min(tileWidth, width - x);
                if (SamePixels(row + x, keptRow + x, n)) continue;
                // The changed pixels' extent, so that only they are drawn
                // again (a sprite that moved a pixel changes a sliver of its
                // tiles); only they need copying.
                int first = x;
                while (row[first] == keptRow[first]) ++first;
                int last = x + n - 1;
                while (row[last] == keptRow[last]) --last;
                std::memcpy(keptRow + first, row + first, static_cast<size_t>(last + 1 - first) * sizeof(uint32_t));
                const PixelRect changedRow{first, y, last + 1 - first, 1};
                boxes[t] = (changed & bit) == 0 ? changedRow : Union(boxes[t], changedRow);
                changed |= bit;
            }
        }
        bandChanges_[band] = changed;
    }
    MakeAreas(tileWidth, tiles, false);
    if (areas_.size() > kMostAreas) MakeAreas(tileWidth, tiles, true);
    return areas_;
}

void FrameChanges::MakeAreas(int tileWidth, int tiles, bool wholeBands) {
    areas_.clear();
    exact_.clear();
    previousBand_.clear();
    for (size_t band = 0; band < bandChanges_.size(); ++band) {
        const uint64_t changedTiles = bandChanges_[band];
        uint64_t changed = changedTiles;
        if (wholeBands && changed != 0) {
            // Every tile from the first changed one to the last.
            const int first = std::countr_zero(changed);
            const int last = 63 - std::countl_zero(changed);
            changed = (last == 63 ? ~uint64_t{0} : (uint64_t{1} << (last + 1)) - 1) & ~((uint64_t{1} << first) - 1);
        }
        const int top = static_cast<int>(band) * kBandRows;
        const int bottom = std::min(top + kBandRows, height_);
        const PixelRect* const boxes = tileBoxes_.data() + band * 64;
        currentBand_.clear();
        for (int t = 0; t < tiles;) {
            if ((changed >> t & 1) == 0) {
                ++t;
                continue;
            }
            int end = t;
            // A run starts and ends on a changed tile; in whole bands the
            // tiles between may be unchanged and add nothing.
            PixelRect run = boxes[t];
            for (; end < tiles && (changed >> end & 1) != 0; ++end) {
                if ((changedTiles >> end & 1) != 0) run = Union(run, boxes[end]);
            }
            const int x = t * tileWidth;
            const int runWidth = std::min(end * tileWidth, width_) - x;
            size_t index = areas_.size();
            for (size_t i : previousBand_) {
                if (areas_[i].x == x && areas_[i].width == runWidth) index = i;
            }
            if (index == areas_.size()) {
                areas_.push_back({x, top, runWidth, bottom - top});
                exact_.push_back(run);
            } else {
                areas_[index].height = bottom - areas_[index].y;
                exact_[index] = Union(exact_[index], run);
            }
            currentBand_.push_back(index);
            t = end;
        }
        previousBand_.swap(currentBand_);
    }
    // The runs of tiles joined as they lie; what comes back is the extent
    // of the changed pixels in each.
    areas_.assign(exact_.begin(), exact_.end());
}

}  // namespace platform
