#include "noise.h"

#include <cmath>

#include "random.h"

namespace artgen {

namespace {

float Fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }
float Lerp(float a, float b, float t) { return a + (b - a) * t; }

// Twelve edge directions of a cube, as in improved Perlin noise; the 2-D
// noise uses the same table with z = 0.
float Grad(int hash, float x, float y, float z) {
  switch (hash & 15) {
    case 0: return x + y;
    case 1: return -x + y;
    case 2: return x - y;
    case 3: return -x - y;
    case 4: return x + z;
    case 5: return -x + z;
    case 6: return x - z;
    case 7: return -x - z;
    case 8: return y + z;
    case 9: return -y + z;
    case 10: return y - z;
    case 11: return -y - z;
    case 12: return x + y;
    case 13: return -x + y;
    case 14: return -y + z;
    default: return -y - z;
  }
}

}  // namespace

Noise::Noise(std::uint64_t seed) {
  std::array<std::uint8_t, 256> p{};
  for (int i = 0; i < 256; ++i) p[i] = static_cast<std::uint8_t>(i);
  Random random(seed);
  // Fisher-Yates shuffle with our own generator keeps the table the same
  // on every run.
  for (int i = 255; i > 0; --i) {
    const int j = static_cast<int>(random.Next() % static_cast<std::uint64_t>(i + 1));
    std::swap(p[i], p[j]);
  }
  for (int i = 0; i < 512; ++i) perm_[i] = p[i & 255];
}

int Noise::Hash(int x, int y, int z) const { return perm_[perm_[perm_[x & 255] + (y & 255)] + (z & 255)]; }

float Noise::At(float x, float y) const { return At(x, y, 0.0f); }

float Noise::At(float x, float y, float z) const {
  const float fx = std::floor(x), fy = std::floor(y), fz = std::floor(z);
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy), iz = static_cast<int>(fz);
  const float dx = x - fx, dy = y - fy, dz = z - fz;
  const float u = Fade(dx), v = Fade(dy), w = Fade(dz);
  const float n000 = Grad(Hash(ix, iy, iz), dx, dy, dz);
  const float n100 = Grad(Hash(ix + 1, iy, iz), dx - 1, dy, dz);
  const float n010 = Grad(Hash(ix, iy + 1, iz), dx, dy - 1, dz);
  const float n110 = Grad(Hash(ix + 1, iy + 1, iz), dx - 1, dy - 1, dz);
  const float n001 = Grad(Hash(ix, iy, iz + 1), dx, dy, dz - 1);
  const float n101 = Grad(Hash(ix + 1, iy, iz + 1), dx - 1, dy, dz - 1);
  const float n011 = Grad(Hash(ix, iy + 1, iz + 1), dx, dy - 1, dz - 1);
  const float n111 = Grad(Hash(ix + 1, iy + 1, iz + 1), dx - 1, dy - 1, dz - 1);
  const float x00 = Lerp(n000, n100, u), x10 = Lerp(n010, n110, u);
  const float x01 = Lerp(n001, n101, u), x11 = Lerp(n011, n111, u);
  return Lerp(Lerp(x00, x10, v), Lerp(x01, x11, v), w);
}

float Noise::Fractal(float x, float y, int octaves) const { return Fractal(x, y, 0.0f, octaves); }

float Noise::Fractal(float x, float y, float z, int octaves) const {
  float sum = 0.0f, weight = 1.0f, total = 0.0f, scale = 1.0f;
  for (int i = 0; i < octaves; ++i) {
    // Each octave is offset so the lattice points of the octaves do not
    // line up into a visible grid.
    sum += weight * At(x * scale + 17.3f * i, y * scale + 9.1f * i, z * scale + 3.7f * i);
    total += weight;
    weight *= 0.5f;
    scale *= 2.0f;
  }
  return sum / total;
}

}  // namespace artgen
