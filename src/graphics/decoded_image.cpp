#include "graphics/decoded_image.h"

#include <new>
#include <utility>

#include "graphics/texture_impl.h"

namespace gfx {

void FillPngImageInfo(UINT width, UINT height, D3DXIMAGE_INFO* info) {
    info->Width = width;
    info->Height = height;
    info->Depth = 1;
    info->MipLevels = 1;
    info->Format = D3DFMT_A8R8G8B8;
    info->ResourceType = D3DRTYPE_TEXTURE;
    info->ImageFileFormat = D3DXIFF_PNG;
}

HRESULT CreateDecodedTexture(UINT width, UINT height, std::vector<uint32_t> texels, D3DXIMAGE_INFO* srcInfo,
                             IDirect3DTexture9** texture) {
    auto* created = new (std::nothrow) Texture(width, height, std::move(texels));
    if (created == nullptr) return E_OUTOFMEMORY;
    if (srcInfo != nullptr) FillPngImageInfo(width, height, srcInfo);
    *texture = created;
    return D3D_OK;
}

}  // namespace gfx
