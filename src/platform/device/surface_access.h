// Fast pixel access for the graphics services (sprite and text drawing):
// the memory of the software device's surfaces without locking and without
// reference counting. The pointers stay valid while the surface lives.
#pragma once

#include <cstdint>

#include "platform/api/d3d9.h"

namespace platform {

// The device's back buffer: first pixel, row pitch in pixels, width and
// height. False (outputs untouched) when device is null or not ours. With
// pixels null only the shape is asked for and no pixel is touched;
// otherwise a pending clear is done first.
bool GetBackBufferPixels(IDirect3DDevice9* device, uint32_t** pixels, int* pitchPixels, int* width, int* height);

// The same for a caller that writes every pixel of the back buffer with an
// opaque value that does not depend on what was there: a pending clear is
// dropped instead of done.
bool GetBackBufferPixelsToOverwrite(IDirect3DDevice9* device, uint32_t** pixels, int* pitchPixels, int* width,
                                    int* height);

// The same as GetBackBufferPixels for any surface of the software device
// (back buffer, off-screen).
bool GetSurfacePixels(IDirect3DSurface9* surface, uint32_t** pixels, int* pitchPixels, int* width, int* height);

}  // namespace platform
