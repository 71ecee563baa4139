#include "enemy_saucer.h"

#include <cmath>

#include "glow.h"
#include "height_field.h"

namespace artgen {

namespace {

constexpr int kBlades = 6;

// Angle of p about the saucer's centre, turned back by the rim's spin.
float LocalAngle(Vec2 q, float spin) { return std::atan2(q.y, q.x) - spin; }

}  // namespace

void EnemySaucer::Paint(Canvas& canvas, int frame, int frames) {
  const Vec2 centre{48.0f, 48.0f};
  const float t = static_cast<float>(frame) / frames;
  // One loop turns the rim by one blade spacing, so the last frame meets
  // the first.
  const float spin = 2.0f * kPi / kBlades * t;
  const float pulse = 0.5f + 0.5f * std::cos(2.0f * kPi * t * 2.0f);

  HeightSurface blades;
  blades.distance = [&](Vec2 p) {
    const Vec2 q = p - centre;
    const float a = LocalAngle(q, spin);
    const float lobe = std::pow(std::max(0.0f, std::cos(kBlades * a)), 2.0f);
    // Hooked blades: the tip trails behind the root.
    const float hook = std::pow(std::max(0.0f, std::cos(kBlades * (a + 0.12f))), 6.0f);
    const float radius = 35.0f + 6.0f * lobe * lobe + 7.0f * hook;
    return Length(q) - radius;
  };
  blades.height = [&](Vec2 p) {
    const float r = Length(p - centre);
    return 3.0f * Clamp01((47.0f - r) / 9.0f);
  };
  blades.material = [&](Vec2 p, float) {
    const float r = Length(p - centre);
    Material m;
    m.albedo = Mix(Color{0.40f, 0.34f, 0.52f}, Color{0.95f, 0.22f, 0.32f}, SmoothStep(39.0f, 43.0f, r));
    m.specular = 0.5f;
    m.shininess = 20.0f;
    return m;
  };
  RenderHeightField(canvas, blades, 0, 0, 95, 95);

  HeightSurface body;
  body.distance = [&](Vec2 p) { return Length(p - centre) - 38.0f; };
  body.height = [&](Vec2 p) {
    const float r = Length(p - centre);
    if (r < 18.0f) return 9.0f + std::sqrt(std::max(0.0f, 18.0f * 18.0f - r * r)) * 0.55f;
    if (r < 24.0f) return 3.0f + 6.0f * SmoothStep(24.0f, 18.0f, r);
    const float u = (r - 31.0f) / 7.0f;
    return 3.0f + 6.0f * std::sqrt(std::max(0.0f, 1.0f - u * u));
  };
  body.material = [&](Vec2 p, float) {
    const Vec2 q = p - centre;
    const float r = Length(q);
    const float a = LocalAngle(q, spin);
    Material m;
    m.specular = 0.6f;
    m.shininess = 30.0f;
    if (r < 18.0f) {
      // The energy core: glassy green, brighter towards the middle.
      const float glow = (1.0f - r / 18.0f);
      m.albedo = {0.05f, 0.35f, 0.15f};
      m.emissive = Color{0.2f, 0.9f, 0.45f} * ((0.35f + 0.65f * pulse) * (0.35f + 0.8f * glow));
      m.specular = 1.2f;
      m.shininess = 50.0f;
      m.reflect = 0.3f;
      return m;
    }
    m.albedo = {0.62f, 0.58f, 0.74f};
    // Panel seams between the blades turn with the rim.
    const float seam = std::fabs(std::remainder(a, 2.0f * kPi / kBlades));
    if (seam * r < 0.7f && r > 24.0f) m.albedo = m.albedo * 0.55f;
    if (r < 24.0f) m.albedo = {0.28f, 0.26f, 0.36f};
    return m;
  };
  RenderHeightField(canvas, body, 6, 6, 90, 90);

  // Lamps on the rim, one between each pair of seams, glowing with the pulse.
  for (int i = 0; i < kBlades; ++i) {
    const float a = spin + (i + 0.5f) * 2.0f * kPi / kBlades;
    const Vec2 lamp = centre + Vec2{std::cos(a), std::sin(a)} * 31.0f;
    AddGlow(canvas, lamp, 5.0f, Color{1.0f, 0.2f, 0.5f}, 0.5f + 0.5f * (1.0f - pulse));
    AddGlow(canvas, lamp, 1.8f, Color{1.0f, 0.85f, 0.95f}, 0.9f);
  }
  AddGlow(canvas, centre, 12.0f, Color{0.3f, 1.0f, 0.5f}, 0.25f + 0.35f * pulse);
}

}  // namespace artgen
