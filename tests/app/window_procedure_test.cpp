// The typed keys of the main window and the frame loop's start and end.
#include <algorithm>

#include "app/app_fixture.h"
#include "app/globals.h"
#include "app/init_game.h"
#include "app/win_main.h"

namespace {

class WindowProcedureTest : public AppFixture {
protected:
    void StartUp() {
        mainWindow = CreateMainWindow(nullptr);
        ASSERT_NE(mainWindow, nullptr);
        ASSERT_EQ(InitGame(), 1);
    }
    void Key(int vk) { WndProc(mainWindow, WM_KEYDOWN, static_cast<WPARAM>(vk), 0); }
    int Count(const std::vector<std::string>& lines, const std::string& line) const {
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }
};

struct DifficultyCase {
    int gameOver;
    int before;
    int key;
    int after;
};

TEST_F(WindowProcedureTest, ArrowsChangeDifficultyOnlyOnTheStartScreenAndWrap) {
    StartUp();
    const DifficultyCase cases[] = {
        {1, 0, VK_UP, 1},   {1, 2, VK_UP, 3},   {1, 3, VK_UP, 0}, {1, 0, VK_DOWN, 3},
        {1, 3, VK_DOWN, 2}, {1, 1, VK_DOWN, 0}, {0, 1, VK_UP, 1}, {0, 0, VK_DOWN, 0},
    };
    for (const DifficultyCase& c : cases) {
        game.SetGameOver(c.gameOver);
        difficulty = c.before;
        Key(c.key);
        EXPECT_EQ(difficulty, c.after) << "game over " << c.gameOver << ", from " << c.before << ", key " << c.key;
    }
}

TEST_F(WindowProcedureTest, F1NamesTheScreenshotAfterTheScore) {
    StartUp();
    game.SetScore(1250);
    Key(VK_F1);
    EXPECT_EQ(ReadText(Screenshot(1250)).size(), 3145782u);
    // A second press at the same score replaces the file rather than adding one.
    Key(VK_F1);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root + "/SCREENSHOTS")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(WindowProcedureTest, SpaceStartsAGameOnlyFromTheStartScreen) {
    StartUp();
    ASSERT_TRUE(game.IsGameOver());
    Key(VK_SPACE);
    EXPECT_FALSE(game.IsGameOver());
    EXPECT_EQ(player.GetPosition().x, 462.0f);
    EXPECT_EQ(player.GetPosition().y, 334.0f);
    game.SetScore(300);
    Key(VK_SPACE);  // during play the key does nothing here
    EXPECT_EQ(game.GetScore(), 300);
}

TEST_F(WindowProcedureTest, EscapeEndsTheLoopWithZeroAndNoFurtherFrame) {
    DriveFrames([this](uint64_t frame) {
        if (frame == 3) backend->QueueKeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(Count(lines, "Scene ended"), 3);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " Objekt(e) Freigegeben");
    EXPECT_FALSE(backend->WindowOpen());
}

TEST_F(WindowProcedureTest, WindowManagerCloseEndsWithZeroWithoutRelease) {
    DriveFrames([this](uint64_t frame) {
        if (frame == 2) backend->RequestClose();
    });
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    const std::vector<std::string> lines = LogLines();
    EXPECT_EQ(Count(lines, "Scene ended"), 2);
    EXPECT_EQ(Count(lines, " Objekt(e) Freigegeben"), 0);
}

TEST_F(WindowProcedureTest, StartScreenTakesNoAutomaticScreenshotAtProgramStart) {
    DriveFrames([this](uint64_t frame) {
        if (frame == 40) backend->QueueKeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_TRUE(std::filesystem::is_empty(root + "/SCREENSHOTS"));
}

TEST_F(WindowProcedureTest, GameOverSavesOneScreenshotOnTheTenthScreenFrame) {
    // Play starts at frame 2; at frame 5 the health runs out, so the update
    // of frame 6 ends the game and frames 6..15 are the first ten screens.
    std::vector<uint64_t> framesWithFile;
    DriveFrames([&](uint64_t frame) {
        if (frame == 1) backend->QueueKeyDown(VK_SPACE);
        if (frame == 5) {
            game.SetScore(1250);
            game.SetHealth(0);
        }
        if (std::filesystem::exists(Screenshot(1250))) framesWithFile.push_back(frame);
        if (frame == 30) backend->QueueKeyDown(VK_ESCAPE);
    });
    EXPECT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    ASSERT_FALSE(framesWithFile.empty());
    EXPECT_EQ(framesWithFile.front(), 15u);
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(root + "/SCREENSHOTS")) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

}  // namespace
