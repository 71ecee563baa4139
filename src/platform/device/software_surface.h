// An A8R8G8B8 surface whose pixels live in memory: the device's back buffer
// and every off-screen plain surface.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/api/d3d9.h"

namespace platform {

class SoftwareSurface : public IDirect3DSurface9 {
public:
    // A width x height surface of opaque black; the caller holds the one reference.
    SoftwareSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool);

    HRESULT GetDesc(D3DSURFACE_DESC* desc) override;
    // Fails with D3DERR_INVALIDCALL while already locked or for a rectangle
    // outside the surface; Pitch is in bytes. Does any pending fill first.
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    // Fails with D3DERR_INVALIDCALL when not locked.
    HRESULT UnlockRect() override;

    // Every pixel is to become color, filled when the pixels are next handed
    // out (Pixels, LockRect) or never, when the next user overwrites them all
    // (PixelsToOverwrite). A later FillLater replaces an earlier one.
    void FillLater(uint32_t color) {
        fillPending_ = true;
        fillColor_ = color;
    }

    // Direct access for the platform and graphics services, no lock needed;
    // any pending fill is done first, so the caller sees the pixels as they are.
    uint32_t* Pixels() {
        if (fillPending_) DoPendingFill();
        return pixels_.data();
    }
    const uint32_t* Pixels() const {
        if (fillPending_) DoPendingFill();
        return pixels_.data();
    }
    // The pixels for a caller that writes every one of them with an opaque
    // value that does not depend on what was there: a pending fill is dropped.
    uint32_t* PixelsToOverwrite() {
        fillPending_ = false;
        return pixels_.data();
    }
    int Width() const { return static_cast<int>(width_); }
    int Height() const { return static_cast<int>(height_); }
    int PitchPixels() const { return static_cast<int>(width_); }
    bool IsLocked() const { return locked_; }
    // Trades this surface's pixel storage for other's (as many pixels) in
    // constant time: the device's swap of back and front buffer beneath a
    // handle that stays the same. Pointers from Pixels() taken before point
    // into other afterwards. Not while locked. A pending fill is done first:
    // it belongs to the pixels that leave.
    void ExchangePixels(std::vector<uint32_t>* other) {
        if (fillPending_) DoPendingFill();
        pixels_.swap(*other);
    }

    // How many pending fills were really done (not dropped) so far.
    uint64_t TEST_FillsDone() const { return fillsDone_; }

private:
    ~SoftwareSurface() override = default;

    void DoPendingFill() const;

    UINT width_;
    UINT height_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    bool locked_ = false;
    // The pending fill belongs to the pixels: every member that hands them
    // out does it first (the const ones too), so no reader can bypass it.
    mutable bool fillPending_ = false;
    uint32_t fillColor_ = 0;
    mutable uint64_t fillsDone_ = 0;
    mutable std::vector<uint32_t> pixels_;
};

}  // namespace platform
