#include "graphics/texture.h"

#include <new>
#include <utility>

#include "graphics/texture_impl.h"

namespace gfx {

Texture::Texture(UINT width, UINT height, std::vector<uint32_t> texels)
    : width_(width), height_(height), texels_(std::move(texels)) {
    Analyse();
}

void Texture::Analyse() {
    image_ =
        AnalyseSpriteImage(texels_.data(), static_cast<int>(width_), static_cast<int>(height_), rowFirst_, rowEnd_);
    // Changed texels make the drawer's copies stale.
    modulated_.valid = false;
    modulated_.signedValid = false;
    image_.modulated = &modulated_;
}

HRESULT Texture::GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) {
    if (level != 0 || desc == nullptr) return D3DERR_INVALIDCALL;
    *desc = D3DSURFACE_DESC{};
    desc->Format = D3DFMT_A8R8G8B8;
    desc->Type = D3DRTYPE_TEXTURE;
    desc->Pool = D3DPOOL_MANAGED;
    desc->Width = width_;
    desc->Height = height_;
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD /*flags*/) {
    if (level != 0 || locked == nullptr || locked_) return D3DERR_INVALIDCALL;
    LONG left = 0;
    LONG top = 0;
    if (rect != nullptr) {
        // A rectangle must lie inside the level and not be empty.
        if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(width_) ||
            rect->bottom > static_cast<LONG>(height_) || rect->left >= rect->right || rect->top >= rect->bottom) {
            return D3DERR_INVALIDCALL;
        }
        left = rect->left;
        top = rect->top;
    }
    locked->Pitch = static_cast<INT>(width_ * 4);
    locked->pBits = texels_.data() + static_cast<size_t>(top) * width_ + left;
    locked_ = true;
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level != 0 || !locked_) return D3DERR_INVALIDCALL;
    locked_ = false;
    Analyse();
    return D3D_OK;
}

}  // namespace gfx

HRESULT CreateTextureFromPixels(UINT width, UINT height, const uint32_t* argb, IDirect3DTexture9** texture) {
    if (texture == nullptr) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (width == 0 || height == 0 || argb == nullptr) return D3DERR_INVALIDCALL;
    // Larger textures than the loader accepts are refused here too, which
    // also keeps every texel index within 32 bits.
    if (width > 4096 || height > 4096) return D3DERR_INVALIDCALL;
    std::vector<uint32_t> texels;
    const size_t count = static_cast<size_t>(width) * height;
    texels.reserve(count);
    texels.assign(argb, argb + count);
    auto* created = new (std::nothrow) gfx::Texture(width, height, std::move(texels));
    if (created == nullptr) return E_OUTOFMEMORY;
    *texture = created;
    return D3D_OK;
}
