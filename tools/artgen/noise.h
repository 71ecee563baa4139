// Seeded gradient noise in two and three dimensions, and fractal sums of
// it, for rock surfaces, flames and nebulae.
#pragma once

#include <array>
#include <cstdint>

namespace artgen {

class Noise {
 public:
  // A noise field whose pattern depends only on seed.
  explicit Noise(std::uint64_t seed);

  // Gradient noise at (x, y), roughly -1..1, one feature per unit.
  float At(float x, float y) const;

  // Gradient noise at (x, y, z), roughly -1..1.
  float At(float x, float y, float z) const;

  // Sum of octaves of 2-D noise, each twice the frequency and half the
  // weight of the one before; normalised to roughly -1..1.
  float Fractal(float x, float y, int octaves) const;

  // The same over 3-D noise.
  float Fractal(float x, float y, float z, int octaves) const;

 private:
  int Hash(int x, int y, int z) const;

  std::array<std::uint8_t, 512> perm_{};
};

}  // namespace artgen
