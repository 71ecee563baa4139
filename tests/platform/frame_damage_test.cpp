#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "pixel_hash.h"
#include "platform/frame_changes.h"
#include "platform/frame_damage.h"

namespace {

using platform::BaseKey;
using platform::FrameChanges;
using platform::FrameDamage;

constexpr int kTile = FrameChanges::kTileColumns;
constexpr int kBand = FrameChanges::kBandRows;

// A 1000x700 damage (its last tile is 40 columns wide, its last band 12
// rows) on a base.
FrameDamage OnABase() {
    FrameDamage damage;
    damage.Resize(1000, 700);
    damage.LayBase(BaseKey{7, 0xFFAAAAAAu});
    return damage;
}

// The marked tiles as (band, bits) pairs, the bands without marks left out.
std::vector<std::pair<int, uint64_t>> Marks(const FrameDamage& damage) {
    std::vector<std::pair<int, uint64_t>> marks;
    for (size_t band = 0; band < damage.Bands().size(); ++band) {
        if (damage.Bands()[band] != 0) marks.emplace_back(static_cast<int>(band), damage.Bands()[band]);
    }
    return marks;
}

TEST(FrameDamage, AnAreaMarksEveryTileItTouchesClippedToTheFrame) {
    struct Case {
        const char* name;
        int left, top, right, bottom;
        std::vector<std::pair<int, uint64_t>> marks;
    };
    const uint64_t lastTile = uint64_t{1} << (1000 / kTile);
    const Case cases[] = {
        {"one pixel", 70, 20, 71, 21, {{1, 0b10}}},
        {"a tile exactly", kTile, kBand, 2 * kTile, 2 * kBand, {{1, 0b10}}},
        {"across tile and band edges", kTile - 1, kBand - 1, kTile + 1, kBand + 1, {{0, 0b11}, {1, 0b11}}},
        {"the last, narrow tile and band", 990, 695, 1000, 700, {{700 / kBand, lastTile}}},
        {"past every edge", -50, -50, 5000, 20, {{0, (lastTile << 1) - 1}, {1, (lastTile << 1) - 1}}},
        {"empty", 100, 100, 100, 200, {}},
        {"inverted", 200, 100, 100, 200, {}},
        {"wholly outside", 1000, 0, 1100, 50, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameDamage damage = OnABase();
        damage.Mark(c.left, c.top, c.right, c.bottom);
        EXPECT_EQ(Marks(damage), c.marks);
    }
}

TEST(FrameDamage, WithoutABaseNothingIsMarkedAndANewBaseClearsTheMarks) {
    FrameDamage damage;
    damage.Resize(1000, 700);
    EXPECT_FALSE(damage.HasBase());
    damage.Mark(0, 0, 10, 10);
    EXPECT_TRUE(Marks(damage).empty());

    damage.LayBase(BaseKey{3, 0});
    damage.Mark(0, 0, 10, 10);
    EXPECT_FALSE(Marks(damage).empty());
    damage.Forget();
    EXPECT_FALSE(damage.HasBase());
    damage.LayBase(BaseKey{3, 0});
    EXPECT_TRUE(damage.HasBase());
    EXPECT_TRUE(Marks(damage).empty());
}

TEST(FrameDamage, DifferencesFromTheBaseAreMarkedAndEarlierMarksKept) {
    const int pitch = 1003;
    std::vector<uint32_t> base(static_cast<size_t>(pitch) * 700);
    for (size_t i = 0; i < base.size(); ++i) base[i] = PixelHash(static_cast<uint32_t>(i));
    std::vector<uint32_t> frame = base;
    auto at = [&](int x, int y) -> uint32_t& { return frame[static_cast<size_t>(y) * pitch + x]; };
    at(0, 0) ^= 1;          // band 0, tile 0
    at(999, 699) ^= 1;      // the last tile of the last band
    at(3 * kTile, 40) ^= 1;  // band 2, tile 3: its first column
    frame[static_cast<size_t>(100) * pitch + 1001] ^= 1;  // past the width: not the frame's
    FrameDamage damage = OnABase();
    damage.Mark(kTile * 5, 0, kTile * 5 + 1, 1);  // marked before, whatever its pixels
    damage.MarkDifferences(frame.data(), base.data(), pitch);
    const uint64_t lastTile = uint64_t{1} << (1000 / kTile);
    EXPECT_EQ(Marks(damage), (std::vector<std::pair<int, uint64_t>>{{0, 0b100001}, {2, 0b1000}, {43, lastTile}}));
}

TEST(FrameDamage, DifferencesAreLookedForOnlyInTheRowsGiven) {
    const int pitch = 1000;
    std::vector<uint32_t> base(static_cast<size_t>(pitch) * 700);
    for (size_t i = 0; i < base.size(); ++i) base[i] = PixelHash(static_cast<uint32_t>(i));
    std::vector<uint32_t> frame = base;
    // One changed pixel in each of rows 15, 16, 40 and 699, each in a tile of its own.
    const int rows[] = {15, 16, 40, 699};
    for (int i = 0; i < 4; ++i) frame[static_cast<size_t>(rows[i]) * pitch + i * kTile] ^= 1;
    struct Case {
        const char* name;
        int top, bottom;
        std::vector<std::pair<int, uint64_t>> marks;
    };
    const Case cases[] = {
        {"all rows", 0, 700, {{0, 0b1}, {1, 0b10}, {2, 0b100}, {43, 0b1000}}},
        {"one row at a band's end", 15, 16, {{0, 0b1}}},
        {"one row at a band's start", 16, 17, {{1, 0b10}}},
        {"rows with no change", 17, 40, {}},
        {"past the frame's end", 690, 5000, {{43, 0b1000}}},
        {"before its start", -10, 16, {{0, 0b1}}},
        {"empty", 40, 40, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FrameDamage damage = OnABase();
        damage.MarkDifferences(frame.data(), base.data(), pitch, c.top, c.bottom);
        EXPECT_EQ(Marks(damage), c.marks);
    }
}

// Frames on one base: noise everywhere, and in each frame a few tiles
// drawn over, marked in that frame's damage.
struct Drawn {
    std::vector<uint32_t> pixels;
    FrameDamage damage;
};

Drawn DrawOver(const std::vector<uint32_t>& base, BaseKey key, const std::vector<std::pair<int, int>>& spots,
               uint32_t seed) {
    Drawn drawn{base, {}};
    drawn.damage.Resize(1024, 768);
    drawn.damage.LayBase(key);
    for (auto [x, y] : spots) {
        drawn.pixels[static_cast<size_t>(y) * 1024 + x] = PixelHash(seed + static_cast<uint32_t>(x));
        drawn.damage.Mark(x, y, x + 1, y + 1);
    }
    return drawn;
}

std::vector<uint32_t> Noise(uint32_t seed) {
    std::vector<uint32_t> pixels(1024 * 768);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = PixelHash(seed + static_cast<uint32_t>(i));
    return pixels;
}

// Areas as a comparable list.
std::vector<std::vector<int>> Listed(const std::vector<platform::PictureRect>& areas) {
    std::vector<std::vector<int>> list;
    for (const auto& a : areas) list.push_back({a.x, a.y, a.width, a.height});
    return list;
}

TEST(FrameChangesWithDamage, OnOneBaseTheMarkedTilesOfBothFramesGiveTheSameAreasAsAWholeSearch) {
    const std::vector<uint32_t> base = Noise(1);
    const BaseKey key{11, 0xFFFFFFFFu};
    const std::vector<std::vector<std::pair<int, int>>> frames = {
        {{10, 10}, {500, 300}},
        {{10, 10}, {520, 300}, {1023, 767}},  // one spot again, one moved, one new
        {{10, 10}},                           // the others gone: their tiles are the base's again
        {},
        {{0, 767}, {640, 16}},
    };
    FrameChanges hinted, whole;
    for (size_t f = 0; f < frames.size(); ++f) {
        SCOPED_TRACE(f);
        const Drawn drawn = DrawOver(base, key, frames[f], static_cast<uint32_t>(f) * 7919u);
        const auto fromDamage = Listed(hinted.Compare(drawn.pixels.data(), 1024, 768, 1024, &drawn.damage));
        const auto searched = Listed(whole.Compare(drawn.pixels.data(), 1024, 768, 1024));
        EXPECT_EQ(fromDamage, searched);
        if (f > 0 && !frames[f].empty()) {
            EXPECT_FALSE(fromDamage.empty());
        }
    }
}

TEST(FrameChangesWithDamage, OnlyMarkedTilesAreReadOnTheSameBaseAndEveryTileOnAnother) {
    const std::vector<uint32_t> base = Noise(2);
    const BaseKey key{12, 0xFFAAAAAAu};
    FrameChanges changes;
    Drawn first = DrawOver(base, key, {}, 0);
    EXPECT_EQ(Listed(changes.Compare(first.pixels.data(), 1024, 768, 1024, &first.damage)),
              (std::vector<std::vector<int>>{{0, 0, 1024, 768}}));

    // A change nobody marked, on the same base, is not looked for: the
    // damage is the drawers' promise that nothing else was written.
    Drawn second = DrawOver(base, key, {{300, 200}}, 5);
    second.pixels[static_cast<size_t>(700) * 1024 + 900] ^= 1;
    EXPECT_EQ(Listed(changes.Compare(second.pixels.data(), 1024, 768, 1024, &second.damage)),
              (std::vector<std::vector<int>>{{300, 200, 1, 1}}));

    // On another base every tile is compared, an unmarked one too.
    Drawn third = DrawOver(base, BaseKey{13, 0xFFAAAAAAu}, {{300, 200}}, 5);
    third.pixels[static_cast<size_t>(100) * 1024 + 100] ^= 1;
    EXPECT_EQ(Listed(changes.Compare(third.pixels.data(), 1024, 768, 1024, &third.damage)),
              (std::vector<std::vector<int>>{{100, 100, 1, 1}}));

    // And so without a damage, or with one of another shape.
    FrameDamage otherShape;
    otherShape.Resize(800, 600);
    otherShape.LayBase(BaseKey{13, 0xFFAAAAAAu});
    third.pixels[5] ^= 1;
    EXPECT_EQ(Listed(changes.Compare(third.pixels.data(), 1024, 768, 1024, &otherShape)),
              (std::vector<std::vector<int>>{{5, 0, 1, 1}}));
}

}  // namespace
