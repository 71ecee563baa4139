// The fireball: a flash that swells into turbulent flame and sparks and
// burns out to thin smoke over its frames.
#pragma once

#include "canvas.h"
#include "noise.h"

namespace artgen {

class Explosion {
 public:
  Explosion();

  // Draws frame (0 .. frames - 1) on a 128 x 128 canvas.
  void Paint(Canvas& canvas, int frame, int frames) const;

 private:
  Noise noise_;
};

}  // namespace artgen
