#include "health_item.h"

#include <cmath>

#include "glow.h"
#include "height_field.h"
#include "shape.h"

namespace artgen {

void HealthItem::Paint(Canvas& canvas) {
  const Vec2 centre{32.0f, 32.0f};
  // A soft red halo behind the capsule makes it stand out at half size.
  AddGlow(canvas, centre, 31.0f, Color{1.0f, 0.25f, 0.2f}, 0.6f);

  HeightSurface shell;
  shell.distance = [&](Vec2 p) { return Length(p - centre) - 26.0f; };
  shell.height = [&](Vec2 p) {
    const float r = Length(p - centre);
    return std::sqrt(std::max(0.0f, 26.0f * 26.0f - r * r));
  };
  shell.material = [&](Vec2 p, float) {
    Material m;
    const float r = Length(p - centre);
    m.albedo = Mix(Color{0.95f, 0.95f, 0.98f}, Color{0.70f, 0.72f, 0.80f}, Clamp01(r / 26.0f));
    m.specular = 1.0f;
    m.shininess = 40.0f;
    m.reflect = 0.3f;
    return m;
  };
  RenderHeightField(canvas, shell, 0, 0, 63, 63);

  // The cross, slightly raised, glowing red.
  const Shape bar1 = Shape::RoundBox(centre, {15.0f, 5.5f}, 2.0f);
  const Shape bar2 = Shape::RoundBox(centre, {5.5f, 15.0f}, 2.0f);
  HeightSurface cross;
  cross.distance = [&](Vec2 p) { return std::min(bar1.Distance(p), bar2.Distance(p)); };
  cross.height = [&](Vec2 p) {
    const float d = std::min(bar1.Distance(p), bar2.Distance(p));
    return 3.0f * SmoothStep(0.5f, -2.5f, d);
  };
  cross.material = [&](Vec2 p, float) {
    Material m;
    const float r = Length(p - centre);
    m.albedo = {0.85f, 0.05f, 0.05f};
    m.emissive = Color{0.55f, 0.05f, 0.03f} * (1.0f - r / 25.0f);
    m.specular = 0.8f;
    m.shininess = 30.0f;
    return m;
  };
  RenderHeightField(canvas, cross, 10, 10, 54, 54);
  AddGlow(canvas, centre, 8.0f, Color{1.0f, 0.5f, 0.4f}, 0.35f);
  // A gloss spot on the glass, upper left.
  AddGlow(canvas, {22.0f, 19.0f}, 7.0f, 4.5f, Color{1.0f, 1.0f, 1.0f}, 0.55f);
}

}  // namespace artgen
