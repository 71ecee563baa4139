// What both PNG loaders (libpng on the desktop, the browser's decoder on the
// web) do once an image is decoded: describe it and wrap it in a texture.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/d3dx9.h"

namespace gfx {

// Fills info with a width x height one-level A8R8G8B8 PNG image.
void FillPngImageInfo(UINT width, UINT height, D3DXIMAGE_INFO* info);

// Moves width x height decoded texels into a new texture (one reference,
// owned by the caller) and fills srcInfo if not null; E_OUTOFMEMORY and
// *texture untouched when the texture cannot be made.
HRESULT CreateDecodedTexture(UINT width, UINT height, std::vector<uint32_t> texels, D3DXIMAGE_INFO* srcInfo,
                             IDirect3DTexture9** texture);

}  // namespace gfx
