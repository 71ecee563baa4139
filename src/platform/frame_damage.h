// What a frame may hold beyond its base: a picture laid over the whole frame
// (the background, drawn first every frame), named by a key its drawer
// gives it. Every tile that may have been written since the base was laid
// is marked; every other tile holds exactly the base's pixels. Two frames
// on the same base can then differ only in tiles either of them marked, and
// a frame laid on the same base again needs only its marked tiles restored.
// Tiles are those of FrameChanges. Knows nothing of SDL.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

namespace platform {

// Names the pixels of a base: the same key always stands for the same
// pixels. image 0 names no base.
struct BaseKey {
    uint64_t image = 0;
    uint32_t color = 0;
    bool operator==(const BaseKey&) const = default;
};

class FrameDamage {
public:
    // A width x height frame with no known base: any pixel may be anything.
    void Resize(int width, int height);
    // Any pixel may be anything now (writes nobody marked, a fill).
    void Forget() { base_ = BaseKey{}; }
    // The frame's pixels are now exactly the base named key; no tile marked.
    void LayBase(BaseKey key);
    // The pixels in [left, right) x [top, bottom) (clipped to the frame) may
    // be written. Nothing to do without a base: every tile counts anyway.
    void Mark(int left, int top, int right, int bottom);
    // Marks every tile not marked yet whose pixels differ from base's (the
    // pixels of the base named Base(); both width x height, rows
    // pitchPixels apart): finds what writes nobody marked have done. Only
    // rows [top, bottom) are read, for a caller that knows the others
    // were not written.
    void MarkDifferences(const uint32_t* frame, const uint32_t* base, int pitchPixels, int top = 0,
                         int bottom = std::numeric_limits<int>::max());

    bool HasBase() const { return base_.image != 0; }
    BaseKey Base() const { return base_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Columns of a tile: FrameChanges's tile width for this frame's width.
    int TileWidth() const { return tileWidth_; }
    // Per band of FrameChanges::kBandRows rows, one bit per marked tile.
    const std::vector<uint64_t>& Bands() const { return bands_; }

private:
    BaseKey base_;
    int width_ = 0;
    int height_ = 0;
    int tileWidth_ = 1;
    int tiles_ = 0;
    std::vector<uint64_t> bands_;
};

}  // namespace platform
