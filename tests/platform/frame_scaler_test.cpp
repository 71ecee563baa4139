#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pixel_hash.h"
#include "platform/present/frame_scaler.h"
#include "reference_scaler.h"

namespace {

using platform::FrameScaler;
using platform::ScalerKernel;

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;
constexpr uint32_t kUntouched = 0x5A5A5A5Au;
constexpr uint32_t kBlack = 0xFF000000u;

// Opaque noise: neighbours differ as much as pixels can, the hardest case
// for the filter's weights; a hard-edged white square and a smooth ramp
// besides.
std::vector<uint32_t> TestFrame() {
    std::vector<uint32_t> frame(static_cast<size_t>(kFrameWidth) * kFrameHeight);
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            uint32_t p = 0xFF000000u | (PixelHash(static_cast<uint32_t>(y * kFrameWidth + x)) & 0xFFFFFF);
            if (x >= 300 && x < 400 && y >= 300 && y < 400) p = 0xFFFFFFFFu;
            if (y >= 600) p = 0xFF000000u | static_cast<uint32_t>(x / 4) << 8 | static_cast<uint32_t>(y - 600);
            frame[static_cast<size_t>(y) * kFrameWidth + x] = p;
        }
    }
    return frame;
}

struct Case {
    int width, height;  // the window
    PixelRect picture;  // where the picture belongs
    FrameScaler::Method method;
};

// One table for every window size: the picture keeps the frame's 4:3 shape,
// as large as fits, centred; bars fill the rest.
const Case kCases[] = {
    {1024, 768, {0, 0, 1024, 768}, FrameScaler::Method::Copy},
    {2048, 1536, {0, 0, 2048, 1536}, FrameScaler::Method::Repeat},
    {1280, 1024, {0, 32, 1280, 960}, FrameScaler::Method::Bilinear},  // bars above and below
    {1366, 768, {171, 0, 1024, 768}, FrameScaler::Method::Copy},
    {1920, 1080, {240, 0, 1440, 1080}, FrameScaler::Method::Bilinear},
    {2560, 1440, {320, 0, 1920, 1440}, FrameScaler::Method::Bilinear},
    {3840, 2160, {480, 0, 2880, 2160}, FrameScaler::Method::Bilinear},
    {800, 600, {0, 0, 800, 600}, FrameScaler::Method::Bilinear},      // smaller than the frame
    {1500, 1126, {0, 0, 1500, 1125}, FrameScaler::Method::Bilinear},  // width not a multiple of 8, one bar row
    {3, 2, {0, 0, 3, 2}, FrameScaler::Method::Bilinear},
    {1, 1, {0, 0, 1, 1}, FrameScaler::Method::Bilinear},
    {0, 0, {0, 0, 0, 0}, FrameScaler::Method::None},  // nothing to draw
};

