// Keys mashed for thousands of frames: random key-downs of every key the game
// knows and a few it ignores, the polled keys held and let go at random,
// games started, lost and restarted. Nothing may crash, every frame's log
// lines must be complete and in order, and the world may neither leak nor
// pile up objects.
#include <cstdio>
#include <random>

#include "app/frame_log.h"
#include "app/game_run.h"

namespace {

// Two runs of 5,000 frames with their own key sequences rather than one of
// 10,000: each test runs in a process of its own under ctest's time limit,
// also in the unoptimised sanitizer build.
class KeyMashTest : public GameRun, public ::testing::WithParamInterface<uint32_t> {};

TEST_P(KeyMashTest, FiveThousandFramesOfRandomKeys) {
    constexpr uint64_t kFrames = 5000;
    // Typed keys: the game's own, and some it does not handle. Escape comes
    // only at the end; 0x0D and 0x09 are Return and Tab.
    const int typed[] = {VK_SPACE, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, 0x0D, 0x09, 'A', 'X'};
    const int held[] = {VK_SPACE, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT};
    std::mt19937 random(GetParam());
    uint64_t screenshots = 0;

    ASSERT_NO_FATAL_FAILURE(PlayFrames(kFrames, [&](uint64_t) {
        const int presses = static_cast<int>(random() % 4);  // 0..3 key-downs per frame
        for (int i = 0; i < presses; ++i) backend->QueueKeyDown(typed[random() % std::size(typed)]);
        // F1 writes a whole screen; now and then is enough.
        if (random() % 1500 == 0) {
            backend->QueueKeyDown(VK_F1);
            ++screenshots;
        }
        for (int vk : held) {
            if (random() % 8 == 0) backend->SetKeyHeld(vk, random() % 2 == 0);
        }
    }));
    std::printf("F1 presses %llu\n", static_cast<unsigned long long>(screenshots));
    // The mashing played real games: started, lost and started again.
    EXPECT_GE(watch.gamesStarted, 2);
    EXPECT_GE(watch.gamesLost, 1);

    const std::vector<std::string> lines = LogLines();
    const FrameLogSummary summary = CheckFrameLog(lines, 8);
    EXPECT_EQ(summary.firstError, "");
    EXPECT_EQ(static_cast<uint64_t>(summary.playFrames + summary.screenFrames), kFrames);
    EXPECT_GT(summary.playFrames, 0);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), " Objekt(e) Freigegeben");
}

INSTANTIATE_TEST_SUITE_P(Seeds, KeyMashTest, ::testing::Values(777u, 4242u));

}  // namespace
