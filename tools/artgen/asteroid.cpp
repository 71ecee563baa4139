#include "asteroid.h"

#include <cmath>

#include "height_field.h"
#include "random.h"

namespace artgen {

Asteroid::Asteroid(float radius, std::uint64_t seed) : radius_(radius), noise_(seed) {
  Random random(seed * 31 + 7);
  const int count = radius > 30.0f ? 9 : 4;
  for (int i = 0; i < count; ++i) {
    const float a = random.Range(0.0f, 2.0f * kPi);
    const float r = std::sqrt(random.Unit()) * radius * 0.75f;
    craters_.push_back({{std::cos(a) * r, std::sin(a) * r}, radius * random.Range(0.09f, 0.24f)});
  }
  tint_ = Mix(Color{0.62f, 0.55f, 0.48f}, Color{0.55f, 0.55f, 0.58f}, random.Unit());
}

float Asteroid::Outline(float a) const {
  // Noise sampled around a circle gives a closed, irregular outline.
  const float n = noise_.Fractal(std::cos(a) * 1.4f + 5.0f, std::sin(a) * 1.4f + 5.0f, 3);
  return radius_ * (0.93f + 0.30f * n);
}

float Asteroid::Height(Vec2 q) const {
  const float r = Length(q);
  const float edge = Outline(std::atan2(q.y, q.x));
  const float inside = Clamp01(1.0f - (r * r) / (edge * edge));
  float h = std::sqrt(inside) * radius_ * 0.75f;
  const float f = 3.0f / radius_;
  h += radius_ * 0.10f * noise_.Fractal(q.x * f, q.y * f, 5);
  for (const Crater& c : craters_) {
    const float d = Length(q - c.centre) / c.radius;
    if (d < 1.0f) h -= c.radius * 0.45f * (1.0f - d * d);
    h += c.radius * 0.18f * std::exp(-((d - 1.0f) * (d - 1.0f)) / 0.06f);
  }
  return h;
}

void Asteroid::Paint(Canvas& canvas, float angle) const {
  const Vec2 centre{canvas.Width() * 0.5f, canvas.Height() * 0.5f};
  auto local = [&](Vec2 p) { return Rotate(p - centre, -angle); };
  HeightSurface rock;
  rock.distance = [&](Vec2 p) {
    const Vec2 q = local(p);
    return Length(q) - Outline(std::atan2(q.y, q.x));
  };
  rock.height = [&](Vec2 p) { return Height(local(p)); };
  rock.material = [&](Vec2 p, float) {
    const Vec2 q = local(p);
    const float f = 2.0f / radius_;
    const float grain = noise_.Fractal(q.x * f + 40.0f, q.y * f, 4);
    Material m;
    m.albedo = tint_ * (1.05f + 0.45f * grain);
    // Darker, dusty crater floors.
    for (const Crater& c : craters_) {
      const float d = Length(q - c.centre) / c.radius;
      if (d < 1.0f) m.albedo = m.albedo * Mix(0.7f, 1.0f, d * d);
    }
    const float fleck = noise_.At(q.x * 0.6f, q.y * 0.6f, 3.0f);
    if (fleck > 0.45f) m.albedo = m.albedo * 1.25f;
    m.specular = 0.12f;
    m.shininess = 10.0f;
    return m;
  };
  RenderHeightField(canvas, rock, 0, 0, canvas.Width() - 1, canvas.Height() - 1);
}

}  // namespace artgen
