#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "bmp_memory_surface.h"
#include "graphics/d3dx9.h"

namespace {

LOGFONT ArialDescription(LONG height = 0) {
    LOGFONT desc;
    std::memset(&desc, 0, sizeof desc);
    desc.lfHeight = height;
    std::strcpy(desc.lfFaceName, "Arial");
    return desc;
}

// A 1024x768 back buffer with guard space, a device around it and an Arial
// font on the device.
class FontD3dx : public ::testing::Test {
protected:
    void SetUp() override {
        surface = new MemorySurface(1024, 768, 1024 + 16, D3DFMT_A8R8G8B8, 4);
        surface->Fill(0xFF000000u);
        device = new MemoryDevice(surface);
        LOGFONT desc = ArialDescription();
        ASSERT_EQ(D3DXCreateFontIndirect(device, &desc, &font), S_OK);
        ASSERT_NE(font, nullptr);
    }
    void TearDown() override {
        if (font != nullptr) font->Release();
        device->Release();
        EXPECT_EQ(surface->locks, 0) << "every lock was undone";
        EXPECT_TRUE(surface->GuardIntact());
        surface->Release();
    }

    // The two calls a game text makes: measure, then draw centred in the
    // measured rectangle.
    RECT DrawLikeTheGame(int x, int y, const char* text, D3DCOLOR colour = 0xFFFFFFFFu) {
        RECT rect{x, y, 0, 0};
        font->DrawTextA(text, -1, &rect, DT_CALCRECT, colour);
        font->DrawTextA(text, -1, &rect, DT_CENTER, colour);
        return rect;
    }
    bool Lit(int x, int y) { return surface->At(x, y) != 0xFF000000u; }
    int LitCount() {
        int n = 0;
        for (int y = 0; y < surface->height(); ++y)
            for (int x = 0; x < surface->width(); ++x) n += Lit(x, y);
        return n;
    }

