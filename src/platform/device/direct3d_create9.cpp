#include "platform/api/d3d9.h"

#include "platform/device/software_direct3d.h"

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    // Like the real runtime, an application built for another SDK gets nothing.
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new platform::SoftwareDirect3D();
}
