#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pixel_hash.h"
#include "platform/present/picture_updater.h"

namespace {

using platform::FrameScaler;
using platform::PictureUpdater;
using platform::ScalerKernel;

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;
constexpr uint32_t kUntouched = 0x5A5A5A5Au;

std::vector<uint32_t> NoiseFrame() {
    std::vector<uint32_t> frame(static_cast<size_t>(kFrameWidth) * kFrameHeight);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = 0xFF000000u | PixelHash(static_cast<uint32_t>(i));
    return frame;
}

void Fill(std::vector<uint32_t>* frame, int x, int y, int width, int height, uint32_t colour) {
    for (int row = y; row < y + height; ++row) {
        for (int column = x; column < x + width; ++column)
            (*frame)[static_cast<size_t>(row) * kFrameWidth + column] = colour;
    }
}

// The frames of a short run: noise; then a sprite, the four corners, two
// pixels on tile edges, a line down the right edge and one along the bottom; the same frame again;
// the sprite moved on.
std::vector<std::vector<uint32_t>> Frames() {
    std::vector<std::vector<uint32_t>> frames;
    frames.push_back(NoiseFrame());
    std::vector<uint32_t> next = frames.back();
    Fill(&next, 300, 200, 48, 48, 0xFFFFFFFFu);
    for (auto [x, y] :
         {std::pair{0, 0}, {kFrameWidth - 1, 0}, {0, kFrameHeight - 1}, {kFrameWidth - 1, kFrameHeight - 1}}) {
        Fill(&next, x, y, 1, 1, 0xFF00FF00u);
    }
    // The first pixel of a tile and the last of another: the filter reads
    // across tile edges, so pixels of the neighbouring tiles' areas change.
    Fill(&next, 128, 32, 1, 1, 0xFFFFFF00u);
    Fill(&next, 575, 447, 1, 1, 0xFF00FFFFu);
    Fill(&next, kFrameWidth - 1, 100, 1, 41, 0xFFFF0000u);
    Fill(&next, 10, kFrameHeight - 1, 500, 1, 0xFF0000FFu);
    frames.push_back(next);
    frames.push_back(next);
    Fill(&next, 300, 200, 48, 48, 0xFF000000u | PixelHash(7));
    Fill(&next, 305, 203, 48, 48, 0xFFFFFFFFu);
    frames.push_back(next);
    return frames;
}

bool Inside(int x, int y, const PixelRect& r) {
    return x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
}

// Picture sizes: a copy, a whole-number factor, wider and narrower
// bilinear pictures, a width that is no multiple of eight, tiny ones.
const int kSizes[][2] = {{1024, 768}, {2048, 1536}, {1440, 1080}, {1500, 1125}, {800, 600}, {3, 2}, {1, 1}};

TEST(PictureUpdater, EachFrameLeavesThePictureOfAWholeScaleAndNamesEveryPixelItChanged) {
    const std::vector<std::vector<uint32_t>> frames = Frames();
    for (const auto& size : kSizes) {
        const int width = size[0], height = size[1];
        for (ScalerKernel kernel : {ScalerKernel::Scalar, ScalerKernel::Sse2, ScalerKernel::Avx2}) {
            PictureUpdater updater;
            updater.Configure(kFrameWidth, kFrameHeight, width, height, kernel);
            if (updater.Scaler().GetKernel() != kernel) continue;
            SCOPED_TRACE(testing::Message() << width << "x" << height << " kernel " << static_cast<int>(kernel));
            FrameScaler whole;
            whole.Configure(kFrameWidth, kFrameHeight, width, height, kernel);
            // Rows on whole cache lines, as a window surface's are, so the
            // streaming stores run; a spare line each side and a guard row.
            const int pitch = (width + 15) / 16 * 16 + 16;
            std::vector<uint32_t> storage(static_cast<size_t>(pitch) * (height + 1) + 32, kUntouched);
            const uintptr_t address = reinterpret_cast<uintptr_t>(storage.data());
            uint32_t* window = storage.data() + ((64 - address % 64) % 64) / 4;
            uint32_t* origin = window + 16;

            for (size_t f = 0; f < frames.size(); ++f) {
                SCOPED_TRACE(testing::Message() << "frame " << f);
                const std::vector<uint32_t> before(window, window + static_cast<size_t>(pitch) * (height + 1));
                const std::vector<PixelRect> written = updater.Update(frames[f].data(), kFrameWidth, origin, pitch);
                std::vector<uint32_t> expected(static_cast<size_t>(width) * height);
                whole.Scale(frames[f].data(), kFrameWidth, expected.data(), width);

                if (f == 0) {
                    ASSERT_EQ(written.size(), 1u);
                    EXPECT_EQ(written[0].width * written[0].height, width * height);
                }
                if (f == 2) {
                    EXPECT_TRUE(written.empty());
                }
                int wrong = 0, overrun = 0, unnamed = 0;
                for (int y = 0; y <= height; ++y) {
                    for (int x = -16; x < pitch - 16; ++x) {
                        const size_t i = static_cast<size_t>(y) * pitch + 16 + x;
                        const uint32_t p = window[i];
                        if (y == height || x < 0 || x >= width) {
                            overrun += p != kUntouched;
                            continue;
                        }
                        wrong += p != expected[static_cast<size_t>(y) * width + x];
                        if (p != before[i]) {
                            bool named = false;
                            for (const PixelRect& r : written) named = named || Inside(x, y, r);
                            unnamed += !named;
                        }
                    }
                }
                EXPECT_EQ(wrong, 0);
                EXPECT_EQ(overrun, 0);
                EXPECT_EQ(unnamed, 0);
            }
        }
    }
}

TEST(PictureUpdater, ASmallChangeRedrawsOnlyItsNeighbourhood) {
    // One pixel in the middle of the frame at 1440x1080: one area, a few
    // tiles of the picture, around where the pixel lands.
    std::vector<uint32_t> frame = NoiseFrame();
    PictureUpdater updater;
    updater.Configure(kFrameWidth, kFrameHeight, 1440, 1080);
    std::vector<uint32_t> picture(static_cast<size_t>(1440) * 1080);
    updater.Update(frame.data(), kFrameWidth, picture.data(), 1440);
    frame[static_cast<size_t>(400) * kFrameWidth + 500] ^= 0x00FFFFFFu;
    const std::vector<PixelRect> written = updater.Update(frame.data(), kFrameWidth, picture.data(), 1440);
    ASSERT_EQ(written.size(), 1u);
    const PixelRect& area = written[0];
    // Pixel (500, 400) lands near (703, 563); its tile is 64x16 frame pixels.
    EXPECT_TRUE(Inside(703, 563, area));
    EXPECT_LE(area.width, 64 * 1440 / 1024 + 16);
    EXPECT_LE(area.height, 16 * 1080 / 768 + 4);
}

TEST(PictureUpdater, InvalidateAndConfigureDrawTheWholePictureAgain) {
    const std::vector<uint32_t> frame = NoiseFrame();
    PictureUpdater updater;
    updater.Configure(kFrameWidth, kFrameHeight, 1440, 1080);
    std::vector<uint32_t> picture(static_cast<size_t>(1440) * 1080);
    updater.Update(frame.data(), kFrameWidth, picture.data(), 1440);
    EXPECT_TRUE(updater.Update(frame.data(), kFrameWidth, picture.data(), 1440).empty());

    // A lost surface: whatever it holds now, the whole picture comes back.
    std::fill(picture.begin(), picture.end(), 0u);
    updater.Invalidate();
    std::vector<PixelRect> written = updater.Update(frame.data(), kFrameWidth, picture.data(), 1440);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].width, 1440);
    EXPECT_EQ(written[0].height, 1080);
    EXPECT_EQ(std::count(picture.begin(), picture.end(), 0u), 0);

    std::vector<uint32_t> larger(static_cast<size_t>(1920) * 1440);
    updater.Configure(kFrameWidth, kFrameHeight, 1920, 1440);
    written = updater.Update(frame.data(), kFrameWidth, larger.data(), 1920);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].width, 1920);
    EXPECT_EQ(written[0].height, 1440);
}

TEST(PictureUpdater, NoFrameOrNoPictureWritesNothing) {
    const std::vector<uint32_t> frame = NoiseFrame();
    PictureUpdater updater;
    updater.Configure(kFrameWidth, kFrameHeight, 0, 0);
    std::vector<uint32_t> picture(16, kUntouched);
    EXPECT_TRUE(updater.Update(frame.data(), kFrameWidth, picture.data(), 4).empty());
    updater.Configure(kFrameWidth, kFrameHeight, 4, 3);
    EXPECT_TRUE(updater.Update(nullptr, kFrameWidth, picture.data(), 4).empty());
    EXPECT_TRUE(updater.Update(frame.data(), kFrameWidth, nullptr, 4).empty());
    EXPECT_EQ(std::count(picture.begin(), picture.end(), kUntouched), 16);
}

}  // namespace
