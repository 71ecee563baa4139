// The software Direct3D 9 device: a 1024x768 A8R8G8B8 back buffer and front
// buffer in memory; Present makes the back buffer the front buffer (a swap
// of their storage, as a discarding swap chain may) and hands it to the
// backend's presenter.
#pragma once

#include <memory>
#include <vector>

#include "platform/api/backend.h"
#include "platform/api/d3d9.h"
#include "platform/device/software_surface.h"

namespace platform {

class SoftwareDevice : public IDirect3DDevice9 {
public:
    static constexpr UINT kWidth = 1024;
    static constexpr UINT kHeight = 768;

    // Takes ownership of the presenter; keeps the backend alive as long as the device.
    SoftwareDevice(std::shared_ptr<Backend> backend, std::unique_ptr<Presenter> presenter);

    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    // Fails with D3DERR_INVALIDCALL inside a scene.
    HRESULT BeginScene() override;
    // Fails with D3DERR_INVALIDCALL outside a scene.
    HRESULT EndScene() override;
    // Whole-buffer presents only (all rectangles null); fails inside a scene.
    HRESULT Present(const RECT* src, const RECT* dst, HWND overrideWindow, const RGNDATA* dirty) override;
    HRESULT GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type, IDirect3DSurface9** surface) override;
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9** surface, HANDLE* shared) override;
    // The destination must be a 1024x768 A8R8G8B8 surface, not locked.
    HRESULT GetFrontBufferData(UINT swapChain, IDirect3DSurface9* dest) override;

    // The back buffer, borrowed (no reference added).
    SoftwareSurface* BackBuffer() const { return backBuffer_; }

private:
    ~SoftwareDevice() override;

    std::shared_ptr<Backend> backend_;
    // Declared after the backend so that it is destroyed first.
    std::unique_ptr<Presenter> presenter_;
    SoftwareSurface* backBuffer_;
    std::vector<uint32_t> frontBuffer_;
    bool inScene_ = false;
};

}  // namespace platform
