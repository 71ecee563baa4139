// An RGBA picture in floating point with premultiplied alpha, the surface
// every painter draws on before it is written as an 8-bit PNG.
#pragma once

#include <cstdint>
#include <vector>

#include "vec.h"

namespace artgen {

class Canvas {
 public:
  // A fully transparent picture of width x height pixels.
  Canvas(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Composites colour with the given opacity (0..1) over pixel (x, y);
  // pixels outside the picture are ignored.
  void Blend(int x, int y, Color color, float opacity);

  // Adds light: the colour scaled by amount is added, and the pixel's
  // opacity rises by amount (so glows show on a transparent picture too).
  void AddLight(int x, int y, Color color, float amount);

  // Sets every pixel to an opaque colour.
  void Fill(Color color);

  // Straight (not premultiplied) colour of pixel (x, y).
  Color ColorAt(int x, int y) const;

  // Opacity of pixel (x, y), 0..1.
  float AlphaAt(int x, int y) const;

  // Composites the whole of source over this picture with its top-left
  // corner at (left, top).
  void DrawCanvas(const Canvas& source, int left, int top);

  // The picture as 8-bit RGBA rows (straight alpha), top row first.
  std::vector<std::uint8_t> ToRgba8() const;

  // The picture as opaque 8-bit RGB rows, top row first.
  std::vector<std::uint8_t> ToRgb8() const;

 private:
  struct Pixel {
    float r, g, b, a;
  };

  int width_;
  int height_;
  std::vector<Pixel> pixels_;
};

}  // namespace artgen
