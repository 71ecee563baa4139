// The picture on a display larger than the game's 1024x768: full screen
// under a window manager, the frame scaled to the largest 4:3 picture and
// centred between black bars, as the X server shows it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

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

// What part of the screen a window of the game shows: within the window at
// (left, top) of width x height, the bars outside the 4:3 picture must be
// black and the picture the reference scaling of the frame. The frame is
// taken from two screenshots around the capture; only what stayed still
// between them is compared.
// What may differ, in per cent of the pixels compared, for the objects
// that crossed the screen between the two screenshots; the check is made
// again, up to kAttempts times in all, when more did (a busy machine):
// motion differs from try to try, a picture left behind does not.
constexpr int kMostOffPercent = 3;
constexpr int kAttempts = 3;

struct PictureCheck {
    int barPixels = 0;  // not black
    int compared = 0;
    int off = 0;  // more than 2 off the reference
    int worst = 0;
    bool Passes() const { return barPixels == 0 && compared > 0 && off <= compared * kMostOffPercent / 100; }
};

PictureCheck CheckPicture(const e2e::ScreenCapture& screen, int left, int top, int width, int height,
                          const e2e::Bitmap& before, const e2e::Bitmap& after) {
    PictureCheck check;
    // The largest 4:3 rectangle, centred (any odd pixel of the bars right or below).
    int pw = width, ph = (2 * width * 3 + 4) / 8;
    if (ph > height) {
        ph = height;
        pw = (2 * height * 4 + 3) / 6;
    }
    const int px = (width - pw) / 2, py = (height - ph) / 2;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (x < px || x >= px + pw || y < py || y >= py + ph) check.barPixels += screen.At(left + x, top + y) != 0;
        }
    }
    const std::vector<uint32_t> expected = reference::Scale(before.pixels, 1024, 768, pw, ph);
    // A picture pixel is compared where the four frame pixels it is made of
    // are the same in both screenshots.
    auto steady = [&](int x, int y) {
        const size_t i = static_cast<size_t>(y) * 1024 + x;
        return ((before.pixels[i] ^ after.pixels[i]) & 0xFFFFFF) == 0;
    };
    for (int y = 0; y < ph; ++y) {
        const int sy = std::clamp(static_cast<int>(std::floor((y + 0.5) * 768 / ph - 0.5)), 0, 766);
        for (int x = 0; x < pw; ++x) {
            const int sx = std::clamp(static_cast<int>(std::floor((x + 0.5) * 1024 / pw - 0.5)), 0, 1022);
            if (!steady(sx, sy) || !steady(sx + 1, sy) || !steady(sx, sy + 1) || !steady(sx + 1, sy + 1)) continue;
            ++check.compared;
            const int d = reference::ChannelDistance(screen.At(left + px + x, top + py + y),
                                                     expected[static_cast<size_t>(y) * pw + x] & 0xFFFFFF);
            check.worst = std::max(check.worst, d);
            check.off += d > 2;
        }
    }
    return check;
}

