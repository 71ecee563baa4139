#include "canvas.h"

#include <cmath>

namespace artgen {

namespace {

std::uint8_t ToByte(float v) {
  // Round to nearest; the clamp keeps over-bright glows at white.
  const float scaled = Clamp01(v) * 255.0f + 0.5f;
  return static_cast<std::uint8_t>(scaled);
}

}  // namespace

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, Pixel{0, 0, 0, 0}) {}

void Canvas::Blend(int x, int y, Color color, float opacity) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || opacity <= 0.0f) return;
  opacity = Clamp01(opacity);
  Pixel& p = pixels_[static_cast<std::size_t>(y) * width_ + x];
  const float keep = 1.0f - opacity;
  p.r = color.r * opacity + p.r * keep;
  p.g = color.g * opacity + p.g * keep;
  p.b = color.b * opacity + p.b * keep;
  p.a = opacity + p.a * keep;
}

void Canvas::AddLight(int x, int y, Color color, float amount) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || amount <= 0.0f) return;
  Pixel& p = pixels_[static_cast<std::size_t>(y) * width_ + x];
  p.r += color.r * amount;
  p.g += color.g * amount;
  p.b += color.b * amount;
  // The light itself is what becomes visible, so its brightest channel
  // decides how much opacity it adds.
  const float bright = std::max(color.r, std::max(color.g, color.b)) * amount;
  p.a = std::min(1.0f, p.a + bright * (1.0f - p.a));
  // Premultiplied colour may not exceed opacity, or the written straight
  // colour would be clipped unevenly per channel.
  p.r = std::min(p.r, p.a);
  p.g = std::min(p.g, p.a);
  p.b = std::min(p.b, p.a);
}

void Canvas::Fill(Color color) {
  for (Pixel& p : pixels_) p = Pixel{color.r, color.g, color.b, 1.0f};
}

Color Canvas::ColorAt(int x, int y) const {
  const Pixel& p = pixels_[static_cast<std::size_t>(y) * width_ + x];
  if (p.a <= 0.0f) return {0, 0, 0};
  return {p.r / p.a, p.g / p.a, p.b / p.a};
}

float Canvas::AlphaAt(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x].a; }

void Canvas::DrawCanvas(const Canvas& source, int left, int top) {
  for (int y = 0; y < source.height_; ++y) {
    for (int x = 0; x < source.width_; ++x) {
      const int tx = left + x, ty = top + y;
      if (tx < 0 || ty < 0 || tx >= width_ || ty >= height_) continue;
      const Pixel& s = source.pixels_[static_cast<std::size_t>(y) * source.width_ + x];
      Pixel& d = pixels_[static_cast<std::size_t>(ty) * width_ + tx];
      const float keep = 1.0f - s.a;
      d = Pixel{s.r + d.r * keep, s.g + d.g * keep, s.b + d.b * keep, s.a + d.a * keep};
    }
  }
}

std::vector<std::uint8_t> Canvas::ToRgba8() const {
  std::vector<std::uint8_t> out;
  out.reserve(pixels_.size() * 4);
  for (const Pixel& p : pixels_) {
    const float a = Clamp01(p.a);
    const float inv = a > 0.0f ? 1.0f / a : 0.0f;
    out.push_back(ToByte(p.r * inv));
    out.push_back(ToByte(p.g * inv));
    out.push_back(ToByte(p.b * inv));
    out.push_back(ToByte(a));
  }
  return out;
}

std::vector<std::uint8_t> Canvas::ToRgb8() const {
  std::vector<std::uint8_t> out;
  out.reserve(pixels_.size() * 3);
  for (const Pixel& p : pixels_) {
    // Opaque output: whatever is left transparent shows black.
    out.push_back(ToByte(p.r));
    out.push_back(ToByte(p.g));
    out.push_back(ToByte(p.b));
  }
  return out;
}

}  // namespace artgen
