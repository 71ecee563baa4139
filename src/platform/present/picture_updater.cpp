#include "platform/present/picture_updater.h"

namespace platform {

void PictureUpdater::Configure(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight,
                               ScalerKernel kernel) {
    scaler_.Configure(frameWidth, frameHeight, pictureWidth, pictureHeight, kernel);
    frameWidth_ = frameWidth;
    frameHeight_ = frameHeight;
    changes_.Forget();
}

const std::vector<PixelRect>& PictureUpdater::Update(const uint32_t* frame, int framePitchPixels, uint32_t* dst,
                                                     int dstPitchPixels) {
    written_.clear();
    if (frame == nullptr || dst == nullptr) return written_;
    for (const PixelRect& changed : changes_.Compare(frame, frameWidth_, frameHeight_, framePitchPixels)) {
        const PixelRect area = scaler_.AreaOf(changed);
        if (area.width <= 0 || area.height <= 0) continue;
        // Areas of neighbouring bands may share a picture row or two (the
        // filter reads both): drawn twice, alike.
        scaler_.ScaleArea(frame, framePitchPixels, dst, dstPitchPixels, area);
        written_.push_back(area);
    }
    return written_;
}

}  // namespace platform
