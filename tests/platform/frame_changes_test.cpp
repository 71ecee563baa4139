#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pixel_hash.h"
#include "platform/present/frame_changes.h"

namespace {

using platform::FrameChanges;

constexpr int kTile = FrameChanges::kTileColumns;
constexpr int kBand = FrameChanges::kBandRows;

// A frame of noise, width x height in rows pitch pixels apart (the pixels
// past the width hold noise too, which must not count).
struct Frame {
    int width, height, pitch;
    std::vector<uint32_t> pixels;
    Frame(int w, int h, int p) : width(w), height(h), pitch(p), pixels(static_cast<size_t>(p) * h) {
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0xFF000000u | PixelHash(static_cast<uint32_t>(i));
    }
    uint32_t& at(int x, int y) { return pixels[static_cast<size_t>(y) * pitch + x]; }
};

std::vector<PixelRect> Areas(FrameChanges& changes, const Frame& frame) {
    return changes.Compare(frame.pixels.data(), frame.width, frame.height, frame.pitch);
}

std::string Describe(const std::vector<PixelRect>& areas) {
    std::string text;
    for (const PixelRect& a : areas) {
        text += "{" + std::to_string(a.x) + "," + std::to_string(a.y) + " " + std::to_string(a.width) + "x" +
                std::to_string(a.height) + "} ";
    }
    return text;
}

// Whether the areas are exactly the one expected.
testing::AssertionResult OneArea(const std::vector<PixelRect>& areas, const PixelRect& expected) {
    if (areas.size() == 1 && areas[0] == expected) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "areas " << Describe(areas) << "; expected " << Describe({expected});
}

TEST(FrameChanges, TheFirstFrameComesBackWholeAndTheSameFrameAgainComesBackEmpty) {
    FrameChanges changes;
    Frame frame(1024, 768, 1024);
    EXPECT_TRUE(OneArea(Areas(changes, frame), {0, 0, 1024, 768}));
    EXPECT_TRUE(Areas(changes, frame).empty());
    EXPECT_TRUE(Areas(changes, frame).empty());
}

// Which pixels change (x, y) and the areas that must come back, for a
// 1000x700 frame (its last tile is 40 columns wide, its last band 12 rows).
struct Case {
    const char* what;
    std::vector<std::pair<int, int>> pixels;
    std::vector<PixelRect> areas;
};

const Case kCases[] = {
    {"one pixel: itself", {{100, 40}}, {{100, 40, 1, 1}}},
    {"the first pixel", {{0, 0}}, {{0, 0, 1, 1}}},
    {"the last pixel", {{999, 699}}, {{999, 699, 1, 1}}},
    {"two pixels of a tile: their extent", {{70, 20}, {100, 30}}, {{70, 20, 31, 11}}},
    {"neighbouring tiles of a band: one run", {{63, 5}, {64, 10}, {130, 15}}, {{63, 5, 68, 11}}},
    {"tiles apart in one band: two areas", {{10, 20}, {500, 20}}, {{10, 20, 1, 1}, {500, 20, 1, 1}}},
    {"the same columns in bands below: joined", {{70, 15}, {70, 16}, {100, 40}}, {{70, 15, 31, 26}}},
    {"other columns below: separate areas", {{70, 15}, {200, 16}}, {{70, 15, 1, 1}, {200, 16, 1, 1}}},
    {"a band left out: separate areas", {{70, 0}, {70, 40}}, {{70, 0, 1, 1}, {70, 40, 1, 1}}},
};

TEST(FrameChanges, ChangedPixelsComeBackAsTheExtentOfTheirTilesJoinedIntoRuns) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        FrameChanges changes;
        Frame frame(1000, 700, 1000);
        Areas(changes, frame);
        for (auto [x, y] : c.pixels) frame.at(x, y) ^= 0x00010000u;
        const std::vector<PixelRect> areas = Areas(changes, frame);
        ASSERT_EQ(areas.size(), c.areas.size()) << Describe(areas);
        for (size_t i = 0; i < areas.size(); ++i) EXPECT_TRUE(areas[i] == c.areas[i]) << Describe(areas);
        // The copy kept is the new frame: nothing changes after it.
        EXPECT_TRUE(Areas(changes, frame).empty());
    }
}

