// The one light of every drawn object: from the upper left and in front,
// so that ships, rocks and items share a consistent look.
#pragma once

#include "vec.h"

namespace artgen {

struct Material {
  Color albedo{0.7f, 0.7f, 0.7f};
  float specular = 0.4f;    // strength of the highlight
  float shininess = 24.0f;  // tightness of the highlight
  Color emissive{0.0f, 0.0f, 0.0f};
  float reflect = 0.0f;  // sky reflection, for glass and polished metal
};

// Colour of a surface point with unit normal n (screen axes: x right,
// y down, z towards the viewer) under the shared light.
Color Shade(const Material& material, Vec3 n);

}  // namespace artgen
