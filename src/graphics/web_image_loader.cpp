// PNG files into textures in the web build, which has no libpng: the header
// is checked here as the desktop's decoder checks it, and the browser decodes
// the pixels. createImageBitmap with premultiplyAlpha "none" and
// colorSpaceConversion "none" keeps the bytes as stored, and a WebGL2 texture
// read back through a framebuffer returns them unchanged. (A 2-D canvas would
// not: it keeps premultiplied alpha and changes the colour of every texel
// that is not opaque.)
#include <emscripten.h>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "graphics/d3dx9.h"
#include "graphics/decoded_image.h"
#include "graphics/image_loader.h"

namespace {

// Decodes size bytes of PNG data in the browser into width x height texels
// whose bytes are B G R A (A8R8G8B8 read as little-endian values); false when
// the browser cannot decode them or they have another size.
// clang-format off
EM_ASYNC_JS(int, DecodeInBrowser, (const uint8_t* data, int size, int width, int height, uint32_t* out), {
    try {
        const bytes = HEAPU8.slice(data, data + size);
        const bitmap = await createImageBitmap(new Blob([bytes], {type: "image/png"}),
                                               {premultiplyAlpha: "none", colorSpaceConversion: "none"});
        if (bitmap.width !== width || bitmap.height !== height) {
            bitmap.close();
            return 0;
        }
        if (!Module.v3ImageReader) {
            const canvas = typeof OffscreenCanvas !== "undefined" ? new OffscreenCanvas(1, 1)
                                                                  : document.createElement("canvas");
            const gl = canvas.getContext("webgl2", {premultipliedAlpha: false, antialias: false});
            if (!gl) throw new Error("WebGL2 is not available to read images back");
            Module.v3ImageReader = {gl: gl, texture: gl.createTexture(), framebuffer: gl.createFramebuffer()};
        }
        const reader = Module.v3ImageReader;
        const gl = reader.gl;
        gl.bindTexture(gl.TEXTURE_2D, reader.texture);
        gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
        gl.pixelStorei(gl.UNPACK_COLORSPACE_CONVERSION_WEBGL, gl.NONE);
        gl.pixelStorei(gl.UNPACK_FLIP_Y_WEBGL, false);
        gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, gl.RGBA, gl.UNSIGNED_BYTE, bitmap);
        bitmap.close();
        gl.bindFramebuffer(gl.FRAMEBUFFER, reader.framebuffer);
        gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, reader.texture, 0);
        if (gl.checkFramebufferStatus(gl.FRAMEBUFFER) !== gl.FRAMEBUFFER_COMPLETE) return 0;
        const rgba = new Uint8Array(width * height * 4);
        // Row 0 of the texture is the image's top row, and readPixels starts there.
        gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
        // The heap may have grown while the decode was awaited: HEAPU8 is current.
        const dst = HEAPU8.subarray(out, out + rgba.length);
        for (let i = 0; i < rgba.length; i += 4) {
            dst[i] = rgba[i + 2];
            dst[i + 1] = rgba[i + 1];
            dst[i + 2] = rgba[i];
            dst[i + 3] = rgba[i + 3];
        }
        return 1;
    } catch (e) {
        console.error("vantora3: image decode failed: " + e);
        return 0;
    }
});
// clang-format on

uint32_t BigEndian32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

