#include "platform/device/software_direct3d.h"

#include <memory>
#include <utility>

#include "platform/api/win32_internal.h"
#include "platform/device/software_device.h"

namespace platform {

HRESULT SoftwareDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD /*behaviour*/,
                                       D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) {
    if (device == nullptr) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (params == nullptr || adapter != D3DADAPTER_DEFAULT) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL && type != D3DDEVTYPE_REF) return D3DERR_INVALIDCALL;
    // The one mode this device renders: 1024x768 with 32-bit ARGB, one back buffer.
    if (params->BackBufferWidth != SoftwareDevice::kWidth || params->BackBufferHeight != SoftwareDevice::kHeight ||
        params->BackBufferFormat != D3DFMT_A8R8G8B8 || params->BackBufferCount > 1 ||
        params->MultiSampleType != D3DMULTISAMPLE_NONE) {
        return D3DERR_INVALIDCALL;
    }
    // Direct3D presents into the device window, or the focus window without one.
    HWND window = params->hDeviceWindow != nullptr ? params->hDeviceWindow : focusWindow;
    if (!IsWindowAlive(window)) return D3DERR_INVALIDCALL;
    std::shared_ptr<Backend> backend = WindowBackend(window);
    if (!backend) return D3DERR_INVALIDCALL;
    std::unique_ptr<Presenter> presenter =
        backend->CreatePresenter(params->Windowed != FALSE, SoftwareDevice::kWidth, SoftwareDevice::kHeight);
    if (!presenter) return D3DERR_NOTAVAILABLE;
    *device = new SoftwareDevice(std::move(backend), std::move(presenter));
    return D3D_OK;
}

}  // namespace platform
