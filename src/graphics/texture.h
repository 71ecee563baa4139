// Textures of the image services: one level of straight-alpha A8R8G8B8
// pixels in memory, plus what the sprite drawer learns about them once.
#pragma once

#include <cstdint>

#include "platform/api/d3d9.h"

// Creates a texture holding a copy of width x height tightly packed
// A8R8G8B8 pixels (one reference, owned by the caller). Used by the PNG
// loader and by tests that need a texture without a file.
HRESULT CreateTextureFromPixels(UINT width, UINT height, const uint32_t* argb, IDirect3DTexture9** texture);
