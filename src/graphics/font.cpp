// The game's one text font: an ID3DXFont that draws single lines of
// Windows-1252 text into the device's back buffer from a FontFace.
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "graphics/d3dx9.h"
#include "graphics/font_face.h"
#include "platform/device/surface_access.h"

namespace {

// Keeps a computed coordinate inside the range a RECT can hold.
LONG ClampToLong(int64_t value) {
    if (value > std::numeric_limits<LONG>::max()) return std::numeric_limits<LONG>::max();
    if (value < std::numeric_limits<LONG>::min()) return std::numeric_limits<LONG>::min();
    return static_cast<LONG>(value);
}

class Font final : public ID3DXFont {
public:
    // Holds a reference to the device, whose back buffer it draws into.
    Font(IDirect3DDevice9* device, std::unique_ptr<FontFace> face) : device_(device), face_(std::move(face)) {
        device_->AddRef();
    }

    INT DrawTextA(LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) override {
        if (text == nullptr || rect == nullptr) return 0;
        const auto* bytes = reinterpret_cast<const unsigned char*>(text);
        const size_t length = count < 0 ? std::strlen(text) : static_cast<size_t>(count);
        const int64_t width = face_->MeasureWidth(bytes, length);
        const INT height = face_->CellHeight();
        if ((format & DT_CALCRECT) != 0) {
            rect->right = ClampToLong(int64_t{rect->left} + width);
            rect->bottom = ClampToLong(int64_t{rect->top} + height);
            return height;
        }
        int64_t x = rect->left;
        if ((format & DT_CENTER) != 0) x += (int64_t{rect->right} - rect->left - width) / 2;
        DrawIntoBackBuffer(x, rect->top, bytes, length, color);
        return height;
    }

private:
    ~Font() override { device_->Release(); }

    // Draws straight into the software device's back buffer; any other
    // device's back buffer is locked for the one line.
    void DrawIntoBackBuffer(int64_t x, int64_t y, const unsigned char* text, size_t length, D3DCOLOR color) {
        PixelTarget direct;
        if (platform::GetBackBufferPixels(device_, &direct.pixels, &direct.pitchPixels, &direct.width,
                                          &direct.height)) {
            face_->Draw(direct, x, y, text, length, color);
            return;
        }
        IDirect3DSurface9* surface = nullptr;
        if (FAILED(device_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &surface)) || surface == nullptr) return;
        D3DSURFACE_DESC desc{};
        D3DLOCKED_RECT locked{};
        if (SUCCEEDED(surface->GetDesc(&desc)) && (desc.Format == D3DFMT_A8R8G8B8 || desc.Format == D3DFMT_X8R8G8B8) &&
            SUCCEEDED(surface->LockRect(&locked, nullptr, 0))) {
            if (locked.pBits != nullptr && locked.Pitch > 0 && locked.Pitch % 4 == 0) {
                PixelTarget target;
                target.pixels = static_cast<uint32_t*>(locked.pBits);
                target.pitchPixels = locked.Pitch / 4;
                target.width = static_cast<int>(desc.Width);
                target.height = static_cast<int>(desc.Height);
                face_->Draw(target, x, y, text, length, color);
            }
            surface->UnlockRect();
        }
        surface->Release();
    }

    IDirect3DDevice9* device_;
    std::unique_ptr<FontFace> face_;
};

}  // namespace

HRESULT D3DXCreateFontIndirect(IDirect3DDevice9* device, const LOGFONTA* desc, ID3DXFont** font) {
    if (font == nullptr) return D3DERR_INVALIDCALL;
    *font = nullptr;
    if (device == nullptr || desc == nullptr) return D3DERR_INVALIDCALL;
    if (desc->lfHeight > FontFace::kMaxHeight || desc->lfHeight < -FontFace::kMaxHeight) return D3DERR_INVALIDCALL;
    // The face name need not be terminated within its field.
    char faceName[LF_FACESIZE + 1] = {};
    std::memcpy(faceName, desc->lfFaceName, LF_FACESIZE);
    // Weights from 600 (semibold) up ask for the bold face, as GDI does.
    const bool bold = desc->lfWeight >= 600;
    std::unique_ptr<FontFace> face = FontFace::Create(faceName, desc->lfHeight, bold, desc->lfItalic != 0);
    if (!face) return E_FAIL;
    Font* created = new (std::nothrow) Font(device, std::move(face));
    if (created == nullptr) return E_OUTOFMEMORY;
    *font = created;
    return S_OK;
}
