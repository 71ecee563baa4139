// The two shapes of pixel memory our own code passes around: an area of a
// frame or picture, and a borrowed buffer to draw into. The API's RECT and
// D3DRECT stay where the API has them.
#pragma once

#include <algorithm>
#include <cstdint>

// width x height pixels whose top-left pixel is (x, y).
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int Right() const { return x + width; }
    int Bottom() const { return y + height; }
    bool operator==(const PixelRect&) const = default;
};

// The smallest area that holds both a and b.
inline PixelRect Union(const PixelRect& a, const PixelRect& b) {
    const int left = std::min(a.x, b.x);
    const int top = std::min(a.y, b.y);
    return PixelRect{left, top, std::max(a.Right(), b.Right()) - left, std::max(a.Bottom(), b.Bottom()) - top};
}

// Borrowed 32-bit ARGB pixels that sprites and texts are drawn into:
// width x height, row 0 first, rows pitchPixels (at least width) apart.
struct PixelTarget {
    uint32_t* pixels = nullptr;
    int pitchPixels = 0;
    int width = 0;
    int height = 0;
};
