// The scene's clear waits for the first use of the back buffer and is
// dropped when the first draw paints every pixel opaquely. Each case below
// starts a scene with Clear, then draws, locks, writes text or presents; the
// back buffer and the presented frame must equal those of the same frame
// after a real clear (the clear colour written through a lock).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "bmp_font_device_fixture.h"
#include "graphics/texture.h"
#include "pixel_hash.h"
#include "platform/device/software_surface.h"
#include "platform/device/surface_access.h"

namespace {

constexpr int kW = 1024;
constexpr int kH = 768;
constexpr D3DCOLOR kClear = 0xFF203040u;

class DeferredClear : public SoftwareDeviceTest {
protected:
    void SetUp() override {
        SoftwareDeviceTest::SetUp();
        ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
        ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
        surface = dynamic_cast<platform::SoftwareSurface*>(backBuffer);
        ASSERT_NE(surface, nullptr);
        std::vector<uint32_t> texels(static_cast<size_t>(kW) * kH);
        for (size_t i = 0; i < texels.size(); ++i)
            texels[i] = 0xFF000000u | (PixelHash(static_cast<uint32_t>(i)) & 0xFFFFFFu);
        background = Texture(kW, kH, texels);
        texels[kW * 100 + 200] = 0x00FFFFFFu;  // one transparent texel
        holed = Texture(kW, kH, texels);
        small = Texture(16, 16, std::vector<uint32_t>(256, 0xC0FF8000u));
    }

    void TearDown() override {
        for (IDirect3DTexture9* t : {background, holed, small})
            if (t != nullptr) t->Release();
        if (backBuffer != nullptr) backBuffer->Release();
        if (sprite != nullptr) sprite->Release();
        SoftwareDeviceTest::TearDown();
    }

    static IDirect3DTexture9* Texture(UINT w, UINT h, const std::vector<uint32_t>& texels) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(CreateTextureFromPixels(w, h, texels.data(), &texture), D3D_OK);
        return texture;
    }

    void Draw(IDirect3DTexture9* texture, float scale, float x, float y, D3DCOLOR colour) {
        const D3DXVECTOR2 scaling{scale, scale}, position{x, y};
        ASSERT_EQ(sprite->Draw(texture, nullptr, &scaling, nullptr, 0.0f, &position, colour), D3D_OK);
    }

    std::vector<uint32_t> LockedCopy() {
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(backBuffer->LockRect(&locked, nullptr, 0), D3D_OK);
        const auto* p = static_cast<const uint32_t*>(locked.pBits);
        std::vector<uint32_t> copy(p, p + static_cast<size_t>(kW) * kH);
        backBuffer->UnlockRect();
        return copy;
    }

    std::vector<uint32_t> FrontCopy() {
        IDirect3DSurface9* shot = nullptr;
        EXPECT_EQ(device->CreateOffscreenPlainSurface(kW, kH, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &shot, nullptr),
                  D3D_OK);
        EXPECT_EQ(device->GetFrontBufferData(0, shot), D3D_OK);
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(shot->LockRect(&locked, nullptr, 0), D3D_OK);
        const auto* p = static_cast<const uint32_t*>(locked.pBits);
        std::vector<uint32_t> copy(p, p + static_cast<size_t>(kW) * kH);
        shot->UnlockRect();
        shot->Release();
        return copy;
    }

    // A frame of noise unlike any clear, so that a skipped clear would show.
    // Twice: a present trades the back and front buffers, so both hold it.
    void PresentNoise() {
        for (int i = 0; i < 2; ++i) {
            Draw(background, 1.0f, 0.0f, 0.0f, 0xFFFFFFFFu);
            Draw(small, 1.0f, 3.0f, 5.0f, 0xFFFFFFFFu);
            ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        }
    }

    struct Result {
        std::vector<uint32_t> frontInScene;  // what a screenshot inside the scene shows
        std::vector<uint32_t> backBuffer;
        std::vector<uint32_t> presented;
        uint64_t fills = 0;
    };

    // Noise presented, then a scene begun with clear (Clear or the reference),
    // then body, then the back buffer read and the frame presented.
    Result RunScene(const std::function<void()>& clear, const std::function<void()>& body) {
        PresentNoise();
        Result r;
        const uint64_t fillsBefore = surface->TEST_FillsDone();
        clear();
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        body();
        r.frontInScene = FrontCopy();
        EXPECT_EQ(device->EndScene(), D3D_OK);
        // Read before the present: a discarding present leaves the back
        // buffer undefined (the device trades it for the front buffer). A
        // fill still pending here is one the present would do as well.
        r.backBuffer = LockedCopy();
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        r.fills = surface->TEST_FillsDone() - fillsBefore;
        r.presented = backend->LastFrame();
        return r;
    }

    // What a real clear leaves: the colour in every pixel, written through a lock.
    void RealClear(D3DCOLOR colour) {
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(backBuffer->LockRect(&locked, nullptr, 0), D3D_OK);
        auto* p = static_cast<uint32_t*>(locked.pBits);
        std::fill(p, p + static_cast<size_t>(kW) * kH, colour);
        backBuffer->UnlockRect();
    }

    ID3DXSprite* sprite = nullptr;
    IDirect3DSurface9* backBuffer = nullptr;
    platform::SoftwareSurface* surface = nullptr;
    IDirect3DTexture9* background = nullptr;
    IDirect3DTexture9* holed = nullptr;
    IDirect3DTexture9* small = nullptr;
};

