// Finds the parts of a frame that differ from the frame before it, so that
// presentation redraws only those. The frame lies still behind its sprites:
// from one frame to the next only the moving objects and the texts change,
// a few per cent of the pixels. Knows nothing of SDL.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/present/frame_scaler.h"

namespace platform {

class FrameChanges {
public:
    // Changes are found per tile: kTileColumns columns (more for frames
    // wider than 64 tiles) by kBandRows rows.
    static constexpr int kTileColumns = 64;
    static constexpr int kBandRows = 16;
    // Each area becomes one request to the window system: past this many,
    // the changed tiles of a band are taken as one run, first to last.
    static constexpr size_t kMostAreas = 64;

    // Compares the frame with the one given last and keeps a copy of it.
    // Returns the areas that differ, in frame pixels: the changed tiles of
    // each band, neighbours joined into runs, and a run of the same columns
    // in the bands below joined into it (or runs from a band's first changed
    // tile to its last, when there would be more than kMostAreas); each
    // area is the extent of the changed pixels of its tiles, in band order.
    // The first frame, a frame of another size, and the first frame after
    // Forget come back whole. Valid until the next call.
    const std::vector<PixelRect>& Compare(const uint32_t* frame, int width, int height, int pitchPixels);

    // Forgets the kept frame: the next one comes back whole.
    void Forget() { known_ = false; }

private:
    // Columns of a tile for frames width pixels wide: kTileColumns, or more
    // so that a band has at most 64 tiles.
    static int TileWidth(int width) { return std::max(kTileColumns, (width + 63) / 64); }

    // areas_ from bandChanges_: runs of changed tiles (the tiles from a
    // band's first changed one to its last, if wholeBands), each joined to
    // an area of the band above with exactly its columns.
    void MakeAreas(int tileWidth, int tiles, bool wholeBands);

    std::vector<uint32_t> kept_;
    int width_ = 0;
    int height_ = 0;
    bool known_ = false;
    std::vector<PixelRect> areas_;
    // Per band, its changed tiles, one bit each.
    std::vector<uint64_t> bandChanges_;
    // Per band, 64 slots: of each changed tile the extent of its changed pixels.
    std::vector<PixelRect> tileBoxes_;
    // Per area being made, the extent of the changed pixels of its tiles.
    std::vector<PixelRect> exact_;
    // Which of areas_ the band before ended, by index: they may grow down.
    std::vector<size_t> previousBand_;
    std::vector<size_t> currentBand_;
};

}  // namespace platform
