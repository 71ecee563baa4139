// The picture a frame should make at another size, worked out plainly in
// floating point, for the tests of the frame scaler and of the screen the
// game shows: at a whole-number factor every frame pixel becomes a square
// block; at any other size each picture pixel's centre is mapped onto the
// frame (clamped to the outer pixel centres) and the four pixels around it
// are blended bilinearly, each channel rounded.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace reference {

inline std::vector<uint32_t> Scale(const std::vector<uint32_t>& frame, int frameWidth, int frameHeight, int width,
                                   int height) {
    std::vector<uint32_t> picture(static_cast<size_t>(width) * height);
    if (width <= 0 || height <= 0) return picture;
    auto at = [&](int x, int y) { return frame[static_cast<size_t>(y) * frameWidth + x]; };
    const bool whole =
        width % frameWidth == 0 && height % frameHeight == 0 && width / frameWidth == height / frameHeight;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t& out = picture[static_cast<size_t>(y) * width + x];
            if (whole) {
                const int k = width / frameWidth;
                out = at(x / k, y / k);
                continue;
            }
            const double sx = std::clamp((x + 0.5) * frameWidth / width - 0.5, 0.0, frameWidth - 1.0);
            const double sy = std::clamp((y + 0.5) * frameHeight / height - 0.5, 0.0, frameHeight - 1.0);
            const int x0 = static_cast<int>(std::floor(sx));
            const int y0 = static_cast<int>(std::floor(sy));
            const int x1 = std::min(x0 + 1, frameWidth - 1);
            const int y1 = std::min(y0 + 1, frameHeight - 1);
            const double fx = sx - x0;
            const double fy = sy - y0;
            uint32_t pixel = 0;
            for (int c = 0; c < 4; ++c) {
                auto channel = [&](uint32_t p) { return static_cast<double>((p >> (8 * c)) & 0xFF); };
                const double upper = channel(at(x0, y0)) * (1 - fx) + channel(at(x1, y0)) * fx;
                const double lower = channel(at(x0, y1)) * (1 - fx) + channel(at(x1, y1)) * fx;
                const double v = upper * (1 - fy) + lower * fy;
                pixel |= static_cast<uint32_t>(std::clamp(std::lround(v), 0L, 255L)) << (8 * c);
            }
            out = pixel;
        }
    }
    return picture;
}

// The largest difference of one channel between two pixels.
inline int ChannelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int c = 0; c < 4; ++c) {
        const int d = std::abs(static_cast<int>((a >> (8 * c)) & 0xFF) - static_cast<int>((b >> (8 * c)) & 0xFF));
        worst = std::max(worst, d);
    }
    return worst;
}

}  // namespace reference
