#include "graphics/bmp_writer.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "graphics/d3dx9.h"

namespace {

void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Writes all of data, retrying short writes and interruptions.
bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (written == 0) return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Reads the surface's pixels (or the rectangle of them) into a bitmap and
// writes it; the lock is held only while the pixels are copied.
HRESULT SaveBmp(const char* path, IDirect3DSurface9* surface, const RECT* srcRect) {
    D3DSURFACE_DESC desc{};
    if (FAILED(surface->GetDesc(&desc))) return D3DERR_INVALIDCALL;
    if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
    if (desc.Width == 0 || desc.Height == 0 || desc.Width > kBmpMaxSide || desc.Height > kBmpMaxSide)
        return D3DERR_INVALIDCALL;
    RECT area{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
    if (srcRect != nullptr) {
        if (srcRect->left < 0 || srcRect->top < 0 || srcRect->left >= srcRect->right ||
            srcRect->top >= srcRect->bottom || srcRect->right > area.right || srcRect->bottom > area.bottom)
            return D3DERR_INVALIDCALL;
        area = *srcRect;
    }
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const size_t size = BmpFileSize(width, height);
    std::unique_ptr<uint8_t[]> file(new (std::nothrow) uint8_t[size]);
    if (!file) return E_OUTOFMEMORY;

    D3DLOCKED_RECT locked{};
    if (FAILED(surface->LockRect(&locked, nullptr, 0))) return E_FAIL;
    bool encoded = false;
    if (locked.pBits != nullptr && locked.Pitch % 4 == 0 && locked.Pitch / 4 >= static_cast<INT>(desc.Width)) {
        const auto* pixels = static_cast<const uint32_t*>(locked.pBits);
        const int pitch = locked.Pitch / 4;
        encoded =
            EncodeBmp(pixels + static_cast<ptrdiff_t>(area.top) * pitch + area.left, pitch, width, height, file.get());
    }
    surface->UnlockRect();
    if (!encoded) return E_FAIL;
    if (desc.Format == D3DFMT_X8R8G8B8) {
        // The X8 byte is undefined; a reader expects an opaque picture.
        for (size_t i = kBmpHeaderSize + 3; i < size; i += 4) file[i] = 0xFF;
    }
    return WriteFileReplacing(path, file.get(), size) ? D3D_OK : E_FAIL;
}

}  // namespace

size_t BmpFileSize(int width, int height) {
    if (width < 1 || height < 1 || width > kBmpMaxSide || height > kBmpMaxSide) return 0;
    return kBmpHeaderSize + static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
}

bool EncodeBmp(const uint32_t* argb, int pitchPixels, int width, int height, uint8_t* out) {
    const size_t size = BmpFileSize(width, height);
    if (size == 0 || argb == nullptr || out == nullptr || pitchPixels < width) return false;
    const uint32_t imageSize = static_cast<uint32_t>(size - kBmpHeaderSize);

    // BITMAPFILEHEADER
    out[0] = 'B';
    out[1] = 'M';
    Put32(out + 2, static_cast<uint32_t>(size));
    Put32(out + 6, 0);  // two reserved words
    Put32(out + 10, static_cast<uint32_t>(kBmpHeaderSize));
    // BITMAPINFOHEADER; a positive height means the rows run bottom-up.
    uint8_t* info = out + 14;
    Put32(info + 0, 40);
    Put32(info + 4, static_cast<uint32_t>(width));
    Put32(info + 8, static_cast<uint32_t>(height));
    Put16(info + 12, 1);   // planes
    Put16(info + 14, 32);  // bits per pixel
    Put32(info + 16, 0);   // BI_RGB
    Put32(info + 20, imageSize);
    Put32(info + 24, 2835);  // 72 dots per inch, in pixels per metre
    Put32(info + 28, 2835);
    Put32(info + 32, 0);  // no palette
    Put32(info + 36, 0);

    uint8_t* rows = out + kBmpHeaderSize;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const uint32_t* src = argb + static_cast<ptrdiff_t>(height - 1 - fileRow) * pitchPixels;
        uint8_t* dst = rows + static_cast<size_t>(fileRow) * rowBytes;
        if constexpr (std::endian::native == std::endian::little) {
            // An ARGB word in memory already is the B, G, R, A byte order.
            std::memcpy(dst, src, rowBytes);
        } else {
            for (int x = 0; x < width; ++x) Put32(dst + static_cast<size_t>(x) * 4, src[x]);
        }
    }
    return true;
}

bool WriteFileReplacing(const char* path, const void* data, size_t size) {
    if (path == nullptr || path[0] == '\0' || (data == nullptr && size > 0)) return false;
    // A name of our own beside the target: the rename stays within one
    // directory (and so one file system), and two writers never share it.
    static std::atomic<unsigned> serial{0};
    std::string temp =
        std::string(path) + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1));
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, static_cast<const uint8_t*>(data), size);
    // close reports delayed write errors (a full disk on some file systems).
    if (::close(fd) != 0) ok = false;
    // No fsync: a screenshot need not survive a power cut, and the frame
    // loop waits for this call; the rename alone keeps readers from ever
    // seeing a partial file.
    if (ok && std::rename(temp.c_str(), path) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

HRESULT D3DXSaveSurfaceToFileA(LPCSTR path, D3DXIMAGE_FILEFORMAT format, IDirect3DSurface9* surface,
                               const PALETTEENTRY* /*palette: 32-bit files have none*/, const RECT* srcRect) {
    if (format != D3DXIFF_BMP) return D3DERR_INVALIDCALL;
    if (path == nullptr || path[0] == '\0' || surface == nullptr) return D3DERR_INVALIDCALL;
    return SaveBmp(path, surface, srcRect);
}
