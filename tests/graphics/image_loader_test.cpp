// PNG files into textures: every colour type the format has, and files that
// are missing, broken or too large, each made by the test itself.
#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "graphics/d3dx9.h"
#include "graphics/texture.h"

namespace {

namespace fs = std::filesystem;

// One test pixel as 16-bit straight RGBA; files of lower depth keep the top bits.
struct Rgba16 {
    uint16_t r, g, b, a;
};

// Writes a PNG with libpng: width x height, colour type and depth as given,
// each pixel from pixel(x, y). For palette images the palette is the first
// (up to) 256 distinct colours, with tRNS for their alphas; tRNS for grey
// and RGB makes the colour transparentKey transparent.
struct PngFormat {
    int width = 4;
    int height = 3;
    int colorType = PNG_COLOR_TYPE_RGBA;
    int depth = 8;
    bool interlaced = false;
    bool trnsKey = false;  // grey/RGB: pixel 0 colour is the transparent one
};

Rgba16 TestPixel(int x, int y) {
    // Distinct channel values, a few fully transparent and translucent ones.
    const uint16_t r = static_cast<uint16_t>((x * 37 + y * 11) * 257 % 65536);
    const uint16_t g = static_cast<uint16_t>((x * 5 + y * 71 + 3) * 257 % 65536);
    const uint16_t b = static_cast<uint16_t>((x * 97 + y * 13 + 200) * 257 % 65536);
    const uint16_t a = static_cast<uint16_t>(((x + y) % 3 == 0 ? 255 : (x + y) % 3 == 1 ? 0 : 128) * 257);
    return {r, g, b, a};
}

bool WritePng(const std::string& path, const PngFormat& format) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, format.width, format.height, format.depth, format.colorType,
                 format.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    const int maxValue = (1 << format.depth) - 1;
    auto scale = [&](uint16_t v) { return static_cast<uint32_t>(v) * maxValue / 65535; };
    if (format.colorType == PNG_COLOR_TYPE_PALETTE) {
        // Palette index = (x + y) % 4 with four fixed entries.
        png_color pal[4] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
        png_byte trans[4] = {255, 0, 128, 255};
        png_set_PLTE(png, info, pal, 4);
        png_set_tRNS(png, info, trans, 4, nullptr);
    }
    if (format.trnsKey) {
        png_color_16 key{};
        const Rgba16 p = TestPixel(0, 0);
        key.red = static_cast<png_uint_16>(scale(p.r));
        key.green = static_cast<png_uint_16>(scale(p.g));
        key.blue = static_cast<png_uint_16>(scale(p.b));
        key.gray = static_cast<png_uint_16>(scale(p.g));
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    png_write_info(png, info);
    const int channels = png_get_channels(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<std::vector<png_byte>> rows(format.height, std::vector<png_byte>(rowBytes, 0));
    for (int y = 0; y < format.height; ++y) {
        // Samples packed most significant bit first at any depth.
        size_t bit = 0;
        auto put = [&](uint32_t v) {
            if (format.depth == 16) {
                rows[y][bit / 8] = static_cast<png_byte>(v >> 8);
                rows[y][bit / 8 + 1] = static_cast<png_byte>(v);
            } else {
                const int shift = 8 - format.depth - static_cast<int>(bit % 8);
                rows[y][bit / 8] = static_cast<png_byte>(rows[y][bit / 8] | (v << shift));
            }
            bit += format.depth;
        };
        for (int x = 0; x < format.width; ++x) {
            const Rgba16 p = TestPixel(x, y);
            switch (format.colorType) {
                case PNG_COLOR_TYPE_PALETTE: put(static_cast<uint32_t>((x + y) % 4)); break;
                case PNG_COLOR_TYPE_GRAY: put(scale(p.g)); break;
                case PNG_COLOR_TYPE_GRAY_ALPHA: put(scale(p.g)), put(scale(p.a)); break;
                case PNG_COLOR_TYPE_RGB: put(scale(p.r)), put(scale(p.g)), put(scale(p.b)); break;
                default: put(scale(p.r)), put(scale(p.g)), put(scale(p.b)), put(scale(p.a)); break;
            }
        }
        (void)channels;
    }
    std::vector<png_bytep> rowPtrs;
    for (auto& r : rows) rowPtrs.push_back(r.data());
    png_write_image(png, rowPtrs.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

// What the decoder must make of TestPixel for the format: 8-bit A8R8G8B8.
uint32_t Expected(const PngFormat& format, int x, int y) {
    const int maxValue = (1 << format.depth) - 1;
    // A sample of the file's depth, widened to 8 bits as libpng does
    // (16 bits: the top byte; fewer than 8: repeated bit pattern).
    auto to8 = [&](uint16_t v) -> uint32_t {
        const uint32_t s = static_cast<uint32_t>(v) * maxValue / 65535;
        if (format.depth == 16) return s >> 8;
        return s * 255 / maxValue;
    };
    const Rgba16 p = TestPixel(x, y);
    uint32_t a = 255, r, g, b;
    switch (format.colorType) {
        case PNG_COLOR_TYPE_PALETTE: {
            const uint32_t pal[4] = {0xFFFF0000, 0x0000FF00, 0x800000FF, 0xFF0A141E};
            return pal[(x + y) % 4];
        }
        case PNG_COLOR_TYPE_GRAY: r = g = b = to8(p.g); break;
        case PNG_COLOR_TYPE_GRAY_ALPHA: r = g = b = to8(p.g), a = to8(p.a); break;
        case PNG_COLOR_TYPE_RGB: r = to8(p.r), g = to8(p.g), b = to8(p.b); break;
        default: r = to8(p.r), g = to8(p.g), b = to8(p.b), a = to8(p.a); break;
    }
    if (format.trnsKey) {
        const Rgba16 k = TestPixel(0, 0);
        const bool grey = format.colorType == PNG_COLOR_TYPE_GRAY;
        const bool same =
            grey ? to8(p.g) == to8(k.g) && (static_cast<uint32_t>(p.g) * maxValue / 65535) ==
                                               (static_cast<uint32_t>(k.g) * maxValue / 65535)
                 : (static_cast<uint32_t>(p.r) * maxValue / 65535) == (static_cast<uint32_t>(k.r) * maxValue / 65535) &&
                       (static_cast<uint32_t>(p.g) * maxValue / 65535) ==
                           (static_cast<uint32_t>(k.g) * maxValue / 65535) &&
                       (static_cast<uint32_t>(p.b) * maxValue / 65535) ==
                           (static_cast<uint32_t>(k.b) * maxValue / 65535);
        a = same ? 0 : 255;
    }
    return (a << 24) | (r << 16) | (g << 8) | b;
}

class ImageLoader : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("v3_image_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }

    // Loads path at its own size the way the texture cache does.
    HRESULT Load(const std::string& path, IDirect3DTexture9** texture, UINT w, UINT h) {
        return D3DXCreateTextureFromFileExA(nullptr, path.c_str(), w, h, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                            D3DX_FILTER_NONE, D3DX_FILTER_NONE, 0, nullptr, nullptr, texture);
    }

    fs::path dir_;
};

struct FormatCase {
    const char* name;
    PngFormat format;
};

const FormatCase kFormats[] = {
    {"Rgba8", {5, 4, PNG_COLOR_TYPE_RGBA, 8, false, false}},
    {"Rgba16", {5, 4, PNG_COLOR_TYPE_RGBA, 16, false, false}},
    {"Rgb8", {5, 4, PNG_COLOR_TYPE_RGB, 8, false, false}},
    {"Rgb16", {5, 4, PNG_COLOR_TYPE_RGB, 16, false, false}},
    {"Rgb8WithTransparentColour", {5, 4, PNG_COLOR_TYPE_RGB, 8, false, true}},
    {"Grey1", {11, 3, PNG_COLOR_TYPE_GRAY, 1, false, false}},
    {"Grey2", {11, 3, PNG_COLOR_TYPE_GRAY, 2, false, false}},
    {"Grey4", {11, 3, PNG_COLOR_TYPE_GRAY, 4, false, false}},
    {"Grey8", {5, 4, PNG_COLOR_TYPE_GRAY, 8, false, false}},
    {"Grey16", {5, 4, PNG_COLOR_TYPE_GRAY, 16, false, false}},
    {"Grey8WithTransparentGrey", {5, 4, PNG_COLOR_TYPE_GRAY, 8, false, true}},
    {"GreyAlpha8", {5, 4, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false}},
    {"GreyAlpha16", {5, 4, PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false}},
    {"Palette8WithAlpha", {7, 5, PNG_COLOR_TYPE_PALETTE, 8, false, false}},
    {"Palette2WithAlpha", {7, 5, PNG_COLOR_TYPE_PALETTE, 2, false, false}},
    {"Rgba8Interlaced", {13, 11, PNG_COLOR_TYPE_RGBA, 8, true, false}},
    {"Palette4Interlaced", {13, 11, PNG_COLOR_TYPE_PALETTE, 4, true, false}},
    {"Grey16Interlaced", {9, 10, PNG_COLOR_TYPE_GRAY, 16, true, false}},
};

class ImageLoaderFormats : public ImageLoader, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(ImageLoaderFormats, DecodesToStraightAlphaArgb) {
    const FormatCase& c = GetParam();
    const std::string path = File("image.png");
    ASSERT_TRUE(WritePng(path, c.format));

    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3D_OK);
    EXPECT_EQ(info.Width, static_cast<UINT>(c.format.width));
    EXPECT_EQ(info.Height, static_cast<UINT>(c.format.height));
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);

    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(Load(path, &texture, info.Width, info.Height), D3D_OK);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetLevelCount(), 1u);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, info.Width);
    EXPECT_EQ(desc.Height, info.Height);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    for (int y = 0; y < c.format.height; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const char*>(locked.pBits) + y * locked.Pitch);
        for (int x = 0; x < c.format.width; ++x)
            ASSERT_EQ(row[x], Expected(c.format, x, y)) << std::hex << "at " << std::dec << x << "," << y;
    }
    texture->UnlockRect(0);
    EXPECT_EQ(texture->Release(), 0u);
}

