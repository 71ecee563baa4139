// PNG files into textures: D3DXGetImageInfoFromFileA and
// D3DXCreateTextureFromFileExA, decoded with libpng's read interface; the
// same from bytes in memory (image_loader.h).
#include "graphics/image_loader.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "graphics/d3dx9.h"
#include "graphics/decoded_image.h"

namespace {

// libpng reports fatal errors by calling this, which must not return: jump
// back to the setjmp of the read in progress.
[[noreturn]] void OnPngError(png_structp png, png_const_charp /*message*/) { png_longjmp(png, 1); }
// Warnings (bad ancillary chunks and the like) do not stop a read.
void OnPngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// PNG bytes in memory and how far libpng has read them.
struct MemorySource {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t offset = 0;
};

// libpng's read callback for a MemorySource; running out is a read error,
// as the end of a file is.
void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (length > source->size - source->offset) png_error(png, "Read Error");
    std::memcpy(out, source->data + source->offset, length);
    source->offset += length;
}

// One open PNG file (or PNG bytes in memory) with libpng's read state;
// closes both when it goes.
class PngReader {
public:
    PngReader() = default;
    ~PngReader() {
        if (png_ != nullptr) png_destroy_read_struct(&png_, &info_, nullptr);
        if (file_ != nullptr) std::fclose(file_);
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    // Opens path and checks the PNG signature; false for a missing or non-PNG file.
    bool Open(const char* path) {
        if (path == nullptr) return false;
        file_ = std::fopen(path, "rb");
        if (file_ == nullptr) return false;
        png_byte signature[8];
        if (std::fread(signature, 1, sizeof signature, file_) != sizeof signature) return false;
        return Start(signature);
    }

    // The same for size bytes at data, which must outlive the reader.
    bool OpenMemory(const uint8_t* data, size_t size) {
        if (data == nullptr || size < 8) return false;
        memory_ = {data, size, 8};
        return Start(data);
    }

    // Reads the header up to the image data; fills width and height. False
    // for a corrupt header or an image wider or higher than the limit.
    bool ReadHeader(UINT* width, UINT* height) {
        if (setjmp(png_jmpbuf(png_))) return false;
        if (file_ != nullptr)
            png_init_io(png_, file_);
        else
            png_set_read_fn(png_, &memory_, ReadFromMemory);
        png_set_sig_bytes(png_, 8);
        // libpng itself refuses larger images, before it allocates for them.
        png_set_user_limits(png_, D3DX_MAX_TEXTURE_SIZE, D3DX_MAX_TEXTURE_SIZE);
        // Only the chunks that make the pixels are read; the rest (texts,
        // colour profiles, suggested palettes and the like) are skipped
        // unread. Otherwise a chunk that merely claims a huge length gets a
        // buffer of that size (libpng only warns about it) before the read
        // fails: a few bytes of file cost a gigabyte.
        png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
        png_read_info(png_, info_);
        const png_uint_32 w = png_get_image_width(png_, info_);
        const png_uint_32 h = png_get_image_height(png_, info_);
        if (w == 0 || h == 0 || w > D3DX_MAX_TEXTURE_SIZE || h > D3DX_MAX_TEXTURE_SIZE) return false;
        *width = w;
        *height = h;
        return true;
    }

    // Decodes the image (after ReadHeader) into width x height A8R8G8B8
    // texels, whatever its colour type, depth and interlacing.
    bool ReadPixels(UINT width, UINT height, std::vector<uint32_t>* texels) {
        // Filled before the setjmp: a jump back must not meet a half-built vector.
        std::vector<png_bytep> rows;
        texels->assign(static_cast<size_t>(width) * height, 0);
        rows.resize(height);
        for (UINT y = 0; y < height; ++y)
            rows[y] = reinterpret_cast<png_bytep>(texels->data() + static_cast<size_t>(y) * width);
        if (setjmp(png_jmpbuf(png_))) return false;
        const int colorType = png_get_color_type(png_, info_);
        const int depth = png_get_bit_depth(png_, info_);
        // Palette and low-depth grey to 8 bits, tRNS to an alpha channel.
        if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png_);
        if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png_);
        if (png_get_valid(png_, info_, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png_);
        if (depth == 16) png_set_strip_16(png_);
        if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png_);
        // Opaque images get alpha 255; the bytes in memory are B G R A,
        // which is A8R8G8B8 read as a little-endian 32-bit value.
        png_set_filler(png_, 0xFF, PNG_FILLER_AFTER);
        png_set_bgr(png_);
        png_set_interlace_handling(png_);
        png_read_update_info(png_, info_);
        if (png_get_rowbytes(png_, info_) != static_cast<size_t>(width) * 4) return false;
        png_read_image(png_, rows.data());
        png_read_end(png_, nullptr);
        return true;
    }

