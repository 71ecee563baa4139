// Presenting trades the back and front buffers' storage instead of copying:
// what the game sees through its kept back-buffer handle, its lock and its
// screenshots stays as it was.
#include <algorithm>

#include "app/app_fixture.h"
#include "app/globals.h"
#include "app/win_main.h"

namespace {

class BufferSwapTest : public AppFixture {
protected:
    // The pixels of a screenshot file, top-down.
    std::vector<uint32_t> ShotPixels(const std::string& file) const {
        const std::string data = ReadText(file);
        std::vector<uint32_t> pixels;
        if (data.size() != 3145782u) return pixels;
        pixels.resize(1024 * 768);
        for (int y = 0; y < 768; ++y) {
            for (int x = 0; x < 1024; ++x) {
                const size_t at = 54 + (static_cast<size_t>(767 - y) * 1024 + x) * 4;
                uint32_t value = 0;
                for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(data[at + i]);
                pixels[static_cast<size_t>(y) * 1024 + x] = value;
            }
        }
        return pixels;
    }
    static int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
        int n = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
        return n + static_cast<int>(std::max(a.size(), b.size()) - std::min(a.size(), b.size()));
    }
};

TEST_F(BufferSwapTest, F1BeforeTheFirstPresentShowsABlackScreen) {
    // The key is waiting when the loop starts: it is handled before the
    // first frame is presented.
    backend->QueueKeyDown(VK_F1);
    DriveFrames([this](uint64_t frame) {
        if (frame == 3) backend->QueueKeyDown(VK_ESCAPE);
    });
    ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    const std::vector<uint32_t> shot = ShotPixels(Screenshot(0));
    ASSERT_EQ(shot.size(), 1024u * 768u);
    EXPECT_EQ(Differing(shot, std::vector<uint32_t>(shot.size(), 0xFF000000u)), 0);
}

TEST_F(BufferSwapTest, F1TwiceBetweenTwoFramesShowsTheLastPresentedFrameBothTimes) {
    std::vector<uint32_t> presented, afterFirst, afterSecond;
    DriveFrames([&](uint64_t frame) {
        if (frame == 1) backend->QueueKeyDown(VK_SPACE);
        if (frame == 5) {
            // Frame 6 shows a shorter health bar than frame 5.
            game.SetHealth(50);
            backend->QueueKeyDown(VK_F1);
        }
        if (frame == 6) {
            afterFirst = ShotPixels(Screenshot(0));
            backend->QueueKeyDown(VK_F1);
            backend->QueueKeyDown(VK_F1);
            presented = backend->LastFrame();
        }
        if (frame == 7) {
            afterSecond = ShotPixels(Screenshot(0));
            backend->QueueKeyDown(VK_ESCAPE);
        }
    });
    ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    ASSERT_EQ(afterFirst.size(), 1024u * 768u);
    ASSERT_EQ(afterSecond.size(), 1024u * 768u);
    EXPECT_EQ(afterFirst[752 * 1024 + 150] & 0xFFFFFF, 0x6A9600u);   // full bar: red 106, green 150
    EXPECT_EQ(afterSecond[752 * 1024 + 150] & 0xFFFFFF, 0x646464u);  // half bar: grey there
    // The pair of presses after frame 6 shows frame 6, not frame 5 (the
    // buffer traded away) nor the frame being drawn.
    EXPECT_EQ(Differing(afterSecond, presented), 0);
    EXPECT_GT(Differing(afterFirst, afterSecond), 0);
}

TEST_F(BufferSwapTest, HealthBarShowsInEveryPresentedPlayFrame) {
    std::vector<uint64_t> framesWithoutBar;
    DriveFrames([&](uint64_t frame) {
        if (frame == 1) backend->QueueKeyDown(VK_SPACE);
        if (frame >= 3 && frame <= 8) {
            // The bar's column 100 at full health: red 156, green 100.
            const uint32_t p = backend->LastFrame()[752 * 1024 + 100];
            if ((p & 0xFFFFFF) != 0x9C6400u) framesWithoutBar.push_back(frame);
        }
        if (frame == 8) backend->QueueKeyDown(VK_ESCAPE);
    });
    ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_TRUE(framesWithoutBar.empty()) << "first frame without the bar: " << framesWithoutBar.front();
}

}  // namespace
