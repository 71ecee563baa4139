// The player's ship: a silver interceptor pointing up with two blue
// plasma engines, drawn level or banked.
#pragma once

#include "canvas.h"
#include "noise.h"
#include "plate_model.h"

namespace artgen {

class PlayerShip {
 public:
  // Builds the ship's plates; the model is 112 units wide, nose at y = 3,
  // centre line at x = 0.
  PlayerShip();

  // Draws the ship at view with the engine flames at flamePhase (0..1,
  // one loop of the flicker).
  void Paint(Canvas& canvas, const View& view, float flamePhase) const;

 private:
  void PaintFlame(Canvas& canvas, Vec2 nozzle, float scale, float phase, float seed) const;

  PlateModel model_;
  Noise noise_;
};

}  // namespace artgen
