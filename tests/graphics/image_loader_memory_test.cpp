// PNG bytes in memory (image_loader.h), and PNG files whose extra chunks
// are broken or lie about their length: the files are put together byte
// by byte here, with stored (uncompressed) image data.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/d3dx9.h"
#include "graphics/image_loader.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

void Put32(Bytes& out, uint32_t v) {
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// One chunk; claimedLength, if given, is written instead of the true one.
Bytes Chunk(const char* type, const Bytes& data, int64_t claimedLength = -1) {
    Bytes out;
    Put32(out, claimedLength < 0 ? static_cast<uint32_t>(data.size()) : static_cast<uint32_t>(claimedLength));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    Put32(out, Crc32(typed.data(), typed.size()));
    return out;
}

// A zlib stream of one stored block holding raw.
Bytes StoredZlib(const Bytes& raw) {
    Bytes out{0x78, 0x01, 0x01};
    const uint16_t n = static_cast<uint16_t>(raw.size());
    out.push_back(static_cast<uint8_t>(n));
    out.push_back(static_cast<uint8_t>(n >> 8));
    out.push_back(static_cast<uint8_t>(~n));
    out.push_back(static_cast<uint8_t>(~n >> 8));
    out.insert(out.end(), raw.begin(), raw.end());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    Put32(out, (b << 16) | a);
    return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A 3 x 2 palette image, index (x + y) % 3 of red, green and blue, with
// alphas 0 and 128 for the first two; extra chunks before the palette,
// between the palette and the data, and after the data.
struct PaletteImage {
    std::vector<Bytes> beforePalette, beforeData, afterData;

    Bytes Build() const {
        Bytes png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        auto add = [&](const Bytes& b) { png.insert(png.end(), b.begin(), b.end()); };
        Bytes ihdr;
        Put32(ihdr, 3);
        Put32(ihdr, 2);
        ihdr.insert(ihdr.end(), {8, 3, 0, 0, 0});
        add(Chunk("IHDR", ihdr));
        for (const Bytes& c : beforePalette) add(c);
        add(Chunk("PLTE", {255, 0, 0, 0, 255, 0, 0, 0, 255}));
        add(Chunk("tRNS", {0, 128}));
        for (const Bytes& c : beforeData) add(c);
        add(Chunk("IDAT", StoredZlib({0, 0, 1, 2, 0, 1, 2, 0})));
        for (const Bytes& c : afterData) add(c);
        add(Chunk("IEND", {}));
        return png;
    }
};

uint32_t ExpectedPixel(int x, int y) {
    const uint32_t colours[3] = {0x00FF0000u, 0x8000FF00u, 0xFF0000FFu};
    return colours[(x + y) % 3];
}

// The texels of a texture, row by row.
std::vector<uint32_t> Texels(IDirect3DTexture9* texture) {
    D3DSURFACE_DESC desc{};
    D3DLOCKED_RECT locked{};
    std::vector<uint32_t> texels;
    if (FAILED(texture->GetLevelDesc(0, &desc)) || FAILED(texture->LockRect(0, &locked, nullptr, 0))) return texels;
    for (UINT y = 0; y < desc.Height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) +
                                                            static_cast<size_t>(y) * locked.Pitch);
        texels.insert(texels.end(), row, row + desc.Width);
    }
    texture->UnlockRect(0);
    return texels;
}