// Captures the screen between two screenshots and checks the part of it at
// (left, top), width x height, that shows the game; again, up to kAttempts
// times in all, while the check fails or compares no more than
// leastCompared pixels. The last check goes to *result.
void CheckBetweenScreenshots(const e2e::RunDirectory& dir, const std::string& display, int left, int top, int width,
                             int height, int leastCompared, PictureCheck* result) {
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const e2e::Bitmap before = TakeScreenshot(dir, display);
        ASSERT_TRUE(before.ok) << before.error;
        const e2e::ScreenCapture screen = e2e::CaptureScreen(display);
        const e2e::Bitmap after = TakeScreenshot(dir, display);
        ASSERT_TRUE(after.ok) << after.error;
        ASSERT_TRUE(screen.ok) << screen.error;
        ASSERT_TRUE(left >= 0 && top >= 0 && left + width <= screen.width && top + height <= screen.height)
            << width << "x" << height << "+" << left << "+" << top << " on " << screen.width << "x" << screen.height;
        *result = CheckPicture(screen, left, top, width, height, before, after);
        if (result->Passes() && result->compared > leastCompared) return;
    }
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
    // Bars of 240 columns on either side, exactly black, and the picture.
    constexpr int kLeastCompared = 1440 * 1080 * 9 / 10;
    PictureCheck check;
    ASSERT_NO_FATAL_FAILURE(CheckBetweenScreenshots(dir, xvfb.Display(), 0, 0, 1920, 1080, kLeastCompared, &check));
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "Escape"}));
    EXPECT_EQ(game.WaitForExit(15000), 0) << game.Stderr();

    EXPECT_EQ(check.barPixels, 0) << "pixels in the bars that are not black";
    EXPECT_GT(check.compared, kLeastCompared) << "too much of the start screen moved to compare";
    // An object that crossed the screen between the two screenshots (a
    // large asteroid on a busy machine) may stand on background that both
    // show: that much may differ, no more.
    EXPECT_LE(check.off, check.compared * kMostOffPercent / 100)
        << "picture pixels more than 2 off the reference (worst " << check.worst << ")";
}

// The game window's place and size on the screen, from xwininfo (x11-utils):
// its absolute upper-left corner, inside any frame of the window manager.
bool GameWindow(const std::string& display, int* x, int* y, int* width, int* height) {
    const std::string out = e2e::CaptureOutput(display, {"xwininfo", "-name", "Vantora3"});
    auto value = [&](const std::string& key, int* to) {
        const size_t at = out.find(key);
        if (at == std::string::npos) return false;
        std::istringstream(out.substr(at + key.size())) >> *to;
        return true;
    };
    return value("Absolute upper-left X:", x) && value("Absolute upper-left Y:", y) && value("Width:", width) &&
           value("Height:", height);
}

TEST(EndToEnd, EveryWindowSizeChangeShowsANewPictureAtOnce) {
    e2e::Xvfb xvfb(1920, 1080);
    ASSERT_TRUE(xvfb.Ok());
    e2e::WindowManager wm(xvfb.Display());
    ASSERT_TRUE(wm.Ok()) << "openbox did not start";
    e2e::RunDirectory dir;
    e2e::Game game(dir, xvfb.Display());
    ASSERT_TRUE(game.WaitForFrames(60, 30000)) << game.Stderr();

    // Full screen to a window, then to another size, then back: each time
    // the window must show the picture laid out for its new size.
    int x = 0, y = 0, width = 0, height = 0;
    auto waitForSize = [&](int w, int h) {
        return e2e::WaitUntil(
            [&] { return GameWindow(xvfb.Display(), &x, &y, &width, &height) && width == w && height == h; }, 10000);
    };
    auto check = [&](const char* stage) {
        SCOPED_TRACE(stage);
        // Some frames at the new size first.
        ASSERT_TRUE(game.WaitForFrames(game.CountLogLines("Scene ended") + 10, 10000));
        PictureCheck c;
        ASSERT_NO_FATAL_FAILURE(CheckBetweenScreenshots(dir, xvfb.Display(), x, y, width, height, 0, &c));
        EXPECT_EQ(c.barPixels, 0) << width << "x" << height;
        EXPECT_GT(c.compared, 0);
        EXPECT_LE(c.off, c.compared * kMostOffPercent / 100) << "worst " << c.worst;
    };

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "alt+Return"}));
    ASSERT_TRUE(waitForSize(1024, 768));
    check("window of 1024x768");
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"search", "--name", "^Vantora3$", "windowsize", "%1", "1280", "800"}));
    ASSERT_TRUE(waitForSize(1280, 800));
    check("window of 1280x800");
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "F11"}));
    ASSERT_TRUE(waitForSize(1920, 1080));
    check("full screen again");

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "Escape"}));
    EXPECT_EQ(game.WaitForExit(15000), 0) << game.Stderr();
}

}  // namespace
