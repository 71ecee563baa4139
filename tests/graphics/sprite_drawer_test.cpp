// The software sprite drawer against a plain floating-point drawer, and its
// exact behaviour on small hand-made images.
#include "graphics/sprite_drawer.h"
#include "graphics/texture_impl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

namespace {

using gfx::SpriteImage;
using gfx::SpriteKernel;
using gfx::SpritePlacement;

constexpr uint32_t kGuard = 0x5A5A5A5Au;

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return (a << 24) | (r << 16) | (g << 8) | b; }
int Ch(uint32_t argb, int shift) { return static_cast<int>((argb >> shift) & 0xFF); }

// Texels and the drawer's view of them.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> texels;
    std::vector<int32_t> rowFirst, rowEnd;
    gfx::ModulatedTexels modulated;
    SpriteImage view;

    // As a texture sets it up: with room for modulated copies.
    Image(int w, int h, std::vector<uint32_t> t) : width(w), height(h), texels(std::move(t)) {
        view = gfx::AnalyseSpriteImage(texels.data(), width, height, rowFirst, rowEnd);
        view.modulated = &modulated;
    }
    Image(const Image&) = delete;
};

// A small deterministic generator for test content.
struct Noise {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

// A disc with a soft edge: colour noise inside, alpha falling from 255 to 0
// over the outer quarter of the radius, fully transparent corners.
Image SoftDisc(int w, int h, uint32_t seed) {
    Noise n{seed};
    std::vector<uint32_t> t(static_cast<size_t>(w) * h);
    const double cx = w / 2.0, cy = h / 2.0, r = std::min(w, h) / 2.0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) / r;
            const double a = std::clamp((1.0 - d) * 4.0, 0.0, 1.0);
            const uint32_t rgb = n.Next() & 0xFFFFFF;
            t[static_cast<size_t>(y) * w + x] = (static_cast<uint32_t>(std::lround(a * 255)) << 24) | rgb;
        }
    }
    return Image(w, h, std::move(t));
}

// Noise colours with every alpha in fixedAlpha (or random alpha when -1).
Image NoiseImage(int w, int h, uint32_t seed, int fixedAlpha) {
    Noise n{seed};
    std::vector<uint32_t> t(static_cast<size_t>(w) * h);
    for (auto& texel : t) {
        const uint32_t v = n.Next();
        const uint32_t a = fixedAlpha < 0 ? (n.Next() & 0xFF) : static_cast<uint32_t>(fixedAlpha);
        texel = (a << 24) | (v & 0xFFFFFF);
    }
    return Image(w, h, std::move(t));
}

// Hard alpha: opaque noise in a checker of 3x3 cells, alpha 0 elsewhere.
Image HardEdges(int w, int h, uint32_t seed) {
    Noise n{seed};
    std::vector<uint32_t> t(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            t[static_cast<size_t>(y) * w + x] = (((x / 3 + y / 3) % 2) ? 0xFF000000u : 0u) | (n.Next() & 0xFFFFFF);
    return Image(w, h, std::move(t));
}

// Opaque noise broken by gaps: in every row a transparent texel every 11
// (shifted per row) and a translucent stretch, so the rows hold opaque runs
// of many lengths, the longest anywhere in the row.
Image OpaqueWithGaps(int w, int h, uint32_t seed) {
    Noise n{seed};
    std::vector<uint32_t> t(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint32_t a = 255;
            if ((x + 3 * y) % 11 == 0) a = 0;
            if (x >= (7 * y) % w && x < (7 * y) % w + 4) a = 90;
            t[static_cast<size_t>(y) * w + x] = (a << 24) | (n.Next() & 0xFFFFFF);
        }
    }
    return Image(w, h, std::move(t));
}

// A destination buffer with guard pixels in the row padding.
struct Screen {
    int width, height, pitch;
    std::vector<uint32_t> pixels;
    Screen(int w, int h, uint32_t seed) : width(w), height(h), pitch(w + 5), pixels(static_cast<size_t>(pitch) * h) {
        Noise n{seed};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < pitch; ++x)
                pixels[static_cast<size_t>(y) * pitch + x] = x < w ? (0xFF000000u | (n.Next() & 0xFFFFFF)) : kGuard;
    }
    PixelTarget Target() { return PixelTarget{pixels.data(), pitch, width, height}; }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * pitch + x]; }
};

