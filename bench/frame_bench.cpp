// One whole play frame (RunFrame) of a busy world with the headless backend:
// background, ship, 10 shots, 20 asteroids, 20 fighters, 10 enemy shots, 5
// explosions, the health bar, the status texts and the frame's log lines.
// Beside it its floor, a plain copy of one 1024x768x32 frame (3 MB), and
// the same frame with the log turned away, to show what the log lines cost.
//
// The world is kept at its size: every object is placed where nothing
// collides or leaves the screen, and put back outside the timing before
// each frame; fighters are kept from firing and explosions from ending.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/init_game.h"
#include "app/win_main.h"
#include "base/log.h"
#include "bench_game.h"
#include "platform/headless/headless_backend.h"

namespace {

constexpr size_t kFrameBytes = 1024 * 768 * 4;

using bench::NextFrameTime;
using bench::StartGameOnce;

struct Place {
    float x, y;
};

// Where each kind of object sits: asteroids and fighters share the upper
// half (they do not interact), the player's and enemy shots lie below them,
// and the ship sits bottom left, clear of all of them.
std::vector<Place> Row(int count, int perRow, float x0, float dx, float y0, float dy) {
    std::vector<Place> places;
    for (int i = 0; i < count; ++i) {
        places.push_back({x0 + dx * static_cast<float>(i % perRow), y0 + dy * static_cast<float>(i / perRow)});
    }
    return places;
}

const std::vector<Place> kShots = Row(10, 10, 400, 50, 480, 0);
const std::vector<Place> kAsteroids = Row(20, 10, 10, 90, 40, 160);
const std::vector<Place> kFighters = Row(20, 10, 20, 88, 100, 160);
const std::vector<Place> kEnemyShots = Row(10, 10, 400, 50, 560, 0);
const std::vector<Place> kExplosions = Row(5, 5, 300, 130, 600, 0);
constexpr Place kPlayer = {60, 620};

void PlaceAll(const std::list<Sprite*>& list, const std::vector<Place>& places) {
    size_t i = 0;
    for (Sprite* sprite : list) {
        sprite->SetPosition(places[i].x, places[i].y);
        ++i;
    }
}

// Builds the busy world once: a game in play with the objects above.
void BuildWorld(bool play) {
    static bool built = false;
    if (!built) {
        game.Reset(player);
        for (size_t i = 0; i < kShots.size(); ++i) game.CreateShot(0, 100);
        for (size_t i = 0; i < kAsteroids.size(); ++i) game.CreateAsteroid();
        for (size_t i = 0; i < kFighters.size(); ++i) game.CreateEnemy(3);
        for (size_t i = 0; i < kEnemyShots.size(); ++i) game.CreateEnemyShot(0, 100);
        for (size_t i = 0; i < kExplosions.size(); ++i) game.CreateExplosion(0, 0, 1.0f);
        built = true;
    }
    game.SetGameOver(play ? 0 : 1);
}

// Puts every object back where the frame cannot change the world's size.
void Restore() {
    PlaceAll(game.GetShots(), kShots);
    PlaceAll(game.GetAsteroids(), kAsteroids);
    PlaceAll(game.GetEnemies(), kFighters);
    PlaceAll(game.GetEnemyShots(), kEnemyShots);
    PlaceAll(game.GetExplosions(), kExplosions);
    for (Sprite* fighter : game.GetEnemies()) fighter->SetFireDelay(1000.0f);
    for (Sprite* explosion : game.GetExplosions()) explosion->SetFrame(0);
    player.SetPosition(kPlayer.x, kPlayer.y);
    game.SetHealth(100);
}

bool WorldIntact() {
    return game.GetShots().size() == kShots.size() && game.GetAsteroids().size() == kAsteroids.size() &&
           game.GetEnemies().size() == kFighters.size() && game.GetEnemyShots().size() == kEnemyShots.size() &&
           game.GetExplosions().size() == kExplosions.size() && game.GetItems().empty();
}

// range(0): 1 play screen, 0 start screen; range(1): 1 log to the run
// directory, 0 log turned to a directory that does not exist (every line
// then costs one failing open).
void BM_Frame(benchmark::State& state) {
    if (!StartGameOnce()) {
        state.SkipWithError("start-up failed");
        return;
    }
    const bool play = state.range(0) == 1;
    const bool logged = state.range(1) == 1;
    SetLogPath(logged ? "..//log//log.txt" : "..//no-such-directory//log.txt");
    BuildWorld(play);
    for (auto _ : state) {
        state.PauseTiming();
        Restore();
        NextFrameTime();
        state.ResumeTiming();
        RunFrame();
        state.PauseTiming();
        const bool intact = WorldIntact();
        state.ResumeTiming();
        if (!intact) {
            state.SkipWithError("the world changed its size during the frame");
            break;
        }
    }
    SetLogPath("..//log//log.txt");
}
BENCHMARK(BM_Frame)
    ->ArgNames({"play", "log"})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({0, 0})
    ->Unit(benchmark::kMicrosecond);

// One log line as the frame writes it: open, append, close.
void BM_LogLine(benchmark::State& state) {
    if (!StartGameOnce()) {
        state.SkipWithError("start-up failed");
        return;
    }
    SetLogPath("..//log//log.txt");
    for (auto _ : state) benchmark::DoNotOptimize(Log("Objekte gezeichnet"));
}
BENCHMARK(BM_LogLine)->Unit(benchmark::kMicrosecond);

// The floor: copying one whole frame.
void BM_CopyFrame(benchmark::State& state) {
    std::vector<unsigned char> from(kFrameBytes, 0x5A), to(kFrameBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), kFrameBytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kFrameBytes));
}
BENCHMARK(BM_CopyFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