INSTANTIATE_TEST_SUITE_P(ImageLoader, ImageLoaderFormats, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uint32_t Crc32(const unsigned char* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

// Rewrites the IHDR width and height of a PNG's bytes, with a valid CRC, so
// the header claims a size the data does not have.
void PatchHeaderSize(std::vector<char>& png, uint32_t w, uint32_t h) {
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) png[at + i] = static_cast<char>(v >> (24 - 8 * i));
    };
    put32(16, w);
    put32(20, h);
    // The CRC covers the chunk type and data: bytes 12..28.
    put32(29, Crc32(reinterpret_cast<const unsigned char*>(png.data() + 12), 17));
}

TEST_F(ImageLoader, BrokenFilesFailCleanlyWithNoTexture) {
    const std::string good = File("good.png");
    ASSERT_TRUE(WritePng(good, PngFormat{40, 30, PNG_COLOR_TYPE_RGBA, 8, false, false}));
    const std::vector<char> bytes = ReadAll(good);
    ASSERT_GT(bytes.size(), 100u);

    struct Broken {
        const char* name;
        std::vector<char> bytes;
        bool headerReadable;  // whether the header alone still looks valid
    };
    std::vector<Broken> cases;
    cases.push_back({"empty", {}, false});
    cases.push_back({"text", std::vector<char>{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}, false});
    cases.push_back({"signature only", std::vector<char>(bytes.begin(), bytes.begin() + 8), false});
    cases.push_back({"cut in the header", std::vector<char>(bytes.begin(), bytes.begin() + 20), false});
    // The header is read up to the first data chunk, so a file that ends
    // right after it is refused already there.
    cases.push_back({"cut after the header", std::vector<char>(bytes.begin(), bytes.begin() + 33), false});
    cases.push_back({"cut in the data", std::vector<char>(bytes.begin(), bytes.begin() + bytes.size() / 2), true});
    cases.push_back({"cut before the end chunk", std::vector<char>(bytes.begin(), bytes.end() - 12), true});
    std::vector<char> badHeaderCrc = bytes;
    badHeaderCrc[30] = static_cast<char>(badHeaderCrc[30] ^ 0x5A);
    cases.push_back({"header CRC wrong", badHeaderCrc, false});
    std::vector<char> badData = bytes;
    for (size_t i = 45; i < 60; ++i) badData[i] = static_cast<char>(badData[i] ^ 0xA5);
    cases.push_back({"data scrambled", badData, true});
    std::vector<char> badSignature = bytes;
    badSignature[1] = 'Q';
    cases.push_back({"signature wrong", badSignature, false});
    std::vector<char> claimsHuge = bytes;
    PatchHeaderSize(claimsHuge, 0x7FFFFFFF, 0x7FFFFFFF);
    cases.push_back({"header claims 2^31-1 squared", claimsHuge, false});
    std::vector<char> claimsBigger = bytes;
    PatchHeaderSize(claimsBigger, 400, 300);
    cases.push_back({"header claims more rows than stored", claimsBigger, true});

    for (const Broken& b : cases) {
        SCOPED_TRACE(b.name);
        const std::string path = File("broken.png");
        WriteAll(path, b.bytes);
        D3DXIMAGE_INFO info{};
        const HRESULT infoResult = D3DXGetImageInfoFromFileA(path.c_str(), &info);
        EXPECT_EQ(SUCCEEDED(infoResult), b.headerReadable);
        const UINT w = b.headerReadable ? info.Width : 40, h = b.headerReadable ? info.Height : 30;
        IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(&info);  // must be cleared
        EXPECT_TRUE(FAILED(Load(path, &texture, w, h)));
        EXPECT_EQ(texture, nullptr);
    }
}