// The reference: every pixel whose centre lies inside the scaled, moved
// (unturned) image samples the texture bilinearly at that centre with
// clamped addressing, in doubles, then modulates and blends in doubles.
void ReferenceDraw(Screen& s, const Image& img, float scale, float tx, float ty, uint32_t color) {
    auto texel = [&](int x, int y, int shift) {
        x = std::clamp(x, 0, img.width - 1);
        y = std::clamp(y, 0, img.height - 1);
        return static_cast<double>(Ch(img.texels[static_cast<size_t>(y) * img.width + x], shift));
    };
    for (int py = 0; py < s.height; ++py) {
        for (int px = 0; px < s.width; ++px) {
            const double lx = (px + 0.5 - tx) / scale, ly = (py + 0.5 - ty) / scale;
            if (lx < 0 || ly < 0 || lx >= img.width || ly >= img.height) continue;
            const double u = lx - 0.5, v = ly - 0.5;
            const int i = static_cast<int>(std::floor(u)), j = static_cast<int>(std::floor(v));
            const double fx = u - i, fy = v - j;
            double c[4];
            for (int k = 0; k < 4; ++k) {
                const int sh = 8 * k;
                const double f = texel(i, j, sh) * (1 - fx) * (1 - fy) + texel(i + 1, j, sh) * fx * (1 - fy) +
                                 texel(i, j + 1, sh) * (1 - fx) * fy + texel(i + 1, j + 1, sh) * fx * fy;
                c[k] = f * Ch(color, sh) / 255.0;
            }
            const double a = c[3] / 255.0;
            uint32_t& d = s.pixels[static_cast<size_t>(py) * s.pitch + px];
            uint32_t out = 0xFF000000u;
            for (int k = 0; k < 3; ++k) {
                const double v2 = c[k] * a + Ch(d, 8 * k) * (1 - a);
                out |= static_cast<uint32_t>(std::lround(v2)) << (8 * k);
            }
            d = out;
        }
    }
}

struct Case {
    const char* name;
    int imageKind;  // 0 soft disc, 1 translucent noise, 2 hard edges, 3 opaque noise, 4 random-alpha noise,
                    // 5 opaque with gaps
    int w, h;
    float scale;
    float x, y;
    uint32_t color;
};

Image MakeImage(const Case& c) {
    switch (c.imageKind) {
        case 0: return SoftDisc(c.w, c.h, 7);
        case 1: return NoiseImage(c.w, c.h, 11, 100);
        case 2: return HardEdges(c.w, c.h, 13);
        case 3: return NoiseImage(c.w, c.h, 17, 255);
        case 5: return OpaqueWithGaps(c.w, c.h, 31);
        default: return NoiseImage(c.w, c.h, 19, -1);
    }
}

