// The sprite object behind D3DXCreateSprite: draws textures made by the
// image services into its device's back buffer with the software drawer.
#pragma once

#include "graphics/d3dx9.h"

namespace gfx {

class D3dxSprite final : public ID3DXSprite {
public:
    // Holds a reference to device (may be null: every Draw then fails).
    explicit D3dxSprite(IDirect3DDevice9* device);
    ~D3dxSprite() override;

    // Locks the device's back buffer, draws the texture into it and unlocks
    // it. Fails with no drawing for a null texture or device, a source
    // rectangle, or a texture the image services did not make.
    HRESULT Draw(IDirect3DTexture9* texture, const RECT* srcRect, const D3DXVECTOR2* scaling,
                 const D3DXVECTOR2* rotationCentre, float rotation, const D3DXVECTOR2* translation,
                 D3DCOLOR color) override;

private:
    IDirect3DDevice9* device_;
};

}  // namespace gfx
