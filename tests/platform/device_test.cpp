#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "device_fixture.h"
#include "platform/api/d3d9.h"
#include "platform/api/win32.h"
#include "platform/device/surface_access.h"
#include "platform/headless/headless_backend.h"

namespace {

using testdevice::GameParameters;

class Device : public ::testing::Test, protected testdevice::HeadlessDevice {
protected:
    void SetUp() override { ASSERT_EQ(Open(), ""); }
    void TearDown() override { Close(); }

    // A pixel of a 1024x768 frame.
    static uint32_t At(const std::vector<uint32_t>& frame, int x, int y) { return frame[y * 1024 + x]; }

    // Reads one pixel of a surface through LockRect.
    static uint32_t Read(IDirect3DSurface9* surface, int x, int y) {
        D3DLOCKED_RECT locked{};
        EXPECT_EQ(surface->LockRect(&locked, nullptr, 0), D3D_OK);
        uint32_t value = static_cast<const uint32_t*>(locked.pBits)[y * (locked.Pitch / 4) + x];
        surface->UnlockRect();
        return value;
    }

    void Frame(D3DCOLOR color) {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, color, 0.0f, 0);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    }
};

TEST(Direct3D, OnlyTheSdkVersionOfTheGameGetsAnObject) {
    EXPECT_EQ(Direct3DCreate9(32), nullptr);
    EXPECT_EQ(Direct3DCreate9(0), nullptr);
    IDirect3D9* direct3D = Direct3DCreate9(31);
    ASSERT_NE(direct3D, nullptr);
    EXPECT_EQ(direct3D->Release(), 0u);
}

TEST_F(Device, IsFullScreenAsAsked) { EXPECT_FALSE(backend->PresentedWindowed()); }

TEST_F(Device, ClearFillsTheWholeBackBufferWithTheColour) {
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456u, 0.0f, 0), D3D_OK);
    uint32_t* pixels = nullptr;
    int pitch = 0, width = 0, height = 0;
    ASSERT_TRUE(platform::GetBackBufferPixels(device, &pixels, &pitch, &width, &height));
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 768);
    EXPECT_GE(pitch, 1024);
    for (int y : {0, 383, 767}) {
        for (int x : {0, 511, 1023}) EXPECT_EQ(pixels[y * pitch + x], 0xFF123456u) << x << "," << y;
    }
}

TEST_F(Device, ClearWithRectanglesFillsOnlyThemClipped) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 0.0f, 0);
    const D3DRECT rects[] = {{10, 20, 30, 40}, {1000, 760, 2000, 900}};
    ASSERT_EQ(device->Clear(2, rects, D3DCLEAR_TARGET, 0xFFFF0000u, 0.0f, 0), D3D_OK);
    uint32_t* pixels = nullptr;
    int pitch = 0;
    ASSERT_TRUE(platform::GetBackBufferPixels(device, &pixels, &pitch, nullptr, nullptr));
    EXPECT_EQ(pixels[20 * pitch + 10], 0xFFFF0000u);
    EXPECT_EQ(pixels[39 * pitch + 29], 0xFFFF0000u);
    EXPECT_EQ(pixels[40 * pitch + 29], 0xFF000000u);  // bottom and right edges are exclusive
    EXPECT_EQ(pixels[39 * pitch + 30], 0xFF000000u);
    EXPECT_EQ(pixels[767 * pitch + 1023], 0xFFFF0000u);
    EXPECT_EQ(device->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 0.0f, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET | 0x2, 0, 0.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(Device, SceneCallsMustPair) {
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
    EXPECT_EQ(backend->PresentCount(), 0u);
}

TEST_F(Device, FramesNotKeptAreStillCountedAndHooked) {
    backend->SetKeepFrames(false);
    uint64_t hooked = 0;
    backend->SetFrameHook([&](platform::HeadlessBackend&, uint64_t) { ++hooked; });
    Frame(0xFF00FF00u);
    Frame(0xFF0000FFu);
    EXPECT_EQ(backend->PresentCount(), 2u);
    EXPECT_EQ(hooked, 2u);
    EXPECT_TRUE(backend->LastFrame().empty());
    backend->SetKeepFrames(true);
    Frame(0xFFFF0000u);
    ASSERT_EQ(backend->LastFrame().size(), 1024u * 768u);
    EXPECT_EQ(At(backend->LastFrame(), 512, 384), 0xFFFF0000u);
}

TEST_F(Device, PresentMakesTheBackBufferTheFrontBuffer) {
    Frame(0xFF00FF00u);
    EXPECT_EQ(backend->PresentCount(), 1u);
    ASSERT_EQ(backend->LastFrame().size(), 1024u * 768u);
    EXPECT_EQ(At(backend->LastFrame(), 0, 0), 0xFF00FF00u);
    EXPECT_EQ(At(backend->LastFrame(), 1023, 767), 0xFF00FF00u);
}

TEST_F(Device, FrontBufferDataIsTheLastPresentedFrameNotTheSceneInProgress) {
    IDirect3DSurface9* shot = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(1024, 768, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &shot, nullptr),
              D3D_OK);
    // Before any present the screen is black.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFFu, 0.0f, 0);
    ASSERT_EQ(device->GetFrontBufferData(0, shot), D3D_OK);
    EXPECT_EQ(Read(shot, 5, 5), 0xFF000000u);

    Frame(0xFF0000FFu);
    // The next scene is drawn in another colour but not presented yet.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 0.0f, 0);
    device->BeginScene();
    ASSERT_EQ(device->GetFrontBufferData(0, shot), D3D_OK);
    device->EndScene();
    EXPECT_EQ(Read(shot, 0, 0), 0xFF0000FFu);
    EXPECT_EQ(Read(shot, 1023, 767), 0xFF0000FFu);
    shot->Release();
}

