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
  const float t = (frame + 0.5f) / frames;   // 0..1 over the explosion
  const float radius = 14.0f + 46.0f * std::sqrt(t);
  const float heatLeft = 1.0f - t;          // the fire cools as it grows
  const float opacity = frame + 1 == frames ? 0.45f : 1.0f - t * t * 0.6f;
  for (int y = 0; y < 128; ++y) {
    for (int x = 0; x < 128; ++x) {
      const Vec2 q = Vec2{x + 0.5f, y + 0.5f} - centre;
      const float r = Length(q) / radius;
      if (r > 1.4f) continue;
      // Turbulence roughens the edge and the inside; it drifts with t.
      const float turb = noise_.Fractal(q.x / 18.0f, q.y / 18.0f, t * 1.6f, 4);
      const float density = Clamp01((1.0f - r + 0.35f * turb) * 2.2f);
      if (density <= 0.0f) continue;
      const float heat = Clamp01(density * (0.35f + 0.95f * heatLeft) + 0.25f * turb * heatLeft
                                 - t * 0.3f * r);
      // Cool parts turn to dark smoke; hot parts glow.
      const Color fire = FireColor(heat);
      const Color smoke = Color{0.22f, 0.2f, 0.2f} * (0.7f + 0.3f * turb);
      const float burning = SmoothStep(0.15f, 0.45f, heat);
      const Color c = Mix(smoke, fire, burning);
      const float a = density * opacity * Mix(0.75f, 1.0f, burning);
      canvas.Blend(x, y, c, a);
    }
  }
  // A white flash at the start.
  if (frame < 3) {
    const float flash = 1.0f - frame / 3.0f;
    AddGlow(canvas, centre, 20.0f + 10.0f * frame, Color{1.0f, 0.95f, 0.8f}, 0.9f * flash);
  }
  // Sparks fly out and fade; the same seed gives them the same paths in
  // every frame.
  Random random(4242);
  for (int i = 0; i < 26; ++i) {
    const float a = random.Range(0.0f, 2.0f * kPi);
    const float speed = random.Range(0.6f, 1.0f);
    const float dist = (10.0f + 56.0f * speed) * std::sqrt(t) * 1.05f;
    const Vec2 at = centre + Vec2{std::cos(a), std::sin(a)} * dist;
    const float life = Clamp01(1.2f - t * random.Range(1.0f, 1.6f));
    if (life <= 0.0f) continue;
    AddGlow(canvas, at, 2.2f, Color{1.0f, 0.75f, 0.3f}, life);
  }
}

}  // namespace artgen
