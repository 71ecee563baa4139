// Fuzzes the PNG decoder with arbitrary bytes, through the memory entry
// points that the file loaders share: the header query and the decode into
// a texture must fail cleanly or give an image of the size they report,
// whatever the bytes are.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/d3dx9.h"
#include "graphics/image_loader.h"

namespace {

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "fuzz_png: check failed: %s (line %d)\n", #condition, __LINE__); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    D3DXIMAGE_INFO info{};
    const HRESULT infoResult = GetImageInfoFromPngMemory(data, size, &info);
    IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(&info);  // must be reset
    if (FAILED(infoResult)) {
        // No header, no texture, at any size asked for.
        FUZZ_CHECK(FAILED(DecodePngMemory(data, size, 1, 1, nullptr, &texture)));
        FUZZ_CHECK(texture == nullptr);
        return 0;
    }
    FUZZ_CHECK(info.Width >= 1 && info.Width <= D3DX_MAX_TEXTURE_SIZE);
    FUZZ_CHECK(info.Height >= 1 && info.Height <= D3DX_MAX_TEXTURE_SIZE);

    // A size other than the image's own is refused, as no resampling is done.
    FUZZ_CHECK(FAILED(DecodePngMemory(data, size, info.Width + 1, info.Height, nullptr, &texture)));
    FUZZ_CHECK(texture == nullptr);

    // The size the game asks for. Broken image data may still fail, but cleanly.
    D3DXIMAGE_INFO source{};
    const HRESULT created = DecodePngMemory(data, size, info.Width, info.Height, &source, &texture);
    if (FAILED(created)) {
        FUZZ_CHECK(texture == nullptr);
        return 0;
    }
    FUZZ_CHECK(texture != nullptr);
    FUZZ_CHECK(source.Width == info.Width && source.Height == info.Height);
    D3DSURFACE_DESC desc{};
    FUZZ_CHECK(SUCCEEDED(texture->GetLevelDesc(0, &desc)));
    FUZZ_CHECK(desc.Width == info.Width && desc.Height == info.Height);
    FUZZ_CHECK(desc.Format == D3DFMT_A8R8G8B8);
    // Every texel is there to be read: ASan would catch a short buffer.
    D3DLOCKED_RECT locked{};
    FUZZ_CHECK(SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0)));
    FUZZ_CHECK(locked.pBits != nullptr && locked.Pitch >= static_cast<INT>(desc.Width * 4));
    const auto* bytes = static_cast<const uint8_t*>(locked.pBits);
    uint32_t sum = 0;
    for (UINT y = 0; y < desc.Height; ++y) {
        uint32_t texel = 0;
        const uint8_t* row = bytes + static_cast<size_t>(y) * static_cast<size_t>(locked.Pitch);
        std::memcpy(&texel, row, 4);
        sum += texel;
        std::memcpy(&texel, row + (desc.Width - 1) * 4, 4);
        sum += texel;
    }
    texture->UnlockRect(0);
    // Keeps the reads from being optimised away.
    if (sum == 0x9E3779B9u) std::fprintf(stderr, "%c", ' ');
    FUZZ_CHECK(texture->Release() == 0);
    return 0;
}
