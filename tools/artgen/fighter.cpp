#include "fighter.h"

#include <cmath>

#include "glow.h"

namespace artgen {

namespace {

const Color kGunmetal{0.50f, 0.52f, 0.58f};
const Color kCrimson{0.90f, 0.16f, 0.12f};
const Color kDark{0.22f, 0.22f, 0.26f};

Material Metal(Color albedo) {
  Material m;
  m.albedo = albedo;
  m.specular = 0.5f;
  m.shininess = 22.0f;
  m.reflect = 0.08f;
  return m;
}

std::vector<Vec2> Mirrored(std::vector<Vec2> rightHalf) {
  std::vector<Vec2> all = rightHalf;
  for (auto it = rightHalf.rbegin(); it != rightHalf.rend(); ++it) all.push_back({-it->x, it->y});
  return all;
}

}  // namespace

Fighter::Fighter() {
  model_.AddPlate(Shape::Polygon(Mirrored({{0, 30}, {20, 36}, {53, 18}, {54, 32}, {31, 70}, {12, 86}})), 0.0f, 2.5f,
                  [](Vec2 p, float depth) {
                    const float ax = std::fabs(p.x);
                    Color c = kGunmetal;
                    // Red leading stripes on the outer wings.
                    if (ax > 30.0f && depth > 1.0f && depth < 5.5f) c = kCrimson;
                    if (std::fabs(ax - 22.0f) < 0.6f) c = c * 0.7f;
                    return Metal(c);
                  });
  for (float side : {1.0f, -1.0f}) {
    model_.AddPlate(Shape::RoundBox({24 * side, 76}, {2.6f, 17.0f}, 2.6f), 2.0f, 2.6f,
                    [](Vec2 p, float) { return Metal(p.y > 88.0f ? kDark : kGunmetal); });
    model_.AddPlate(Shape::RoundBox({11 * side, 19}, {5.0f, 12.0f}, 4.0f), 3.0f, 3.5f,
                    [](Vec2 p, float) { return Metal(std::fabs(p.y - 24.0f) < 1.2f ? kCrimson : kGunmetal * 0.9f); });
    model_.AddPlate(Shape::RoundBox({11 * side, 7}, {4.0f, 1.8f}, 1.5f), 3.0f, 1.2f, [](Vec2, float) {
      Material m = Metal(kDark);
      m.emissive = {0.35f, 0.12f, 0.0f};
      return m;
    });
  }
  model_.AddPlate(Shape::Polygon(Mirrored({{0, 10}, {8, 10}, {11, 40}, {11, 80}, {7, 108}, {0, 125}})), 7.0f, 8.0f,
                  [](Vec2 p, float) {
                    Color c = kGunmetal * 1.05f;
                    if (p.y > 114.0f) c = kCrimson;
                    if (p.y > 44.0f && p.y < 49.0f) c = kCrimson;
                    if (std::fabs(p.y - 62.0f) < 0.5f) c = c * 0.7f;
                    return Metal(c);
                  });
  model_.AddPlate(Shape::Ellipse({0, 88}, 4.5f, 10.5f), 10.0f, 4.5f, [](Vec2 p, float) {
    Material m;
    m.albedo = Mix(Color{0.45f, 0.30f, 0.02f}, Color{0.25f, 0.08f, 0.0f}, Clamp01((p.y - 80.0f) / 18.0f));
    m.specular = 1.2f;
    m.shininess = 60.0f;
    m.reflect = 0.45f;
    m.emissive = {0.12f, 0.06f, 0.0f};
    return m;
  });
}

void Fighter::Paint(Canvas& canvas, int frame) const {
  View view;
  view.origin = {56.0f, 0.0f};
  model_.Render(canvas, view);
  // Engines burn out of the top, the fighter's rear.
  const float flare[3] = {1.0f, 0.8f, 0.9f};
  for (float side : {1.0f, -1.0f}) {
    AddGlow(canvas, {56.0f + 11.0f * side, 4.0f}, 5.0f, 7.0f, Color{1.0f, 0.55f, 0.15f}, 0.9f * flare[frame]);
    AddGlow(canvas, {56.0f + 11.0f * side, 3.0f}, 2.5f, 4.0f, Color{1.0f, 0.95f, 0.7f}, 0.9f * flare[frame]);
  }
  // Wing-tip lights blink in turn; the belly lamp glows on the middle frame.
  const float tips[3] = {1.0f, 0.35f, 0.0f};
  const float belly[3] = {0.2f, 1.0f, 0.3f};
  AddGlow(canvas, {56.0f - 52.0f, 26.0f}, 5.0f, Color{1.0f, 0.15f, 0.1f}, 1.0f * tips[frame]);
  AddGlow(canvas, {56.0f + 52.0f, 26.0f}, 5.0f, Color{0.2f, 1.0f, 0.3f}, 1.0f * tips[frame]);
  AddGlow(canvas, {56.0f - 52.0f, 26.0f}, 2.0f, Color{1.0f, 0.9f, 0.9f}, 0.9f * tips[frame]);
  AddGlow(canvas, {56.0f + 52.0f, 26.0f}, 2.0f, Color{0.9f, 1.0f, 0.9f}, 0.9f * tips[frame]);
  AddGlow(canvas, {56.0f, 56.0f}, 4.0f, Color{1.0f, 0.25f, 0.1f}, 0.9f * belly[frame]);
  AddGlow(canvas, {56.0f, 56.0f}, 1.6f, Color{1.0f, 0.9f, 0.8f}, 0.8f * belly[frame]);
}

}  // namespace artgen