TEST_F(Device, PresentKeepsTheBackBufferHandleAndALockSeesThisFramesPixels) {
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    IDirect3DSurface9* shot = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(1024, 768, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &shot, nullptr),
              D3D_OK);
    const D3DCOLOR colours[] = {0xFF102030u, 0xFF405060u, 0xFF708090u, 0xFFA0B0C0u};
    for (D3DCOLOR colour : colours) {
        SCOPED_TRACE(colour);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 0.0f, 0);
        ASSERT_EQ(device->BeginScene(), D3D_OK);
        // A pixel drawn through the drawers' direct access shows in a lock
        // of the kept handle, and the other way round.
        uint32_t* pixels = nullptr;
        int pitch = 0;
        ASSERT_TRUE(platform::GetBackBufferPixels(device, &pixels, &pitch, nullptr, nullptr));
        pixels[10 * pitch + 10] = colour ^ 0x00FFFFFFu;
        EXPECT_EQ(Read(back, 10, 10), colour ^ 0x00FFFFFFu);
        EXPECT_EQ(Read(back, 11, 10), colour);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(back->LockRect(&locked, nullptr, 0), D3D_OK);
        static_cast<uint32_t*>(locked.pBits)[20 * (locked.Pitch / 4) + 20] = 0xFF000001u;
        back->UnlockRect();
        ASSERT_TRUE(platform::GetBackBufferPixels(device, &pixels, &pitch, nullptr, nullptr));
        EXPECT_EQ(pixels[20 * pitch + 20], 0xFF000001u);
        ASSERT_EQ(device->EndScene(), D3D_OK);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);

        // The presented frame and the screenshot are this frame, both marks in it.
        EXPECT_EQ(At(backend->LastFrame(), 500, 500), colour);
        EXPECT_EQ(At(backend->LastFrame(), 10, 10), colour ^ 0x00FFFFFFu);
        EXPECT_EQ(At(backend->LastFrame(), 20, 20), 0xFF000001u);
        ASSERT_EQ(device->GetFrontBufferData(0, shot), D3D_OK);
        EXPECT_EQ(Read(shot, 500, 500), colour);
        EXPECT_EQ(Read(shot, 20, 20), 0xFF000001u);
    }
    shot->Release();
    back->Release();
}

