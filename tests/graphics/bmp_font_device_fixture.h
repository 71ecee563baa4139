// The software device of the platform layer on the headless backend, as the
// game creates it, for tests of texts and screenshots on the real device.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "graphics/d3dx9.h"
#include "platform/api/d3d9.h"
#include "platform/headless/headless_backend.h"
#include "platform/api/win32.h"

class SoftwareDeviceTest : public ::testing::Test {
protected:
    static LRESULT PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void SetUp() override {
        backend = platform::InstallHeadlessBackend();
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = PlainProc;
        wc.lpszClassName = "WindowClass";
        RegisterClassExA(&wc);
        window = CreateWindowExA(0, "WindowClass", "Vantora3", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 1024, 768, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        direct3D = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(direct3D, nullptr);
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 1024;
        params.BackBufferHeight = 768;
        params.BackBufferFormat = D3DFMT_A8R8G8B8;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.hDeviceWindow = window;
        params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        ASSERT_EQ(direct3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                         D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device),
                  D3D_OK);
        LOGFONT desc;
        std::memset(&desc, 0, sizeof desc);
        std::strcpy(desc.lfFaceName, "Arial");
        ASSERT_EQ(D3DXCreateFontIndirect(device, &desc, &font), S_OK);
    }

    void TearDown() override {
        if (font != nullptr) font->Release();
        if (device != nullptr) device->Release();
        if (direct3D != nullptr) direct3D->Release();
        if (window != nullptr) DestroyWindow(window);
    }

    // A text as the game draws it: measured, then centred in the measured rect.
    void DrawText(int x, int y, const char* text, D3DCOLOR colour) {
        RECT rect{x, y, 0, 0};
        font->DrawTextA(text, -1, &rect, DT_CALCRECT, colour);
        font->DrawTextA(text, -1, &rect, DT_CENTER, colour);
    }

    // One whole frame: clear, the texts, present.
    void Frame(D3DCOLOR clear, const char* text, int x, int y) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 0.0f, 0);
        device->BeginScene();
        DrawText(x, y, text, 0xFFFFFFFFu);
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }

    std::shared_ptr<platform::HeadlessBackend> backend;
    HWND window = nullptr;
    IDirect3D9* direct3D = nullptr;
    IDirect3DDevice9* device = nullptr;
    ID3DXFont* font = nullptr;
};
