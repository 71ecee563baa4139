// The two kinds of shot: the player's blue-white photon bolt flying up
// and the fighters' red plasma shot flying down.
#pragma once

#include "canvas.h"

namespace artgen {

class Projectile {
 public:
  // Draws frame (0 .. frames - 1) of the pulsing photon on a 16 x 32 canvas.
  static void PaintPhoton(Canvas& canvas, int frame, int frames);

  // Draws the fighter shot on a 16 x 32 canvas, head at the bottom.
  static void PaintFighterShot(Canvas& canvas);

 private:
  // A bolt whose bright head sits at headY and whose tail runs towards
  // tailY; size scales its thickness.
  static void PaintBolt(Canvas& canvas, float headY, float tailY, float size, Color core, Color glow, float strength);
};

}  // namespace artgen
