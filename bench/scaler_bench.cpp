// The frame scaler: one 1024x768 frame into its picture on a 1920x1080 and
// a 3840x2160 screen (1440x1080 and 2880x2160 with bars), beside a plain
// copy of the frame and the bare memory traffic of a scale, in the same run;
// and what presenting a frame costs when, as in the game, only its sprites
// moved: finding the changes and redrawing the picture under them.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include <emmintrin.h>

#include "platform/present/frame_changes.h"
#include "platform/present/frame_scaler.h"
#include "platform/present/picture_updater.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

std::vector<uint32_t> Frame() {
    std::vector<uint32_t> frame(static_cast<size_t>(kWidth) * kHeight);
    uint32_t state = 1;
    for (uint32_t& p : frame) {
        state = state * 1664525u + 1013904223u;
        p = 0xFF000000u | (state >> 8);
    }
    return frame;
}

void BM_FrameMemcpy(benchmark::State& state) {
    const std::vector<uint32_t> frame = Frame();
    std::vector<uint32_t> copy(frame.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), frame.data(), frame.size() * sizeof(uint32_t));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * frame.size() * sizeof(uint32_t));
}
// The machine may be shared: each figure is run five times, and the
// fastest run (min) shows what the code costs when nothing else interferes.
double Fastest(const std::vector<double>& runs) { return *std::min_element(runs.begin(), runs.end()); }

BENCHMARK(BM_FrameMemcpy)->Unit(benchmark::kMillisecond)->Repetitions(5)->ComputeStatistics("min", Fastest);

// A screen of width x height pixels in storage, page-aligned as a window's
// shared-memory image is.
uint32_t* PageAlignedScreen(int width, int height, std::vector<uint32_t>* storage) {
    storage->assign(static_cast<size_t>(width) * height + 1024, 0);
    return reinterpret_cast<uint32_t*>((reinterpret_cast<uintptr_t>(storage->data()) + 4095) & ~uintptr_t{4095});
}

// The memory traffic any scale into the picture makes, with no arithmetic:
// every frame row read once, every picture pixel written once with
// streaming stores, the two interleaved row by row as the scaler does.
// Arguments: screen width, screen height.
void BM_PictureTraffic(benchmark::State& state) {
    const int screenWidth = static_cast<int>(state.range(0));
    const int screenHeight = static_cast<int>(state.range(1));
    const std::vector<uint32_t> frame = Frame();
    const PixelRect picture = platform::FitPicture(kWidth, kHeight, screenWidth, screenHeight);
    std::vector<uint32_t> storage;
    uint32_t* screen = PageAlignedScreen(screenWidth, screenHeight, &storage);
    // Rows start on 16 bytes for the stores (the picture's x is a multiple of 4 here).
    uint32_t* origin = screen + static_cast<size_t>(picture.y) * screenWidth + picture.x;
    const size_t frameVectors = frame.size() / 4;
    for (auto _ : state) {
        __m128i sum = _mm_setzero_si128();
        size_t read = 0;
        for (int y = 0; y < picture.height; ++y) {
            const size_t upTo = frameVectors * static_cast<size_t>(y + 1) / static_cast<size_t>(picture.height);
            for (; read < upTo; ++read) {
                sum = _mm_add_epi32(sum, _mm_load_si128(reinterpret_cast<const __m128i*>(frame.data()) + read));
            }
            uint32_t* row = origin + static_cast<size_t>(y) * screenWidth;
            for (int x = 0; x + 4 <= picture.width; x += 4) _mm_stream_si128(reinterpret_cast<__m128i*>(row + x), sum);
        }
        _mm_sfence();
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(picture.width) + "x" + std::to_string(picture.height));
}
BENCHMARK(BM_PictureTraffic)
    ->ArgNames({"screen_w", "screen_h"})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest);

// Arguments: screen width, screen height, kernel.
void BM_Scale(benchmark::State& state) {
    const int screenWidth = static_cast<int>(state.range(0));
    const int screenHeight = static_cast<int>(state.range(1));
    const auto kernel = static_cast<platform::ScalerKernel>(state.range(2));
    const std::vector<uint32_t> frame = Frame();
    const PixelRect picture = platform::FitPicture(kWidth, kHeight, screenWidth, screenHeight);
    std::vector<uint32_t> storage;
    uint32_t* screen = PageAlignedScreen(screenWidth, screenHeight, &storage);
    platform::FillBars(screen, screenWidth, screenHeight, screenWidth, picture);
    platform::FrameScaler scaler;
    scaler.Configure(kWidth, kHeight, picture.width, picture.height, kernel);
    if (scaler.GetKernel() != kernel && kernel != platform::ScalerKernel::Auto) {
        state.SkipWithError("kernel not available on this CPU");
        return;
    }
    uint32_t* origin = screen + static_cast<size_t>(picture.y) * screenWidth + picture.x;
    for (auto _ : state) {
        scaler.Scale(frame.data(), kWidth, origin, screenWidth);
        benchmark::ClobberMemory();
    }
    state.SetLabel(std::to_string(picture.width) + "x" + std::to_string(picture.height));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * picture.width * picture.height);
}
constexpr int kAuto = static_cast<int>(platform::ScalerKernel::Auto);
constexpr int kSse2 = static_cast<int>(platform::ScalerKernel::Sse2);
constexpr int kScalar = static_cast<int>(platform::ScalerKernel::Scalar);
BENCHMARK(BM_Scale)
    ->ArgNames({"screen_w", "screen_h", "kernel"})
    ->Args({1024, 768, kAuto})
    ->Args({1920, 1080, kAuto})
    ->Args({3840, 2160, kAuto})
    ->Args({2560, 1440, kAuto})
    ->Args({1920, 1080, kSse2})
    ->Args({3840, 2160, kSse2})
    ->Args({1920, 1080, kScalar})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest);

