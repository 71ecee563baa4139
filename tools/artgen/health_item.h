// The health item: a glowing red cross inside a glass capsule.
#pragma once

#include "canvas.h"

namespace artgen {

class HealthItem {
 public:
  // Draws the item on a 64 x 64 canvas.
  static void Paint(Canvas& canvas);
};

}  // namespace artgen
