// A whole game through the real WinMain on the headless backend, steered
// by keys frame by frame, with the world watched after every frame: how
// many games were started and lost, the highest level, the world's list
// maxima, and whether every Sprite alive is accounted for. Shared by the
// key-mash test and the soak run.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>

#include "app/app_fixture.h"
#include "app/globals.h"
#include "app/win_main.h"
#include "app/world_bounds.h"

// What the watch has seen of the world up to the current frame.
struct GameWatch {
    ListMaxima most;
    int highestLevel = 1;
    int gamesStarted = 0;
    int gamesLost = 0;
    // The first frame on which the Sprites alive did not match the world's
    // lists (the player and the background besides them); 0: none.
    uint64_t firstLeak = 0;
    int over = 1;          // the game-over state of this frame (the game opens on its start screen)
    bool started = false;  // a game started on this frame
    bool lost = false;     // a game was lost on this frame

    // Takes in the world after frame `frame`.
    void Take(uint64_t frame) {
        const int now = game.IsGameOver();
        started = over != 0 && now == 0;
        lost = over == 0 && now != 0;
        gamesStarted += started ? 1 : 0;
        gamesLost += lost ? 1 : 0;
        over = now;
        if (firstLeak == 0 && static_cast<size_t>(Sprite::GetLiveCount()) != WorldObjects() + 2) {
            firstLeak = frame;
        }
        most.Record();
        highestLevel = std::max(highestLevel, game.GetLevel());
    }
};

class GameRun : public AppFixture {
protected:
    using Step = std::function<void(uint64_t frame)>;

    // Plays `frames` frames of the driven 60 Hz clock. After every frame the
    // watch takes in the world and `everyFrame` (if given) runs, the last
    // frame included; then `keys` steers the next frame, or after the last
    // one Escape ends the game. Checks what every such run must keep: the
    // game ends cleanly after exactly `frames` frames, no Sprite outlives
    // its list, and the lists stay within the world's bounds. Prints the
    // games played and the list maxima. Call through
    // ASSERT_NO_FATAL_FAILURE.
    void PlayFrames(uint64_t frames, Step keys, Step everyFrame = nullptr) {
        DriveFrames([this, frames, keys, everyFrame](uint64_t frame) {
            watch.Take(frame);
            if (everyFrame) everyFrame(frame);
            if (frame >= frames) {
                backend->QueueKeyDown(VK_ESCAPE);
                return;
            }
            keys(frame);
        });

        ASSERT_EQ(WinMain(nullptr, nullptr, nullptr, 0), 0);
        EXPECT_EQ(backend->PresentCount(), frames);
        EXPECT_EQ(watch.firstLeak, 0u) << "Sprites alive do not match the world's lists from frame " << watch.firstLeak;
        std::printf("games started %d, lost %d, highest level %d\n", watch.gamesStarted, watch.gamesLost,
                    watch.highestLevel);
        const ListMaxima& most = watch.most;
        std::printf(
            "list maxima: enemies %zu, enemy shots %zu, explosions %zu, asteroids %zu, shots %zu, "
            "items %zu\n",
            most.enemies, most.enemyShots, most.explosions, most.asteroids, most.shots, most.items);
        ExpectWithinWorldBounds(most, watch.highestLevel);
    }

    GameWatch watch;
};
