// Lit rendering of a surface given as a height above the canvas: rocks,
// saucers and capsules, whose normals come from the height's slope.
#pragma once

#include <functional>

#include "canvas.h"
#include "lighting.h"

namespace artgen {

struct HeightSurface {
  // Signed distance (canvas pixels) to the outline; negative inside.
  std::function<float(Vec2)> distance;
  // Height towards the viewer (canvas pixels) at a canvas point.
  std::function<float(Vec2)> height;
  // Material at a canvas point, given its height.
  std::function<Material(Vec2, float)> material;
};

// Draws the surface over the canvas rectangle [x0, x1] x [y0, y1].
void RenderHeightField(Canvas& canvas, const HeightSurface& surface, int x0, int y0, int x1, int y1);

}  // namespace artgen
