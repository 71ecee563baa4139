// ID3DXSprite::Draw through a real software device and its back buffer.
#include <gtest/gtest.h>

#include <vector>

#include "device_fixture.h"
#include "graphics/d3dx9.h"
#include "graphics/texture.h"
#include "platform/api/d3d9.h"
#include "platform/device/surface_access.h"

namespace {

class SpriteDrawerDevice : public ::testing::Test, protected testdevice::HeadlessDevice {
protected:
    void SetUp() override {
        ASSERT_EQ(Open(), "");
        ASSERT_EQ(D3DXCreateSprite(device, &sprite), D3D_OK);
        ASSERT_NE(sprite, nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 0.0f, 0);
    }

    void TearDown() override {
        if (sprite != nullptr) sprite->Release();
        sprite = nullptr;
        Close();
    }

    uint32_t Pixel(int x, int y) const {
        uint32_t* pixels = nullptr;
        int pitch = 0, w = 0, h = 0;
        EXPECT_TRUE(platform::GetBackBufferPixels(device, &pixels, &pitch, &w, &h));
        return pixels[y * pitch + x];
    }

    static IDirect3DTexture9* MakeTexture(UINT w, UINT h, uint32_t texel) {
        const std::vector<uint32_t> texels(static_cast<size_t>(w) * h, texel);
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(CreateTextureFromPixels(w, h, texels.data(), &texture), D3D_OK);
        return texture;
    }

    ID3DXSprite* sprite = nullptr;
};

TEST_F(SpriteDrawerDevice, CreatedSpriteHoldsOneReference) {
    EXPECT_EQ(sprite->AddRef(), 2u);
    EXPECT_EQ(sprite->Release(), 1u);
    EXPECT_TRUE(FAILED(D3DXCreateSprite(device, nullptr)));
}

TEST_F(SpriteDrawerDevice, DrawsIntoTheBackBufferAndThePresentedFrame) {
    IDirect3DTexture9* texture = MakeTexture(4, 3, 0x80FFFFFF);
    const D3DXVECTOR2 scale{1.0f, 1.0f}, centre{0.0f, 0.0f}, position{10.0f, 20.0f};
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(sprite->Draw(texture, nullptr, &scale, &centre, 0.0f, &position, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(Pixel(10, 20), 0xFF808080u);
    EXPECT_EQ(Pixel(13, 22), 0xFF808080u);
    EXPECT_EQ(Pixel(9, 20), 0xFF000000u);
    EXPECT_EQ(Pixel(14, 20), 0xFF000000u);
    EXPECT_EQ(Pixel(10, 23), 0xFF000000u);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(backend->LastFrame().size(), 1024u * 768u);
    EXPECT_EQ(backend->LastFrame()[20 * 1024 + 10], 0xFF808080u);
    texture->Release();
}

TEST_F(SpriteDrawerDevice, ScreenSizedBackgroundIsAModulatedCopyAndSpritesClipAtTheEdges) {
    IDirect3DTexture9* background = MakeTexture(1024, 768, 0xFFFFFFFF);
    EXPECT_EQ(sprite->Draw(background, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFAAAAAA), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFFAAAAAAu);
    EXPECT_EQ(Pixel(1023, 767), 0xFFAAAAAAu);
    // A half-scale opaque sprite hanging over the bottom-right corner.
    IDirect3DTexture9* item = MakeTexture(64, 64, 0xFF000000);
    const D3DXVECTOR2 half{0.5f, 0.5f}, corner{1000.0f, 750.0f};
    EXPECT_EQ(sprite->Draw(item, nullptr, &half, nullptr, 0.0f, &corner, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(Pixel(999, 749), 0xFFAAAAAAu);
    EXPECT_EQ(Pixel(1000, 750), 0xFF000000u);
    EXPECT_EQ(Pixel(1023, 767), 0xFF000000u);
    background->Release();
    item->Release();
}

TEST_F(SpriteDrawerDevice, OpaqueCopiesFollowColourChangesAndNewTexels) {
    // The same opaque texture drawn with one colour, another, and again after
    // its texels were rewritten through LockRect.
    IDirect3DTexture9* texture = MakeTexture(16, 4, 0xFF808080);
    EXPECT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFAAAAAA), D3D_OK);
    EXPECT_EQ(Pixel(3, 1), 0xFF555555u);  // 128 * 170 / 255 = 85.3
    EXPECT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFF00FF80), D3D_OK);
    EXPECT_EQ(Pixel(3, 1), 0xFF008040u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(locked.pBits)[1 * 16 + 3] = 0xFFFFFFFF;
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFF00FF80), D3D_OK);
    EXPECT_EQ(Pixel(3, 1), 0xFF00FF80u);
    EXPECT_EQ(Pixel(4, 1), 0xFF008040u);
    // A texel made translucent ends the copy: it is blended over what is there.
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(locked.pBits)[0] = 0x00FFFFFF;
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 0.0f, 0);
    EXPECT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFAAAAAA), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFF102030u);
    EXPECT_EQ(Pixel(5, 2), 0xFF555555u);
    texture->Release();
}

TEST_F(SpriteDrawerDevice, UnusableArgumentsFailAndDrawNothing) {
    IDirect3DTexture9* texture = MakeTexture(8, 8, 0xFFFFFFFF);
    const D3DXVECTOR2 position{0.0f, 0.0f};
    EXPECT_TRUE(FAILED(sprite->Draw(nullptr, nullptr, nullptr, nullptr, 0.0f, &position, 0xFFFFFFFF)));
    const RECT part{0, 0, 4, 4};
    EXPECT_TRUE(FAILED(sprite->Draw(texture, &part, nullptr, nullptr, 0.0f, &position, 0xFFFFFFFF)));
    ID3DXSprite* deviceless = nullptr;
    ASSERT_EQ(D3DXCreateSprite(nullptr, &deviceless), D3D_OK);
    EXPECT_TRUE(FAILED(deviceless->Draw(texture, nullptr, nullptr, nullptr, 0.0f, &position, 0xFFFFFFFF)));
    EXPECT_EQ(deviceless->Release(), 0u);
    EXPECT_EQ(Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(Pixel(7, 7), 0xFF000000u);
    texture->Release();
}

TEST_F(SpriteDrawerDevice, SpriteKeepsItsDeviceUsableUntilReleased) {
    // The game releases its sprites before the device; a sprite that
    // outlives the caller's reference must still draw safely.
    device->AddRef();
    EXPECT_EQ(device->Release(), 2u);  // the caller's and the sprite's
    IDirect3DTexture9* texture = MakeTexture(2, 2, 0xFFFFFFFF);
    device->Release();
    IDirect3DDevice9* kept = device;
    device = nullptr;
    EXPECT_EQ(sprite->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF), D3D_OK);
    uint32_t* pixels = nullptr;
    int pitch = 0, w = 0, h = 0;
    ASSERT_TRUE(platform::GetBackBufferPixels(kept, &pixels, &pitch, &w, &h));
    EXPECT_EQ(pixels[0], 0xFFFFFFFFu);
    texture->Release();
}

}  // namespace
