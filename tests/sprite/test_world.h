// Helpers shared by the sprite and game tests: a headless window with a
// real software device, a driven frame clock, and tiny PNG files written
// without any image library.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/log.h"
#include "graphics/graphics.h"
#include "graphics/texture.h"
#include "platform/api/win32.h"
#include "platform/headless/headless_backend.h"
#include "sprite/res_manager.h"

namespace testworld {

inline LRESULT TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

// A headless backend, one window and a Graphics object with its device.
struct HeadlessDevice {
    std::shared_ptr<platform::HeadlessBackend> backend;
    HWND window = nullptr;
    Graphics graphics;

    // Installs the backend and creates window and device; false on failure.
    bool Open() {
        backend = platform::InstallHeadlessBackend();
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &TestWindowProc;
        wc.lpszClassName = "V3TestWindow";
        RegisterClassExA(&wc);
        window = CreateWindowExA(0, "V3TestWindow", "test", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768, nullptr, nullptr,
                                 nullptr, nullptr);
        if (window == nullptr) return false;
        return graphics.Init(window, true) && graphics.GetDevice() != nullptr;
    }
    IDirect3DDevice9* Device() const { return graphics.GetDevice(); }

    // The back buffer pixel at (x, y), or 0 when it cannot be read.
    uint32_t Pixel(int x, int y) const {
        IDirect3DSurface9* surface = graphics.GetBackBuffer();
        if (surface == nullptr) return 0;
        D3DLOCKED_RECT locked{};
        if (FAILED(surface->LockRect(&locked, nullptr, 0))) return 0;
        const auto* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
        const uint32_t value = reinterpret_cast<const uint32_t*>(row)[x];
        surface->UnlockRect();
        return value;
    }
};

// Ticks the clock so that the latched frame rate becomes fps: fps ticks
// spread over one second after Init, then the tick that closes the window.
// The counter keeps running from where it stands.
inline void LatchFramerate(platform::HeadlessBackend& backend, ResManager& clock, int64_t& now, int fps) {
    const int64_t start = now;
    for (int k = 1; k <= fps + 1; ++k) {
        now = start + k * 1000000000LL / fps;
        backend.SetCounter(now);
        clock.Tick();
    }
}

// A texture of one colour, owned by the caller.
inline IDirect3DTexture9* SolidTexture(UINT width, UINT height, uint32_t argb) {
    std::vector<uint32_t> pixels(static_cast<std::size_t>(width) * height, argb);
    IDirect3DTexture9* texture = nullptr;
    CreateTextureFromPixels(width, height, pixels.data(), &texture);
    return texture;
}

// Owns a texture for the length of a test.
struct TextureHolder {
    IDirect3DTexture9* texture = nullptr;
    explicit TextureHolder(IDirect3DTexture9* t) : texture(t) {}
    ~TextureHolder() {
        if (texture != nullptr) texture->Release();
    }
    TextureHolder(const TextureHolder&) = delete;
    TextureHolder& operator=(const TextureHolder&) = delete;
};

namespace detail {

inline uint32_t Crc32(const uint8_t* data, std::size_t size, uint32_t crc = 0xFFFFFFFFu) {
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc;
}

inline void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

inline void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
    PutBig32(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    PutBig32(out, Crc32(body.data(), body.size()) ^ 0xFFFFFFFFu);
}

}  // namespace detail

// Writes a width x height RGBA PNG of one colour (uncompressed deflate
// blocks); returns false when the file cannot be written.
inline bool WriteSolidPng(const std::string& path, uint32_t width, uint32_t height, uint32_t argb) {
    std::vector<uint8_t> raw;
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        for (uint32_t x = 0; x < width; ++x) {
            raw.push_back(static_cast<uint8_t>(argb >> 16));
            raw.push_back(static_cast<uint8_t>(argb >> 8));
            raw.push_back(static_cast<uint8_t>(argb));
            raw.push_back(static_cast<uint8_t>(argb >> 24));
        }
    }
    std::vector<uint8_t> zlib{0x78, 0x01};
    std::size_t offset = 0;
    do {
        const std::size_t length = std::min<std::size_t>(raw.size() - offset, 65535);
        const bool last = offset + length == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<uint8_t>(length));
        zlib.push_back(static_cast<uint8_t>(length >> 8));
        zlib.push_back(static_cast<uint8_t>(~length));
        zlib.push_back(static_cast<uint8_t>(~length >> 8));
        zlib.insert(zlib.end(), raw.begin() + static_cast<long>(offset),
                    raw.begin() + static_cast<long>(offset + length));
        offset += length;
    } while (offset < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    detail::PutBig32(zlib, (b << 16) | a);

    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    detail::PutBig32(header, width);
    detail::PutBig32(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});
    detail::PutChunk(png, "IHDR", header);
    detail::PutChunk(png, "IDAT", zlib);
    detail::PutChunk(png, "IEND", {});
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    return std::fclose(file) == 0 && ok;
}

// Reads the log file into lines.
inline std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return lines;
    std::string line;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(static_cast<char>(c));
        }
    }
    std::fclose(file);
    return lines;
}

}  // namespace testworld