TEST_F(Device, PresentWhileTheBackBufferIsLockedKeepsTheLockedAddress) {
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00AA00u, 0.0f, 0);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(back->LockRect(&locked, nullptr, 0), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(At(backend->LastFrame(), 7, 7), 0xFF00AA00u);
    // Writes through the lock still land in the back buffer.
    static_cast<uint32_t*>(locked.pBits)[7 * (locked.Pitch / 4) + 7] = 0xFFABCDEFu;
    back->UnlockRect();
    EXPECT_EQ(Read(back, 7, 7), 0xFFABCDEFu);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(At(backend->LastFrame(), 7, 7), 0xFFABCDEFu);
    back->Release();
}

TEST_F(Device, FrontBufferDataRejectsAWrongSizedOrLockedSurface) {
    IDirect3DSurface9* small = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(640, 480, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &small, nullptr),
              D3D_OK);
    EXPECT_EQ(device->GetFrontBufferData(0, small), D3DERR_INVALIDCALL);
    small->Release();
    IDirect3DSurface9* shot = nullptr;
    device->CreateOffscreenPlainSurface(1024, 768, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &shot, nullptr);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(shot->LockRect(&locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(device->GetFrontBufferData(0, shot), D3DERR_INVALIDCALL);
    shot->UnlockRect();
    EXPECT_EQ(device->GetFrontBufferData(0, nullptr), D3DERR_INVALIDCALL);
    shot->Release();
}

TEST_F(Device, LockRectGivesBytePitchAndOffsetsTheRectangle) {
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(back->GetDesc(&desc), D3D_OK);
    EXPECT_EQ(desc.Width, 1024u);
    EXPECT_EQ(desc.Height, 768u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);

    D3DLOCKED_RECT whole{};
    ASSERT_EQ(back->LockRect(&whole, nullptr, 0), D3D_OK);
    EXPECT_EQ(whole.Pitch, 1024 * 4);
    // Locked already: a second lock fails until unlocked.
    D3DLOCKED_RECT again{};
    EXPECT_EQ(back->LockRect(&again, nullptr, 0), D3DERR_INVALIDCALL);
    static_cast<uint32_t*>(whole.pBits)[700 * 1024 + 20] = 0xFFABCDEFu;
    ASSERT_EQ(back->UnlockRect(), D3D_OK);
    EXPECT_EQ(back->UnlockRect(), D3DERR_INVALIDCALL);

    const RECT bar{20, 700, 220, 730};
    D3DLOCKED_RECT part{};
    ASSERT_EQ(back->LockRect(&part, &bar, 0), D3D_OK);
    EXPECT_EQ(part.Pitch, 1024 * 4);
    EXPECT_EQ(part.pBits, static_cast<uint8_t*>(whole.pBits) + 700 * whole.Pitch + 20 * 4);
    EXPECT_EQ(*static_cast<uint32_t*>(part.pBits), 0xFFABCDEFu);
    back->UnlockRect();

    const RECT outside[] = {{-1, 0, 10, 10}, {0, 0, 1025, 10}, {0, 0, 10, 769}, {10, 10, 5, 20}};
    for (const RECT& r : outside) {
        EXPECT_EQ(back->LockRect(&part, &r, 0), D3DERR_INVALIDCALL) << r.left << "," << r.top;
    }
    back->Release();
}

TEST_F(Device, GetBackBufferAddsAReferenceAndTheSurfaceOutlivesTheDevice) {
    IDirect3DSurface9* first = nullptr;
    IDirect3DSurface9* second = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &first), D3D_OK);
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &second), D3D_OK);
    EXPECT_EQ(first, second);
    // The device's own reference plus the two handed out.
    EXPECT_EQ(first->AddRef(), 4u);
    EXPECT_EQ(first->Release(), 3u);
    EXPECT_EQ(second->Release(), 2u);
    EXPECT_EQ(device->GetBackBuffer(1, 0, D3DBACKBUFFER_TYPE_MONO, &second), D3DERR_INVALIDCALL);
    EXPECT_EQ(second, nullptr);

    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF445566u, 0.0f, 0);
    EXPECT_EQ(device->Release(), 0u);
    device = nullptr;
    EXPECT_EQ(Read(first, 3, 3), 0xFF445566u);
    EXPECT_EQ(first->Release(), 0u);
}