// The screen is 120 x 90; the image sizes are odd on purpose so every row
// ends in the narrow loops as well as the wide ones.
const Case kCases[] = {
    {"DiscWholePixel", 0, 41, 37, 1.0f, 20, 15, 0xFFFFFFFF},
    {"DiscQuarterOffsets", 0, 41, 37, 1.0f, 20.25f, 15.75f, 0xFFBBBBBB},
    {"DiscHalfOffsets", 0, 41, 37, 1.0f, 30.5f, 10.5f, 0xFFBBBBBB},
    {"DiscUnevenOffsets", 0, 53, 29, 1.0f, 3.3f, 40.9f, 0xFFAAAAAA},
    {"DiscTranslucentColour", 0, 41, 37, 1.0f, 10.6f, 12.2f, 0x80FF8040},
    {"TranslucentTexels", 1, 45, 31, 1.0f, 7.125f, 9.875f, 0xFFFFFFFF},
    {"RandomAlphaTexels", 4, 45, 31, 1.0f, 60.7f, 33.1f, 0xFFBBBBBB},
    {"HardAlphaEdges", 2, 47, 33, 1.0f, 12.0f, 8.0f, 0xFFFFFFFF},
    {"HardAlphaEdgesFractional", 2, 47, 33, 1.0f, 12.4f, 8.6f, 0xFFBBBBBB},
    {"OpaqueCopy", 3, 57, 43, 1.0f, 31, 22, 0xFFAAAAAA},
    {"OpaqueCopyWhite", 3, 57, 43, 1.0f, 1, 2, 0xFFFFFFFF},
    {"OpaqueFractional", 3, 57, 43, 1.0f, 31.7f, 22.2f, 0xFFAAAAAA},
    {"OpaqueHalfAlphaColour", 3, 57, 43, 1.0f, 31, 22, 0x7FFFFFFF},
    {"HalfScaleWholePixel", 0, 64, 48, 0.5f, 40, 30, 0xFFBBBBBB},
    {"HalfScaleFractional", 0, 67, 49, 0.5f, 40.3f, 30.8f, 0xFFBBBBBB},
    {"HalfScaleRandomAlpha", 4, 71, 45, 0.5f, 13.6f, 5.45f, 0xFFFFFFFF},
    {"HalfScaleOpaque", 3, 70, 50, 0.5f, 50.25f, 20.0f, 0xFFAAAAAA},
    {"ClippedLeft", 0, 41, 37, 1.0f, -17.3f, 20.5f, 0xFFBBBBBB},
    {"ClippedRight", 0, 41, 37, 1.0f, 99.6f, 20.5f, 0xFFBBBBBB},
    {"ClippedTop", 0, 41, 37, 1.0f, 40.5f, -20.2f, 0xFFBBBBBB},
    {"ClippedBottom", 0, 41, 37, 1.0f, 40.5f, 70.7f, 0xFFBBBBBB},
    {"ClippedAllEdges", 4, 131, 101, 1.0f, -5.5f, -5.25f, 0xFFBBBBBB},
    {"OpaqueCopyClippedAllEdges", 3, 131, 101, 1.0f, -5, -6, 0xFFAAAAAA},
    {"HalfScaleClippedLeftTop", 4, 71, 45, 0.5f, -9.3f, -7.7f, 0xFFFFFFFF},
    {"HalfScaleClippedRightBottom", 4, 71, 45, 0.5f, 100.2f, 75.6f, 0xFFFFFFFF},
    {"OnePixelImage", 4, 1, 1, 1.0f, 5.5f, 5.5f, 0xFFFFFFFF},
    {"OneTexelWideColumn", 1, 1, 20, 1.0f, 5.25f, 5.75f, 0xFFFFFFFF},
    {"GeneralScale", 0, 30, 22, 1.7f, 10.3f, 4.6f, 0xFFBBBBBB},
    {"OpaqueRunsWithGaps", 5, 61, 23, 1.0f, 20.4f, 30.3f, 0xFFBBBBBB},
    {"OpaqueRunsWholePixel", 5, 61, 23, 1.0f, 20, 30, 0xFFBBBBBB},
    {"OpaqueRunsHalfAlphaColour", 5, 61, 23, 1.0f, 20.4f, 30.3f, 0x80FFFFFF},
    {"HalfScaleOpaqueRuns", 5, 77, 41, 0.5f, 9.7f, 11.2f, 0xFFFFFFFF},
    {"OpaqueRunsClippedLeftAndRight", 5, 140, 30, 1.0f, -10.6f, 5.5f, 0xFFAAAAAA},
    {"SoftDiscWideRows", 0, 97, 61, 1.0f, 11.8f, 14.1f, 0xFFBBBBBB},
};

struct KernelCase {
    SpriteKernel kernel;
    const char* name;
};

class SpriteDrawerAgreement : public ::testing::TestWithParam<std::tuple<KernelCase, Case>> {};

