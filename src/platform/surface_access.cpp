#include "platform/surface_access.h"

#include "platform/software_device.h"
#include "platform/software_surface.h"

namespace platform {

bool GetSurfacePixels(IDirect3DSurface9* surface, uint32_t** pixels, int* pitchPixels, int* width, int* height) {
    auto* software = dynamic_cast<SoftwareSurface*>(surface);
    if (software == nullptr) return false;
    if (pixels != nullptr) *pixels = software->Pixels();
    if (pitchPixels != nullptr) *pitchPixels = software->PitchPixels();
    if (width != nullptr) *width = software->Width();
    if (height != nullptr) *height = software->Height();
    return true;
}

bool GetBackBufferPixels(IDirect3DDevice9* device, uint32_t** pixels, int* pitchPixels, int* width, int* height) {
    auto* software = dynamic_cast<SoftwareDevice*>(device);
    if (software == nullptr) return false;
    return GetSurfacePixels(software->BackBuffer(), pixels, pitchPixels, width, height);
}

}  // namespace platform
