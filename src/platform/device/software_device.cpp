#include "platform/device/software_device.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace platform {

namespace {
constexpr size_t kPixelCount = static_cast<size_t>(SoftwareDevice::kWidth) * SoftwareDevice::kHeight;
}  // namespace

SoftwareDevice::SoftwareDevice(std::shared_ptr<Backend> backend, std::unique_ptr<Presenter> presenter)
    : backend_(std::move(backend)),
      presenter_(std::move(presenter)),
      backBuffer_(new SoftwareSurface(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT)),
      // Nothing presented yet: the screen is black.
      frontBuffer_(kPixelCount, 0xFF000000u) {}

SoftwareDevice::~SoftwareDevice() {
    // Someone may still hold the back buffer; it keeps its own pixels.
    backBuffer_->Release();
    presenter_.reset();
}

HRESULT SoftwareDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float /*z*/,
                              DWORD /*stencil*/) {
    // There is no depth or stencil buffer to clear.
    if ((flags & ~D3DCLEAR_TARGET) != 0) return D3DERR_INVALIDCALL;
    if (count > 0 && rects == nullptr) return D3DERR_INVALIDCALL;
    if ((flags & D3DCLEAR_TARGET) == 0) return D3D_OK;
    if (count == 0) {
        // The fill waits until the pixels are used: the scene's first draw
        // usually covers the whole screen (the background), and then it is
        // dropped. Every other use sees the filled pixels.
        backBuffer_->FillLater(color);
        return D3D_OK;
    }
    uint32_t* pixels = backBuffer_->Pixels();
    const int width = backBuffer_->Width();
    const int height = backBuffer_->Height();
    for (DWORD i = 0; i < count; ++i) {
        // Rectangles are clipped to the buffer; x2 and y2 are exclusive.
        const int x1 = std::clamp<int>(rects[i].x1, 0, width);
        const int y1 = std::clamp<int>(rects[i].y1, 0, height);
        const int x2 = std::clamp<int>(rects[i].x2, 0, width);
        const int y2 = std::clamp<int>(rects[i].y2, 0, height);
        for (int y = y1; y < y2; ++y) {
            std::fill(pixels + static_cast<size_t>(y) * width + x1, pixels + static_cast<size_t>(y) * width + x2,
                      color);
        }
    }
    return D3D_OK;
}

HRESULT SoftwareDevice::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

HRESULT SoftwareDevice::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

HRESULT SoftwareDevice::Present(const RECT* src, const RECT* dst, HWND /*overrideWindow*/, const RGNDATA* dirty) {
    // A discarding swap chain presents the whole buffer only.
    if (src != nullptr || dst != nullptr || dirty != nullptr) return D3DERR_INVALIDCALL;
    if (inScene_) return D3DERR_INVALIDCALL;
    if (backBuffer_->IsLocked()) {
        // Whoever holds the lock keeps writing through its address: the
        // storage must stay where it is, so this present copies.
        std::memcpy(frontBuffer_.data(), backBuffer_->Pixels(), kPixelCount * sizeof(uint32_t));
    } else {
        // A discarding swap chain leaves the back buffer's contents undefined
        // after a present, so the two buffers simply trade storage; the
        // game clears each frame before drawing. Nothing keeps a pixel
        // address across frames: the drawers fetch it for every draw.
        backBuffer_->ExchangePixels(&frontBuffer_);
    }
    if (presenter_) presenter_->Present(frontBuffer_.data(), kWidth, kHeight, kWidth);
    return D3D_OK;
}

HRESULT SoftwareDevice::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                      IDirect3DSurface9** surface) {
    if (surface == nullptr) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    if (swapChain != 0 || index != 0 || type != D3DBACKBUFFER_TYPE_MONO) return D3DERR_INVALIDCALL;
    backBuffer_->AddRef();
    *surface = backBuffer_;
    return D3D_OK;
}

HRESULT SoftwareDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                    IDirect3DSurface9** surface, HANDLE* shared) {
    if (surface == nullptr) return D3DERR_INVALIDCALL;
    *surface = nullptr;
    // The limit keeps width * height * 4 well inside memory a game would ask for.
    constexpr UINT kMaxSide = 16384;
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return D3DERR_INVALIDCALL;
    if (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
    if (pool == D3DPOOL_MANAGED) return D3DERR_INVALIDCALL;
    if (shared != nullptr) return D3DERR_INVALIDCALL;
    *surface = new SoftwareSurface(width, height, format, pool);
    return D3D_OK;
}

HRESULT SoftwareDevice::GetFrontBufferData(UINT swapChain, IDirect3DSurface9* dest) {
    if (swapChain != 0 || dest == nullptr) return D3DERR_INVALIDCALL;
    auto* target = dynamic_cast<SoftwareSurface*>(dest);
    if (target == nullptr || target->IsLocked()) return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC desc{};
    target->GetDesc(&desc);
    if (desc.Width != kWidth || desc.Height != kHeight || desc.Format != D3DFMT_A8R8G8B8) {
        return D3DERR_INVALIDCALL;
    }
    std::memcpy(target->Pixels(), frontBuffer_.data(), kPixelCount * sizeof(uint32_t));
    return D3D_OK;
}

}  // namespace platform
