#include "platform/device/surface_access.h"

#include "platform/device/software_device.h"
#include "platform/device/software_surface.h"

namespace platform {

namespace {

bool Describe(SoftwareSurface* surface, uint32_t** pixels, uint32_t* first, int* pitchPixels, int* width, int* height) {
    if (pixels != nullptr) *pixels = first;
    if (pitchPixels != nullptr) *pitchPixels = surface->PitchPixels();
    if (width != nullptr) *width = surface->Width();
    if (height != nullptr) *height = surface->Height();
    return true;
}

}  // namespace

bool GetSurfacePixels(IDirect3DSurface9* surface, uint32_t** pixels, int* pitchPixels, int* width, int* height) {
    auto* software = dynamic_cast<SoftwareSurface*>(surface);
    if (software == nullptr) return false;
    // Asking only for the shape leaves a pending clear pending.
    uint32_t* first = pixels != nullptr ? software->Pixels() : nullptr;
    return Describe(software, pixels, first, pitchPixels, width, height);
}

bool GetBackBufferPixels(IDirect3DDevice9* device, uint32_t** pixels, int* pitchPixels, int* width, int* height) {
    auto* software = dynamic_cast<SoftwareDevice*>(device);
    if (software == nullptr) return false;
    return GetSurfacePixels(software->BackBuffer(), pixels, pitchPixels, width, height);
}

bool GetBackBufferPixelsToOverwrite(IDirect3DDevice9* device, uint32_t** pixels, int* pitchPixels, int* width,
                                    int* height) {
    auto* software = dynamic_cast<SoftwareDevice*>(device);
    if (software == nullptr) return false;
    SoftwareSurface* surface = software->BackBuffer();
    uint32_t* first = pixels != nullptr ? surface->PixelsToOverwrite() : nullptr;
    return Describe(surface, pixels, first, pitchPixels, width, height);
}

}  // namespace platform
