// Start-up: InitGame with its 129 images (the goal is under 100 ms), beside
// its floor, reading the same 129 files' bytes.
//
// InitGame runs once per process (it creates the device and fills the
// global cache), so BM_InitGame is a single timed run, the first thing the
// process does after the run directory exists. BM_LoadAllImages repeats the
// part that dominates it, the preload of all 129 files into a fresh
// texture cache on the same device, as often as the library likes.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/globals.h"
#include "app/init_game.h"
#include "app/win_main.h"
#include "bench_game.h"
#include "platform/headless/headless_backend.h"

namespace {

using bench::PrepareOnce;

bool initGameDone = false;

void BM_InitGame(benchmark::State& state) {
    if (initGameDone || !PrepareOnce()) {
        state.SkipWithError("InitGame runs once per process");
        return;
    }
    for (auto _ : state) {
        const int result = InitGame();
        benchmark::DoNotOptimize(result);
        if (result != 1) state.SkipWithError("InitGame failed");
    }
    initGameDone = true;
    state.counters["images"] = static_cast<double>(resManager.GetCacheSize());
}
BENCHMARK(BM_InitGame)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

// The preload alone: 129 files decoded into textures of a cache of its own.
void BM_LoadAllImages(benchmark::State& state) {
    if (!initGameDone) {
        state.SkipWithError("needs the device of BM_InitGame");
        return;
    }
    for (auto _ : state) {
        auto cache = std::make_unique<ResManager>();
        cache->Init(graphics.GetDevice());
        for (int i = 0; i < AssetPathCount(); ++i) cache->Load(AssetPath(i));
        benchmark::DoNotOptimize(cache->GetCacheSize());
        // Releasing the textures is not part of start-up.
        state.PauseTiming();
        cache.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_LoadAllImages)->Unit(benchmark::kMillisecond);

// The floor: the 129 files' bytes read into memory.
void BM_ReadAllFiles(benchmark::State& state) {
    if (!PrepareOnce()) {
        state.SkipWithError("no run directory");
        return;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (int i = 0; i < AssetPathCount(); ++i) {
            std::ifstream in(AssetPath(i), std::ios::binary);
            std::vector<char> content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            bytes += content.size();
            benchmark::DoNotOptimize(content.data());
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReadAllFiles)->Unit(benchmark::kMillisecond);

}  // namespace
