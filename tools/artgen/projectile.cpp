#include "projectile.h"

#include <cmath>

namespace artgen {

void Projectile::PaintBolt(Canvas& canvas, float headY, float tailY, float size, Color core, Color glow,
                           float strength) {
  const float cx = canvas.Width() * 0.5f;
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      const float px = x + 0.5f - cx, py = y + 0.5f;
      // Head: an upright Gaussian blob; tail: a thinning streak behind it.
      const float hy = (py - headY) / (6.5f * size);
      const float hx = px / (4.0f * size);
      const float head = std::exp(-(hx * hx + hy * hy) * 1.4f);
      const float along = (py - headY) / (tailY - headY);
      float tail = 0.0f;
      if (along > 0.0f && along < 1.0f) {
        const float w = 2.6f * size * (1.0f - 0.6f * along);
        tail = std::exp(-(px * px) / (w * w)) * std::pow(1.0f - along, 0.8f) * 0.9f;
      }
      const float halo = std::exp(-(px * px) / (22.0f * size * size) - hy * hy * 0.25f) * 0.55f;
      const float k = std::max(head, tail);
      // Fade out towards the borders so no glow is cut off at a hard edge.
      const float border = std::min(std::min(px + cx, cx - px), std::min(py, canvas.Height() - py));
      const float light = (k + halo) * strength * SmoothStep(0.0f, 3.0f, border);
      if (light <= 0.003f) continue;
      const Color c = Mix(glow, core, Clamp01(k * 1.8f - 0.6f));
      canvas.AddLight(x, y, c, Clamp01(light));
    }
  }
}

void Projectile::PaintPhoton(Canvas& canvas, int frame, int frames) {
  const float pulse = 0.5f + 0.5f * std::cos(2.0f * kPi * frame / frames);
  PaintBolt(canvas, 10.0f, 31.5f, 0.9f + 0.2f * pulse, Color{0.95f, 1.0f, 1.0f}, Color{0.25f, 0.85f, 1.0f},
            1.05f + 0.35f * pulse);
}

void Projectile::PaintFighterShot(Canvas& canvas) {
  PaintBolt(canvas, 22.0f, 0.5f, 1.05f, Color{1.0f, 0.95f, 0.75f}, Color{1.0f, 0.2f, 0.08f}, 1.3f);
}

}  // namespace artgen
