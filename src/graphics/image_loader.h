// PNG images already in memory: the decoder beneath the PNG file loaders
// of d3dx9.h, for callers that hold the bytes themselves (and for fuzzing
// the decoder without files).
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics/d3dx9.h"

// Reads width and height from size bytes of PNG data, with the checks of
// D3DXGetImageInfoFromFileA. The bytes are only read during the call.
HRESULT GetImageInfoFromPngMemory(const uint8_t* data, size_t size, D3DXIMAGE_INFO* info);

// Decodes size bytes of PNG data into a new one-level A8R8G8B8 texture (one
// reference, owned by the caller), as D3DXCreateTextureFromFileExA does:
// width and height must be the image's own; srcInfo, if not null, is
// filled. On failure *texture is left null and a negative code is returned.
HRESULT DecodePngMemory(const uint8_t* data, size_t size, UINT width, UINT height, D3DXIMAGE_INFO* srcInfo,
                        IDirect3DTexture9** texture);
