// Small 2-D and 3-D vector and colour types shared by the painters.
#pragma once

#include <algorithm>
#include <cmath>

namespace artgen {

struct Vec2 {
  float x = 0.0f;
  float y = 0.0f;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float s) { return {a.x * s, a.y * s}; }
inline float Dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float Length(Vec2 a) { return std::sqrt(Dot(a, a)); }
// Rotates a by angle radians (screen axes: positive turns clockwise on screen).
inline Vec2 Rotate(Vec2 a, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  return {a.x * c - a.y * s, a.x * s + a.y * c};
}

struct Vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Normalize(Vec3 a) {
  const float len = std::sqrt(Dot(a, a));
  return len > 0.0f ? a * (1.0f / len) : Vec3{0.0f, 0.0f, 1.0f};
}

// A colour in display space, components nominally 0..1 (glows may exceed 1).
struct Color {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
};

inline Color operator+(Color a, Color b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Color operator*(Color a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Color operator*(Color a, Color b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }

inline float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
inline float Mix(float a, float b, float t) { return a + (b - a) * t; }
inline Color Mix(Color a, Color b, float t) { return {Mix(a.r, b.r, t), Mix(a.g, b.g, t), Mix(a.b, b.b, t)}; }
inline float SmoothStep(float e0, float e1, float v) {
  const float t = Clamp01((v - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}
// Hex colour 0xRRGGBB as a Color.
inline Color Hex(unsigned rgb) {
  return {((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f};
}

constexpr float kPi = 3.14159265358979f;

}  // namespace artgen
