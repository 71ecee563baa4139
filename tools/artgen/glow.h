// Soft light blobs added onto a canvas: engine glows, lamps, stars.
#pragma once

#include "canvas.h"

namespace artgen {

// Adds a round Gaussian glow of the given radius (one standard deviation
// is radius / 2) and peak strength at centre.
void AddGlow(Canvas& canvas, Vec2 centre, float radius, Color color, float strength);

// Adds a Gaussian glow stretched to radiusX by radiusY.
void AddGlow(Canvas& canvas, Vec2 centre, float radiusX, float radiusY, Color color, float strength);

}  // namespace artgen
