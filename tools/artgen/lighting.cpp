#include "lighting.h"

#include <cmath>

namespace artgen {

Color Shade(const Material& m, Vec3 n) {
  static const Vec3 kLight = Normalize({-0.5f, -0.65f, 0.6f});
  static const Vec3 kHalf = Normalize(kLight + Vec3{0.0f, 0.0f, 1.0f});
  const float diffuse = std::max(0.0f, Dot(n, kLight));
  const float highlight = std::pow(std::max(0.0f, Dot(n, kHalf)), m.shininess);
  // A little bluish fill from the opposite side keeps shadows from going
  // flat black against the dark sky.
  const float fill = std::max(0.0f, Dot(n, Normalize({0.6f, 0.5f, 0.4f})));
  Color c = m.albedo * (0.30f + 0.95f * diffuse) + Color{0.10f, 0.14f, 0.24f} * (fill * 0.6f);
  c = c + Color{1.0f, 0.98f, 0.92f} * (highlight * m.specular);
  if (m.reflect > 0.0f) {
    // Upward-facing parts mirror a pale sky, edges a deep blue.
    const float up = Clamp01(0.5f - 0.5f * n.y);
    c = c + Mix(Color{0.05f, 0.1f, 0.3f}, Color{0.6f, 0.8f, 1.0f}, up * up) * (m.reflect * (1.0f - n.z * 0.5f));
  }
  return c + m.emissive;
}

}  // namespace artgen
