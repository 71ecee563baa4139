// The Direct3D object of the software subset: it makes devices for windows.
#pragma once

#include "platform/api/d3d9.h"

namespace platform {

class SoftwareDirect3D : public IDirect3D9 {
public:
    SoftwareDirect3D() = default;

    // Makes the 1024x768 A8R8G8B8 device for a live window, with a presenter
    // from the backend that opened it. On failure *device is null and the
    // result negative: D3DERR_INVALIDCALL for bad arguments,
    // D3DERR_NOTAVAILABLE when the backend cannot present.
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviour,
                         D3DPRESENT_PARAMETERS* params, IDirect3DDevice9** device) override;

private:
    ~SoftwareDirect3D() override = default;
};

}  // namespace platform
