#include "graphics/graphics.h"

#include <cstring>

#include "base/log.h"

Graphics::~Graphics() { Release(); }

bool Graphics::Init(HWND window, bool windowed) {
    direct3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (direct3D == nullptr) {
        Log("Init Direct3D: FALSE");
        return false;
    }

    D3DPRESENT_PARAMETERS params;
    std::memset(&params, 0, sizeof(params));
    params.BackBufferWidth = 1024;
    params.BackBufferHeight = 768;
    params.BackBufferFormat = D3DFMT_A8R8G8B8;
    params.BackBufferCount = 0;
    params.MultiSampleType = D3DMULTISAMPLE_NONE;
    params.MultiSampleQuality = 0;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.hDeviceWindow = window;
    params.Windowed = windowed ? TRUE : FALSE;
    params.EnableAutoDepthStencil = FALSE;
    params.AutoDepthStencilFormat = D3DFMT_UNKNOWN;
    // The health bar writes straight into the back buffer.
    params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    params.FullScreen_RefreshRateInHz = 0;
    params.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;

    HRESULT hr = direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                        &params, &device);
    if (FAILED(hr) || device == nullptr) {
        // direct3D stays set; Release drops it at exit.
        device = nullptr;
        Log("Init Direct3D: FALSE");
        return false;
    }
    device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
    Log("Init Direct3D: TRUE");
    return true;
}

void Graphics::SetClearColor(D3DCOLOR color) { clearColor = color; }

IDirect3DDevice9* Graphics::GetDevice() const { return device; }

IDirect3DSurface9* Graphics::GetBackBuffer() const { return backBuffer; }

void Graphics::BeginScene() {
    if (device == nullptr) return;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, clearColor, 0.0f, 0);
    device->BeginScene();
}

void Graphics::EndScene() {
    if (device == nullptr) return;
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

HRESULT Graphics::CreateFont(const char* faceName) {
    if (device == nullptr) return D3DERR_INVALIDCALL;
    LOGFONTA desc;
    std::memset(&desc, 0, sizeof(desc));
    if (faceName != nullptr) {
        // Bounded copy: the face name field holds 31 characters and the terminator.
        std::strncpy(desc.lfFaceName, faceName, LF_FACESIZE - 1);
        desc.lfFaceName[LF_FACESIZE - 1] = '\0';
    }
    if (font != nullptr) {
        font->Release();
        font = nullptr;
    }
    return D3DXCreateFontIndirect(device, &desc, &font);
}

void Graphics::DrawText(int x, int y, const char* text, D3DCOLOR color) {
    // Without a font (its creation failed) texts are simply not drawn.
    if (font == nullptr || text == nullptr) return;
    RECT rect = {x, y, 0, 0};
    // Measure first, then draw centred in a rectangle exactly as wide as the
    // text, which puts its top-left corner at (x, y).
    font->DrawTextA(text, -1, &rect, DT_CALCRECT, color);
    font->DrawTextA(text, -1, &rect, DT_CENTER, color);
}

void Graphics::SaveScreenshot(const char* path) {
    if (device == nullptr || path == nullptr) return;
    IDirect3DSurface9* surface = nullptr;
    HRESULT hr = device->CreateOffscreenPlainSurface(1024, 768, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface, nullptr);
    if (FAILED(hr) || surface == nullptr) return;
    // The copy is of the front buffer: the frame last presented, not the
    // scene being drawn.
    device->GetFrontBufferData(0, surface);
    D3DXSaveSurfaceToFileA(path, D3DXIFF_BMP, surface, nullptr, nullptr);
    surface->Release();
}

void Graphics::Release() {
    if (font != nullptr) {
        font->Release();
        font = nullptr;
    }
    if (backBuffer != nullptr) {
        backBuffer->Release();
        backBuffer = nullptr;
    }
    if (device != nullptr) {
        device->Release();
        device = nullptr;
    }
    if (direct3D != nullptr) {
        direct3D->Release();
        direct3D = nullptr;
    }
}
