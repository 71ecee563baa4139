#include "starfield.h"

#include <cmath>
#include <vector>

#include "glow.h"
#include "noise.h"
#include "random.h"

namespace artgen {

namespace {

// The nebula is smooth, so it is computed at half resolution and
// interpolated: a quarter of the noise evaluations.
std::vector<Color> NebulaGrid(int w, int h) {
  const Noise noise(0xA57E201Dull);
  std::vector<Color> grid(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const float u = x / 170.0f, v = y / 170.0f;
      // Domain warping turns round blobs into wisps.
      const float wx = noise.Fractal(u + 3.1f, v + 1.7f, 3);
      const float wy = noise.Fractal(u - 2.3f, v + 8.9f, 3);
      const float cloud = noise.Fractal(u + 1.8f * wx, v + 1.8f * wy, 5);
      const float veil = noise.Fractal(u * 0.6f + 11.0f, v * 0.6f, 4);
      // A diagonal band keeps most of the nebula off the play area's
      // centre and gives the picture a direction.
      const float band = std::exp(-std::pow((u * 0.5f - v * 0.9f + 0.9f) * 1.3f, 2.0f));
      const float purple = Clamp01(cloud * 1.6f + 0.25f) * (0.35f + 0.65f * band);
      const float teal = Clamp01(veil * 2.0f + 0.15f) * (0.4f + 0.6f * band);
      Color c = Color{0.012f, 0.016f, 0.045f} + Color{0.01f, 0.0f, 0.02f} * (static_cast<float>(y) / h);
      c = c + Color{0.34f, 0.08f, 0.40f} * (purple * purple * 1.0f);
      c = c + Color{0.03f, 0.20f, 0.36f} * (teal * teal * 1.5f);
      c = c + Color{0.55f, 0.35f, 0.60f} * (std::pow(Clamp01(cloud * 2.2f - 0.2f), 3.0f) * band * 0.45f);
      grid[static_cast<std::size_t>(y) * w + x] = c;
    }
  }
  return grid;
}

}  // namespace

void Starfield::Paint(Canvas& canvas) {
  const int W = canvas.Width(), H = canvas.Height();
  const int gw = W / 2 + 2, gh = H / 2 + 2;
  const std::vector<Color> grid = NebulaGrid(gw, gh);
  Random dither(99);
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const float gx = x * 0.5f, gy = y * 0.5f;
      const int ix = static_cast<int>(gx), iy = static_cast<int>(gy);
      const float fx = gx - ix, fy = gy - iy;
      auto at = [&](int cx, int cy) { return grid[static_cast<std::size_t>(cy) * gw + cx]; };
      const Color top = Mix(at(ix, iy), at(ix + 1, iy), fx);
      const Color bottom = Mix(at(ix, iy + 1), at(ix + 1, iy + 1), fx);
      // Half a level of noise hides banding in the dark gradients.
      const float n = (dither.Unit() - 0.5f) / 255.0f;
      const Color c = Mix(top, bottom, fy) + Color{n, n, n};
      canvas.Blend(x, y, c, 1.0f);
    }
  }

  Random random(0x57A125ull);
  auto starTint = [&]() {
    const float k = random.Unit();
    if (k < 0.2f) return Color{0.75f, 0.85f, 1.0f};
    if (k < 0.3f) return Color{1.0f, 0.85f, 0.7f};
    return Color{1.0f, 1.0f, 1.0f};
  };
  // Faint dust of tiny stars, thicker along the nebula's band.
  for (int i = 0; i < 3400; ++i) {
    Vec2 p{random.Range(0.0f, static_cast<float>(W)), random.Range(0.0f, static_cast<float>(H))};
    if (i % 4 == 0) {
      // Pull a quarter of them towards the band's centre line.
      const float u = p.x / 170.0f;
      const float lineV = (u * 0.5f + 0.9f) / 0.9f * 170.0f;
      p.y = lineV + (p.y - lineV) * 0.3f;
      if (p.y < 0.0f || p.y >= H) continue;
    }
    const float b = std::pow(random.Unit(), 2.5f) * 0.7f + 0.08f;
    AddGlow(canvas, p, 1.1f, starTint(), b);
  }
  // Brighter stars with a small halo.
  for (int i = 0; i < 140; ++i) {
    const Vec2 p{random.Range(0.0f, static_cast<float>(W)), random.Range(0.0f, static_cast<float>(H))};
    const Color tint = starTint();
    AddGlow(canvas, p, 1.4f, tint, 0.9f);
    AddGlow(canvas, p, 5.0f, tint, 0.10f + 0.1f * random.Unit());
  }
  // A few big stars with four-pointed flares.
  for (int i = 0; i < 9; ++i) {
    const Vec2 p{random.Range(20.0f, W - 20.0f), random.Range(20.0f, H - 20.0f)};
    const Color tint = starTint();
    const float size = random.Range(0.7f, 1.3f);
    AddGlow(canvas, p, 2.2f * size, tint, 1.0f);
    AddGlow(canvas, p, 10.0f * size, tint, 0.18f);
    AddGlow(canvas, p, 22.0f * size, 1.0f * size, tint, 0.35f);
    AddGlow(canvas, p, 1.0f * size, 22.0f * size, tint, 0.35f);
  }
}

}  // namespace artgen
