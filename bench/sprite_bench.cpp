// One frame of a busy scene drawn by the software sprite drawer, beside a
// plain copy of a frame of the same size: the drawer's cost in frame copies.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "../tests/pixel_hash.h"
#include "graphics/sprite_drawer.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

struct Image {
    int width = 0, height = 0;
    std::vector<uint32_t> texels;
    std::vector<int32_t> rowFirst, rowEnd;
    gfx::ModulatedTexels modulated;
    gfx::SpriteImage view;
    // As a texture does: the facts, and room for a modulated copy.
    void Analyse() {
        view = gfx::AnalyseSpriteImage(texels.data(), width, height, rowFirst, rowEnd);
        view.modulated = &modulated;
    }
};

// A shaded disc whose alpha falls off smoothly over its outer third, as the
// game's asteroids, ships and explosions look.
Image SoftDisc(int size, uint32_t seed) {
    Image img;
    img.width = img.height = size;
    img.texels.resize(static_cast<size_t>(size) * size);
    const double r = size / 2.0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const double d = std::hypot(x + 0.5 - r, y + 0.5 - r) / r;
            const double a = std::clamp((1.0 - d) * 3.0, 0.0, 1.0);
            const uint32_t shade = static_cast<uint32_t>(std::clamp(255.0 * (1.1 - d), 0.0, 255.0));
            const uint32_t n = PixelHash(seed * 7919u + static_cast<uint32_t>(y * size + x)) & 0x1F;
            const uint32_t c = std::min<uint32_t>(255, shade * 3 / 4 + n);
            img.texels[static_cast<size_t>(y) * size + x] =
                (static_cast<uint32_t>(std::lround(a * 255)) << 24) | (c << 16) | ((c * 3 / 4) << 8) | (c / 2);
        }
    }
    img.Analyse();
    return img;
}

struct Scene {
    Image background;
    std::vector<Image> images;
    std::vector<gfx::SpritePlacement> placements;
    std::vector<uint32_t> frame;

    Scene() : frame(static_cast<size_t>(kWidth) * kHeight, 0xFF000000u) {
        background.width = kWidth;
        background.height = kHeight;
        background.texels.resize(frame.size());
        for (size_t i = 0; i < frame.size(); ++i)
            background.texels[i] = 0xFF000000u | (PixelHash(static_cast<uint32_t>(i)) & 0x3F3F7F);
        background.Analyse();
        for (int i = 0; i < 60; ++i) {
            const int size = 32 + static_cast<int>(PixelHash(1000u + i) % 97);  // 32 to 128
            images.push_back(SoftDisc(size, static_cast<uint32_t>(i)));
            gfx::SpritePlacement p;
            // Ten at half scale, like the explosions and items.
            p.scaleX = p.scaleY = i < 10 ? 0.5f : 1.0f;
            p.x = static_cast<float>(PixelHash(2000u + i) % (kWidth - 64)) + (PixelHash(3000u + i) % 1000) / 1000.0f;
            p.y = static_cast<float>(PixelHash(4000u + i) % (kHeight - 64)) + (PixelHash(5000u + i) % 1000) / 1000.0f;
            placements.push_back(p);
        }
        // A view points at its Image's cache, which moved with the Image.
        for (Image& img : images) img.view.modulated = &img.modulated;
    }

    void Draw(gfx::SpriteKernel kernel) {
        const PixelTarget target{frame.data(), kWidth, kWidth, kHeight};
        gfx::DrawSprite(target, background.view, gfx::SpritePlacement{}, 0xFFAAAAAA, kernel);
        for (size_t i = 0; i < images.size(); ++i)
            gfx::DrawSprite(target, images[i].view, placements[i], 0xFFBBBBBB, kernel);
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void BM_FrameCopy(benchmark::State& state) {
    std::vector<uint32_t> src(static_cast<size_t>(kWidth) * kHeight, 0xFF123456u);
    std::vector<uint32_t> dst(src.size());
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(src.size() * 4));
}
BENCHMARK(BM_FrameCopy);

void BM_BusyFrame(benchmark::State& state) {
    Scene& scene = TheScene();
    const auto kernel = static_cast<gfx::SpriteKernel>(state.range(0));
    if (kernel == gfx::SpriteKernel::Avx2 && !gfx::CpuHasAvx2()) {
        state.SkipWithError("no AVX2 on this CPU");
        return;
    }
    for (auto _ : state) {
        scene.Draw(kernel);
        benchmark::DoNotOptimize(scene.frame.data());
        benchmark::ClobberMemory();
    }
}
// 0 picks the kernel as the game does; 1 scalar, 2 SSE2, 3 AVX2.
BENCHMARK(BM_BusyFrame)->Arg(0)->Arg(1)->Arg(2)->Arg(3);

// The two halves of the frame on their own: the background copy, then the sprites.
void BM_BackgroundOnly(benchmark::State& state) {
    Scene& scene = TheScene();
    const PixelTarget target{scene.frame.data(), kWidth, kWidth, kHeight};
    for (auto _ : state) {
        gfx::DrawSprite(target, scene.background.view, gfx::SpritePlacement{}, 0xFFAAAAAA);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BackgroundOnly);

void BM_SpritesOnly(benchmark::State& state) {
    Scene& scene = TheScene();
    const PixelTarget target{scene.frame.data(), kWidth, kWidth, kHeight};
    for (auto _ : state) {
        for (size_t i = 0; i < scene.images.size(); ++i)
            gfx::DrawSprite(target, scene.images[i].view, scene.placements[i], 0xFFBBBBBB);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SpritesOnly);

}  // namespace