TEST(FrameScaler, EveryWindowSizeGetsTheReferencePictureInPlaceWithBlackBars) {
    const std::vector<uint32_t> frame = TestFrame();
    const std::vector<uint32_t> blank(frame.size(), 0xFF808080u);
    for (const Case& c : kCases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        const PixelRect picture = platform::FitPicture(kFrameWidth, kFrameHeight, c.width, c.height);
        EXPECT_EQ(picture.x, c.picture.x);
        EXPECT_EQ(picture.y, c.picture.y);
        EXPECT_EQ(picture.width, c.picture.width);
        EXPECT_EQ(picture.height, c.picture.height);
        const std::vector<uint32_t> expected =
            reference::Scale(frame, kFrameWidth, kFrameHeight, picture.width, picture.height);

        std::vector<uint32_t> scalarResult;
        for (ScalerKernel kernel : {ScalerKernel::Scalar, ScalerKernel::Sse2, ScalerKernel::Avx2}) {
            FrameScaler scaler;
            scaler.Configure(kFrameWidth, kFrameHeight, picture.width, picture.height, kernel);
            if (kernel == ScalerKernel::Avx2 && scaler.GetKernel() != ScalerKernel::Avx2) continue;
            SCOPED_TRACE(testing::Message() << "kernel " << static_cast<int>(scaler.GetKernel()));
            EXPECT_EQ(scaler.GetMethod(), c.method);

            // Rows a few pixels longer than the window, as a window
            // surface's may be, and one row of guard below.
            const int pitch = c.width + 5;
            std::vector<uint32_t> window(static_cast<size_t>(pitch) * (c.height + 1), kUntouched);
            platform::FillBars(window.data(), c.width, c.height, pitch, picture);
            uint32_t* origin = window.data() + static_cast<size_t>(picture.y) * pitch + picture.x;
            // A frame before: nothing of it may remain in the next.
            scaler.Scale(blank.data(), kFrameWidth, origin, pitch);
            scaler.Scale(frame.data(), kFrameWidth, origin, pitch);

            int worst = 0, wrongBars = 0, overrun = 0;
            std::vector<uint32_t> result(static_cast<size_t>(picture.width) * picture.height);
            for (int y = 0; y <= c.height; ++y) {
                for (int x = 0; x < pitch; ++x) {
                    const uint32_t p = window[static_cast<size_t>(y) * pitch + x];
                    const bool inWindow = y < c.height && x < c.width;
                    const bool inPicture = x >= picture.x && x < picture.x + picture.width && y >= picture.y &&
                                           y < picture.y + picture.height;
                    if (!inWindow) {
                        overrun += p != kUntouched;
                    } else if (!inPicture) {
                        wrongBars += p != kBlack;
                    } else {
                        const size_t i = static_cast<size_t>(y - picture.y) * picture.width + (x - picture.x);
                        result[i] = p;
                        worst = std::max(worst, reference::ChannelDistance(p, expected[i]));
                    }
                }
            }
            EXPECT_LE(worst, 2);
            EXPECT_EQ(wrongBars, 0);
            EXPECT_EQ(overrun, 0);
            // The wide loops compute exactly what the plain ones do.
            if (kernel == ScalerKernel::Scalar) {
                scalarResult = result;
            } else {
                EXPECT_TRUE(result == scalarResult);
            }
        }
    }
}

// Rows that start on 32 bytes with a pitch of whole 32-byte steps are
// written with streaming stores, a cache line at a time; the window surface
// of a real display has such rows. Each case gives the picture's size, the
// pitch and where its first pixel lies past a 64-byte line, in pixels.
struct AlignedCase {
    int width, height, pitch, lineOffset;
};

const AlignedCase kAlignedCases[] = {
    {1440, 1080, 1920, 0},  // as in a 1920x1080 window
    {1440, 1080, 1920, 8},  // rows half way into a line
    {1448, 1086, 1464, 0},  // an odd number of groups; every other row half way into a line
    {1500, 1125, 1504, 8},  // a last group overlapping the one before
    {2880, 2160, 3840, 0},  // runs of three rows from one pair of source rows
    {3328, 2496, 3328, 0},  // runs of four
};

