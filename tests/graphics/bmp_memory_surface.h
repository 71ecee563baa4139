// Small in-memory stand-ins for a Direct3D surface and device, so the text
// and screenshot services can be tested against exact pixels, with guard
// space around the visible area and with failures on demand.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/api/d3d9.h"

// A surface whose rows are pitchPixels apart; the pixels between width and
// the pitch, and the guard rows below the height, are never part of the
// surface and must keep their fill.
class MemorySurface final : public IDirect3DSurface9 {
public:
    static constexpr uint32_t kGuard = 0x5A5A5A5Au;

    MemorySurface(int width, int height, int pitchPixels, D3DFORMAT format = D3DFMT_A8R8G8B8, int guardRows = 0)
        : width_(width),
          height_(height),
          pitch_(pitchPixels),
          format_(format),
          pixels_(static_cast<size_t>(pitchPixels) * (height + guardRows), kGuard) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) At(x, y) = 0;
    }

    HRESULT GetDesc(D3DSURFACE_DESC* desc) override {
        *desc = D3DSURFACE_DESC{};
        desc->Format = format_;
        desc->Type = D3DRTYPE_SURFACE;
        desc->Pool = D3DPOOL_SYSTEMMEM;
        desc->Width = static_cast<UINT>(width_);
        desc->Height = static_cast<UINT>(height_);
        return D3D_OK;
    }
    HRESULT LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD) override {
        if (failLock || rect != nullptr || locks > 0) return D3DERR_INVALIDCALL;
        ++locks;
        locked->Pitch = pitch_ * 4;
        locked->pBits = pixels_.data();
        return D3D_OK;
    }
    HRESULT UnlockRect() override {
        if (locks == 0) return D3DERR_INVALIDCALL;
        --locks;
        return D3D_OK;
    }

    uint32_t& At(int x, int y) { return pixels_[static_cast<size_t>(y) * pitch_ + x]; }
    void Fill(uint32_t argb) {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) At(x, y) = argb;
    }
    // True when nothing outside the width x height area was written.
    bool GuardIntact() const {
        for (size_t i = 0; i < pixels_.size(); ++i) {
            const int x = static_cast<int>(i % pitch_);
            const int y = static_cast<int>(i / pitch_);
            const bool inside = x < width_ && y < height_;
            if (!inside && pixels_[i] != kGuard) return false;
        }
        return true;
    }
    int width() const { return width_; }
    int height() const { return height_; }
    int pitch() const { return pitch_; }
    uint32_t* data() { return pixels_.data(); }

    bool failLock = false;
    int locks = 0;

private:
    int width_;
    int height_;
    int pitch_;
    D3DFORMAT format_;
    std::vector<uint32_t> pixels_;
};

// A device that only has a back buffer; every other call fails.
class MemoryDevice final : public IDirect3DDevice9 {
public:
    explicit MemoryDevice(MemorySurface* backBuffer) : backBuffer_(backBuffer) { backBuffer_->AddRef(); }

    HRESULT Clear(DWORD, const D3DRECT*, DWORD, D3DCOLOR color, float, DWORD) override {
        backBuffer_->Fill(color);
        return D3D_OK;
    }
    HRESULT BeginScene() override { return D3D_OK; }
    HRESULT EndScene() override { return D3D_OK; }
    HRESULT Present(const RECT*, const RECT*, HWND, const RGNDATA*) override { return D3D_OK; }
    HRESULT GetBackBuffer(UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9** surface) override {
        backBuffer_->AddRef();
        *surface = backBuffer_;
        return D3D_OK;
    }
    HRESULT CreateOffscreenPlainSurface(UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9** surface, HANDLE*) override {
        *surface = nullptr;
        return D3DERR_INVALIDCALL;
    }
    HRESULT GetFrontBufferData(UINT, IDirect3DSurface9*) override { return D3DERR_INVALIDCALL; }

private:
    ~MemoryDevice() override { backBuffer_->Release(); }
    MemorySurface* backBuffer_;
};
