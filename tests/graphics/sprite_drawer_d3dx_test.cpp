// ID3DXSprite::Draw through a real software device and its back buffer.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/d3dx9.h"
#include "graphics/texture.h"
#include "platform/api/d3d9.h"
#include "platform/headless/headless_backend.h"
#include "platform/device/surface_access.h"
#include "platform/api/win32.h"

namespace {

LRESULT PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

class SpriteDrawerDevice : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = platform::InstallHeadlessBackend();
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = PlainProc;
        wc.lpszClassName = "SpriteTestClass";
        RegisterClassExA(&wc);
        window_ = CreateWindowExA(0, "SpriteTestClass", "Vantora3", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1024,
                                  768, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        direct3D_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(direct3D_, nullptr);
        D3DPRESENT_PARAMETERS params{};
        params.BackBufferWidth = 1024;
        params.BackBufferHeight = 768;
        params.BackBufferFormat = D3DFMT_A8R8G8B8;
        params.SwapEffect = D3DSWAPEFFECT_DISCARD;
        params.hDeviceWindow = window_;
        params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
        ASSERT_EQ(direct3D_->CreateDevice(0, D3DDEVTYPE_HAL, window_, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params,
                                          &device_),
                  D3D_OK);
        ASSERT_EQ(D3DXCreateSprite(device_, &sprite_), D3D_OK);
        ASSERT_NE(sprite_, nullptr);
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 0.0f, 0);
    }

    void TearDown() override {
        if (sprite_ != nullptr) sprite_->Release();
        if (device_ != nullptr) device_->Release();
        if (direct3D_ != nullptr) direct3D_->Release();
        if (window_ != nullptr) DestroyWindow(window_);
    }

    uint32_t Pixel(int x, int y) const {
        uint32_t* pixels = nullptr;
        int pitch = 0, w = 0, h = 0;
        EXPECT_TRUE(platform::GetBackBufferPixels(device_, &pixels, &pitch, &w, &h));
        return pixels[y * pitch + x];
    }

    static IDirect3DTexture9* MakeTexture(UINT w, UINT h, uint32_t texel) {
        const std::vector<uint32_t> texels(static_cast<size_t>(w) * h, texel);
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(CreateTextureFromPixels(w, h, texels.data(), &texture), D3D_OK);
        return texture;
    }

    std::shared_ptr<platform::HeadlessBackend> backend_;
    HWND window_ = nullptr;
    IDirect3D9* direct3D_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    ID3DXSprite* sprite_ = nullptr;
};

TEST_F(SpriteDrawerDevice, CreatedSpriteHoldsOneReference) {
    EXPECT_EQ(sprite_->AddRef(), 2u);
    EXPECT_EQ(sprite_->Release(), 1u);
    EXPECT_TRUE(FAILED(D3DXCreateSprite(device_, nullptr)));
}

TEST_F(SpriteDrawerDevice, DrawsIntoTheBackBufferAndThePresentedFrame) {
    IDirect3DTexture9* texture = MakeTexture(4, 3, 0x80FFFFFF);
    const D3DXVECTOR2 scale{1.0f, 1.0f}, centre{0.0f, 0.0f}, position{10.0f, 20.0f};
    ASSERT_EQ(device_->BeginScene(), D3D_OK);
    EXPECT_EQ(sprite_->Draw(texture, nullptr, &scale, &centre, 0.0f, &position, 0xFFFFFFFF), D3D_OK);
    EXPECT_EQ(Pixel(10, 20), 0xFF808080u);
    EXPECT_EQ(Pixel(13, 22), 0xFF808080u);
    EXPECT_EQ(Pixel(9, 20), 0xFF000000u);
    EXPECT_EQ(Pixel(14, 20), 0xFF000000u);
    EXPECT_EQ(Pixel(10, 23), 0xFF000000u);
    ASSERT_EQ(device_->EndScene(), D3D_OK);
    ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    ASSERT_EQ(backend_->LastFrame().size(), 1024u * 768u);
    EXPECT_EQ(backend_->LastFrame()[20 * 1024 + 10], 0xFF808080u);
    texture->Release();
}

TEST_F(SpriteDrawerDevice, ScreenSizedBackgroundIsAModulatedCopyAndSpritesClipAtTheEdges) {
    IDirect3DTexture9* background = MakeTexture(1024, 768, 0xFFFFFFFF);
    EXPECT_EQ(sprite_->Draw(background, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFAAAAAA), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFFAAAAAAu);
    EXPECT_EQ(Pixel(1023, 767), 0xFFAAAAAAu);
    // A half-scale opaque sprite hanging over the bottom-right corner.
    IDirect3DTexture9* item = MakeTexture(64, 64, 0xFF000000);
    const D3DXVECTOR2 half{0.5f, 0.5f}, corner{1000.0f, 750.0f};
    EXPECT_EQ(sprite_->Draw(item, nullptr, &half, nullptr, 0.0f, &corner, 0xFFFFFFFF), D3D_OK);
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
    EXPECT_EQ(sprite_->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFAAAAAA), D3D_OK);
    EXPECT_EQ(Pixel(3, 1), 0xFF555555u);  // 128 * 170 / 255 = 85.3
    EXPECT_EQ(sprite_->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFF00FF80), D3D_OK);
    EXPECT_EQ(Pixel(3, 1), 0xFF008040u);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(locked.pBits)[1 * 16 + 3] = 0xFFFFFFFF;
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(sprite_->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFF00FF80), D3D_OK);
    EXPECT_EQ(Pixel(3, 1), 0xFF00FF80u);
    EXPECT_EQ(Pixel(4, 1), 0xFF008040u);
    // A texel made translucent ends the copy: it is blended over what is there.
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(locked.pBits)[0] = 0x00FFFFFF;
    ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 0.0f, 0);
    EXPECT_EQ(sprite_->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFAAAAAA), D3D_OK);
    EXPECT_EQ(Pixel(0, 0), 0xFF102030u);
    EXPECT_EQ(Pixel(5, 2), 0xFF555555u);
    texture->Release();
}

TEST_F(SpriteDrawerDevice, UnusableArgumentsFailAndDrawNothing) {
    IDirect3DTexture9* texture = MakeTexture(8, 8, 0xFFFFFFFF);
    const D3DXVECTOR2 position{0.0f, 0.0f};
    EXPECT_TRUE(FAILED(sprite_->Draw(nullptr, nullptr, nullptr, nullptr, 0.0f, &position, 0xFFFFFFFF)));
    const RECT part{0, 0, 4, 4};
    EXPECT_TRUE(FAILED(sprite_->Draw(texture, &part, nullptr, nullptr, 0.0f, &position, 0xFFFFFFFF)));
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
    device_->AddRef();
    EXPECT_EQ(device_->Release(), 2u);  // the caller's and the sprite's
    IDirect3DTexture9* texture = MakeTexture(2, 2, 0xFFFFFFFF);
    device_->Release();
    IDirect3DDevice9* kept = device_;
    device_ = nullptr;
    EXPECT_EQ(sprite_->Draw(texture, nullptr, nullptr, nullptr, 0.0f, nullptr, 0xFFFFFFFF), D3D_OK);
    uint32_t* pixels = nullptr;
    int pitch = 0, w = 0, h = 0;
    ASSERT_TRUE(platform::GetBackBufferPixels(kept, &pixels, &pitch, &w, &h));
    EXPECT_EQ(pixels[0], 0xFFFFFFFFu);
    texture->Release();
}

}  // namespace
