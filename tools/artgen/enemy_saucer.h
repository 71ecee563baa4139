// The enemy ship: a 96 x 96 saucer whose bladed rim turns and whose
// green core pulses.
#pragma once

#include "canvas.h"

namespace artgen {

class EnemySaucer {
 public:
  // Draws frame (0 .. frames - 1) of a seamless loop of frames pictures.
  static void Paint(Canvas& canvas, int frame, int frames);
};

}  // namespace artgen
