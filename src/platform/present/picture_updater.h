// Keeps a window's picture of the device's frames up to date: each frame,
// only the parts of the picture whose frame pixels changed are scaled again,
// and the caller hands only those parts to the window system. Knows nothing
// of SDL, so tests and benchmarks run it without a display.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/present/frame_changes.h"
#include "platform/present/frame_scaler.h"

namespace platform {

class PictureUpdater {
public:
    // Prepares pictures of pictureWidth x pictureHeight pixels of
    // frameWidth x frameHeight frames (the scaler's tables, once per size);
    // the next Update draws the whole picture.
    void Configure(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight,
                   ScalerKernel kernel = ScalerKernel::Auto);

    // The picture's pixels are not what was drawn last (a new or lost
    // surface): the next Update draws the whole picture.
    void Invalidate() { changes_.Forget(); }

    // Brings the picture at dst (its top-left pixel; rows pitch pixels
    // apart, as for FrameScaler::Scale) up to date with the frame, of the
    // configured size. Returns the parts of the picture it wrote, in picture
    // pixels: none when the frame is the last one again, the whole picture
    // after Configure or Invalidate. Valid until the next call.
    const std::vector<PixelRect>& Update(const uint32_t* frame, int framePitchPixels, uint32_t* dst,
                                         int dstPitchPixels);

    const FrameScaler& Scaler() const { return scaler_; }

private:
    FrameScaler scaler_;
    FrameChanges changes_;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    std::vector<PixelRect> written_;
};

}  // namespace platform
