// The picture on a display larger than the game's 1024x768: full screen
// under a window manager, the frame scaled to the largest 4:3 picture and
// centred between black bars, as the X server shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "e2e_harness.h"
#include "reference_scaler.h"

namespace {

// Presses F1 and returns the screenshot it writes (score 0: the start screen).
e2e::Bitmap TakeScreenshot(const e2e::RunDirectory& dir, const std::string& display) {
    const std::string path = dir.Screenshot(0);
    std::filesystem::remove(path);
    e2e::Bitmap failed;
    if (!e2e::XdoTool(display, {"key", "F1"})) return failed;
    // The writer renames a finished file into place.
    if (!e2e::WaitUntil([&] { return e2e::ReadFile(path).size() == 3145782u; }, 10000)) return failed;
    return e2e::ReadBitmap(path);
}

TEST(EndToEnd, FullHdScreenShowsTheFrameScaledBetweenBlackBars) {
    e2e::Xvfb xvfb(1920, 1080);
    ASSERT_TRUE(xvfb.Ok());
    e2e::WindowManager wm(xvfb.Display());
    ASSERT_TRUE(wm.Ok()) << "openbox did not start";
    e2e::RunDirectory dir;
    e2e::Game game(dir, xvfb.Display());
    ASSERT_TRUE(game.WaitForFrames(60, 30000)) << game.Stderr();

    // The start screen moves (the world runs behind it), so the screen is
    // captured between two screenshots, and only what stayed still from
    // the one to the other is compared.
    const e2e::Bitmap before = TakeScreenshot(dir, xvfb.Display());
    ASSERT_TRUE(before.ok) << before.error;
    const e2e::ScreenCapture screen = e2e::CaptureScreen(xvfb.Display());
    const e2e::Bitmap after = TakeScreenshot(dir, xvfb.Display());
    ASSERT_TRUE(after.ok) << after.error;
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "Escape"}));
    EXPECT_EQ(game.WaitForExit(15000), 0) << game.Stderr();

    ASSERT_TRUE(screen.ok) << screen.error;
    ASSERT_EQ(screen.width, 1920);
    ASSERT_EQ(screen.height, 1080);
    // Bars of 240 columns on either side, exactly black.
    int barPixels = 0;
    for (int y = 0; y < 1080; ++y) {
        for (int x = 0; x < 1920; ++x) {
            if (x < 240 || x >= 1680) barPixels += screen.At(x, y) != 0;
        }
    }
    EXPECT_EQ(barPixels, 0) << "pixels in the bars that are not black";

    const std::vector<uint32_t> expected = reference::Scale(before.pixels, 1024, 768, 1440, 1080);
    // A picture pixel is compared where the four frame pixels it is made of
    // are the same in both screenshots.
    auto steady = [&](int x, int y) {
        const size_t i = static_cast<size_t>(y) * 1024 + x;
        return ((before.pixels[i] ^ after.pixels[i]) & 0xFFFFFF) == 0;
    };
    int compared = 0, off = 0, worst = 0;
    for (int y = 0; y < 1080; ++y) {
        const int sy = std::clamp(static_cast<int>(std::floor((y + 0.5) * 768 / 1080 - 0.5)), 0, 766);
        for (int x = 0; x < 1440; ++x) {
            const int sx = std::clamp(static_cast<int>(std::floor((x + 0.5) * 1024 / 1440 - 0.5)), 0, 1022);
            if (!steady(sx, sy) || !steady(sx + 1, sy) || !steady(sx, sy + 1) || !steady(sx + 1, sy + 1)) continue;
            ++compared;
            const int d = reference::ChannelDistance(screen.At(240 + x, y), expected[static_cast<size_t>(y) * 1440 + x] & 0xFFFFFF);
            worst = std::max(worst, d);
            off += d > 2;
        }
    }
    EXPECT_GT(compared, 1440 * 1080 * 9 / 10) << "too much of the start screen moved to compare";
    // An object that crossed the screen between the two screenshots (a
    // large asteroid on a busy machine) may stand on background that both
    // show: that much may differ, no more.
    EXPECT_LE(off, compared * 3 / 100) << "picture pixels more than 2 off the reference (worst " << worst << ")";
}

}  // namespace
