#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bmp_memory_surface.h"
#include "graphics/bmp_writer.h"
#include "graphics/d3dx9.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t{b[at + 3]} << 24);
}
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

// A pattern in which every pixel differs from its neighbours and from the
// mirrored rows, so a flipped, shifted or swizzled copy cannot pass.
uint32_t Pattern(int x, int y) {
    return (static_cast<uint32_t>(x * 7 + y) & 0xFF) << 24 | (static_cast<uint32_t>(x) & 0xFF) << 16 |
           (static_cast<uint32_t>(y) & 0xFF) << 8 | static_cast<uint32_t>((x >> 8) | (y >> 8) << 4);
}

// A fresh directory per test for the files it writes.
class BmpFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = ::testing::TempDir() + "bmp_test_" + std::to_string(::getpid()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string cmd = "rm -rf '" + dir + "' && mkdir -p '" + dir + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    void TearDown() override {
        std::string cmd = "rm -rf '" + dir + "'";
        std::system(cmd.c_str());
    }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
            closedir(d);
        }
        return names;
    }
    MemorySurface* PatternSurface(int w, int h, int pitch, D3DFORMAT format = D3DFMT_A8R8G8B8) {
        auto* s = new MemorySurface(w, h, pitch, format);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) s->At(x, y) = Pattern(x, y);
        return s;
    }

    std::string dir;
};

TEST_F(BmpFiles, ScreenIsWrittenAsABottomUp32BitBitmap) {
    MemorySurface* surface = PatternSurface(1024, 768, 1024 + 8);
    const std::string path = dir + "/screen1500.bmp";
    ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, surface, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(surface->locks, 0);
    surface->Release();

    const std::vector<uint8_t> file = ReadFile(path);
    ASSERT_EQ(file.size(), 3145782u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(U32(file, 2), 3145782u);  // file size
    EXPECT_EQ(U32(file, 6), 0u);        // reserved
    EXPECT_EQ(U32(file, 10), 54u);      // pixel offset
    EXPECT_EQ(U32(file, 14), 40u);      // BITMAPINFOHEADER
    EXPECT_EQ(static_cast<int32_t>(U32(file, 18)), 1024);
    EXPECT_EQ(static_cast<int32_t>(U32(file, 22)), 768);  // positive: bottom-up
    EXPECT_EQ(U16(file, 26), 1);                          // planes
    EXPECT_EQ(U16(file, 28), 32);                         // bits per pixel
    EXPECT_EQ(U32(file, 30), 0u);                         // BI_RGB
    EXPECT_EQ(U32(file, 34), 1024u * 768u * 4u);
    EXPECT_EQ(U32(file, 46), 0u);  // no palette
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const size_t at = 54 + (static_cast<size_t>(767 - y) * 1024 + x) * 4;
            const uint32_t p = Pattern(x, y);
            ASSERT_EQ(file[at + 0], p & 0xFF) << x << "," << y;          // B
            ASSERT_EQ(file[at + 1], (p >> 8) & 0xFF) << x << "," << y;   // G
            ASSERT_EQ(file[at + 2], (p >> 16) & 0xFF) << x << "," << y;  // R
            ASSERT_EQ(file[at + 3], p >> 24) << x << "," << y;           // A
        }
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{"screen1500.bmp"}) << "no temporary file left";
}

TEST_F(BmpFiles, SecondSaveToTheSamePathReplacesTheFile) {
    const std::string path = dir + "/screen0.bmp";
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(5000000, 'x');  // longer than a screenshot
    }
    auto* first = new MemorySurface(1024, 768, 1024);
    first->Fill(0xFF112233u);
    ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, first, nullptr, nullptr), D3D_OK);
    first->Release();
    std::vector<uint8_t> file = ReadFile(path);
    ASSERT_EQ(file.size(), 3145782u);
    EXPECT_EQ(U32(file, 54), 0xFF112233u);

    auto* second = new MemorySurface(1024, 768, 1024);
    second->Fill(0xFF445566u);
    ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, second, nullptr, nullptr), D3D_OK);
    second->Release();
    file = ReadFile(path);
    ASSERT_EQ(file.size(), 3145782u);
    EXPECT_EQ(U32(file, 54), 0xFF445566u);
    EXPECT_EQ(U32(file, file.size() - 4), 0xFF445566u);
    EXPECT_EQ(Entries(), std::vector<std::string>{"screen0.bmp"});
}

TEST_F(BmpFiles, MissingDirectoryFailsAndWritesNothing) {
    auto* surface = PatternSurface(64, 32, 64);
    const std::string path = dir + "/SCREENSHOTS/screen0.bmp";
    EXPECT_TRUE(FAILED(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, surface, nullptr, nullptr)));
    EXPECT_EQ(surface->locks, 0);
    surface->Release();
    EXPECT_TRUE(Entries().empty());
}

TEST_F(BmpFiles, FailedSaveLeavesTheExistingFileAsItWas) {
    const std::string path = dir + "/screen7.bmp";
    {
        std::ofstream old(path, std::ios::binary);
        old << "previous screenshot";
    }
    auto* surface = PatternSurface(64, 32, 64);
    surface->failLock = true;
    EXPECT_TRUE(FAILED(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, surface, nullptr, nullptr)));
    surface->Release();
    const std::vector<uint8_t> file = ReadFile(path);
    EXPECT_EQ(std::string(file.begin(), file.end()), "previous screenshot");
    EXPECT_EQ(Entries(), std::vector<std::string>{"screen7.bmp"});
}

