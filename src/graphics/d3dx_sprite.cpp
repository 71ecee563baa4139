#include "graphics/d3dx_sprite.h"

#include <new>

#include "graphics/sprite_drawer.h"
#include "graphics/texture_impl.h"
#include "platform/device/surface_access.h"

namespace gfx {

D3dxSprite::D3dxSprite(IDirect3DDevice9* device) : device_(device) {
    // The sprite keeps its device alive, as a D3DX sprite does.
    if (device_ != nullptr) device_->AddRef();
}

D3dxSprite::~D3dxSprite() {
    if (device_ != nullptr) device_->Release();
}

HRESULT D3dxSprite::Draw(IDirect3DTexture9* texture, const RECT* srcRect, const D3DXVECTOR2* scaling,
                         const D3DXVECTOR2* rotationCentre, float rotation, const D3DXVECTOR2* translation,
                         D3DCOLOR color) {
    if (texture == nullptr || device_ == nullptr || srcRect != nullptr) return D3DERR_INVALIDCALL;
    // Only our own textures carry the texels and facts the drawer reads.
    const auto* ours = dynamic_cast<const Texture*>(texture);
    if (ours == nullptr) return D3DERR_INVALIDCALL;

    SpritePlacement placement;
    if (scaling != nullptr) placement.scaleX = scaling->x, placement.scaleY = scaling->y;
    if (rotationCentre != nullptr) placement.centreX = rotationCentre->x, placement.centreY = rotationCentre->y;
    placement.rotation = rotation;
    if (translation != nullptr) placement.x = translation->x, placement.y = translation->y;

    // The software device hands out its back buffer's memory directly; any
    // other device goes through GetBackBuffer and LockRect.
    PixelTarget target;
    if (platform::GetBackBufferPixels(device_, nullptr, &target.pitchPixels, &target.width, &target.height)) {
        // A draw that paints every pixel opaquely (the background) makes the
        // scene's pending clear pointless: it is dropped instead of done.
        if (SpriteCoversTarget(target.width, target.height, ours->Image(), placement, color)) {
            platform::GetBackBufferPixelsToOverwrite(device_, &target.pixels, nullptr, nullptr, nullptr);
        } else {
            platform::GetBackBufferPixels(device_, &target.pixels, nullptr, nullptr, nullptr);
        }
        DrawSprite(target, ours->Image(), placement, color);
        return D3D_OK;
    }
    IDirect3DSurface9* backBuffer = nullptr;
    HRESULT hr = device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    if (FAILED(hr) || backBuffer == nullptr) return FAILED(hr) ? hr : E_FAIL;
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    hr = backBuffer->GetDesc(&desc);
    if (SUCCEEDED(hr)) hr = backBuffer->LockRect(&locked, nullptr, 0);
    if (SUCCEEDED(hr)) {
        target.pixels = static_cast<uint32_t*>(locked.pBits);
        target.pitchPixels = locked.Pitch / 4;
        target.width = static_cast<int>(desc.Width);
        target.height = static_cast<int>(desc.Height);
        DrawSprite(target, ours->Image(), placement, color);
        backBuffer->UnlockRect();
    }
    backBuffer->Release();
    return hr;
}

}  // namespace gfx

HRESULT D3DXCreateSprite(IDirect3DDevice9* device, ID3DXSprite** sprite) {
    if (sprite == nullptr) return D3DERR_INVALIDCALL;
    *sprite = new (std::nothrow) gfx::D3dxSprite(device);
    return *sprite != nullptr ? D3D_OK : E_OUTOFMEMORY;
}
