#include "height_field.h"

#include <cmath>

namespace artgen {

void RenderHeightField(Canvas& canvas, const HeightSurface& surface, int x0, int y0, int x1, int y1) {
  x0 = std::max(0, x0);
  y0 = std::max(0, y0);
  x1 = std::min(canvas.Width() - 1, x1);
  y1 = std::min(canvas.Height() - 1, y1);
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const Vec2 p{x + 0.5f, y + 0.5f};
      const float d = surface.distance(p);
      const float coverage = Clamp01(0.5f - d);
      if (coverage <= 0.0f) continue;
      const float e = 0.5f;
      const float h = surface.height(p);
      const float hx = surface.height({p.x + e, p.y}) - surface.height({p.x - e, p.y});
      const float hy = surface.height({p.x, p.y + e}) - surface.height({p.x, p.y - e});
      const Vec3 n = Normalize({-hx / (2.0f * e), -hy / (2.0f * e), 1.0f});
      Color color = Shade(surface.material(p, h), n);
      // Darken the last pixel of the rim so the body reads against the sky.
      color = color * Mix(0.5f, 1.0f, SmoothStep(-0.2f, -1.6f, d));
      canvas.Blend(x, y, color, coverage);
    }
  }
}

}  // namespace artgen
