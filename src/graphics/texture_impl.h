// The image services' texture: one level of straight-alpha A8R8G8B8 texels
// in memory, with the facts the sprite drawer needs computed once.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/sprite_drawer.h"
#include "platform/api/d3d9.h"

namespace gfx {

class Texture final : public IDirect3DTexture9 {
public:
    // Takes the width x height texels (tightly packed) and analyses them.
    Texture(UINT width, UINT height, std::vector<uint32_t> texels);

    DWORD GetLevelCount() override { return 1; }
    // Level 0 only: Width, Height, Format A8R8G8B8, Type texture, managed pool.
    HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* desc) override;
    // Level 0 only; the texels stay writable until UnlockRect.
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    // Ends a lock and analyses the texels again, since they may have changed.
    HRESULT UnlockRect(UINT level) override;

    // The drawer's view; valid while the texture lives and is not locked.
    const SpriteImage& Image() const { return image_; }

private:
    void Analyse();

    UINT width_;
    UINT height_;
    std::vector<uint32_t> texels_;
    std::vector<int32_t> rowFirst_;
    std::vector<int32_t> rowEnd_;
    ModulatedTexels modulated_;
    SpriteImage image_;
    bool locked_ = false;
};

}  // namespace gfx
