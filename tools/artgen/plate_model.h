// A craft built from flat, bevelled plates stacked at different heights.
// Rendering it with a roll angle turns it about its long (vertical) axis:
// plates are squeezed sideways, the higher ones shift, and the light on
// them changes, which is what makes a banking ship look banked.
#pragma once

#include <functional>
#include <vector>

#include "canvas.h"
#include "lighting.h"
#include "shape.h"

namespace artgen {

// How model coordinates land on the canvas.
struct View {
  Vec2 origin;         // canvas position of the model's (0, 0)
  float scale = 1.0f;  // canvas pixels per model unit
  float roll = 0.0f;   // radians about the model's y axis; positive lowers +x
  // Perspective: 1 / viewing distance in model units (0 = none), and the
  // model y about which nearer parts grow. It makes the raised wing of a
  // banking craft look nearer and larger than the lowered one.
  float perspective = 0.0f;
  float pivotY = 0.0f;
};

// Material of a plate at model point p, depth units inside its outline.
using MaterialFn = std::function<Material(Vec2 p, float depth)>;

class PlateModel {
 public:
  // Adds a plate on top of those added before. height lifts it towards
  // the viewer (model units), bevel rounds its edges over that width.
  void AddPlate(const Shape& shape, float height, float bevel, MaterialFn material);

  // Draws every plate, in order, onto canvas.
  void Render(Canvas& canvas, const View& view) const;

  // Canvas position of model point p at height h under view.
  static Vec2 Project(Vec2 p, float h, const View& view);

 private:
  struct Plate {
    Shape shape;
    float height;
    float bevel;
    MaterialFn material;
  };

  std::vector<Plate> plates_;
};

}  // namespace artgen
