// The background: deep space with a faint nebula and stars of several
// sizes, drawn fully opaque.
#pragma once

#include "canvas.h"

namespace artgen {

class Starfield {
 public:
  // Fills canvas (meant for 1024 x 768) with the background.
  static void Paint(Canvas& canvas);
};

}  // namespace artgen