    MemorySurface* surface = nullptr;
    MemoryDevice* device = nullptr;
    ID3DXFont* font = nullptr;
};

TEST_F(FontD3dx, CalcRectBoundsTheLineAndDrawsNothing) {
    const char* texts[] = {"", "F", "FP", "FPS", "FPS: 60", "Punkte: 1500"};
    LONG previous = -1;
    for (const char* text : texts) {
        RECT rect{10, 20, 0, 0};
        EXPECT_EQ(font->DrawTextA(text, -1, &rect, DT_CALCRECT, 0xFFFFFFFFu), 16) << text;
        EXPECT_EQ(rect.left, 10);
        EXPECT_EQ(rect.top, 20);
        EXPECT_EQ(rect.bottom, 36) << text;
        EXPECT_GT(rect.right, previous) << text;
        previous = rect.right;
    }
    EXPECT_EQ(LitCount(), 0);
}

TEST_F(FontD3dx, CountLimitsTheTextAndMinusOneMeansZeroTerminated) {
    RECT whole{0, 0, 0, 0};
    RECT three{0, 0, 0, 0};
    RECT prefix{0, 0, 0, 0};
    RECT none{0, 0, 0, 0};
    font->DrawTextA("Punkte", -1, &whole, DT_CALCRECT, 0xFFFFFFFFu);
    font->DrawTextA("Punkte", 3, &three, DT_CALCRECT, 0xFFFFFFFFu);
    font->DrawTextA("Pun", -1, &prefix, DT_CALCRECT, 0xFFFFFFFFu);
    font->DrawTextA("Punkte", 0, &none, DT_CALCRECT, 0xFFFFFFFFu);
    EXPECT_EQ(three.right, prefix.right);
    EXPECT_LT(three.right, whole.right);
    EXPECT_EQ(none.right, 0);
}

TEST_F(FontD3dx, GameTextAtOneOneHasItsTopLeftPixelThere) {
    for (const char* text : {"FPS: 60", "F", "Fehler"}) {
        surface->Fill(0xFF000000u);
        DrawLikeTheGame(1, 1, text);
        bool anyInCorner = false;
        for (int y = 1; y <= 4; ++y)
            for (int x = 1; x <= 3; ++x) anyInCorner |= Lit(x, y);
        EXPECT_TRUE(anyInCorner) << text;
        for (int x = 0; x < 1024; ++x) ASSERT_FALSE(Lit(x, 0)) << text;
        for (int y = 0; y < 768; ++y) ASSERT_FALSE(Lit(0, y)) << text;
    }
}

TEST_F(FontD3dx, CentredTextInTheMeasuredRectStartsAtItsLeft) {
    const char* text = "Schwierigkeit: MITTEL";
    RECT measured = DrawLikeTheGame(300, 200, text);
    int left = 1024, right = -1, top = 768;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x)
            if (Lit(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
            }
    EXPECT_GE(left, 300);
    EXPECT_LE(left, 302);
    EXPECT_LT(right, measured.right);
    EXPECT_GE(top, 200);
    EXPECT_LE(top, 203);
}

TEST_F(FontD3dx, CentringInAWiderRectShiftsByHalfTheSpareWidth) {
    const char* text = "Level";
    RECT measured{100, 50, 0, 0};
    font->DrawTextA(text, -1, &measured, DT_CALCRECT, 0xFFFFFFFFu);
    const LONG width = measured.right - measured.left;

    RECT wide{100, 50, 100 + width + 40, 66};
    font->DrawTextA(text, -1, &wide, DT_CENTER, 0xFFFFFFFFu);
    std::vector<uint32_t> centred;
    for (int y = 50; y < 66; ++y)
        for (int x = 120; x < 120 + width; ++x) centred.push_back(surface->At(x, y));

    surface->Fill(0xFF000000u);
    RECT exact{120, 50, 120 + width, 66};
    font->DrawTextA(text, -1, &exact, DT_CENTER, 0xFFFFFFFFu);
    std::vector<uint32_t> direct;
    for (int y = 50; y < 66; ++y)
        for (int x = 120; x < 120 + width; ++x) direct.push_back(surface->At(x, y));
    EXPECT_EQ(centred, direct);
    EXPECT_NE(std::count(direct.begin(), direct.end(), 0xFF000000u), static_cast<long>(direct.size()));
}

TEST_F(FontD3dx, TextsRunOffEveryEdgeWithoutWritingOutside) {
    const std::string longText = "Punkte: " + std::string(400, '8');
    const POINT places[] = {{900, 10},
                            {-50, 10},
                            {10, -9},
                            {1000, 760},
                            {-2000000000, 5},
                            {5, 2000000000},
                            {INT32_MAX, INT32_MAX},
                            {INT32_MIN, INT32_MIN}};
    for (const POINT& p : places) {
        RECT rect = DrawLikeTheGame(p.x, p.y, longText.c_str());
        EXPECT_GE(rect.right, rect.left) << p.x << "," << p.y;
    }
    EXPECT_TRUE(Lit(1023, 15) || Lit(1022, 15) || Lit(1021, 15) || Lit(1020, 15));
}

TEST_F(FontD3dx, ArbitraryBytesNeverCrash) {
    char all[257];
    for (int i = 0; i < 256; ++i) all[i] = static_cast<char>(i == 0 ? 1 : i);
    all[256] = '\0';
    DrawLikeTheGame(3, 3, all);
    for (int byte = 0; byte < 256; ++byte) {
        const char one = static_cast<char>(byte);
        RECT rect{byte * 3, 400, 0, 0};
        font->DrawTextA(&one, 1, &rect, DT_CALCRECT, 0xFFFFFFFFu);
        font->DrawTextA(&one, 1, &rect, DT_CENTER, 0xFFFFFFFFu);
        // Embedded zero bytes count when the length is given.
        RECT withZero{0, 500, 0, 0};
        const char pair[2] = {'\0', one};
        font->DrawTextA(pair, 2, &withZero, DT_CALCRECT | DT_CENTER, 0xFFFFFFFFu);
    }
    RECT rect{0, 0, 0, 0};
    EXPECT_EQ(font->DrawTextA(nullptr, -1, &rect, DT_CENTER, 0xFFFFFFFFu), 0);
    EXPECT_EQ(font->DrawTextA("x", -1, nullptr, DT_CENTER, 0xFFFFFFFFu), 0);
}

TEST_F(FontD3dx, FailedLockDrawsNothing) {
    surface->failLock = true;
    DrawLikeTheGame(10, 10, "Punkte");
    surface->failLock = false;
    EXPECT_EQ(LitCount(), 0);
}

TEST(FontD3dxCreate, RejectsMissingArgumentsAndOversizedHeights) {
    auto* surface = new MemorySurface(64, 64, 64);
    auto* device = new MemoryDevice(surface);
    LOGFONT desc = ArialDescription();
    ID3DXFont* font = reinterpret_cast<ID3DXFont*>(0x1);
    EXPECT_EQ(D3DXCreateFontIndirect(nullptr, &desc, &font), D3DERR_INVALIDCALL);
    EXPECT_EQ(font, nullptr);
    font = reinterpret_cast<ID3DXFont*>(0x1);
    EXPECT_EQ(D3DXCreateFontIndirect(device, nullptr, &font), D3DERR_INVALIDCALL);
    EXPECT_EQ(font, nullptr);
    EXPECT_EQ(D3DXCreateFontIndirect(device, &desc, nullptr), D3DERR_INVALIDCALL);
    for (LONG height : {100000, -100000, INT32_MIN}) {
        LOGFONT huge = ArialDescription(height);
        EXPECT_TRUE(FAILED(D3DXCreateFontIndirect(device, &huge, &font))) << height;
        EXPECT_EQ(font, nullptr);
    }
    device->Release();
    surface->Release();
}

TEST(FontD3dxCreate, UnterminatedFaceNameIsReadWithinItsField) {
    auto* surface = new MemorySurface(64, 64, 64);
    auto* device = new MemoryDevice(surface);
    LOGFONT desc = ArialDescription();
    std::memset(desc.lfFaceName, 'A', sizeof desc.lfFaceName);
    ID3DXFont* font = nullptr;
    EXPECT_EQ(D3DXCreateFontIndirect(device, &desc, &font), S_OK);  // some fallback face
    ASSERT_NE(font, nullptr);
    font->Release();
    device->Release();
    surface->Release();
}

TEST(FontD3dxCreate, TheFontHoldsOneDeviceReferenceUntilReleased) {
    auto* surface = new MemorySurface(64, 64, 64);
    auto* device = new MemoryDevice(surface);
    LOGFONT desc = ArialDescription();
    ID3DXFont* font = nullptr;
    ASSERT_EQ(D3DXCreateFontIndirect(device, &desc, &font), S_OK);
    EXPECT_EQ(device->AddRef(), 3u);  // ours, the font's, this one
    device->Release();
    EXPECT_EQ(font->Release(), 0u);
    EXPECT_EQ(device->AddRef(), 2u);
    device->Release();
    device->Release();
    surface->Release();
}

TEST(FontD3dxCreate, HeightSetsTheLineHeight) {
    auto* surface = new MemorySurface(64, 64, 64);
    auto* device = new MemoryDevice(surface);
    for (LONG height : {0, 12, 20, 32}) {
        LOGFONT desc = ArialDescription(height);
        ID3DXFont* font = nullptr;
        ASSERT_EQ(D3DXCreateFontIndirect(device, &desc, &font), S_OK);
        RECT rect{0, 5, 0, 0};
        const INT expected = height == 0 ? 16 : height;
        EXPECT_EQ(font->DrawTextA("Hoch", -1, &rect, DT_CALCRECT, 0xFFFFFFFFu), expected);
        EXPECT_EQ(rect.bottom, 5 + expected);
        font->Release();
    }
    device->Release();
    surface->Release();
}

}  // namespace
