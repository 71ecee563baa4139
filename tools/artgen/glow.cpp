#include "glow.h"

#include <cmath>

namespace artgen {

void AddGlow(Canvas& canvas, Vec2 centre, float radius, Color color, float strength) {
  AddGlow(canvas, centre, radius, radius, color, strength);
}

void AddGlow(Canvas& canvas, Vec2 centre, float radiusX, float radiusY, Color color, float strength) {
  // Beyond two radii the Gaussian is below 0.03% and is not worth visiting.
  const int x0 = static_cast<int>(std::floor(centre.x - 2.0f * radiusX));
  const int x1 = static_cast<int>(std::ceil(centre.x + 2.0f * radiusX));
  const int y0 = static_cast<int>(std::floor(centre.y - 2.0f * radiusY));
  const int y1 = static_cast<int>(std::ceil(centre.y + 2.0f * radiusY));
  for (int y = std::max(0, y0); y <= std::min(canvas.Height() - 1, y1); ++y) {
    for (int x = std::max(0, x0); x <= std::min(canvas.Width() - 1, x1); ++x) {
      const float dx = (x + 0.5f - centre.x) / (0.5f * radiusX);
      const float dy = (y + 0.5f - centre.y) / (0.5f * radiusY);
      const float k = std::exp(-0.5f * (dx * dx + dy * dy));
      canvas.AddLight(x, y, color, k * strength);
    }
  }
}

}  // namespace artgen
