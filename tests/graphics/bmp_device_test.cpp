#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bmp_font_device_fixture.h"

namespace {

// The screenshot road of the game: an off-screen system-memory surface,
// the front buffer copied into it, the surface written as a bitmap.
class BmpScreenshotOnDevice : public SoftwareDeviceTest {
protected:
    HRESULT Screenshot(const std::string& path) {
        IDirect3DSurface9* surface = nullptr;
        EXPECT_EQ(device->CreateOffscreenPlainSurface(1024, 768, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &surface, nullptr),
                  D3D_OK);
        if (surface == nullptr) return E_FAIL;
        EXPECT_EQ(device->GetFrontBufferData(0, surface), D3D_OK);
        HRESULT hr = D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, surface, nullptr, nullptr);
        surface->Release();
        return hr;
    }
    static std::vector<uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The file's pixel at (x, y) counted from the top, as ARGB.
    static uint32_t FilePixel(const std::vector<uint8_t>& file, int x, int y) {
        const size_t at = 54 + (static_cast<size_t>(767 - y) * 1024 + x) * 4;
        return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | uint32_t{file[at + 3]} << 24;
    }
};

TEST_F(BmpScreenshotOnDevice, FileHoldsTheLastPresentedFrameNotTheSceneBeingDrawn) {
    const std::string path = ::testing::TempDir() + "screen" + std::to_string(::getpid()) + ".bmp";
    Frame(0xFF203040u, "Punkte: 1500", 500, 400);
    const std::vector<uint32_t> presented = backend->LastFrame();
    // The next scene is under way but not presented yet.
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 0.0f, 0);
    device->BeginScene();
    DrawText(10, 10, "Level: 2", 0xFFFFFFFFu);

    ASSERT_EQ(Screenshot(path), D3D_OK);
    device->EndScene();
    const std::vector<uint8_t> file = ReadFile(path);
    ASSERT_EQ(file.size(), 3145782u);
    int differing = 0;
    for (int y = 0; y < 768; ++y)
        for (int x = 0; x < 1024; ++x)
            differing += FilePixel(file, x, y) != presented[static_cast<size_t>(y) * 1024 + x];
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(FilePixel(file, 0, 0), 0xFF203040u);
    EXPECT_NE(FilePixel(file, 0, 0), 0xFFFF0000u);

    // A second screenshot later replaces the first.
    device->Present(nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(Screenshot(path), D3D_OK);
    const std::vector<uint8_t> second = ReadFile(path);
    ASSERT_EQ(second.size(), 3145782u);
    EXPECT_EQ(FilePixel(second, 1023, 767), 0xFFFF0000u);
    std::remove(path.c_str());
}

TEST_F(BmpScreenshotOnDevice, MissingDirectoryMeansNoFileAndAFailure) {
    const std::string path = ::testing::TempDir() + "no_such_dir_" + std::to_string(::getpid()) + "/screen0.bmp";
    Frame(0xFF000000u, "x", 0, 0);
    EXPECT_TRUE(FAILED(Screenshot(path)));
    EXPECT_TRUE(ReadFile(path).empty());
}

}  // namespace
