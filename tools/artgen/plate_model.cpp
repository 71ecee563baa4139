#include "plate_model.h"

#include <cmath>

namespace artgen {

void PlateModel::AddPlate(const Shape& shape, float height, float bevel, MaterialFn material) {
  plates_.push_back(Plate{shape, height, bevel, std::move(material)});
}

Vec2 PlateModel::Project(Vec2 p, float h, const View& view) {
  const float c = std::cos(view.roll), s = std::sin(view.roll);
  const float x = p.x * c + h * s;
  const float z = -p.x * s + h * c;
  const float w = 1.0f / (1.0f - view.perspective * z);
  const float y = view.pivotY + (p.y - view.pivotY) * w;
  return {view.origin.x + x * w * view.scale, view.origin.y + y * view.scale};
}

void PlateModel::Render(Canvas& canvas, const View& view) const {
  const float c = std::cos(view.roll), s = std::sin(view.roll);
  for (const Plate& plate : plates_) {
    // The projection keeps straight lines of constant y straight, so the
    // projected corners of the bounding box bound the projected plate.
    const Vec2 lo = plate.shape.Min(), hi = plate.shape.Max();
    Vec2 bmin{1e9f, 1e9f}, bmax{-1e9f, -1e9f};
    for (const Vec2 corner : {lo, hi, Vec2{lo.x, hi.y}, Vec2{hi.x, lo.y}}) {
      const Vec2 q = Project(corner, plate.height, view);
      bmin = {std::min(bmin.x, q.x), std::min(bmin.y, q.y)};
      bmax = {std::max(bmax.x, q.x), std::max(bmax.y, q.y)};
    }
    const int x0 = std::max(0, static_cast<int>(std::floor(bmin.x)) - 2);
    const int x1 = std::min(canvas.Width() - 1, static_cast<int>(std::ceil(bmax.x)) + 2);
    const int y0 = std::max(0, static_cast<int>(std::floor(bmin.y)) - 2);
    const int y1 = std::min(canvas.Height() - 1, static_cast<int>(std::ceil(bmax.y)) + 2);
    const float k = view.perspective, h = plate.height;
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) {
        // Back from the pixel centre into model space: undo the scale,
        // the perspective, the height shift and the squeeze of the roll.
        const float sx = (x + 0.5f - view.origin.x) / view.scale;
        const float sy = (y + 0.5f - view.origin.y) / view.scale;
        const float mx = (sx * (1.0f - k * h * c) - h * s) / (c - sx * k * s);
        const float z = -mx * s + h * c;
        const float my = view.pivotY + (sy - view.pivotY) * (1.0f - k * z);
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
