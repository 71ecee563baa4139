#include "plate_model.h"

#include <cmath>

namespace artgen {

void PlateModel::AddPlate(const Shape& shape, float height, float bevel, MaterialFn material) {
  plates_.push_back(Plate{shape, height, bevel, std::move(material)});
}

Vec2 PlateModel::Project(Vec2 p, float h, const View& view) {
  const float x = p.x * std::cos(view.roll) + h * std::sin(view.roll);
  return {view.origin.x + x * view.scale, view.origin.y + p.y * view.scale};
}

void PlateModel::Render(Canvas& canvas, const View& view) const {
  const float c = std::cos(view.roll), s = std::sin(view.roll);
  for (const Plate& plate : plates_) {
    const Vec2 lo = plate.shape.Min(), hi = plate.shape.Max();
    const Vec2 a = Project(lo, plate.height, view), b = Project(hi, plate.height, view);
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.x, b.x))) - 2);
    const int x1 = std::min(canvas.Width() - 1, static_cast<int>(std::ceil(std::max(a.x, b.x))) + 2);
    const int y0 = std::max(0, static_cast<int>(std::floor(a.y)) - 2);
    const int y1 = std::min(canvas.Height() - 1, static_cast<int>(std::ceil(b.y)) + 2);
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        // Back from the pixel centre into model space: undo the scale,
        // the height shift and the sideways squeeze of the roll.
        const float sx = (x + 0.5f - view.origin.x) / view.scale;
        const float my = (y + 0.5f - view.origin.y) / view.scale;
        const float mx = (sx - plate.height * s) / c;
        const Vec2 p{mx, my};
        const float d = plate.shape.Distance(p);
        const float pixelDistance = d * view.scale * (0.5f + 0.5f * c);
        const float coverage = Clamp01(0.5f - pixelDistance);
        if (coverage <= 0.0f) continue;
        const float depth = -d;
        // Bevel: a quarter circle across the rim, flat inside it.
        float slope = 0.0f;
        if (plate.bevel > 0.0f && depth < plate.bevel) {
          const float t = std::max(depth, 0.02f * plate.bevel);
          const float u = plate.bevel - t;
          slope = std::min(3.0f, u / std::sqrt(std::max(1e-4f, plate.bevel * plate.bevel - u * u)));
        }
        const Vec2 g = plate.shape.Gradient(p);
        Vec3 n = Normalize({g.x * slope, g.y * slope, 1.0f});
        n = Vec3{n.x * c + n.z * s, n.y, -n.x * s + n.z * c};
        Color color = Shade(plate.material(p, depth), n);
        // A thin dark line at the rim keeps parts apart at small sizes.
        color = color * Mix(0.45f, 1.0f, SmoothStep(0.0f, 1.3f, depth * view.scale));
        canvas.Blend(x, y, color, coverage);
      }
    }
  }
}

}  // namespace artgen