private:
    // Checks the 8 signature bytes and makes libpng's read state.
    bool Start(const png_byte* signature) {
        if (png_sig_cmp(signature, 0, 8) != 0) return false;
        png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
        if (png_ == nullptr) return false;
        info_ = png_create_info_struct(png_);
        return info_ != nullptr;
    }

    FILE* file_ = nullptr;
    MemorySource memory_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// The header of an opened reader into info.
HRESULT ReadInfo(PngReader& reader, D3DXIMAGE_INFO* info) {
    UINT width = 0, height = 0;
    if (!reader.ReadHeader(&width, &height)) return D3DXERR_INVALIDDATA;
    gfx::FillPngImageInfo(width, height, info);
    return D3D_OK;
}

// The image of an opened reader into a new texture; *texture is null on entry.
HRESULT ReadTexture(PngReader& reader, UINT width, UINT height, D3DXIMAGE_INFO* srcInfo, IDirect3DTexture9** texture) {
    UINT fileWidth = 0, fileHeight = 0;
    if (!reader.ReadHeader(&fileWidth, &fileHeight)) return D3DXERR_INVALIDDATA;
    // No resampling: the caller asks for the image's own size.
    if (width != fileWidth || height != fileHeight) return D3DERR_INVALIDCALL;
    std::vector<uint32_t> texels;
    if (!reader.ReadPixels(fileWidth, fileHeight, &texels)) return D3DXERR_INVALIDDATA;
    return gfx::CreateDecodedTexture(fileWidth, fileHeight, std::move(texels), srcInfo, texture);
}

}  // namespace

HRESULT D3DXGetImageInfoFromFileA(LPCSTR path, D3DXIMAGE_INFO* info) {
    if (path == nullptr || info == nullptr) return D3DERR_INVALIDCALL;
    PngReader reader;
    if (!reader.Open(path)) return D3DXERR_INVALIDDATA;
    return ReadInfo(reader, info);
}

HRESULT GetImageInfoFromPngMemory(const uint8_t* data, size_t size, D3DXIMAGE_INFO* info) {
    if (data == nullptr || info == nullptr) return D3DERR_INVALIDCALL;
    PngReader reader;
    if (!reader.OpenMemory(data, size)) return D3DXERR_INVALIDDATA;
    return ReadInfo(reader, info);
}

HRESULT D3DXCreateTextureFromFileExA(IDirect3DDevice9* /*device*/, LPCSTR path, UINT width, UINT height,
                                     UINT /*mipLevels*/, DWORD /*usage*/, D3DFORMAT /*format*/, D3DPOOL /*pool*/,
                                     DWORD /*filter*/, DWORD /*mipFilter*/, D3DCOLOR /*colorKey*/,
                                     D3DXIMAGE_INFO* srcInfo, PALETTEENTRY* /*palette*/, IDirect3DTexture9** texture) {
    // The texels live in memory, so the device is not needed to make them;
    // one level, A8R8G8B8 and no filtering are what every call gets.
    if (texture == nullptr) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (path == nullptr) return D3DERR_INVALIDCALL;
    PngReader reader;
    if (!reader.Open(path)) return D3DXERR_INVALIDDATA;
    return ReadTexture(reader, width, height, srcInfo, texture);
}

HRESULT DecodePngMemory(const uint8_t* data, size_t size, UINT width, UINT height, D3DXIMAGE_INFO* srcInfo,
                        IDirect3DTexture9** texture) {
    if (texture == nullptr) return D3DERR_INVALIDCALL;
    *texture = nullptr;
    if (data == nullptr) return D3DERR_INVALIDCALL;
    PngReader reader;
    if (!reader.OpenMemory(data, size)) return D3DXERR_INVALIDDATA;
    return ReadTexture(reader, width, height, srcInfo, texture);
}
