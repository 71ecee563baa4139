// Start-up: the preload, the player and background Sprites, the first
// screen, and a start-up that refuses to run on missing or broken art.
#include <fstream>

#include "app/app_fixture.h"
#include "app/globals.h"
#include "app/init_game.h"
#include "app/win_main.h"

namespace {

namespace fs = std::filesystem;

class InitGameTest : public AppFixture {
protected:
    // Replaces the linked art with a private copy the test may break.
    void CopyArt() {
        fs::remove(root + "/GFX");
        fs::copy(std::string(V3_RUN_DIR) + "/GFX", root + "/GFX", fs::copy_options::recursive);
    }
};

TEST_F(InitGameTest, PreloadsEveryImageOnceAndBuildsThePlayer) {
    mainWindow = CreateMainWindow(nullptr);
    ASSERT_EQ(InitGame(), 1);

    ASSERT_EQ(AssetPathCount(), 129);
    EXPECT_EQ(resManager.GetCacheSize(), 129u);
    for (int i = 0; i < AssetPathCount(); ++i) {
        EXPECT_NE(resManager.Find(AssetPath(i)), nullptr) << AssetPath(i);
    }
    EXPECT_TRUE(resManager.Contains("..//GFX//ASTEROIDSMALL//ASTEROID_SMALL_0.png"));
    EXPECT_FALSE(resManager.Contains("..//GFX//ASTEROIDSMALL//ASTEROID_SMALL_10.png"));

    EXPECT_EQ(player.GetFrameCount(), 20);
    const int expected[6] = {4, 4, 4, 4, 10, 10};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(player.GetAnimationFrameCount(i), expected[i]) << i;
    // Animation 1 is the roll out of the left bank, 2 the roll into the right.
    EXPECT_EQ(player.GetAnimationFrame(1, 0), resManager.Find("..//GFX//PLAYER//kipping//2l1.png"));
    EXPECT_EQ(player.GetAnimationFrame(2, 3), resManager.Find("..//GFX//PLAYER//kipping//1r4.png"));
    EXPECT_EQ(player.GetSpeedX(), 400.0f);
    EXPECT_EQ(player.GetSpeedY(), 400.0f);
    EXPECT_EQ(background.GetFrameCount(), 1);
    EXPECT_TRUE(game.IsGameOver());

    const std::vector<std::string> expectedLog = {
        "Init Direct3D: TRUE",    "D3D Initialisiert",     "ResManager Initialisiert",  "Alle Sprites geladen",
        "Spielersprites geladen", "Spieler Initialisiert", "Hintergrund initialisiert", "Spiel Initialisiert"};
    EXPECT_EQ(LogLines(), expectedLog);
}

TEST_F(InitGameTest, FirstFrameShowsTheStartScreen) {
    DriveFrames([this](uint64_t frame) {
        if (frame == 1) backend->QueueKeyDown(VK_ESCAPE);
    });
    ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    const std::vector<std::string> lines = LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Vantora gezeichnet"), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "Spieler updatet"), lines.end());
}

struct BrokenArt {
    const char* file;
    const char* howBroken;  // "missing", "truncated" or "garbage"
};

class BrokenArtTest : public InitGameTest, public ::testing::WithParamInterface<BrokenArt> {};

TEST_P(BrokenArtTest, EndsStartUpWithAClearMessage) {
    const BrokenArt c = GetParam();
    CopyArt();
    const std::string path = root + "/GFX/" + c.file;
    const std::string howBroken = c.howBroken;
    if (howBroken == "missing") {
        fs::remove(path);
    } else if (howBroken == "truncated") {
        fs::resize_file(path, fs::file_size(path) / 2);
    } else {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << "this is not a picture";
    }
    testing::internal::CaptureStderr();
    mainWindow = CreateMainWindow(nullptr);
    const int result = InitGame();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, 0);
    EXPECT_NE(err.find(std::string("GFX//") + c.file), std::string::npos) << err;
    EXPECT_NE(err.find("one level below"), std::string::npos) << err;
    const std::string log = ReadText(root + "/log/log.txt");
    EXPECT_NE(log.find(std::string("GFX//") + c.file), std::string::npos);
    EXPECT_EQ(log.find("Alle Sprites geladen"), std::string::npos);
}

// The game's paths double their separators; the file names here are those paths.
INSTANTIATE_TEST_SUITE_P(Files, BrokenArtTest,
                         ::testing::Values(BrokenArt{"PLAYER//kipping//2r3.png", "missing"},
                                           BrokenArt{"ENEMY//17.png", "truncated"},
                                           BrokenArt{"UNIVERSE1.png", "garbage"}),
                         [](const ::testing::TestParamInfo<BrokenArt>& info) {
                             return std::string(info.param.howBroken);
                         });

TEST_F(InitGameTest, BrokenImageMakesTheProcessExitWithMinusOne) {
    CopyArt();
    std::ofstream(root + "/GFX/ITEMS/health.png", std::ios::binary | std::ios::trunc) << "garbage";
    testing::internal::CaptureStderr();
    const int status = WinMain(nullptr, nullptr, nullptr, 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, -1);
    EXPECT_NE(err.find("Fehler beim initialisieren des Spiels"), std::string::npos) << err;
    EXPECT_NE(err.find("GFX//ITEMS//health.png"), std::string::npos) << err;
}

}  // namespace