TEST(FrameScaler, AlignedRowsGetThePixelsOfThePlainLoops) {
    const std::vector<uint32_t> frame = TestFrame();
    for (const AlignedCase& c : kAlignedCases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " pitch " << c.pitch << " offset "
                                        << c.lineOffset);
        FrameScaler plain;
        plain.Configure(kFrameWidth, kFrameHeight, c.width, c.height, ScalerKernel::Scalar);
        std::vector<uint32_t> expected(static_cast<size_t>(c.width) * c.height);
        plain.Scale(frame.data(), kFrameWidth, expected.data(), c.width);

        for (ScalerKernel kernel : {ScalerKernel::Sse2, ScalerKernel::Avx2}) {
            FrameScaler scaler;
            scaler.Configure(kFrameWidth, kFrameHeight, c.width, c.height, kernel);
            if (scaler.GetKernel() != kernel) continue;
            SCOPED_TRACE(testing::Message() << "kernel " << static_cast<int>(kernel));
            // One spare line before the picture to place its first pixel.
            std::vector<uint32_t> window(static_cast<size_t>(c.pitch) * c.height + 32, kUntouched);
            const uintptr_t address = reinterpret_cast<uintptr_t>(window.data());
            uint32_t* origin = window.data() + ((64 - address % 64) % 64) / 4 + c.lineOffset;
            scaler.Scale(frame.data(), kFrameWidth, origin, c.pitch);

            int wrong = 0, overrun = 0;
            for (int y = 0; y < c.height; ++y) {
                for (int x = 0; x < c.pitch; ++x) {
                    const uint32_t p = origin[static_cast<size_t>(y) * c.pitch + x];
                    if (x < c.width) {
                        wrong += p != expected[static_cast<size_t>(y) * c.width + x];
                    } else {
                        overrun += p != kUntouched;
                    }
                }
            }
            EXPECT_EQ(wrong, 0);
            EXPECT_EQ(overrun, 0);
        }
    }
}

// Parts of the picture scaled alone. Each case gives the picture's size
// and the part; parts run past the picture's edges, are narrower than a
// group of the wide loops, or cut repeated blocks.
struct AreaCase {
    int width, height;
    PixelRect area;
};

const AreaCase kAreaCases[] = {
    {1500, 1125, {1496, 10, 4, 3}},      // narrower than a group, at the right edge
    {1500, 1125, {0, 0, 1, 1}},          // the first pixel
    {1440, 1080, {13, 1075, 700, 50}},   // past the bottom
    {1440, 1080, {-20, -20, 40, 40}},    // before the top-left corner
    {2048, 1536, {3, 5, 7, 9}},          // parts of repeated blocks
    {1024, 768, {1000, 700, 100, 100}},  // a copy, past the corner
    {800, 600, {100, 100, 300, 1}},      // one row of a smaller picture
};

TEST(FrameScaler, APartOfThePictureGetsThePixelsOfAWholeScaleAndNothingElseChanges) {
    const std::vector<uint32_t> frame = TestFrame();
    for (const AreaCase& c : kAreaCases) {
        for (ScalerKernel kernel : {ScalerKernel::Scalar, ScalerKernel::Sse2, ScalerKernel::Avx2}) {
            FrameScaler scaler;
            scaler.Configure(kFrameWidth, kFrameHeight, c.width, c.height, kernel);
            if (scaler.GetKernel() != kernel) continue;
            SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " area " << c.area.x << "," << c.area.y
                                            << " kernel " << static_cast<int>(kernel));
            std::vector<uint32_t> expected(static_cast<size_t>(c.width) * c.height);
            scaler.Scale(frame.data(), kFrameWidth, expected.data(), c.width);
            const int pitch = c.width + 8;
            std::vector<uint32_t> window(static_cast<size_t>(pitch) * (c.height + 1), kUntouched);
            scaler.ScaleArea(frame.data(), kFrameWidth, window.data(), pitch, c.area);

            int wrong = 0, missing = 0, stray = 0, overrun = 0;
            for (int y = 0; y <= c.height; ++y) {
                for (int x = 0; x < pitch; ++x) {
                    const uint32_t p = window[static_cast<size_t>(y) * pitch + x];
                    if (y == c.height || x >= c.width) {
                        overrun += p != kUntouched;
                        continue;
                    }
                    const bool inArea =
                        x >= c.area.x && x < c.area.x + c.area.width && y >= c.area.y && y < c.area.y + c.area.height;
                    const uint32_t want = expected[static_cast<size_t>(y) * c.width + x];
                    if (inArea) {
                        missing += p == kUntouched;
                        wrong += p != want && p != kUntouched;
                    } else {
                        // Widened to whole groups or blocks: the frame's own pixels.
                        stray += p != kUntouched && p != want;
                    }
                }
            }
            EXPECT_EQ(missing, 0);
            EXPECT_EQ(wrong, 0);
            EXPECT_EQ(stray, 0);
            EXPECT_EQ(overrun, 0);
        }
    }
}

