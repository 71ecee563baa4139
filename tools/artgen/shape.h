// A 2-D outline with a signed distance: negative inside, positive outside,
// in the units of its coordinates. Painters use the distance both for
// anti-aliased edges and for bevelled, lit surfaces.
#pragma once

#include <vector>

#include "vec.h"

namespace artgen {

class Shape {
 public:
  // A closed polygon through the given corners (either winding).
  static Shape Polygon(std::vector<Vec2> corners);

  // An axis-aligned ellipse.
  static Shape Ellipse(Vec2 centre, float radiusX, float radiusY);

  // An axis-aligned box with rounded corners; half is half the size.
  static Shape RoundBox(Vec2 centre, Vec2 half, float cornerRadius);

  // A stroke of the given radius around the segment from a to b.
  static Shape Capsule(Vec2 a, Vec2 b, float radius);

  // The same outline mirrored at the vertical line x = 0.
  Shape MirroredX() const;

  // Signed distance from p to the outline.
  float Distance(Vec2 p) const;

  // Outward gradient of the distance at p (unit length, by differences).
  Vec2 Gradient(Vec2 p) const;

  // Bounding box corners of the shape.
  Vec2 Min() const { return min_; }
  Vec2 Max() const { return max_; }

 private:
  enum class Kind { kPolygon, kEllipse, kRoundBox, kCapsule };

  void UpdateBounds();

  Kind kind_ = Kind::kPolygon;
  std::vector<Vec2> corners_;
  Vec2 a_, b_;  // centre/half or the capsule's end points
  float radius_ = 0.0f;
  Vec2 min_, max_;
};

}  // namespace artgen