TEST_P(SpriteDrawerAgreement, MatchesFloatingPointReferenceWithinTwo) {
    const auto& [kc, c] = GetParam();
    if (kc.kernel == SpriteKernel::Avx2 && !gfx::CpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    const Image img = MakeImage(c);
    Screen fast(120, 90, 3), ref(120, 90, 3);
    const Screen before(120, 90, 3);
    SpritePlacement p;
    p.scaleX = p.scaleY = c.scale;
    p.x = c.x;
    p.y = c.y;
    gfx::DrawSprite(fast.Target(), img.view, p, c.color, kc.kernel);
    ReferenceDraw(ref, img, c.scale, c.x, c.y, c.color);
    int worst = 0, changed = 0;
    for (int y = 0; y < fast.height; ++y) {
        for (int x = 0; x < fast.pitch; ++x) {
            const uint32_t a = fast.At(x, y), b = ref.At(x, y);
            if (x >= fast.width) {
                ASSERT_EQ(a, kGuard) << "wrote past the right edge at row " << y;
                continue;
            }
            ASSERT_EQ(Ch(a, 24), 255) << "at " << x << "," << y;
            for (int sh = 0; sh < 24; sh += 8) {
                const int diff = std::abs(Ch(a, sh) - Ch(b, sh));
                ASSERT_LE(diff, 2) << "at " << x << "," << y << " channel shift " << sh << std::hex << " fast " << a
                                   << " reference " << b;
                worst = std::max(worst, diff);
            }
            if (b != before.At(x, y)) ++changed;
        }
    }
    // The case must actually draw something for the comparison to mean anything.
    EXPECT_GT(changed, 0);
}

INSTANTIATE_TEST_SUITE_P(SpriteDrawer, SpriteDrawerAgreement,
                         ::testing::Combine(::testing::Values(KernelCase{SpriteKernel::Scalar, "Scalar"},
                                                              KernelCase{SpriteKernel::Sse2, "Sse2"},
                                                              KernelCase{SpriteKernel::Avx2, "Avx2"}),
                                            ::testing::ValuesIn(kCases)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
                         });

// The AVX2 loop walks a draw's rows itself and draws the clamped pixels at
// their ends two at a time; called once per row, with those pixels one by
// one, it must give the very same pixels, and both stay within one of the
// scalar loop
// (whose rounding of the blend differs slightly). The cases are the table
// above plus the ones that decide the ends of a row: rows shorter than a
// vector or just longer, texels reaching the image's edges (clamped), half
// scale, odd widths, clipping on each side and images without the cached
// copies (no signed texels).
struct RowsCase {
    const char* name;
    int imageKind;  // as in Case
    int w, h;
    float scale;
    float x, y;
    uint32_t color;
    bool cached;  // the image offers room for the drawer's copies
};

const RowsCase kRowsCases[] = {
    {"NarrowerThanAVector", 4, 5, 9, 1.0f, 10.3f, 7.6f, 0xFFBBBBBB, true},
    {"JustWiderThanAVector", 4, 9, 7, 1.0f, 30.7f, 20.2f, 0xFFBBBBBB, true},
    {"SeventeenWide", 1, 17, 11, 1.0f, 50.5f, 40.25f, 0xFFFFFFFF, true},
    {"EdgeTexelsVisible", 4, 33, 21, 1.0f, 40.2f, 30.9f, 0xFFBBBBBB, true},
    {"EdgeTexelsWholePixel", 4, 33, 21, 1.0f, 40, 30, 0xFFBBBBBB, true},
    {"HalfScaleOddWidth", 4, 37, 23, 0.5f, 60.4f, 50.7f, 0xFFBBBBBB, true},
    {"HalfScaleNarrow", 4, 7, 9, 0.5f, 11.6f, 12.1f, 0xFFFFFFFF, true},
    {"OffLeftEdge", 4, 41, 17, 1.0f, -30.6f, 10.3f, 0xFFBBBBBB, true},
    {"OffRightEdge", 4, 41, 17, 1.0f, 100.4f, 10.3f, 0xFFBBBBBB, true},
    {"OffTopAndBottom", 0, 41, 120, 1.0f, 30.5f, -15.5f, 0xFFBBBBBB, true},
    {"HalfScaleOffAllEdges", 4, 260, 200, 0.5f, -3.3f, -4.6f, 0xFFBBBBBB, true},
    {"OpaqueRunsUncached", 5, 61, 23, 1.0f, 20.4f, 30.3f, 0xFFBBBBBB, false},
    {"SoftDiscUncached", 0, 53, 41, 1.0f, 33.8f, 21.1f, 0xFFAAAAAA, false},
    {"HalfScaleUncached", 4, 45, 31, 0.5f, 70.1f, 9.9f, 0xFFBBBBBB, false},
    {"TranslucentColourEdges", 4, 33, 21, 1.0f, 40.2f, 30.9f, 0x80FF8040, true},
};

void ExpectRowLoopsAgree(const Image& img, float scale, float x, float y, uint32_t color) {
    SpritePlacement p;
    p.scaleX = p.scaleY = scale;
    p.x = x;
    p.y = y;
    Screen whole(120, 90, 5), perRow(120, 90, 5), scalar(120, 90, 5);
    const Screen before(120, 90, 5);
    // Twice, so that the second draw reads the copies the first one made.
    for (int i = 0; i < 2; ++i) {
        gfx::DrawSprite(whole.Target(), img.view, p, color, SpriteKernel::Avx2);
        gfx::DrawSprite(perRow.Target(), img.view, p, color, SpriteKernel::TEST_Avx2PerRow);
        gfx::DrawSprite(scalar.Target(), img.view, p, color, SpriteKernel::Scalar);
    }
    int changed = 0;
    for (int py = 0; py < whole.height; ++py) {
        for (int px = 0; px < whole.pitch; ++px) {
            const uint32_t a = whole.At(px, py), b = perRow.At(px, py), c = scalar.At(px, py);
            ASSERT_EQ(a, b) << "at " << px << "," << py;
            ASSERT_EQ(a == before.At(px, py), c == before.At(px, py)) << "at " << px << "," << py;
            for (int sh = 0; sh < 32; sh += 8)
                ASSERT_LE(std::abs(Ch(a, sh) - Ch(c, sh)), 1) << "at " << px << "," << py;
            if (a != before.At(px, py)) ++changed;
        }
    }
    EXPECT_GT(changed, 0);
    // Over pixels that are not opaque, where a pixel drawn with alpha 0 and
    // one left alone differ.
    Screen wholeOver(120, 90, 6), perRowOver(120, 90, 6);
    Noise n{9};
    for (int py = 0; py < wholeOver.height; ++py) {
        for (int px = 0; px < wholeOver.width; ++px) {
            const uint32_t alpha = (n.Next() & 0xFF) << 24;
            uint32_t& a = wholeOver.pixels[static_cast<size_t>(py) * wholeOver.pitch + px];
            a = (a & 0xFFFFFF) | alpha;
            perRowOver.pixels[static_cast<size_t>(py) * perRowOver.pitch + px] = a;
        }
    }
    gfx::DrawSprite(wholeOver.Target(), img.view, p, color, SpriteKernel::Avx2);
    gfx::DrawSprite(perRowOver.Target(), img.view, p, color, SpriteKernel::TEST_Avx2PerRow);
    ASSERT_EQ(wholeOver.pixels, perRowOver.pixels);
}

TEST(SpriteDrawer, Avx2LoopOverRowsGivesThePixelsOfTheLoopPerRow) {
    if (!gfx::CpuHasAvx2()) GTEST_SKIP() << "no AVX2 on this CPU";
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Image img = MakeImage(c);
        ExpectRowLoopsAgree(img, c.scale, c.x, c.y, c.color);
    }
    for (const RowsCase& c : kRowsCases) {
        SCOPED_TRACE(c.name);
        Image img = MakeImage(Case{c.name, c.imageKind, c.w, c.h, c.scale, c.x, c.y, c.color});
        if (!c.cached) img.view.modulated = nullptr;
        ExpectRowLoopsAgree(img, c.scale, c.x, c.y, c.color);
    }
}