// The CRC-32 of PNG chunks (ISO 3309), bit by bit: only the header's is checked.
uint32_t Crc32(const uint8_t* data, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

// Reads width and height from the signature and IHDR chunk that open every
// PNG file, with the checks the desktop's decoder makes before any pixel:
// the signature, the chunk's length, name and CRC, a valid depth for the
// colour type, and a size from 1 to the texture limit.
bool ReadPngHeader(const uint8_t* data, size_t size, UINT* width, UINT* height) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data == nullptr || size < 8 + 8 + 13 + 4 || std::memcmp(data, kSignature, 8) != 0) return false;
    const uint8_t* chunk = data + 8;
    if (BigEndian32(chunk) != 13 || std::memcmp(chunk + 4, "IHDR", 4) != 0) return false;
    if (Crc32(chunk + 4, 4 + 13) != BigEndian32(chunk + 8 + 13)) return false;
    const uint8_t* ihdr = chunk + 8;
    const uint32_t w = BigEndian32(ihdr);
    const uint32_t h = BigEndian32(ihdr + 4);
    const int depth = ihdr[8];
    const int colourType = ihdr[9];
    bool depthValid = false;
    switch (colourType) {
        case 0: depthValid = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16; break;
        case 3: depthValid = depth == 1 || depth == 2 || depth == 4 || depth == 8; break;
        case 2:
        case 4:
        case 6: depthValid = depth == 8 || depth == 16; break;
        default: break;
    }
    if (!depthValid || ihdr[10] != 0 || ihdr[11] != 0 || ihdr[12] > 1) return false;
    if (w == 0 || h == 0 || w > D3DX_MAX_TEXTURE_SIZE || h > D3DX_MAX_TEXTURE_SIZE) return false;
    *width = w;
    *height = h;
    return true;
}

// The whole file at path; false when it cannot be opened or read.
bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    bytes->clear();
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->insert(bytes->end(), buffer, buffer + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

HRESULT InfoFromBytes(const uint8_t* data, size_t size, D3DXIMAGE_INFO* info) {
    UINT width = 0, height = 0;
    if (!ReadPngHeader(data, size, &width, &height)) return D3DXERR_INVALIDDATA;
    gfx::FillPngImageInfo(width, height, info);
    return D3D_OK;
}

// PNG bytes into a new texture; *texture is null on entry.
HRESULT TextureFromBytes(const uint8_t* data, size_t size, UINT width, UINT height, D3DXIMAGE_INFO* srcInfo,
                         IDirect3DTexture9** texture) {
    UINT fileWidth = 0, fileHeight = 0;
    if (!ReadPngHeader(data, size, &fileWidth, &fileHeight)) return D3DXERR_INVALIDDATA;
    // No resampling: the caller asks for the image's own size.
    if (width != fileWidth || height != fileHeight) return D3DERR_INVALIDCALL;
    if (size > 0x7FFFFFFF) return D3DXERR_INVALIDDATA;
    std::vector<uint32_t> texels;
    texels.assign(static_cast<size_t>(fileWidth) * fileHeight, 0);
    if (!DecodeInBrowser(data, static_cast<int>(size), static_cast<int>(fileWidth), static_cast<int>(fileHeight),
                         texels.data()))
        return D3DXERR_INVALIDDATA;
    return gfx::CreateDecodedTexture(fileWidth, fileHeight, std::move(texels), srcInfo, texture);
}

}  // namespace

HRESULT D3DXGetImageInfoFromFileA(LPCSTR path, D3DXIMAGE_INFO* info) {
    if (path == nullptr || info == nullptr) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes)) return D3DXERR_INVALIDDATA;
    return InfoFromBytes(bytes.data(), bytes.size(), info);
}

HRESULT GetImageInfoFromPngMemory(const uint8_t* data, size_t size, D3DXIMAGE_INFO* info) {
    if (data == nullptr || info == nullptr) return D3DERR_INVALIDCALL;
    return InfoFromBytes(data, size, info);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* /*device*/, LPCSTR path, UINT width, UINT height,
                                     UINT /*mipLevels*/, DWORD /*usage*/, D3DFORMAT /*format*/, D3DPOOL /*pool*/,
                                     DWORD /*filter*/, DWORD /*mipFilter*/, D3DCOLOR /*colorKey*/,
                                     D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* /*palette*/, IDirect3DTexture9** texture) {
    if (texture == nullptr) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (path == nullptr) return D3DERR_INVALIDCALL;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes)) return D3DXERR_INVALIDDATA;
    return TextureFromBytes(bytes.data(), bytes.size(), width, height, srcInfo, texture);
}

HRESULT DecodePngMemory(const uint8_t* data, size_t size, UINT width, UINT height, D3DXIMAGE_INFO* srcInfo,
                        IDirect3DTexture9** texture) {
    if (texture == nullptr) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (data == nullptr) return D3DERR_INVALIDCALL;
    return TextureFromBytes(data, size, width, height, srcInfo, texture);
}