TEST_F(ImageLoader, MissingFileFails) {
    D3DXIMAGE_INFO info{};
    const std::string path = File("no such file.png");
    EXPECT_TRUE(FAILED(D3DXGetImageInfoFromFileA(path.c_str(), &info)));
    IDirect3DTexture9* texture = nullptr;
    EXPECT_TRUE(FAILED(Load(path, &texture, 4, 4)));
    EXPECT_EQ(texture, nullptr);
    EXPECT_TRUE(FAILED(D3DXGetImageInfoFromFileA(nullptr, &info)));
    EXPECT_TRUE(FAILED(D3DXGetImageInfoFromFileA(path.c_str(), nullptr)));
}

TEST_F(ImageLoader, SizeLimitIs4096EachWay) {
    struct Size {
        int w, h;
        bool loads;
    };
    const Size sizes[] = {{4096, 1, true}, {1, 4096, true}, {4097, 1, false}, {1, 4097, false}, {5000, 2, false}};
    for (const Size& s : sizes) {
        SCOPED_TRACE(std::to_string(s.w) + "x" + std::to_string(s.h));
        const std::string path = File("big.png");
        ASSERT_TRUE(WritePng(path, PngFormat{s.w, s.h, PNG_COLOR_TYPE_GRAY, 1, false, false}));
        D3DXIMAGE_INFO info{};
        EXPECT_EQ(SUCCEEDED(D3DXGetImageInfoFromFileA(path.c_str(), &info)), s.loads);
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(SUCCEEDED(Load(path, &texture, static_cast<UINT>(s.w), static_cast<UINT>(s.h))), s.loads);
        EXPECT_EQ(texture != nullptr, s.loads);
        if (texture != nullptr) texture->Release();
    }
}