// A tiny screen of one colour for exact checks.
std::vector<uint32_t> Flat(int w, int h, uint32_t color) {
    return std::vector<uint32_t>(static_cast<size_t>(w) * h, color);
}

void Draw(std::vector<uint32_t>& screen, int sw, int sh, const Image& img, SpritePlacement p, uint32_t color,
          SpriteKernel kernel = SpriteKernel::Auto) {
    gfx::DrawSprite(PixelTarget{screen.data(), sw, sw, sh}, img.view, p, color, kernel);
}

SpritePlacement At(float x, float y, float scale = 1.0f) {
    SpritePlacement p;
    p.x = x;
    p.y = y;
    p.scaleX = p.scaleY = scale;
    return p;
}

TEST(SpriteDrawer, OpaqueImageAtWholePixelIsAnExactModulatedCopy) {
    const Image img(2, 2,
                    {Argb(255, 200, 100, 0), Argb(255, 255, 255, 255), Argb(255, 0, 51, 102), Argb(255, 1, 2, 3)});
    auto screen = Flat(5, 4, 0xFF101010);
    Draw(screen, 5, 4, img, At(2, 1), 0xFFAAAAAA);
    // 170/255 of each channel, rounded: 200 -> 133, 100 -> 67, 255 -> 170, 51 -> 34, 102 -> 68.
    EXPECT_EQ(screen[1 * 5 + 2], Argb(255, 133, 67, 0));
    EXPECT_EQ(screen[1 * 5 + 3], Argb(255, 170, 170, 170));
    EXPECT_EQ(screen[2 * 5 + 2], Argb(255, 0, 34, 68));
    EXPECT_EQ(screen[2 * 5 + 3], Argb(255, 1, 1, 2));
    // Nothing outside the 2x2 square.
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            if (!(x >= 2 && x < 4 && y >= 1 && y < 3)) {
                EXPECT_EQ(screen[y * 5 + x], 0xFF101010u) << x << "," << y;
            }
}

TEST(SpriteDrawer, BlendsBySourceAlphaTimesColourAlpha) {
    struct Row {
        uint32_t texel, color, dst, expected;
    };
    const Row rows[] = {
        {0x80FFFFFF, 0xFFFFFFFF, 0xFF000000, 0xFF808080},  // half white over black
        {0x80FFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF},  // half white over white
        {0xFFFF0000, 0x80FFFFFF, 0xFF0000FF, 0xFF80007F},  // opaque red at colour alpha 128 over blue
        {0x00FFFFFF, 0xFFFFFFFF, 0xFF123456, 0xFF123456},  // transparent texel leaves the screen
        {0xFFFFFFFF, 0x00FFFFFF, 0xFF123456, 0xFF123456},  // transparent colour draws nothing
        {0xFF808080, 0xFF00FF00, 0xFF000000, 0xFF008000},  // colour multiplies channel by channel
    };
    for (const Row& r : rows) {
        // Eight texels wide so the wide loops take part, at a fractional
        // position where only the centre pixels are unfiltered.
        const Image img(9, 1, std::vector<uint32_t>(9, r.texel));
        for (SpriteKernel k : {SpriteKernel::Scalar, SpriteKernel::Sse2, SpriteKernel::Auto}) {
            auto screen = Flat(12, 1, r.dst);
            Draw(screen, 12, 1, img, At(1, 0), r.color, k);
            for (int x = 1; x < 10; ++x)
                EXPECT_EQ(screen[x], r.expected)
                    << std::hex << "texel " << r.texel << " colour " << r.color << " x " << std::dec << x;
            EXPECT_EQ(screen[0], r.dst);
            EXPECT_EQ(screen[10], r.dst);
        }
    }
}

