#include "platform/device/software_surface.h"

#include <algorithm>

namespace platform {

SoftwareSurface::SoftwareSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool)
    : width_(width),
      height_(height),
      format_(format),
      pool_(pool),
      pixels_(static_cast<size_t>(width) * height, 0xFF000000u) {}

void SoftwareSurface::DoPendingFill() const {
    std::fill(pixels_.begin(), pixels_.end(), fillColor_);
    fillPending_ = false;
    ++fillsDone_;
}

HRESULT SoftwareSurface::GetDesc(D3DSURFACE_DESC* desc) {
    if (desc == nullptr) return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{};
    desc->Format = format_;
    desc->Type = D3DRTYPE_SURFACE;
    desc->Usage = 0;
    desc->Pool = pool_;
    desc->MultiSampleType = D3DMULTISAMPLE_NONE;
    desc->MultiSampleQuality = 0;
    desc->Width = width_;
    desc->Height = height_;
    return D3D_OK;
}

HRESULT SoftwareSurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD /*flags*/) {
    if (locked == nullptr || locked_) return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (rect != nullptr) {
        // An inverted or out-of-bounds rectangle would hand out a pointer
        // outside the pixels; refuse it as Direct3D does.
        if (rect->left < 0 || rect->top < 0 || rect->left > rect->right || rect->top > rect->bottom ||
            rect->right > static_cast<LONG>(width_) || rect->bottom > static_cast<LONG>(height_)) {
            return D3DERR_INVALIDCALL;
        }
        offset = static_cast<size_t>(rect->top) * width_ + static_cast<size_t>(rect->left);
    }
    locked->Pitch = static_cast<INT>(width_ * sizeof(uint32_t));
    locked->pBits = Pixels() + offset;
    locked_ = true;
    return D3D_OK;
}

HRESULT SoftwareSurface::UnlockRect() {
    if (!locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

}  // namespace platform
