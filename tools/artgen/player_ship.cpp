#include "player_ship.h"

#include <cmath>

#include "glow.h"

namespace artgen {

namespace {

const Color kHull{0.84f, 0.87f, 0.94f};
const Color kAccent{1.0f, 0.46f, 0.12f};
const Color kDarkMetal{0.30f, 0.32f, 0.38f};

Material Hull(Color albedo) {
  Material m;
  m.albedo = albedo;
  m.specular = 0.55f;
  m.shininess = 28.0f;
  m.reflect = 0.12f;
  return m;
}

std::vector<Vec2> Mirrored(std::vector<Vec2> rightHalf) {
  // The right half runs from the centre line outwards; the left half is
  // its mirror image walked back, which closes the outline.
  std::vector<Vec2> all = rightHalf;
  for (auto it = rightHalf.rbegin(); it != rightHalf.rend(); ++it) all.push_back({-it->x, it->y});
  return all;
}

}  // namespace

PlayerShip::PlayerShip() : noise_(0x5EEDF1A3Eull) {
  // Wings first: everything else sits on top of them.
  model_.AddPlate(Shape::Polygon(Mirrored({{7, 36}, {44, 64}, {52, 74}, {52, 83}, {40, 84}, {12, 80}})), 0.0f, 2.5f,
                  [](Vec2 p, float depth) {
                    const float ax = std::fabs(p.x);
                    Color c = kHull;
                    if (ax > 37.0f && depth > 1.2f) c = kAccent;
                    if (std::fabs(ax - 26.0f) < 0.6f || std::fabs(p.y - 79.0f) < 0.5f) c = c * 0.72f;
                    Material m = Hull(c);
                    return m;
                  });
  for (float side : {1.0f, -1.0f}) {
    model_.AddPlate(Shape::Capsule({48 * side, 49}, {48 * side, 58}, 1.3f), 1.5f, 1.3f,
                    [](Vec2, float) { return Hull(kDarkMetal); });
    model_.AddPlate(Shape::RoundBox({48 * side, 69}, {2.8f, 14.0f}, 2.8f), 2.0f, 2.8f,
                    [](Vec2 p, float) { return Hull(p.y > 78.0f ? kDarkMetal : kHull); });
    model_.AddPlate(Shape::Polygon({{7 * side, 19}, {19 * side, 33}, {18 * side, 37}, {8 * side, 35}}), 1.0f, 1.5f,
                    [](Vec2, float) { return Hull(kAccent); });
    model_.AddPlate(Shape::RoundBox({14 * side, 78}, {5.5f, 13.0f}, 4.5f), 3.0f, 3.5f, [](Vec2 p, float) {
      Color c = kHull * 0.9f;
      if (std::fabs(p.y - 72.0f) < 1.2f) c = kAccent;
      return Hull(c);
    });
    model_.AddPlate(Shape::RoundBox({14 * side, 91}, {4.2f, 1.8f}, 1.6f), 3.0f, 1.2f, [](Vec2, float) {
      Material m = Hull(kDarkMetal * 0.8f);
      m.emissive = {0.05f, 0.15f, 0.35f};
      return m;
    });
  }
  model_.AddPlate(Shape::Polygon(Mirrored({{0, 3}, {5, 14}, {9, 34}, {10, 58}, {9, 82}, {6, 92}})), 8.0f, 9.0f,
                  [](Vec2 p, float) {
                    Color c = kHull;
                    if (p.y < 9.0f) c = kAccent;
                    if (p.y > 62.0f && p.y < 66.0f) c = kAccent;
                    if (std::fabs(p.y - 56.0f) < 0.5f || std::fabs(p.y - 74.0f) < 0.5f) c = c * 0.7f;
                    return Hull(c);
                  });
  model_.AddPlate(Shape::Ellipse({0, 37}, 4.6f, 11.5f), 11.0f, 4.6f, [](Vec2 p, float) {
    Material m;
    m.albedo = Mix(Color{0.02f, 0.30f, 0.45f}, Color{0.02f, 0.12f, 0.25f}, Clamp01((p.y - 28.0f) / 20.0f));
    m.specular = 1.3f;
    m.shininess = 60.0f;
    m.reflect = 0.6f;
    m.emissive = {0.0f, 0.08f, 0.12f};
    return m;
  });
}

void PlayerShip::PaintFlame(Canvas& canvas, Vec2 nozzle, float scale, float phase, float seed) const {
  const float turn = 2.0f * kPi * phase;
  // Whole-number frequencies make the flicker loop seamlessly.
  const float length =
      (14.0f + 3.0f * std::sin(turn * 3.0f + seed) + 1.5f * std::sin(turn * 7.0f + 2.0f * seed)) * scale;
  const float width = 5.2f * scale;
  const int x0 = static_cast<int>(nozzle.x - width * 2.0f), x1 = static_cast<int>(nozzle.x + width * 2.0f) + 1;
  const int y0 = static_cast<int>(nozzle.y - 2.0f * scale), y1 = static_cast<int>(nozzle.y + length) + 1;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const float dy = (y + 0.5f - nozzle.y);
      const float dx = (x + 0.5f - nozzle.x);
      const float along = dy / length;
      if (along < -0.15f || along > 1.0f) continue;
      const float w = width * (1.0f - 0.7f * Clamp01(along)) * 0.55f;
      const float flicker = 0.75f + 0.45f * noise_.At(dx / scale * 0.5f, dy / scale * 0.35f + seed,
                                                      std::cos(turn) * 1.3f + std::sin(turn) * 0.9f);
      const float fade = along < 0.0f ? 1.0f + along / 0.15f : std::pow(1.0f - along, 1.3f);
      const float k = std::exp(-(dx * dx) / (w * w)) * fade * flicker;
      if (k <= 0.002f) continue;
      const Color core{1.0f, 1.0f, 1.0f}, mid{0.35f, 0.75f, 1.0f}, edge{0.35f, 0.25f, 1.0f};
      const Color c = k > 0.6f ? Mix(mid, core, (k - 0.6f) / 0.4f) : Mix(edge, mid, k / 0.6f);
      canvas.AddLight(x, y, c, Clamp01(k * 1.2f));
    }
  }
  AddGlow(canvas, nozzle, 8.0f * scale, Color{0.3f, 0.6f, 1.0f}, 0.45f);
}

void PlayerShip::Paint(Canvas& canvas, const View& view, float flamePhase) const {
  model_.Render(canvas, view);
  for (float side : {1.0f, -1.0f}) {
    const Vec2 nozzle = PlateModel::Project({14.0f * side, 92.5f}, 3.0f, view);
    PaintFlame(canvas, nozzle, view.scale, flamePhase, side > 0 ? 0.0f : 1.7f);
  }
}

}  // namespace artgen