TEST(SpriteDrawer, HalfPixelPositionFiltersNeighboursAndCoversPixelCentres) {
    // Black, white: at x = 0.5 pixel 0's centre is on texel 0's centre, pixel
    // 1's centre halfway between the texels, pixel 2's centre outside.
    const Image img(2, 1, {Argb(255, 0, 0, 0), Argb(255, 255, 255, 255)});
    auto screen = Flat(4, 1, 0xFF0000FF);
    Draw(screen, 4, 1, img, At(0.5f, 0), 0xFFFFFFFF);
    EXPECT_EQ(screen[0], 0xFF000000u);
    EXPECT_EQ(screen[1], 0xFF808080u);
    EXPECT_EQ(screen[2], 0xFF0000FFu);
    EXPECT_EQ(screen[3], 0xFF0000FFu);
}

TEST(SpriteDrawer, HalfScaleAveragesTwoByTwoTexels) {
    // A 4x4 image at half scale covers 2x2 pixels; each pixel centre lies
    // between four texels, so it takes their mean.
    std::vector<uint32_t> t(16);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            t[y * 4 + x] = Argb(255, static_cast<uint32_t>(x * 60), static_cast<uint32_t>(y * 80), 10);
    const Image img(4, 4, t);
    auto screen = Flat(4, 4, 0xFF000000);
    Draw(screen, 4, 4, img, At(1, 1, 0.5f), 0xFFFFFFFF);
    EXPECT_EQ(screen[1 * 4 + 1], Argb(255, 30, 40, 10));
    EXPECT_EQ(screen[1 * 4 + 2], Argb(255, 150, 40, 10));
    EXPECT_EQ(screen[2 * 4 + 1], Argb(255, 30, 200, 10));
    EXPECT_EQ(screen[2 * 4 + 2], Argb(255, 150, 200, 10));
    EXPECT_EQ(screen[0], 0xFF000000u);
    EXPECT_EQ(screen[3 * 4 + 3], 0xFF000000u);
}

TEST(SpriteDrawer, QuarterTurnAboutCentreMatchesTheTurnedImage) {
    // Turning a square image a quarter turn clockwise about its middle puts
    // texel (x, y) where the turned image's texel (h-1-y, x) would be.
    const int n = 9;
    const Image img = NoiseImage(n, n, 23, 255);
    std::vector<uint32_t> turned(n * n);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) turned[x * n + (n - 1 - y)] = img.texels[y * n + x];
    const Image expectedImg(n, n, turned);
    auto screen = Flat(20, 20, 0xFF000000), expected = Flat(20, 20, 0xFF000000);
    SpritePlacement p = At(5, 6);
    p.centreX = p.centreY = n / 2.0f;
    p.rotation = std::numbers::pi_v<float> / 2;
    Draw(screen, 20, 20, img, p, 0xFFFFFFFF);
    Draw(expected, 20, 20, expectedImg, At(5, 6), 0xFFFFFFFF);
    for (int i = 0; i < 400; ++i) {
        for (int sh = 0; sh < 32; sh += 8)
            ASSERT_LE(std::abs(Ch(screen[i], sh) - Ch(expected[i], sh)), 2) << "pixel " << i;
    }
}

TEST(SpriteDrawer, UnusablePlacementsDrawNothing) {
    const Image img = NoiseImage(8, 8, 29, 255);
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const SpritePlacement cases[] = {At(nan, 0),     At(0, inf),  At(1e30f, 1e30f), At(-1e30f, 0),
                                     At(0, 0, 0.0f), At(-100, 2), At(2, 200),       At(0, 0, nan)};
    for (const SpritePlacement& p : cases) {
        auto screen = Flat(16, 16, 0xFF445566);
        Draw(screen, 16, 16, img, p, 0xFFFFFFFF);
        for (uint32_t v : screen) ASSERT_EQ(v, 0xFF445566u) << p.x << "," << p.y << " scale " << p.scaleX;
    }
}

