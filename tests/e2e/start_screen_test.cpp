// The game as a person uses it: started from its run directory on a real X
// display, keys pressed with xdotool.
#include <gtest/gtest.h>

#include <sstream>

#include "e2e_harness.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The start screen's first text is orange (0xFFAA00) from (312, 384).
bool HasOrangeTextNear(const e2e::Bitmap& bmp, int x0, int y0) {
    for (int y = y0; y < y0 + 20; ++y) {
        for (int x = x0; x < x0 + 40; ++x) {
            const uint32_t p = bmp.At(x, y);
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (r > 200 && g > 120 && g < 200 && b < 90) return true;
        }
    }
    return false;
}

TEST(EndToEnd, StartScreenScreenshotThenEscape) {
    e2e::Xvfb xvfb;
    ASSERT_TRUE(xvfb.Ok()) << "Xvfb did not start";
    e2e::RunDirectory dir;
    e2e::Game game(dir, xvfb.Display());
    ASSERT_TRUE(game.Started());
    ASSERT_TRUE(game.WaitForFrames(30, 30000)) << game.Stderr();

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "F1"}));
    const std::string shot = dir.Screenshot(0);
    ASSERT_TRUE(e2e::WaitUntil([&] { return e2e::ReadFile(shot).size() == 3145782; }, 10000))
        << "no screenshot at " << shot;

    ASSERT_TRUE(e2e::XdoTool(xvfb.Display(), {"key", "Escape"}));
    EXPECT_EQ(game.WaitForExit(15000), 0) << game.Stderr();

    const e2e::Bitmap bmp = e2e::ReadBitmap(shot);
    ASSERT_TRUE(bmp.ok) << bmp.error;
    EXPECT_EQ(bmp.fileSize, 3145782u);
    EXPECT_EQ(bmp.width, 1024);
    EXPECT_EQ(bmp.height, 768);
    EXPECT_TRUE(HasOrangeTextNear(bmp, 312, 384));
    // Above the texts the screen is background, not text colour.
    EXPECT_FALSE(HasOrangeTextNear(bmp, 312, 300));

    const std::vector<std::string> log = Lines(e2e::ReadFile(dir.LogFile()));
    const std::vector<std::string> head = {
        "Init Direct3D: TRUE",    "D3D Initialisiert",     "ResManager Initialisiert",  "Alle Sprites geladen",
        "Spielersprites geladen", "Spieler Initialisiert", "Hintergrund initialisiert", "Spiel Initialisiert"};
    ASSERT_GE(log.size(), head.size());
    for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(log[i], head[i]) << "line " << i;
    EXPECT_EQ(log.back(), " Objekt(e) Freigegeben");
}

TEST(EndToEnd, NoDisplayFailsAtOnceWithMessage) {
    e2e::RunDirectory dir;
    const std::string err = dir.Root() + "/stderr.txt";
    pid_t pid =
        e2e::Spawn({dir.Bin() + "/vantora3"}, {"-DISPLAY", "-WAYLAND_DISPLAY", "-SDL_VIDEODRIVER"}, dir.Bin(), "", err);
    EXPECT_EQ(e2e::WaitForExit(pid, 10000), 255);
    EXPECT_NE(e2e::ReadFile(err).find("Fenster konnte nicht erzeugt werden"), std::string::npos) << e2e::ReadFile(err);
}

}  // namespace