// A frame of the game as far as presenting it goes: the still background
// and, over it, 24 sprites of 48x48 pixels that move down a few pixels a
// frame, as fighters and asteroids do, and a changing line of text.
void DrawMovingFrame(const std::vector<uint32_t>& background, int frameNumber, std::vector<uint32_t>* frame) {
    std::memcpy(frame->data(), background.data(), background.size() * sizeof(uint32_t));
    auto fill = [&](int x, int y, int width, int height, uint32_t colour) {
        for (int row = std::max(y, 0); row < std::min(y + height, kHeight); ++row) {
            std::fill_n(frame->data() + static_cast<size_t>(row) * kWidth + x, width, colour);
        }
    };
    for (int i = 0; i < 24; ++i) {
        const int x = (i * 173) % (kWidth - 48);
        const int y = (i * 97 + frameNumber * (3 + i % 4)) % (kHeight + 48) - 48;
        fill(x, y, 48, 48, 0xFF406080u + static_cast<uint32_t>(i));
    }
    fill(10, 10, 120, 16, 0xFF000000u | static_cast<uint32_t>(frameNumber));
}

// Presenting a frame whose sprites moved: the change search over the whole
// frame, then the picture under the changed tiles scaled again. Compare
// with BM_Scale of the same screen (all of the picture scaled) and with
// BM_FrameMemcpy. Arguments: screen width, screen height.
void BM_PictureUpdate(benchmark::State& state) {
    const int screenWidth = static_cast<int>(state.range(0));
    const int screenHeight = static_cast<int>(state.range(1));
    const std::vector<uint32_t> background = Frame();
    std::vector<uint32_t> frame(background.size());
    const PixelRect picture = platform::FitPicture(kWidth, kHeight, screenWidth, screenHeight);
    std::vector<uint32_t> storage;
    uint32_t* screen = PageAlignedScreen(screenWidth, screenHeight, &storage);
    uint32_t* origin = screen + static_cast<size_t>(picture.y) * screenWidth + picture.x;
    platform::PictureUpdater updater;
    updater.Configure(kWidth, kHeight, picture.width, picture.height);
    DrawMovingFrame(background, 0, &frame);
    updater.Update(frame.data(), kWidth, origin, screenWidth);
    int frameNumber = 1;
    int64_t written = 0, areas = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DrawMovingFrame(background, frameNumber++, &frame);
        state.ResumeTiming();
        for (const PixelRect& area : updater.Update(frame.data(), kWidth, origin, screenWidth)) {
            written += int64_t{area.width} * area.height;
            ++areas;
        }
        benchmark::ClobberMemory();
    }
    const double frames = static_cast<double>(std::max<int64_t>(state.iterations(), 1));
    state.counters["areas"] = static_cast<double>(areas) / frames;
    state.counters["redrawn"] = static_cast<double>(written) / frames / (double{1} * picture.width * picture.height);
    state.SetLabel(std::to_string(picture.width) + "x" + std::to_string(picture.height));
}
BENCHMARK(BM_PictureUpdate)
    ->ArgNames({"screen_w", "screen_h"})
    ->Args({1024, 768})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ComputeStatistics("min", Fastest);

// The part of every presented frame that does not depend on the screen:
// the search of a frame that did not change at all.
void BM_FrameChangesUnchanged(benchmark::State& state) {
    const std::vector<uint32_t> frame = Frame();
    platform::FrameChanges changes;
    changes.Compare(frame.data(), kWidth, kHeight, kWidth);
    for (auto _ : state) {
        benchmark::DoNotOptimize(changes.Compare(frame.data(), kWidth, kHeight, kWidth).size());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * frame.size() * sizeof(uint32_t));
}
BENCHMARK(BM_FrameChangesUnchanged)->Unit(benchmark::kMillisecond)->Repetitions(5)->ComputeStatistics("min", Fastest);

}  // namespace