TEST_F(BmpFiles, InvalidCallsAreRefused) {
    auto* surface = PatternSurface(16, 8, 16);
    auto* wrongFormat = new MemorySurface(16, 8, 16, D3DFMT_UNKNOWN);
    const std::string path = dir + "/shot.bmp";
    const RECT outside{0, 0, 17, 8};
    const RECT empty{4, 4, 4, 6};
    const RECT negative{-1, 0, 8, 8};
    struct Case {
        const char* name;
        const char* path;
        D3DXIMAGE_FILEFORMAT format;
        IDirect3DSurface9* surface;
        const RECT* rect;
    };
    const Case cases[] = {
        {"null surface", path.c_str(), D3DXIFF_BMP, nullptr, nullptr},
        {"png format", path.c_str(), D3DXIFF_PNG, surface, nullptr},
        {"unknown format", path.c_str(), static_cast<D3DXIMAGE_FILEFORMAT>(7), surface, nullptr},
        {"null path", nullptr, D3DXIFF_BMP, surface, nullptr},
        {"empty path", "", D3DXIFF_BMP, surface, nullptr},
        {"surface format", path.c_str(), D3DXIFF_BMP, wrongFormat, nullptr},
        {"rect outside", path.c_str(), D3DXIFF_BMP, surface, &outside},
        {"rect empty", path.c_str(), D3DXIFF_BMP, surface, &empty},
        {"rect negative", path.c_str(), D3DXIFF_BMP, surface, &negative},
    };
    for (const Case& c : cases)
        EXPECT_EQ(D3DXSaveSurfaceToFileA(c.path, c.format, c.surface, nullptr, c.rect), D3DERR_INVALIDCALL) << c.name;
    EXPECT_EQ(surface->locks, 0);
    surface->Release();
    wrongFormat->Release();
    EXPECT_TRUE(Entries().empty());
}

TEST_F(BmpFiles, SourceRectangleSelectsPartOfTheSurface) {
    auto* surface = PatternSurface(40, 30, 48);
    const RECT part{5, 7, 25, 17};
    const std::string path = dir + "/part.bmp";
    ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, surface, nullptr, &part), D3D_OK);
    surface->Release();
    const std::vector<uint8_t> file = ReadFile(path);
    ASSERT_EQ(file.size(), 54u + 20 * 10 * 4);
    EXPECT_EQ(U32(file, 18), 20u);
    EXPECT_EQ(U32(file, 22), 10u);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(U32(file, 54 + ((9 - y) * 20 + x) * 4), Pattern(x + 5, y + 7)) << x << "," << y;
}

TEST_F(BmpFiles, X8SurfacesAreWrittenOpaque) {
    auto* surface = PatternSurface(8, 4, 8, D3DFMT_X8R8G8B8);
    const std::string path = dir + "/x8.bmp";
    ASSERT_EQ(D3DXSaveSurfaceToFileA(path.c_str(), D3DXIFF_BMP, surface, nullptr, nullptr), D3D_OK);
    surface->Release();
    const std::vector<uint8_t> file = ReadFile(path);
    ASSERT_EQ(file.size(), 54u + 8 * 4 * 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(U32(file, 54 + ((3 - y) * 8 + x) * 4), Pattern(x, y) | 0xFF000000u);
}

TEST(BmpEncode, SizesOutsideTheBitmapRangeAreRefused) {
    struct Case {
        int w, h;
        size_t size;
    };
    const Case cases[] = {{1024, 768, 3145782},
                          {1, 1, 58},
                          {kBmpMaxSide, 1, 54 + kBmpMaxSide * 4},
                          {0, 10, 0},
                          {10, 0, 0},
                          {-1, 10, 0},
                          {kBmpMaxSide + 1, 1, 0},
                          {1, kBmpMaxSide + 1, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(BmpFileSize(c.w, c.h), c.size) << c.w << "x" << c.h;
    }
    uint32_t pixel = 0;
    uint8_t out[64] = {};
    EXPECT_FALSE(EncodeBmp(&pixel, 1, 0, 1, out));
    EXPECT_FALSE(EncodeBmp(nullptr, 1, 1, 1, out));
    EXPECT_FALSE(EncodeBmp(&pixel, 0, 1, 1, out));  // pitch below width
    EXPECT_EQ(out[0], 0);                           // nothing written
}

TEST(BmpWriteFile, WritesAndReplacesWholeFiles) {
    const std::string path = ::testing::TempDir() + "bmp_write_file_" + std::to_string(::getpid());
    const std::string a = "first contents, rather long";
    const std::string b = "second";
    ASSERT_TRUE(WriteFileReplacing(path.c_str(), a.data(), a.size()));
    ASSERT_TRUE(WriteFileReplacing(path.c_str(), b.data(), b.size()));
    const std::vector<uint8_t> file = ReadFile(path);
    EXPECT_EQ(std::string(file.begin(), file.end()), b);
    std::remove(path.c_str());
    EXPECT_FALSE(WriteFileReplacing("/nonexistent_dir_4711/x.bmp", a.data(), a.size()));
    EXPECT_FALSE(WriteFileReplacing(nullptr, a.data(), a.size()));
    EXPECT_FALSE(WriteFileReplacing("", a.data(), a.size()));
}

}  // namespace