TEST(SpriteDrawer, AnalysisFindsOpaqueImagesAndVisibleRowSpans) {
    const Image opaque = NoiseImage(5, 3, 1, 255);
    EXPECT_TRUE(opaque.view.opaque);
    const Image disc = SoftDisc(16, 16, 1);
    EXPECT_FALSE(disc.view.opaque);
    // The disc's first row has a short visible middle part; its middle row reaches further.
    EXPECT_GT(disc.view.rowFirst[0], disc.view.rowFirst[8]);
    EXPECT_LT(disc.view.rowEnd[0], disc.view.rowEnd[8]);
    const Image empty(4, 2, std::vector<uint32_t>(8, 0x00FFFFFF));
    EXPECT_GE(empty.view.rowFirst[0], empty.view.rowEnd[0]);
}

TEST(SpriteDrawer, AnalysisFindsTheLongestOpaqueRunOfEachRow) {
    const uint32_t o = 0xFF102030, t = 0x00102030, h = 0x80102030;
    // Row 0: runs of 2 and 3; row 1: none; row 2: the whole row.
    const Image img(6, 3,
                    {o, o, t, o, o, o,  //
                     h, t, h, h, t, h,  //
                     o, o, o, o, o, o});
    ASSERT_NE(img.view.opaqueFirst, nullptr);
    EXPECT_EQ(img.view.opaqueFirst[0], 3);
    EXPECT_EQ(img.view.opaqueEnd[0], 6);
    EXPECT_GE(img.view.opaqueFirst[1], img.view.opaqueEnd[1]);
    EXPECT_EQ(img.view.opaqueFirst[2], 0);
    EXPECT_EQ(img.view.opaqueEnd[2], 6);
    // The visible spans are unchanged by the runs behind them.
    EXPECT_EQ(img.view.rowFirst[1], 0);
    EXPECT_EQ(img.view.rowEnd[1], 6);
}

// Pair v + 1 describes rows v and v + 1 (clamped): the union of their
// visible spans and the common part of their opaque runs.
TEST(SpriteDrawer, AnalysisCombinesEachPairOfNeighbouringRows) {
    const uint32_t o = 0xFF102030, t = 0x00102030, h = 0x80102030;
    // Row 0 transparent; row 1 visible over [1, 4), opaque over [2, 4);
    // row 2 visible over [2, 6), opaque over [3, 6).
    const Image img(6, 3,
                    {t, t, t, t, t, t,  //
                     t, h, o, o, t, t,  //
                     t, t, h, o, o, o});
    ASSERT_NE(img.view.pairFirst, nullptr);
    struct Expected {
        int first, end, opaqueFirst, opaqueEnd;
    };
    const Expected pairs[] = {
        {6, 0, 0, 0},  // row 0 twice: nothing visible
        {1, 4, 2, 0},  // rows 0 and 1: row 1's span, no common opaque texel
        {1, 6, 3, 4},  // rows 1 and 2
        {2, 6, 3, 6},  // row 2 twice
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(img.view.pairFirst[i] < img.view.pairEnd[i], pairs[i].first < pairs[i].end);
        if (pairs[i].first < pairs[i].end) {
            EXPECT_EQ(img.view.pairFirst[i], pairs[i].first);
            EXPECT_EQ(img.view.pairEnd[i], pairs[i].end);
        }
        EXPECT_EQ(img.view.pairOpaqueFirst[i] < img.view.pairOpaqueEnd[i], pairs[i].opaqueFirst < pairs[i].opaqueEnd);
        if (pairs[i].opaqueFirst < pairs[i].opaqueEnd) {
            EXPECT_EQ(img.view.pairOpaqueFirst[i], pairs[i].opaqueFirst);
            EXPECT_EQ(img.view.pairOpaqueEnd[i], pairs[i].opaqueEnd);
        }
    }
}

