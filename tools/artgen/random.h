// Deterministic pseudo-random numbers (splitmix64): the same seed always
// draws the same sequence, so every build writes the same image bytes.
#pragma once

#include <cstdint>

namespace artgen {

class Random {
 public:
  // Starts the sequence belonging to seed.
  explicit Random(std::uint64_t seed) : state_(seed) {}

  // Next raw 64-bit value.
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform float in [0, 1).
  float Unit() { return static_cast<float>(Next() >> 40) / 16777216.0f; }

  // Uniform float in [lo, hi).
  float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }

 private:
  std::uint64_t state_;
};

}  // namespace artgen
