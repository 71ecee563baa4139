#include "explosion.h"

#include <cmath>

#include "glow.h"
#include "random.h"

namespace artgen {

namespace {

// Black-body-like ramp: dark red embers up to a white-hot core.
Color FireColor(float heat) {
  if (heat < 0.35f) return Mix(Color{0.45f, 0.04f, 0.0f}, Color{0.95f, 0.25f, 0.02f}, heat / 0.35f);
  if (heat < 0.7f) return Mix(Color{0.95f, 0.25f, 0.02f}, Color{1.0f, 0.7f, 0.15f}, (heat - 0.35f) / 0.35f);
  return Mix(Color{1.0f, 0.7f, 0.15f}, Color{1.0f, 1.0f, 0.85f}, Clamp01((heat - 0.7f) / 0.3f));
}

}  // namespace

Explosion::Explosion() : noise_(0xB00Bull) {}

void Explosion::Paint(Canvas& canvas, int frame, int frames) const {
  const Vec2 centre{64.0f, 64.0f};
  const float t = static_cast<float>(frame) / (frames - 1);  // 0..1 over the explosion
  const float radius = 17.0f + 41.0f * std::pow(t, 0.6f);
  const float fade = 1.0f - 0.6f * SmoothStep(0.5f, 1.0f, t);
  // A thin shock ring races ahead of the fire in the first frames.
  if (t < 0.45f) {
    const float ringRadius = radius * 1.25f + 6.0f;
    const float ringStrength = 0.55f * (1.0f - t / 0.45f);
    for (int y = 0; y < 128; ++y) {
      for (int x = 0; x < 128; ++x) {
        const float r = Length(Vec2{x + 0.5f, y + 0.5f} - centre);
        const float k = std::exp(-std::pow((r - ringRadius) / 2.5f, 2.0f));
        if (k > 0.01f) canvas.AddLight(x, y, Color{1.0f, 0.85f, 0.6f}, k * ringStrength);
      }
    }
  }
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const Vec2 q = Vec2{x + 0.5f, y + 0.5f} - centre;
      const float r = Length(q) / radius;
      if (r > 1.6f) continue;
      // Two layers of turbulence: big billows shape the cloud, fine ones
      // break up its heat into tongues of flame. Both drift with t.
      const float billow = noise_.Fractal(q.x / 20.0f, q.y / 20.0f, t * 1.4f, 4);
      const float fine = noise_.Fractal(q.x / 11.0f + 30.0f, q.y / 11.0f, t * 2.0f, 3);
      float density = Clamp01((1.0f - r + 0.5f * billow) * 2.6f);
      // Late on, the middle burns out first and the cloud thins to a ring.
      density *= Mix(1.0f, 0.35f + 0.65f * SmoothStep(0.0f, 0.75f, r), SmoothStep(0.4f, 1.0f, t));
      if (density <= 0.004f) continue;
      const float heat = Clamp01((1.05f - 0.8f * r) * (1.25f - 0.85f * t) + 0.3f * fine + 0.3f * billow - 0.05f);
      const Color fire = FireColor(heat);
      const Color smoke = Mix(Color{0.22f, 0.19f, 0.18f}, Color{0.48f, 0.43f, 0.40f}, Clamp01(0.5f + billow));
      const float burning = SmoothStep(0.18f, 0.5f, heat);
      const Color c = Mix(smoke, fire, burning);
      const float a = density * fade * Mix(0.85f, 1.0f, burning);
      canvas.Blend(x, y, c, a);
      // Hot gas also lights up: a little extra glow keeps the core brilliant.
      if (heat > 0.75f) canvas.AddLight(x, y, Color{1.0f, 0.8f, 0.4f}, (heat - 0.75f) * 1.6f * fade);
    }
  }
  if (frame < 2) {
    AddGlow(canvas, centre, 24.0f + 14.0f * frame, Color{1.0f, 0.95f, 0.8f}, frame == 0 ? 0.9f : 0.45f);
  }
  // Sparks fly out on straight streaks and fade; the same seed gives them
  // the same paths in every frame.
  Random random(4242);
  for (int i = 0; i < 30; ++i) {
    const float a = random.Range(0.0f, 2.0f * kPi);
    const float speed = random.Range(0.5f, 1.0f);
    const float burn = random.Range(0.9f, 1.5f);
    const float dist = (8.0f + 56.0f * speed) * std::pow(t, 0.7f);
    const float life = Clamp01(1.15f - t * burn);
    if (life <= 0.0f || t <= 0.0f) continue;
    const Vec2 dir{std::cos(a), std::sin(a)};
    for (int k = 0; k < 4; ++k) {
      const Vec2 at = centre + dir * (dist - k * 2.2f * speed);
      AddGlow(canvas, at, 2.0f, Color{1.0f, 0.78f, 0.35f}, life * (1.0f - k * 0.22f) * 0.8f);
    }
  }
}

}  // namespace artgen
