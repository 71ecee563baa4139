// The enemy fighter: a dark, forward-swept craft flying downward, with
// blinking navigation lights and orange engines.
#pragma once

#include "canvas.h"
#include "plate_model.h"

namespace artgen {

class Fighter {
 public:
  // Builds the fighter's plates: 112 x 128 units, nose down at (0, 125).
  Fighter();

  // Draws blink state frame (0, 1 or 2) onto a 112 x 128 canvas.
  void Paint(Canvas& canvas, int frame) const;

 private:
  PlateModel model_;
};

}  // namespace artgen
