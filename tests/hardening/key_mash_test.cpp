// Keys mashed for thousands of frames: random key-downs of every key the game
// knows and a few it ignores, the polled keys held and let go at random,
// games started, lost and restarted. Nothing may crash, every frame's log
// lines must be complete and in order, and the world may neither leak nor
// pile up objects.
#include <algorithm>
#include <random>

#include "app/app_fixture.h"
#include "app/frame_log.h"
#include "app/globals.h"
#include "app/win_main.h"

namespace {

// Two runs of 5,000 frames with their own key sequences rather than one of
// 10,000: each test runs in a process of its own under ctest's time limit,
// also in the unoptimised sanitizer build.
class KeyMashTest : public AppFixture, public ::testing::WithParamInterface<uint32_t> {};

struct ListMaxima {
    size_t enemies = 0, enemyShots = 0, explosions = 0, asteroids = 0, shots = 0, items = 0;
};

size_t WorldObjects() {
    return game.GetEnemies().size() + game.GetEnemyShots().size() + game.GetExplosions().size() +
           game.GetAsteroids().size() + game.GetShots().size() + game.GetItems().size();
}

TEST_P(KeyMashTest, FiveThousandFramesOfRandomKeys) {
    constexpr uint64_t kFrames = 5000;
    // Typed keys: the game's own, and some it does not handle. Escape comes
    // only at the end; 0x0D and 0x09 are Return and Tab.
    const int typed[] = {VK_SPACE, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, 0x0D, 0x09, 'A', 'X'};
    const int held[] = {VK_SPACE, VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT};
    std::mt19937 random(GetParam());
    ListMaxima most;
    int highestLevel = 1;
    int gamesStarted = 0, gamesLost = 0;
    int previousGameOver = 1;
    uint64_t firstLeak = 0;
    uint64_t screenshots = 0;

    DriveFrames([&](uint64_t frame) {
        const int over = game.IsGameOver();
        if (previousGameOver != 0 && over == 0) ++gamesStarted;
        if (previousGameOver == 0 && over != 0) ++gamesLost;
        previousGameOver = over;

        // Every Sprite alive is the player, the background or listed in the world.
        if (firstLeak == 0 && static_cast<size_t>(Sprite::GetLiveCount()) != WorldObjects() + 2) {
            firstLeak = frame;
        }
        most.enemies = std::max(most.enemies, game.GetEnemies().size());
        most.enemyShots = std::max(most.enemyShots, game.GetEnemyShots().size());
        most.explosions = std::max(most.explosions, game.GetExplosions().size());
        most.asteroids = std::max(most.asteroids, game.GetAsteroids().size());
        most.shots = std::max(most.shots, game.GetShots().size());
        most.items = std::max(most.items, game.GetItems().size());
        highestLevel = std::max(highestLevel, game.GetLevel());

        if (frame == kFrames) {
            backend->QueueKeyDown(VK_ESCAPE);
            return;
        }
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
    });

    ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
    EXPECT_EQ(backend->PresentCount(), kFrames);
    EXPECT_EQ(firstLeak, 0u) << "Sprites alive do not match the world's lists from frame " << firstLeak;
    std::printf("games started %d, lost %d, highest level %d, F1 presses %llu\n", gamesStarted,
                gamesLost, highestLevel, static_cast<unsigned long long>(screenshots));
    std::printf("list maxima: enemies %zu, enemy shots %zu, explosions %zu, asteroids %zu, shots %zu, "
                "items %zu\n",
                most.enemies, most.enemyShots, most.explosions, most.asteroids, most.shots,
                most.items);
    // The mashing played real games: started, lost and started again.
    EXPECT_GE(gamesStarted, 2);
    EXPECT_GE(gamesLost, 1);

    // Bounds from the world's rules. Asteroids: a large one spawns only while
    // fewer than 2*level are listed, and a split turns one into four, so at
    // most 4*2*level. Enemies: fewer than 2*level fighters and level-9 ships
    // before a spawn, at the highest level reached. Player shots: one per
    // fps/3 frames, gone at the top within about a second. Enemy shots: each
    // fighter fires once per 2*fps frames and its shot crosses the screen in
    // a few seconds. An explosion plays eight frames at ten a second, 48
    // frames at 60 Hz, and the game-over screen adds one every frame: some
    // 48 at once, plus a few from hits. Items spawn one in 5*fps frames and
    // retire below the screen.
    const size_t level = static_cast<size_t>(highestLevel);
    EXPECT_LE(most.asteroids, 8 * level);
    EXPECT_LE(most.enemies, 2 * level + (level > 9 ? level - 9 : 0) + 1);
    EXPECT_LE(most.shots, 10u);
    EXPECT_LE(most.enemyShots, 10 * (2 * level + 1));
    EXPECT_LE(most.explosions, 60u);
    EXPECT_LE(most.items, 20u);

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