TEST(FrameChanges, PastTheMostAreasEachBandGivesOneRun) {
    // Every other tile of every band, a tile further right in every other
    // band: 8 runs in each of 48 bands, none joining the band above, far
    // more areas than the window system should get requests for. Each
    // band then comes back as the run from its first changed tile to its
    // last: the extent of its changed pixels.
    FrameChanges changes;
    Frame frame(1024, 768, 1024);
    Areas(changes, frame);
    for (int band = 0; band < 768 / kBand; ++band) {
        for (int tile = band % 2; tile < 1024 / kTile; tile += 2) frame.at(tile * kTile + 5, band * kBand + 3) ^= 1;
    }
    std::vector<PixelRect> areas = Areas(changes, frame);
    ASSERT_EQ(areas.size(), static_cast<size_t>(768 / kBand)) << Describe(areas);
    ASSERT_LE(areas.size(), FrameChanges::kMostAreas);
    for (size_t band = 0; band < areas.size(); ++band) {
        const int first = (band % 2 == 0 ? 0 : kTile) + 5;
        const int last = (band % 2 == 0 ? 1024 - 2 * kTile : 1024 - kTile) + 5;
        EXPECT_TRUE((areas[band] == PixelRect{first, static_cast<int>(band) * kBand + 3, last + 1 - first, 1}))
            << Describe({areas[band]});
    }
    // A few runs stay as they are.
    frame.at(5, 3) ^= 1;
    frame.at(500, 3) ^= 1;
    areas = Areas(changes, frame);
    EXPECT_EQ(areas.size(), 2u) << Describe(areas);
}

TEST(FrameChanges, PixelsPastTheWidthDoNotCount) {
    FrameChanges changes;
    Frame frame(100, 40, 130);
    Areas(changes, frame);
    for (int y = 0; y < 40; ++y) frame.at(110, y) ^= 1;
    EXPECT_TRUE(Areas(changes, frame).empty());
    frame.at(99, 39) ^= 1;
    EXPECT_TRUE(OneArea(Areas(changes, frame), {99, 39, 1, 1}));
}

TEST(FrameChanges, ALaterChangeInAChangedTileIsKept) {
    // Every changed row of a tile is kept, not only its first: the next
    // frame must compare against the pixels as they were.
    FrameChanges changes;
    Frame frame(256, 64, 256);
    Areas(changes, frame);
    frame.at(5, 1) ^= 1;
    frame.at(6, 14) ^= 1;
    EXPECT_TRUE(OneArea(Areas(changes, frame), {5, 1, 2, 14}));
    frame.at(6, 14) ^= 1;  // back as it was two frames ago
    EXPECT_TRUE(OneArea(Areas(changes, frame), {6, 14, 1, 1}));
}

TEST(FrameChanges, AFrameOfAnotherSizeOrAfterForgetComesBackWhole) {
    FrameChanges changes;
    Frame small(320, 200, 320);
    Frame large(640, 400, 640);
    Areas(changes, small);
    EXPECT_TRUE(OneArea(Areas(changes, large), {0, 0, 640, 400}));
    EXPECT_TRUE(Areas(changes, large).empty());
    changes.Forget();
    EXPECT_TRUE(OneArea(Areas(changes, large), {0, 0, 640, 400}));
}

TEST(FrameChanges, AFrameWiderThanSixtyFourTilesGetsWiderTiles) {
    FrameChanges changes;
    Frame frame(8192, 20, 8192);
    Areas(changes, frame);
    frame.at(8191, 19) ^= 1;
    frame.at(10, 2) ^= 1;
    const std::vector<PixelRect> areas = Areas(changes, frame);
    ASSERT_EQ(areas.size(), 2u) << Describe(areas);
    EXPECT_TRUE((areas[0] == PixelRect{10, 2, 1, 1})) << Describe(areas);
    EXPECT_TRUE((areas[1] == PixelRect{8191, 19, 1, 1})) << Describe(areas);
}

TEST(FrameChanges, NoFrameOrAnEmptyOneChangesNothingAndIsForgotten) {
    FrameChanges changes;
    Frame frame(64, 16, 64);
    Areas(changes, frame);
    EXPECT_TRUE(changes.Compare(nullptr, 64, 16, 64).empty());
    EXPECT_TRUE(changes.Compare(frame.pixels.data(), 0, 16, 64).empty());
    EXPECT_EQ(Areas(changes, frame).size(), 1u);
}

}  // namespace
