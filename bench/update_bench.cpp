// Game::Update over a world of 1,000 objects in all six lists, beside its
// floor: one pass that moves the same 1,000 Sprites by their speed.
//
// 250 asteroids and 250 fighters share the upper half of the screen, 200
// player shots and 200 enemy shots lie below them, with 50 explosions and 50
// health items; the player is parked outside the screen. Nothing collides or
// leaves, so every shot is tested against every asteroid and every enemy
// (2 x 200 x 250 box tests), as in a crowded frame. Positions are put back
// outside the timing before each update.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

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

using bench::NextFrameTime;
using bench::StartGameOnce;

struct Place {
    float x, y;
};

// count places on a grid inside [x0, x1) x [y0, y1), row by row.
std::vector<Place> Grid(int count, int perRow, float x0, float x1, float y0, float y1) {
    std::vector<Place> places;
    const int rows = (count + perRow - 1) / perRow;
    for (int i = 0; i < count; ++i) {
        const float fx = static_cast<float>(i % perRow) / static_cast<float>(perRow);
        const float fy = static_cast<float>(i / perRow) / static_cast<float>(rows);
        places.push_back({x0 + (x1 - x0) * fx, y0 + (y1 - y0) * fy});
    }
    return places;
}

// Large asteroids 112x112, fighters 112x128: their boxes end above y = 400.
const std::vector<Place> kAsteroids = Grid(250, 25, 10, 890, 20, 250);
const std::vector<Place> kFighters = Grid(250, 25, 10, 890, 20, 250);
// Shots 16x32 from y = 420 down, enemy shots and items further down.
const std::vector<Place> kShots = Grid(200, 25, 10, 990, 420, 520);
const std::vector<Place> kEnemyShots = Grid(200, 25, 10, 990, 560, 680);
const std::vector<Place> kExplosions = Grid(50, 10, 10, 880, 500, 600);
const std::vector<Place> kItems = Grid(50, 10, 10, 940, 560, 680);

void PlaceAll(const std::list<Sprite*>& list, const std::vector<Place>& places) {
    size_t i = 0;
    for (Sprite* sprite : list) {
        sprite->SetPosition(places[i].x, places[i].y);
        ++i;
    }
}

void BuildWorld() {
    static bool built = false;
    if (built) return;
    game.Reset(player);
    game.SetGameOver(0);
    for (size_t i = 0; i < kAsteroids.size(); ++i) game.CreateAsteroid();
    for (size_t i = 0; i < kFighters.size(); ++i) game.CreateEnemy(3);
    for (size_t i = 0; i < kShots.size(); ++i) game.CreateShot(0, 100);
    for (size_t i = 0; i < kEnemyShots.size(); ++i) game.CreateEnemyShot(0, 100);
    for (size_t i = 0; i < kExplosions.size(); ++i) game.CreateExplosion(0, 0, 1.0f);
    for (size_t i = 0; i < kItems.size(); ++i) game.CreateItem(750);
    built = true;
}

void Restore() {
    PlaceAll(game.GetAsteroids(), kAsteroids);
    PlaceAll(game.GetEnemies(), kFighters);
    PlaceAll(game.GetShots(), kShots);
    PlaceAll(game.GetEnemyShots(), kEnemyShots);
    PlaceAll(game.GetExplosions(), kExplosions);
    PlaceAll(game.GetItems(), kItems);
    for (Sprite* fighter : game.GetEnemies()) fighter->SetFireDelay(1000.0f);
    for (Sprite* explosion : game.GetExplosions()) explosion->SetFrame(0);
    // Outside the screen, as on the game-over screen: it touches nothing.
    player.SetPosition(1024, 768);
    game.SetHealth(100);
}

size_t WorldObjects() {
    return game.GetEnemies().size() + game.GetEnemyShots().size() + game.GetExplosions().size() +
           game.GetAsteroids().size() + game.GetShots().size() + game.GetItems().size();
}

// range(0): 1 log to the run directory, 0 log turned to a missing directory.
void BM_Update(benchmark::State& state) {
    if (!StartGameOnce()) {
        state.SkipWithError("start-up failed");
        return;
    }
    SetLogPath(state.range(0) == 1 ? "..//log//log.txt" : "..//no-such-directory//log.txt");
    BuildWorld();
    for (auto _ : state) {
        state.PauseTiming();
        Restore();
        state.ResumeTiming();
        game.Update(player);
        state.PauseTiming();
        const size_t objects = WorldObjects();
        state.ResumeTiming();
        if (objects != 1000) {
            state.SkipWithError("the world changed its size during the update");
            break;
        }
    }
    SetLogPath("..//log//log.txt");
    state.counters["objects"] = static_cast<double>(WorldObjects());
}
BENCHMARK(BM_Update)->ArgName("log")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The floor: the same 1,000 Sprites, each read and moved by its speed.
void BM_MoveAllSprites(benchmark::State& state) {
    if (!StartGameOnce()) {
        state.SkipWithError("start-up failed");
        return;
    }
    BuildWorld();
    std::vector<Sprite*> sprites;
    for (const std::list<Sprite*>* list : {&game.GetAsteroids(), &game.GetEnemies(), &game.GetShots(),
                                           &game.GetEnemyShots(), &game.GetExplosions(), &game.GetItems()}) {
        sprites.insert(sprites.end(), list->begin(), list->end());
    }
    for (auto _ : state) {
        for (Sprite* sprite : sprites) {
            const D3DXVECTOR2 at = sprite->GetPosition();
            sprite->SetPosition(at.x + sprite->GetSpeedX() / 60.0f, at.y + sprite->GetSpeedY() / 60.0f);
        }
        benchmark::ClobberMemory();
    }
    state.counters["objects"] = static_cast<double>(sprites.size());
}
BENCHMARK(BM_MoveAllSprites)->Unit(benchmark::kMicrosecond);

}  // namespace
