#include "app/health_bar.h"

#include <algorithm>
#include <cstdint>

#include "app/globals.h"

namespace {

constexpr int kBoxTop = 750;
constexpr int kBoxBottom = 755;
constexpr int kBoxLeft = 1;
constexpr int kBoxRight = 201;
constexpr uint32_t kGrey = 0xFF646464;

}  // namespace

void DrawHealthBar(IDirect3DSurface9* surface) {
    if (surface == nullptr) return;
    const int health = game.GetHealth();

    D3DSURFACE_DESC desc = {};
    if (FAILED(surface->GetDesc(&desc)) || desc.Width <= static_cast<UINT>(kBoxRight) ||
        desc.Height <= static_cast<UINT>(kBoxBottom)) {
        return;
    }
    D3DLOCKED_RECT locked = {};
    if (FAILED(surface->LockRect(&locked, nullptr, 0)) || locked.pBits == nullptr) return;

    uint32_t* pixels = static_cast<uint32_t*>(locked.pBits);
    const int stride = locked.Pitch / 4;
    for (int row = kBoxTop; row <= kBoxBottom; ++row) {
        uint32_t* line = pixels + row * stride;
        std::fill(line + kBoxLeft, line + kBoxRight + 1, kGrey);
    }

    // Column c gets red 256 - c and green c. The bar never leaves the box:
    // a health above 100 still ends at column 200, below 1 draws no column.
    const int lastColumn = std::clamp(2 * health, 0, kBoxRight - 1);
    for (int row = kBoxTop + 1; row <= kBoxBottom - 1; ++row) {
        uint32_t* line = pixels + row * stride;
        int red = 256;
        int green = 0;
        for (int column = 1; column <= lastColumn; ++column) {
            --red;
            ++green;
            line[column] =
                0xFF000000u + static_cast<uint32_t>(red % 256) * 0x10000u + static_cast<uint32_t>(green % 256) * 0x100u;
        }
    }
    surface->UnlockRect();
}