// The drawer keeps copies of a texture's texels between draws; texels
// rewritten through a lock must be what the next draw shows, in every
// kernel and with a filtering (fractional) placement.
TEST(SpriteDrawer, TexelsChangedThroughALockShowInTheNextDraw) {
    for (SpriteKernel kernel : {SpriteKernel::Scalar, SpriteKernel::Sse2, SpriteKernel::Avx2}) {
        if (kernel == SpriteKernel::Avx2 && !gfx::CpuHasAvx2()) continue;
        gfx::Texture texture(24, 4, std::vector<uint32_t>(24 * 4, Argb(200, 255, 0, 0)));
        auto screen = Flat(30, 6, 0xFF000000);
        gfx::DrawSprite(PixelTarget{screen.data(), 30, 30, 6}, texture.Image(), At(2.5f, 1.25f), 0xFFFFFFFF, kernel);
        EXPECT_GT(Ch(screen[2 * 30 + 12], 16), 150);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture.LockRect(0, &locked, nullptr, 0), D3D_OK);
        auto* texels = static_cast<uint32_t*>(locked.pBits);
        for (int i = 0; i < 24 * 4; ++i) texels[i] = Argb(200, 0, 0, 255);
        ASSERT_EQ(texture.UnlockRect(0), D3D_OK);
        screen = Flat(30, 6, 0xFF000000);
        gfx::DrawSprite(PixelTarget{screen.data(), 30, 30, 6}, texture.Image(), At(2.5f, 1.25f), 0xFFFFFFFF, kernel);
        // 200/255 of blue over black, and no red left from the old texels.
        EXPECT_EQ(screen[2 * 30 + 12], Argb(255, 0, 0, 200)) << static_cast<int>(kernel);
    }
}

// A draw that covers its whole target opaquely writes pixels that do not
// depend on what was there, in every kernel; the other draws are not
// reported as covering. A pixel is covered when its centre lies inside the
// placed image, so an image moved by half a pixel still covers the target. Targets are 40x24 (pitch 45).
TEST(SpriteDrawer, CoversTargetOnlyWhenEveryPixelIsPaintedOpaquely) {
    const Image screenSized = NoiseImage(40, 24, 7, 255);
    const Image larger = NoiseImage(43, 26, 8, 255);
    const Image twiceSized = NoiseImage(80, 48, 9, 255);
    const Image soft = SoftDisc(40, 24, 10);
    std::vector<uint32_t> holedTexels = screenSized.texels;
    holedTexels[5 * 40 + 6] = Argb(254, 1, 2, 3);
    const Image holed(40, 24, std::move(holedTexels));
    SpritePlacement turned = At(0, 0);
    turned.rotation = 0.001f;
    struct Row {
        const char* name;
        const Image& image;
        SpritePlacement placement;
        uint32_t color;
        bool covers;
    };
    const Row rows[] = {
        {"screen-sized at 0,0", screenSized, At(0, 0), 0xFFAAAAAA, true},
        {"screen-sized, white", screenSized, At(0, 0), 0xFFFFFFFF, true},
        {"larger, filtered", larger, At(-1.3f, -0.6f), 0xFF80FF40, true},
        {"twice the size at half scale", twiceSized, At(0, 0, 0.5f), 0xFFFFFFFF, true},
        {"twice the size at half scale, filtered", twiceSized, At(-0.25f, -0.25f, 0.5f), 0xFFFFFFFF, true},
        {"one texel not opaque", holed, At(0, 0), 0xFFFFFFFF, false},
        {"soft edges", soft, At(0, 0), 0xFFFFFFFF, false},
        {"moved right by a pixel", screenSized, At(1, 0), 0xFFFFFFFF, false},
        {"moved down by half a pixel", screenSized, At(0, 0.5f), 0xFFFFFFFF, true},
        {"moved down by 0.6 pixel", screenSized, At(0, 0.6f), 0xFFFFFFFF, false},
        {"half scale", screenSized, At(0, 0, 0.5f), 0xFFFFFFFF, false},
        {"scaled up", screenSized, At(0, 0, 1.5f), 0xFFFFFFFF, false},
        {"turned", larger, turned, 0xFFFFFFFF, false},
        {"translucent colour", screenSized, At(0, 0), 0xFEFFFFFF, false},
        {"not finite", screenSized, At(0, std::numeric_limits<float>::quiet_NaN()), 0xFFFFFFFF, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(gfx::SpriteCoversTarget(40, 24, r.image.view, r.placement, r.color), r.covers);
        if (!r.covers) continue;
        for (SpriteKernel kernel : {SpriteKernel::Scalar, SpriteKernel::Sse2, SpriteKernel::Avx2}) {
            if (kernel == SpriteKernel::Avx2 && !gfx::CpuHasAvx2()) continue;
            Screen a(40, 24, 1), b(40, 24, 2);
            gfx::DrawSprite(a.Target(), r.image.view, r.placement, r.color, kernel);
            gfx::DrawSprite(b.Target(), r.image.view, r.placement, r.color, kernel);
            for (int y = 0; y < 24; ++y)
                for (int x = 0; x < 40; ++x) {
                    ASSERT_EQ(a.At(x, y), b.At(x, y)) << x << "," << y << " kernel " << static_cast<int>(kernel);
                    ASSERT_EQ(a.At(x, y) >> 24, 0xFFu);
                }
        }
    }
}

}  // namespace
