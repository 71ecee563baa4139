// A whole game, deterministic: a fixed seed, a driven 60 Hz clock and
// scripted keys, from the start screen through play to the game-over screen
// and its automatic screenshot.
#include <cstdio>
#include <random>

#include "app/app_fixture.h"
#include "app/frame_log.h"
#include "app/globals.h"
#include "app/win_main.h"

namespace {

class WholeGameTest : public AppFixture {};

TEST_F(WholeGameTest, PlaysUntilGameOverAndSavesTheFinalScreenshot) {
    std::mt19937 keys(20261210);
    const int sideways[] = {VK_LEFT, VK_RIGHT, 0};
    int held = 0;
    uint64_t playStarted = 0, gameOverAt = 0;
    int finalScore = -1;
    int maxLevel = 1;
    bool hit = false;
    const uint64_t kMaxFrames = 40000;

    DriveFrames([&](uint64_t frame) {
        if (frame == 2) {
            // Down from 0 wraps to 3, up once more to 0 again: the easiest.
            backend->QueueKeyDown(VK_DOWN);
            backend->QueueKeyDown(VK_UP);
        }
        if (frame == 5) backend->QueueKeyDown(VK_SPACE);
        if (frame > 5 && !game.IsGameOver()) {
            if (playStarted == 0) playStarted = frame;
            backend->SetKeyHeld(VK_SPACE, true);
            if (frame % 40 == 0) {
                if (held != 0) backend->SetKeyHeld(held, false);
                held = sideways[keys() % 3];
                if (held != 0) backend->SetKeyHeld(held, true);
            }
            hit = hit || game.GetHealth() < 100;
            maxLevel = std::max(maxLevel, game.GetLevel());
        }
        if (playStarted != 0 && gameOverAt == 0 && game.IsGameOver()) {
            gameOverAt = frame;
            for (int vk : {VK_SPACE, VK_LEFT, VK_RIGHT}) backend->SetKeyHeld(vk, false);
        }
        if (gameOverAt != 0 && frame == gameOverAt + 9) finalScore = game.GetScore();
        if ((gameOverAt != 0 && frame == gameOverAt + 12) || frame == kMaxFrames) {
            backend->QueueKeyDown(VK_ESCAPE);
        }
    });

    ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    ASSERT_NE(gameOverAt, 0u) << "no game over within " << kMaxFrames << " frames";
    EXPECT_TRUE(hit);
    EXPECT_EQ(difficulty, 0);
    EXPECT_GT(finalScore, 0);
    std::printf("game over after %llu play frames, score %d, level %d\n",
                static_cast<unsigned long long>(gameOverAt - playStarted), finalScore, maxLevel);
    EXPECT_GE(maxLevel, 1);

    // The automatic screenshot of the tenth game-over frame, named after
    // the final score.
    EXPECT_EQ(ReadText(Screenshot(finalScore)).size(), 3145782u) << Screenshot(finalScore);

    const std::vector<std::string> lines = LogLines();
    const FrameLogSummary summary = CheckFrameLog(lines, 8);
    EXPECT_EQ(summary.firstError, "");
    EXPECT_EQ(static_cast<uint64_t>(summary.playFrames + summary.screenFrames), gameOverAt + 12);
    EXPECT_EQ(static_cast<uint64_t>(summary.playFrames), gameOverAt - playStarted);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " Objekt(e) Freigegeben");
}

}  // namespace
