// Playing under a real display: start a game, hold right and space for a
// second, take a screenshot of the play screen, quit.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "e2e_harness.h"

namespace {

int Red(uint32_t p) { return (p >> 16) & 0xFF; }
int Green(uint32_t p) { return (p >> 8) & 0xFF; }
int Blue(uint32_t p) { return p & 0xFF; }

TEST(EndToEnd, PlayScreenShowsHealthBarAndStatusLine) {
    e2e::Xvfb xvfb;
    ASSERT_TRUE(xvfb.Ok());
    e2e::RunDirectory dir;
    e2e::Game game(dir, xvfb.Display());
    ASSERT_TRUE(game.WaitForFrames(20, 30000)) << game.Stderr();

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "space"}));
    ASSERT_TRUE(e2e::WaitUntil([&] { return game.CountLogLines("HUD gezeichnet") > 0; }, 10000));
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keydown", "Right", "keydown", "space"}));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"keyup", "space", "keyup", "Right"}));
    EXPECT_GT(game.CountLogLines("Schuss erstellt"), 1);

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "F1"}));
    // The score is 0 unless a shot already hit something: take any screenshot.
    std::string shot;
    ASSERT_TRUE(e2e::WaitUntil(
        [&] {
            for (const auto& entry : std::filesystem::directory_iterator(dir.Root() + "/SCREENSHOTS")) {
                // Only the finished file: the writer fills a temporary one
                // beside it and renames it into place.
                const std::string name = entry.path().filename().string();
                if (name.rfind("screen", 0) != 0 || name.size() < 4 || name.compare(name.size() - 4, 4, ".bmp") != 0) {
                    continue;
                }
                if (e2e::ReadFile(entry.path().string()).size() == 3145782u) {
                    shot = entry.path().string();
                    return true;
                }
            }
            return false;
        },
        10000));
    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "Escape"}));
    EXPECT_EQ(game.WaitForExit(15000), 0) << game.Stderr();

    const e2e::Bitmap bmp = e2e::ReadBitmap(shot);
    ASSERT_TRUE(bmp.ok) << bmp.error;
    // The health bar: grey border rows, a red-to-green bar inside.
    const uint32_t border = bmp.At(100, 750);
    EXPECT_EQ(border & 0xFFFFFF, 0x646464u);
    EXPECT_EQ(bmp.At(201, 752) & 0xFFFFFF, 0x646464u);
    const uint32_t left = bmp.At(2, 752);
    EXPECT_GT(Red(left), 240);
    EXPECT_LT(Green(left), 10);
    // Column c is red 256 - c, green c; health is at least 50 this early.
    EXPECT_EQ(bmp.At(100, 752) & 0xFFFFFF, 0x9C6400u);
    // The status line: red text in the top rows, from the left edge.
    int redText = 0;
    for (int y = 1; y < 18; ++y) {
        for (int x = 1; x < 700; ++x) {
            const uint32_t p = bmp.At(x, y);
            if (Red(p) > 180 && Green(p) < 60 && Blue(p) < 60) ++redText;
        }
    }
    EXPECT_GT(redText, 50);
}

}  // namespace
