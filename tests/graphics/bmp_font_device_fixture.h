// The software device of the platform layer on the headless backend, as the
// game creates it, for tests of texts and screenshots on the real device.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "device_fixture.h"
#include "graphics/d3dx9.h"

class SoftwareDeviceTest : public ::testing::Test, protected testdevice::HeadlessDevice {
protected:
    void SetUp() override {
        ASSERT_EQ(Open(), "");
        LOGFONT desc;
        std::memset(&desc, 0, sizeof desc);
        std::strcpy(desc.lfFaceName, "Arial");
        ASSERT_EQ(D3DXCreateFontIndirect(device, &desc, &font), S_OK);
    }

    void TearDown() override {
        if (font != nullptr) font->Release();
        font = nullptr;
        Close();
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

    ID3DXFont* font = nullptr;
};