TEST(FrameScaler, TheAreaOfFramePixelsIsWherePicturePixelsSampleThem) {
    FrameScaler scaler;
    // The whole frame goes into the whole picture, for every method.
    for (const auto& size : {std::pair{1024, 768}, {2048, 1536}, {1440, 1080}, {1500, 1125}}) {
        scaler.Configure(kFrameWidth, kFrameHeight, size.first, size.second);
        const PixelRect all = scaler.AreaOf({0, 0, kFrameWidth, kFrameHeight});
        EXPECT_EQ(all.x, 0);
        EXPECT_EQ(all.y, 0);
        EXPECT_EQ(all.width, size.first);
        EXPECT_EQ(all.height, size.second);
    }
    // Frame pixel (10, 20) of a 3x picture is the block at (30, 60).
    scaler.Configure(kFrameWidth, kFrameHeight, 3 * kFrameWidth, 3 * kFrameHeight);
    const PixelRect block = scaler.AreaOf({10, 20, 1, 1});
    EXPECT_EQ(block.x, 30);
    EXPECT_EQ(block.y, 60);
    EXPECT_EQ(block.width, 3);
    EXPECT_EQ(block.height, 3);
    // Outside the frame, or nothing: no area.
    scaler.Configure(kFrameWidth, kFrameHeight, 1440, 1080);
    EXPECT_EQ(scaler.AreaOf({kFrameWidth, 0, 10, 10}).width, 0);
    EXPECT_EQ(scaler.AreaOf({5, 5, 0, 10}).width, 0);
    // A one-pixel picture samples only the four pixels round the centre.
    scaler.Configure(kFrameWidth, kFrameHeight, 1, 1);
    EXPECT_EQ(scaler.AreaOf({0, 0, 100, 100}).width, 0);
    const PixelRect centre = scaler.AreaOf({511, 383, 2, 2});
    EXPECT_EQ(centre.width, 1);
    EXPECT_EQ(centre.height, 1);
}

TEST(FrameScaler, WholeNumberFactorsRepeatEachPixelExactly) {
    const std::vector<uint32_t> frame = TestFrame();
    for (int factor : {2, 3}) {
        FrameScaler scaler;
        scaler.Configure(kFrameWidth, kFrameHeight, kFrameWidth * factor, kFrameHeight * factor);
        ASSERT_EQ(scaler.GetMethod(), FrameScaler::Method::Repeat);
        const int width = kFrameWidth * factor;
        std::vector<uint32_t> picture(static_cast<size_t>(width) * kFrameHeight * factor);
        scaler.Scale(frame.data(), kFrameWidth, picture.data(), width);
        int wrong = 0;
        for (int y = 0; y < kFrameHeight * factor; ++y) {
            for (int x = 0; x < width; ++x) {
                wrong += picture[static_cast<size_t>(y) * width + x] !=
                         frame[static_cast<size_t>(y / factor) * kFrameWidth + x / factor];
            }
        }
        EXPECT_EQ(wrong, 0) << "factor " << factor;
    }
}

TEST(FrameScaler, BarsCoverTheWholeWindowAroundAnyPicture) {
    // Picture against every edge and in the middle; an empty one leaves
    // the whole window black.
    const PixelRect pictures[] = {{0, 0, 4, 3}, {6, 5, 4, 3}, {3, 2, 4, 3}, {0, 0, 0, 0}};
    for (const PixelRect& picture : pictures) {
        std::vector<uint32_t> window(10 * 8, kUntouched);
        platform::FillBars(window.data(), 10, 8, 10, picture);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 10; ++x) {
                const bool inside =
                    x >= picture.x && x < picture.x + picture.width && y >= picture.y && y < picture.y + picture.height;
                EXPECT_EQ(window[y * 10 + x], inside ? kUntouched : kBlack) << x << "," << y;
            }
        }
    }
}

}  // namespace
