// A lumpy, cratered rock spinning in the picture plane under a fixed
// light, so its shading stays put while its surface turns.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"
#include "noise.h"

namespace artgen {

class Asteroid {
 public:
  // A rock of about radius pixels; seed picks its shape, craters and tint.
  Asteroid(float radius, std::uint64_t seed);

  // Draws the rock turned by angle radians, centred on the canvas.
  void Paint(Canvas& canvas, float angle) const;

 private:
  struct Crater {
    Vec2 centre;
    float radius;
  };

  float Outline(float a) const;
  float Height(Vec2 q) const;

  float radius_;
  Noise noise_;
  std::vector<Crater> craters_;
  Color tint_;
};

}  // namespace artgen
