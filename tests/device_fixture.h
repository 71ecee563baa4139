// The game's window and its software device on the headless backend, made
// as the game makes them: the tests of the device, of text, sprites and
// screenshots on it, and the text fuzz target start from here. Free of
// gtest; a fixture checks that Open() returned no error.
#pragma once

#include <memory>
#include <string>

#include "plain_window.h"
#include "platform/api/d3d9.h"
#include "platform/api/win32.h"
#include "platform/headless/headless_backend.h"

namespace testdevice {

// The game's device: a lockable 1024x768 A8R8G8B8 back buffer, full screen.
inline D3DPRESENT_PARAMETERS GameParameters(HWND window) {
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = 1024;
    params.BackBufferHeight = 768;
    params.BackBufferFormat = D3DFMT_A8R8G8B8;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.hDeviceWindow = window;
    params.Windowed = FALSE;
    params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
    return params;
}

struct HeadlessDevice {
    std::shared_ptr<platform::HeadlessBackend> backend;
    HWND window = nullptr;
    IDirect3D9* direct3D = nullptr;
    IDirect3DDevice9* device = nullptr;

    HeadlessDevice() = default;
    HeadlessDevice(const HeadlessDevice&) = delete;
    HeadlessDevice& operator=(const HeadlessDevice&) = delete;
    ~HeadlessDevice() { Close(); }

    // Installs a fresh headless backend, opens the window and makes the
    // Direct3D object, but no device yet. Returns what failed, or "".
    std::string OpenWindow(DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
        backend = platform::InstallHeadlessBackend();
        // A class is registered once per process; a later test finds it there.
        testwindow::RegisterPlainClass();
        window = testwindow::CreatePlainWindow("Vantora3", style);
        if (window == nullptr) return "CreateWindowExA failed";
        direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        if (direct3D == nullptr) return "Direct3DCreate9 failed";
        return "";
    }

    // The device on the window with the game's parameters.
    std::string CreateDevice() {
        D3DPRESENT_PARAMETERS params = GameParameters(window);
        if (direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                   &params, &device) != D3D_OK) {
            return "CreateDevice failed";
        }
        if (device == nullptr) return "CreateDevice gave no device";
        return "";
    }

    // Window, Direct3D object and device. Returns what failed, or "".
    std::string Open() {
        std::string failed = OpenWindow();
        return failed.empty() ? CreateDevice() : failed;
    }

    // Releases what is still held, the device first; a window the test
    // destroyed itself is left alone (DestroyWindow refuses a dead one).
    void Close() {
        if (device != nullptr) device->Release();
        device = nullptr;
        if (direct3D != nullptr) direct3D->Release();
        direct3D = nullptr;
        if (window != nullptr) DestroyWindow(window);
        window = nullptr;
    }
};

}  // namespace testdevice
