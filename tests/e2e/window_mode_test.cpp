// Full screen and the window mode on a 1920x1080 display, on a bare X server
// and under a window manager (openbox): full screen covers the display from
// its top-left corner; Alt+Enter gives a 1024x768 window in which F1 still
// takes the usual screenshot and which takes any size; F11 goes back to full screen; the game runs on
// throughout and Escape still ends it with 0.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "e2e_harness.h"

namespace {

struct Geometry {
    int x = -1, y = -1, width = -1, height = -1;
    bool operator==(const Geometry&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Geometry& g) {
    return out << g.width << "x" << g.height << "+" << g.x << "+" << g.y;
}

// The game window's place on the screen, from xdotool's getwindowgeometry.
Geometry GameWindow(const std::string& display) {
    Geometry g;
    const std::string out =
        e2e::CaptureOutput(display, {"xdotool", "search", "--name", "^Vantora3$", "getwindowgeometry", "%1"});
    const size_t position = out.find("Position: ");
    const size_t size = out.find("Geometry: ");
    if (position == std::string::npos || size == std::string::npos) return g;
    char sep = 0;
    std::istringstream(out.substr(position + 10)) >> g.x >> sep >> g.y;
    std::istringstream(out.substr(size + 10)) >> g.width >> sep >> g.height;
    return g;
}

bool WaitForWindow(const std::string& display, const Geometry& wanted, Geometry* seen) {
    return e2e::WaitUntil(
        [&] {
            *seen = GameWindow(display);
            return *seen == wanted;
        },
        10000);
}

class WindowMode : public ::testing::TestWithParam<bool> {};

TEST_P(WindowMode, FullScreenWindowAndBack) {
    e2e::Xvfb xvfb(1920, 1080);
    ASSERT_TRUE(xvfb.Ok());
    std::unique_ptr<e2e::WindowManager> wm;
    if (GetParam()) {
        wm = std::make_unique<e2e::WindowManager>(xvfb.Display());
        ASSERT_TRUE(wm->Ok());
    }
    e2e::RunDirectory dir;
    e2e::Game game(dir, xvfb.Display());
    ASSERT_TRUE(game.WaitForFrames(20, 30000)) << game.Stderr();

    const Geometry fullScreen{0, 0, 1920, 1080};
    Geometry seen;
    EXPECT_TRUE(WaitForWindow(xvfb.Display(), fullScreen, &seen)) << seen;

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "alt+Return"}));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            seen = GameWindow(xvfb.Display());
            return seen.width == 1024 && seen.height == 768;
        },
        10000))
        << seen;
    // The game ran on through the change.
    const int frames = game.CountLogLines("Scene ended");
    ASSERT_TRUE(game.WaitForFrames(frames + 10, 10000));

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "F1"}));
    const std::string shot = dir.Screenshot(0);
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::ReadFile(shot).size() == 3145782u; }, 10000));

    // The window takes any size it is given (a window manager honours only
    // what the window's size hints allow).
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"search", "--name", "^Vantora3$", "windowsize", "%1", "1280", "800"}));
    EXPECT_TRUE(e2e::WaitUntil(
        [&] {
            seen = GameWindow(xvfb.Display());
            return seen.width == 1280 && seen.height == 800;
        },
        10000))
        << seen;

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "F11"}));
    EXPECT_TRUE(WaitForWindow(xvfb.Display(), fullScreen, &seen)) << seen;
    ASSERT_TRUE(game.WaitForFrames(game.CountLogLines("Scene ended") + 10, 10000));

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "Escape"}));
    EXPECT_EQ(game.WaitForExit(15000), 0) << game.Stderr();
}

INSTANTIATE_TEST_SUITE_P(Desktops, WindowMode, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? std::string("Openbox") : std::string("NoWindowManager");
                         });

}  // namespace