TEST_F(DeferredClear, EveryFirstUseSeesTheSamePixelsAsAfterARealClear) {
    struct Case {
        const char* name;
        std::function<void()> body;
        bool dropped;  // the first draw covers the screen opaquely: no fill at all
    };
    const D3DRECT box{100, 200, 300, 250};
    const Case cases[] = {
        {"opaque background", [this] { Draw(background, 1.0f, 0.0f, 0.0f, 0xFFAAAAAAu); }, true},
        {"opaque background, unmodulated", [this] { Draw(background, 1.0f, 0.0f, 0.0f, 0xFFFFFFFFu); }, true},
        {"opaque background, then a sprite",
         [this] {
             Draw(background, 1.0f, 0.0f, 0.0f, 0xFFAAAAAAu);
             Draw(small, 1.0f, 500.5f, 300.25f, 0xFFFFFFFFu);
         },
         true},
        {"background with a transparent texel", [this] { Draw(holed, 1.0f, 0.0f, 0.0f, 0xFFAAAAAAu); }, false},
        {"background offset by a pixel", [this] { Draw(background, 1.0f, 1.0f, 0.0f, 0xFFAAAAAAu); }, false},
        // Pixel centres still inside the image: every pixel is covered, filtered.
        {"background offset by half a pixel", [this] { Draw(background, 1.0f, 0.0f, 0.5f, 0xFFAAAAAAu); }, true},
        {"background offset by 0.6 pixel", [this] { Draw(background, 1.0f, 0.6f, 0.0f, 0xFFAAAAAAu); }, false},
        {"background at half scale", [this] { Draw(background, 0.5f, 0.0f, 0.0f, 0xFFAAAAAAu); }, false},
        {"background scaled up", [this] { Draw(background, 1.25f, 0.0f, 0.0f, 0xFFAAAAAAu); }, false},
        {"background modulated translucent", [this] { Draw(background, 1.0f, 0.0f, 0.0f, 0x80AAAAAAu); }, false},
        {"small sprite, then the background",
         [this] {
             Draw(small, 1.0f, 10.0f, 10.0f, 0xFFFFFFFFu);
             Draw(background, 1.0f, 0.0f, 0.0f, 0xFFAAAAAAu);
         },
         false},
        {"text first",
         [this] {
             DrawText(1, 1, "FPS: 60", 0xFFFFFFFFu);
             Draw(background, 1.0f, 0.0f, 0.0f, 0xFFAAAAAAu);
         },
         false},
        {"lock first (health bar)",
         [this] {
             D3DLOCKED_RECT locked{};
             ASSERT_EQ(backBuffer->LockRect(&locked, nullptr, 0), D3D_OK);
             static_cast<uint32_t*>(locked.pBits)[752 * (locked.Pitch / 4) + 100] = 0xFF9C6400u;
             backBuffer->UnlockRect();
         },
         false},
        {"nothing drawn", [] {}, false},
        {"a second clear of rectangles",
         [this, &box] { device->Clear(1, &box, D3DCLEAR_TARGET, 0xFFFF0000u, 0.0f, 0); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result deferred = RunScene([&] { device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 0.0f, 0); }, c.body);
        const Result real = RunScene([&] { RealClear(kClear); }, c.body);
        EXPECT_EQ(deferred.fills, c.dropped ? 0u : 1u);
        // Compared whole (a mismatch names only the case, not 786,432 pixels).
        EXPECT_TRUE(deferred.backBuffer == real.backBuffer);
        EXPECT_TRUE(deferred.presented == real.presented);
        EXPECT_TRUE(deferred.presented == deferred.backBuffer);
        // A screenshot inside the scene shows the frame presented before i
        EXPECT_TRUE(deferred.frontInScene == real.frontInScene);
    }
}

TEST_F(DeferredClear, TwoClearsLeaveTheSecondColourAndPresentingShowsIt) {
    PresentNoise();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF111111u, 0.0f, 0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 0.0f, 0);
    const uint64_t fillsBefore = surface->TEST_FillsDone();
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(surface->TEST_FillsDone() - fillsBefore, 1u);
    EXPECT_TRUE(backend->LastFrame() == std::vector<uint32_t>(static_cast<size_t>(kW) * kH, kClear));
    // The screenshot too (the back buffer is undefined after a discarding present).
    EXPECT_TRUE(FrontCopy() == std::vector<uint32_t>(static_cast<size_t>(kW) * kH, kClear));
}

TEST_F(DeferredClear, TheDirectPixelAccessorsSeeTheClear) {
    // The services' own way to the pixels, asked for the shape only, leaves
    // the clear pending; asked for the pixels, it fills them firs
    PresentNoise();
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kClear, 0.0f, 0);
    uint32_t* pixels = nullptr;
    int pitch = 0, w = 0, h = 0;
    const uint64_t fillsBefore = surface->TEST_FillsDone();
    ASSERT_TRUE(platform::GetBackBufferPixels(device, nullptr, &pitch, &w, &h));
    EXPECT_EQ(surface->TEST_FillsDone(), fillsBefore);
    ASSERT_TRUE(platform::GetSurfacePixels(backBuffer, &pixels, &pitch, &w, &h));
    EXPECT_EQ(surface->TEST_FillsDone(), fillsBefore + 1);
    EXPECT_EQ(pixels[0], kClear);
    EXPECT_EQ(pixels[static_cast<size_t>(h - 1) * pitch + w - 1], kClear);
}

}  // namespace
