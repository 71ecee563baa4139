#include "shape.h"

#include <cmath>

namespace artgen {

Shape Shape::Polygon(std::vector<Vec2> corners) {
  Shape s;
  s.kind_ = Kind::kPolygon;
  s.corners_ = std::move(corners);
  s.UpdateBounds();
  return s;
}

Shape Shape::Ellipse(Vec2 centre, float radiusX, float radiusY) {
  Shape s;
  s.kind_ = Kind::kEllipse;
  s.a_ = centre;
  s.b_ = {radiusX, radiusY};
  s.UpdateBounds();
  return s;
}

Shape Shape::RoundBox(Vec2 centre, Vec2 half, float cornerRadius) {
  Shape s;
  s.kind_ = Kind::kRoundBox;
  s.a_ = centre;
  s.b_ = half;
  s.radius_ = cornerRadius;
  s.UpdateBounds();
  return s;
}

Shape Shape::Capsule(Vec2 a, Vec2 b, float radius) {
  Shape s;
  s.kind_ = Kind::kCapsule;
  s.a_ = a;
  s.b_ = b;
  s.radius_ = radius;
  s.UpdateBounds();
  return s;
}

Shape Shape::MirroredX() const {
  Shape s = *this;
  switch (kind_) {
    case Kind::kPolygon:
      for (Vec2& c : s.corners_) c.x = -c.x;
      break;
    case Kind::kEllipse:
    case Kind::kRoundBox: s.a_.x = -a_.x; break;
    case Kind::kCapsule:
      s.a_.x = -a_.x;
      s.b_.x = -b_.x;
      break;
  }
  s.UpdateBounds();
  return s;
}

void Shape::UpdateBounds() {
  switch (kind_) {
    case Kind::kPolygon:
      min_ = max_ = corners_.empty() ? Vec2{} : corners_[0];
      for (const Vec2& c : corners_) {
        min_ = {std::min(min_.x, c.x), std::min(min_.y, c.y)};
        max_ = {std::max(max_.x, c.x), std::max(max_.y, c.y)};
      }
      break;
    case Kind::kEllipse:
    case Kind::kRoundBox:
      min_ = a_ - b_;
      max_ = a_ + b_;
      break;
    case Kind::kCapsule:
      min_ = {std::min(a_.x, b_.x) - radius_, std::min(a_.y, b_.y) - radius_};
      max_ = {std::max(a_.x, b_.x) + radius_, std::max(a_.y, b_.y) + radius_};
      break;
  }
}

float Shape::Distance(Vec2 p) const {
  switch (kind_) {
    case Kind::kPolygon: {
      // Exact distance to the nearest edge; the sign flips at every edge
      // crossed by a horizontal ray (even-odd rule).
      const std::size_t n = corners_.size();
      if (n < 3) return 1e9f;
      float best = Dot(p - corners_[0], p - corners_[0]);
      float sign = 1.0f;
      for (std::size_t i = 0, j = n - 1; i < n; j = i, ++i) {
        const Vec2 e = corners_[j] - corners_[i];
        const Vec2 w = p - corners_[i];
        const float t = Clamp01(Dot(w, e) / Dot(e, e));
        const Vec2 b = w - e * t;
        best = std::min(best, Dot(b, b));
        const bool c1 = p.y >= corners_[i].y;
        const bool c2 = p.y < corners_[j].y;
        const bool c3 = e.x * w.y > e.y * w.x;
        if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) sign = -sign;
      }
      return sign * std::sqrt(best);
    }
    case Kind::kEllipse: {
      // Distance estimate: the normalised radius scaled by the local
      // gradient length, good enough near the outline.
      const float nx = (p.x - a_.x) / b_.x, ny = (p.y - a_.y) / b_.y;
      const float k0 = std::sqrt(nx * nx + ny * ny);
      const float gx = nx / b_.x, gy = ny / b_.y;
      const float k1 = std::sqrt(gx * gx + gy * gy);
      if (k1 <= 1e-6f) return -std::min(b_.x, b_.y);
      return k0 * (k0 - 1.0f) / k1;
    }
    case Kind::kRoundBox: {
      const float r = std::min(radius_, std::min(b_.x, b_.y));
      const float qx = std::fabs(p.x - a_.x) - b_.x + r;
      const float qy = std::fabs(p.y - a_.y) - b_.y + r;
      const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
      return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - r;
    }
    case Kind::kCapsule: {
      const Vec2 pa = p - a_, ba = b_ - a_;
      const float h = Clamp01(Dot(pa, ba) / Dot(ba, ba));
      return Length(pa - ba * h) - radius_;
    }
  }
  return 1e9f;
}

Vec2 Shape::Gradient(Vec2 p) const {
  const float e = 0.35f;
  const float dx = Distance({p.x + e, p.y}) - Distance({p.x - e, p.y});
  const float dy = Distance({p.x, p.y + e}) - Distance({p.x, p.y - e});
  const float len = std::sqrt(dx * dx + dy * dy);
  if (len <= 1e-6f) return {0.0f, 0.0f};
  return {dx / len, dy / len};
}

}  // namespace artgen