TEST_F(ImageLoader, RequestedSizeMustBeTheImagesOwn) {
    const std::string path = File("small.png");
    ASSERT_TRUE(WritePng(path, PngFormat{6, 5, PNG_COLOR_TYPE_RGBA, 8, false, false}));
    struct Request {
        UINT w, h;
        bool loads;
    };
    const Request requests[] = {{6, 5, true}, {5, 6, false}, {8, 8, false}, {6, 4, false}, {0, 0, false}};
    for (const Request& r : requests) {
        IDirect3DTexture9* texture = nullptr;
        EXPECT_EQ(SUCCEEDED(Load(path, &texture, r.w, r.h)), r.loads) << r.w << "x" << r.h;
        EXPECT_EQ(texture != nullptr, r.loads);
        if (texture != nullptr) {
            EXPECT_EQ(texture->Release(), 0u);
        }
    }
}

TEST_F(ImageLoader, TextureFromPixelsCopiesAndDescribesThem) {
    const std::vector<uint32_t> pixels = {0xFF000001, 0x80000002, 0x00000003, 0xFF000004, 0x12345678, 0x9ABCDEF0};
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(CreateTextureFromPixels(3, 2, pixels.data(), &texture), D3D_OK);
    D3DSURFACE_DESC desc{};
    ASSERT_EQ(texture->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 3u);
    EXPECT_EQ(desc.Height, 2u);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_TRUE(FAILED(texture->GetLevelDesc(1, &desc)));
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 12);
    const auto* texels = static_cast<const uint32_t*>(locked.pBits);
    EXPECT_NE(texels, pixels.data());
    EXPECT_EQ(std::vector<uint32_t>(texels, texels + 6), pixels);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->Release(), 0u);

    IDirect3DTexture9* none = reinterpret_cast<IDirect3DTexture9*>(&desc);
    EXPECT_TRUE(FAILED(CreateTextureFromPixels(0, 2, pixels.data(), &none)));
    EXPECT_EQ(none, nullptr);
    EXPECT_TRUE(FAILED(CreateTextureFromPixels(3, 2, nullptr, &none)));
    EXPECT_TRUE(FAILED(CreateTextureFromPixels(5000, 1, pixels.data(), &none)));
}

}  // namespace
