// An A8R8G8B8 surface whose pixels live in memory: the device's back buffer
// and every off-screen plain surface.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d9.h"

namespace platform {

class SoftwareSurface : public IDirect3DSurface9 {
public:
    // A width x height surface of opaque black; the caller holds the one reference.
    SoftwareSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool);

    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    // Fails with D3DERR_INVALIDCALL while already locked or for a rectangle
    // outside the surface; Pitch is in bytes.
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    // Fails with D3DERR_INVALIDCALL when not locked.
    HRESULT UnlockRect() override;

    // Direct access for the platform and graphics services, no lock needed.
    uint32_t* Pixels() { return pixels_.data(); }
    const uint32_t* Pixels() const { return pixels_.data(); }
    int Width() const { return static_cast<int>(width_); }
    int Height() const { return static_cast<int>(height_); }
    int PitchPixels() const { return static_cast<int>(width_); }
    bool IsLocked() const { return locked_; }

private:
    ~SoftwareSurface() override = default;

    UINT width_;
    UINT height_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    bool locked_ = false;
    std::vector<uint32_t> pixels_;
};

}  // namespace platform