void ExpectThePaletteImage(IDirect3DTexture9* texture) {
    ASSERT_NE(texture, nullptr);
    const std::vector<uint32_t> texels = Texels(texture);
    ASSERT_EQ(texels.size(), 6u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(texels[y * 3 + x], ExpectedPixel(x, y)) << x << "," << y;
}

long PeakRssKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class ImageLoaderMemory : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("v3_image_memory_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const Bytes& bytes) const {
        const std::string path = (dir_ / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static HRESULT LoadFile(const std::string& path, UINT w, UINT h, IDirect3DTexture9** texture) {
        return D3DXCreateTextureFromFileExA(nullptr, path.c_str(), w, h, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                            D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, texture);
    }

    fs::path dir_;
};

TEST_F(ImageLoaderMemory, DecodesBytesAsTheFileLoaderDoesTheFile) {
    const Bytes png = PaletteImage{}.Build();
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(GetImageInfoFromPngMemory(png.data(), png.size(), &info), D3D_OK);
    EXPECT_EQ(info.Width, 3u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);

    D3DXIMAGE_INFO source{};
    IDirect3DTexture9* fromMemory = nullptr;
    ASSERT_EQ(DecodePngMemory(png.data(), png.size(), 3, 2, &source, &fromMemory), D3D_OK);
    ExpectThePaletteImage(fromMemory);
    EXPECT_EQ(source.Width, 3u);
    EXPECT_EQ(source.Height, 2u);

    IDirect3DTexture9* fromFile = nullptr;
    ASSERT_EQ(LoadFile(Write("palette.png", png), 3, 2, &fromFile), D3D_OK);
    EXPECT_EQ(Texels(fromFile), Texels(fromMemory));
    fromFile->Release();
    EXPECT_EQ(fromMemory->Release(), 0u);
}

TEST_F(ImageLoaderMemory, ShortWrongOrMissingBytesFailWithNoTexture) {
    const Bytes png = PaletteImage{}.Build();
    struct Case {
        const char* name;
        const uint8_t* data;
        size_t size;
        UINT w, h;
    };
    const Case cases[] = {
        {"no bytes", nullptr, 0, 3, 2},
        {"null with a size", nullptr, png.size(), 3, 2},
        {"signature only", png.data(), 8, 3, 2},
        {"seven bytes", png.data(), 7, 3, 2},
        {"cut in the data", png.data(), png.size() - 30, 3, 2},
        {"cut before the end chunk", png.data(), png.size() - 12, 3, 2},
        {"another size asked for", png.data(), png.size(), 2, 3},
    };
    int marker = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(&marker);  // must be cleared
        EXPECT_TRUE(FAILED(DecodePngMemory(c.data, c.size, c.w, c.h, nullptr, &texture)));
        EXPECT_EQ(texture, nullptr);
    }
    D3DXIMAGE_INFO info{};
    EXPECT_TRUE(FAILED(GetImageInfoFromPngMemory(png.data(), 20, &info)));
    EXPECT_TRUE(FAILED(GetImageInfoFromPngMemory(nullptr, png.size(), &info)));
    EXPECT_TRUE(FAILED(GetImageInfoFromPngMemory(png.data(), png.size(), nullptr)));
    EXPECT_TRUE(FAILED(DecodePngMemory(png.data(), png.size(), 3, 2, nullptr, nullptr)));
}

// Texts, a colour profile, gamma and chunks of no known kind around the
// image change nothing, broken ones included: only the pixels are read.
TEST_F(ImageLoaderMemory, ExtraChunksAroundTheImageAreSkipped) {
    Bytes badCrc = Chunk("tEXt", Text("Comment\0x"));
    badCrc[badCrc.size() - 1] ^= 0xFF;
    PaletteImage image;
    image.beforePalette = {Chunk("gAMA", {0, 0, 0xB1, 0x8F}), Chunk("tEXt", Text(std::string("Title\0Bild", 10))),
                           Chunk("iCCP", Text(std::string("profile\0\0not deflate", 20))), badCrc};
    image.beforeData = {Chunk("zTXt", Text(std::string("Comment\0\0garbage", 16))), Chunk("abCd", {1, 2, 3}),
                        Chunk("sPLT", {1})};
    image.afterData = {Chunk("iTXt", Text(std::string("Author\0\0\0\0\0V3", 14))), Chunk("tIME", {7})};
    const Bytes png = image.Build();

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(DecodePngMemory(png.data(), png.size(), 3, 2, nullptr, &texture), D3D_OK);
    ExpectThePaletteImage(texture);
    texture->Release();
    ASSERT_EQ(LoadFile(Write("extras.png", png), 3, 2, &texture), D3D_OK);
    ExpectThePaletteImage(texture);
    texture->Release();
}

// A chunk that claims a gigabyte in a file of a hundred bytes: the read
// fails at the end of the bytes, and no buffer of the claimed size is made
// on the way (measured as the peak memory of a child process).
TEST_F(ImageLoaderMemory, AChunkClaimingAGigabyteCostsNoGigabyte) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char* type : {"tEXt", "zTXt", "iTXt", "sPLT", "iCCP", "eXIf", "abCd"}) {
        SCOPED_TRACE(type);
        PaletteImage image;
        image.beforePalette = {
            Chunk(type, Text(std::string("Comment\0\0", 9) + std::string(40, 'x')), int64_t{1} << 30)};
        const Bytes png = image.Build();
        const std::string path = Write("claims.png", png);
        EXPECT_EXIT(
            {
                const long before = PeakRssKilobytes();
                D3DXIMAGE_INFO info{};
                IDirect3DTexture9* texture = nullptr;
                const bool allFailed = FAILED(GetImageInfoFromPngMemory(png.data(), png.size(), &info)) &&
                                       FAILED(DecodePngMemory(png.data(), png.size(), 3, 2, nullptr, &texture)) &&
                                       FAILED(D3DXGetImageInfoFromFileA(path.c_str(), &info)) &&
                                       FAILED(LoadFile(path, 3, 2, &texture)) && texture == nullptr;
                const long grownKilobytes = PeakRssKilobytes() - before;
                std::exit(allFailed && grownKilobytes < 128 * 1024 ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "");
    }
}

}  // namespace
