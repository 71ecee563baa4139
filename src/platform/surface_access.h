// Fast pixel access for the graphics services (sprite and text drawing):
// the memory of the software device's surfaces without locking and without
// reference counting. The pointers stay valid while the surface lives.
#pragma once

#include <cstdint>

#include "platform/d3d9.h"
#include "platform/frame_damage.h"

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

// The same for a caller that writes only inside area (left/top inclusive,
// right/bottom exclusive; may be empty or reach past the buffer): the part
// of the back buffer that presentation searches for changes stays small.
// Whatever the caller writes outside area may never reach the screen.
bool GetBackBufferPixelsToWrite(IDirect3DDevice9* device, const RECT& area, uint32_t** pixels, int* pitchPixels,
                                int* width, int* height);

// Adds area to what the caller of GetBackBufferPixelsToWrite has written
// (for a caller that learns the area only while drawing). False when device
// is null or not ours.
bool MarkBackBufferWritten(IDirect3DDevice9* device, const RECT& area);

// Makes every pixel of the back buffer that of content (a picture of the
// back buffer's size, rows pitchPixels apart), named key: the same key must
// always come with the same pixels (the drawer names an image and its
// colour). Costs a copy of what was drawn over the base since this buffer
// last held it. False (nothing done) when device is null or not ours.
bool LayBackBufferBase(IDirect3DDevice9* device, BaseKey key, const uint32_t* content, int pitchPixels);

// The same as GetBackBufferPixels for any surface of the software device
// (back buffer, off-screen).
bool GetSurfacePixels(IDirect3DSurface9* surface, uint32_t** pixels, int* pitchPixels, int* width, int* height);

}  // namespace platform