TEST_F(Device, OffscreenSurfacesAreSystemMemoryArgb) {
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(1024, 768, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface, nullptr),
              D3D_OK);
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    EXPECT_EQ(desc.Pool, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Type, D3DRTYPE_SURFACE);
    EXPECT_EQ(surface->Release(), 0u);
    IDirect3DSurface9* none = nullptr;
    EXPECT_EQ(device->CreateOffscreenPlainSurface(0, 768, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &none, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreateOffscreenPlainSurface(8, 8, D3DFMT_UNKNOWN, D3DPOOL_SYSTEMMEM, &none, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(none, nullptr);
}

TEST_F(Device, FrameHookRunsAfterEveryPresentWithItsIndex) {
    std::vector<uint64_t> indices;
    backend->SetFrameHook([&](platform::HeadlessBackend& b, uint64_t index) {
        indices.push_back(index);
        EXPECT_EQ(b.PresentCount(), index + 1);
    });
    Frame(0xFF000000u);
    Frame(0xFF000000u);
    Frame(0xFF000000u);
    EXPECT_EQ(indices, (std::vector<uint64_t>{0, 1, 2}));
}

TEST_F(Device, ReleasingTheDeviceKeepsTheBackendUntilThen) {
    // The device holds the backend: dropping every other owner keeps it alive.
    std::weak_ptr<platform::HeadlessBackend> weak = backend;
    backend.reset();
    platform::InstallBackend(nullptr);
    DestroyWindow(window);
    EXPECT_FALSE(weak.expired());
    Frame(0xFF000000u);
    EXPECT_EQ(weak.lock()->PresentCount(), 1u);
    device->Release();
    device = nullptr;
    EXPECT_TRUE(weak.expired());
}

TEST_F(Device, AccessorRejectsNull) {
    uint32_t* pixels = nullptr;
    EXPECT_FALSE(platform::GetBackBufferPixels(nullptr, &pixels, nullptr, nullptr, nullptr));
    EXPECT_FALSE(platform::GetSurfacePixels(nullptr, &pixels, nullptr, nullptr, nullptr));
}

// The window and the Direct3D object, but no device: the tests make their own.
class DeviceCreation : public ::testing::Test, protected testdevice::HeadlessDevice {
protected:
    void SetUp() override { ASSERT_EQ(OpenWindow(WS_VISIBLE), ""); }
    void TearDown() override { Close(); }
};

TEST_F(DeviceCreation, FailsWhenTheBackendCannotPresent) {
    backend->SetFailDevice(true);
    D3DPRESENT_PARAMETERS params = GameParameters(window);
    IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(0x1);
    const HRESULT hr =
        direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params, &device);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(device, nullptr);
}

TEST_F(DeviceCreation, RejectsOtherModesAndDeadWindows) {
    struct Case {
        const char* name;
        void (*change)(D3DPRESENT_PARAMETERS&);
    };
    const Case cases[] = {
        {"width", [](D3DPRESENT_PARAMETERS& p) { p.BackBufferWidth = 800; }},
        {"height", [](D3DPRESENT_PARAMETERS& p) { p.BackBufferHeight = 600; }},
        {"format", [](D3DPRESENT_PARAMETERS& p) { p.BackBufferFormat = D3DFMT_UNKNOWN; }},
        {"window", [](D3DPRESENT_PARAMETERS& p) { p.hDeviceWindow = reinterpret_cast<HWND>(&p); }},
    };
    for (const Case& c : cases) {
        D3DPRESENT_PARAMETERS params = GameParameters(window);
        c.change(params);
        IDirect3DDevice9* device = nullptr;
        EXPECT_TRUE(FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &params, &device))) << c.name;
        EXPECT_EQ(device, nullptr) << c.name;
    }
    DestroyWindow(window);
    D3DPRESENT_PARAMETERS params = GameParameters(window);
    IDirect3DDevice9* device = nullptr;
    EXPECT_TRUE(FAILED(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &params, &device)));
    EXPECT_EQ(device, nullptr);
}

TEST_F(DeviceCreation, WindowedDevicePresentsWindowed) {
    D3DPRESENT_PARAMETERS params = GameParameters(window);
    params.Windowed = TRUE;
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(direct3D->CreateDevice(0, D3DDEVTYPE_HAL, window, 0, &params, &device), D3D_OK);
    EXPECT_TRUE(backend->PresentedWindowed());
    device->Release();
}

}  // namespace
