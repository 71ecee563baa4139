#include <gtest/gtest.h>

#include <vector>

#include "bmp_font_device_fixture.h"
#include "bmp_memory_surface.h"

namespace {

using FontOnDevice = SoftwareDeviceTest;

TEST_F(FontOnDevice, GameTextAtOneOneIsPresentedWithItsCellAtOneOne) {
    Frame(0xFF000000u, "FPS: 60", 1, 1);
    const std::vector<uint32_t>& frame = backend->LastFrame();
    ASSERT_EQ(frame.size(), 1024u * 768u);
    auto lit = [&](int x, int y) { return frame[static_cast<size_t>(y) * 1024 + x] != 0xFF000000u; };
    bool anyInCorner = false;
    for (int y = 1; y <= 4; ++y)
        for (int x = 1; x <= 3; ++x) anyInCorner |= lit(x, y);
    EXPECT_TRUE(anyInCorner);
    for (int x = 0; x < 1024; ++x) ASSERT_FALSE(lit(x, 0)) << x;
    for (int y = 0; y < 768; ++y) ASSERT_FALSE(lit(0, y)) << y;
}

TEST_F(FontOnDevice, DrawsTheSamePixelsAsThroughALockedSurface) {
    struct Case {
        int x, y;
        const char* text;
        D3DCOLOR colour;
    };
    const Case cases[] = {
        {1, 1, "FPS: 60", 0xFFFFFFFFu},
        {400, 300, "Schwierigkeit: SCHWER", 0xFFFF8000u},
        {980, 740, "Punkte: 123456789", 0xFF00FF00u},
        {-20, -5, "Gew\xE4hlter Level", 0x80FFFFFFu},
    };
    for (const Case& c : cases) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030u, 0.0f, 0);
        DrawText(c.x, c.y, c.text, c.colour);
        device->Present(nullptr, nullptr, nullptr, nullptr);
        const std::vector<uint32_t>& frame = backend->LastFrame();

        auto* surface = new MemorySurface(1024, 768, 1024);
        surface->Fill(0xFF102030u);
        auto* memoryDevice = new MemoryDevice(surface);
        LOGFONT desc{};
        std::strcpy(desc.lfFaceName, "Arial");
        ID3DXFont* lockingFont = nullptr;
        ASSERT_EQ(D3DXCreateFontIndirect(memoryDevice, &desc, &lockingFont), S_OK);
        RECT rect{c.x, c.y, 0, 0};
        lockingFont->DrawTextA(c.text, -1, &rect, DT_CALCRECT, c.colour);
        lockingFont->DrawTextA(c.text, -1, &rect, DT_CENTER, c.colour);
        int differing = 0, lit = 0;
        for (int y = 0; y < 768; ++y)
            for (int x = 0; x < 1024; ++x) {
                differing += frame[static_cast<size_t>(y) * 1024 + x] != surface->At(x, y);
                lit += surface->At(x, y) != 0xFF102030u;
            }
        EXPECT_EQ(differing, 0) << c.text;
        EXPECT_GT(lit, 30) << c.text;
        lockingFont->Release();
        memoryDevice->Release();
        surface->Release();
    }
}

}  // namespace
