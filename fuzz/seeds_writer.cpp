// Writes the seed corpora of the fuzz targets: fuzz_png gets small PNG
// images of every colour type and bit depth, plain and interlaced, with and
// without transparency and ancillary chunks; fuzz_text gets game texts at
// positions on and off the screen (layout in text_input.h).
// Usage: fuzz_seeds_writer <png-dir> <text-dir>
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include "text_input.h"

namespace {

struct PngSeed {
    int colorType;
    int depth;
    bool interlaced;
    bool transparency;
    bool extraChunks;
};

// Sample value x,y of a channel at the given depth.
png_uint_32 Sample(int x, int y, int channel, int depth) {
    const png_uint_32 max = (1u << depth) - 1;
    return static_cast<png_uint_32>(x * 53 + y * 29 + channel * 97) % (max + 1);
}

bool WriteSeed(const std::string& path, const PngSeed& seed) {
    const int width = 5, height = 3;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, seed.depth, seed.colorType,
                 seed.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (seed.colorType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[16];
        for (int i = 0; i < 16; ++i)
            palette[i] = {static_cast<png_byte>(i * 16), static_cast<png_byte>(255 - i * 16),
                          static_cast<png_byte>(i * 7)};
        png_set_PLTE(png, info, palette, 1 << (seed.depth < 4 ? seed.depth : 4));
        if (seed.transparency) {
            png_byte alphas[2] = {0, 128};
            png_set_tRNS(png, info, alphas, 2, nullptr);
        }
    } else if (seed.transparency && (seed.colorType == PNG_COLOR_TYPE_GRAY || seed.colorType == PNG_COLOR_TYPE_RGB)) {
        png_color_16 key{};
        key.gray = static_cast<png_uint_16>(Sample(0, 0, 0, seed.depth));
        key.red = key.gray;
        key.green = static_cast<png_uint_16>(Sample(0, 0, 1, seed.depth));
        key.blue = static_cast<png_uint_16>(Sample(0, 0, 2, seed.depth));
        png_set_tRNS(png, info, nullptr, 0, &key);
    }
    if (seed.extraChunks) {
        png_set_gAMA(png, info, 0.45455);
        png_set_sRGB(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
        png_set_pHYs(png, info, 2835, 2835, PNG_RESOLUTION_METER);
        png_text text{};
        text.compression = PNG_TEXT_COMPRESSION_zTXt;
        text.key = const_cast<char*>("Comment");
        text.text = const_cast<char*>("seed");
        png_set_text(png, info, &text, 1);
    }
    png_write_info(png, info);
    if (seed.depth == 16) png_set_swap(png);  // rows below are little-endian samples
    const int channels = png_get_channels(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<std::vector<png_byte>> rows(height, std::vector<png_byte>(rowBytes, 0));
    for (int y = 0; y < height; ++y) {
        int bit = 0;
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < channels; ++c) {
                const png_uint_32 v = seed.colorType == PNG_COLOR_TYPE_PALETTE
                                          ? (x + y) % (1u << (seed.depth < 4 ? seed.depth : 4))
                                          : Sample(x, y, c, seed.depth);
                if (seed.depth == 16) {
                    rows[y][bit / 8] = static_cast<png_byte>(v);
                    rows[y][bit / 8 + 1] = static_cast<png_byte>(v >> 8);
                } else if (seed.depth == 8) {
                    rows[y][bit / 8] = static_cast<png_byte>(v);
                } else {
                    rows[y][bit / 8] |= static_cast<png_byte>(v << (8 - seed.depth - bit % 8));
                }
                bit += seed.depth;
            }
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

uint32_t Crc32(const uint8_t* p, size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <png-dir> <text-dir>\n", argv[0]);
        return 2;
    }
    const std::string pngDir = argv[1], textDir = argv[2];
    struct TypeDepths {
        int colorType;
        std::vector<int> depths;
        const char* name;
    };
    const TypeDepths types[] = {
        {PNG_COLOR_TYPE_GRAY, {1, 2, 4, 8, 16}, "gray"},   {PNG_COLOR_TYPE_RGB, {8, 16}, "rgb"},
        {PNG_COLOR_TYPE_PALETTE, {1, 2, 4, 8}, "palette"}, {PNG_COLOR_TYPE_GRAY_ALPHA, {8, 16}, "grayalpha"},
        {PNG_COLOR_TYPE_RGB_ALPHA, {8, 16}, "rgba"},
    };
    int written = 0;
    for (const TypeDepths& type : types)
        for (int depth : type.depths)
            for (int variant = 0; variant < 4; ++variant) {
                const bool interlaced = (variant & 1) != 0;
                const bool transparency = (variant & 2) != 0;
                const bool alphaType =
                    type.colorType == PNG_COLOR_TYPE_GRAY_ALPHA || type.colorType == PNG_COLOR_TYPE_RGB_ALPHA;
                if (transparency && alphaType) continue;  // these carry their alpha already
                const PngSeed seed{type.colorType, depth, interlaced, transparency, variant == 3 || depth == 16};
                const std::string path = pngDir + "/" + type.name + std::to_string(depth) +
                                         (interlaced ? "-adam7" : "") + (transparency ? "-trns" : "") + ".png";
                if (!WriteSeed(path, seed)) {
                    std::fprintf(stderr, "cannot write %s\n", path.c_str());
                    return 1;
                }
                ++written;
            }

    // A header and then a text chunk that claims a gigabyte: the reader must
    // give up at the end of the bytes without making room for the claim.
    {
        std::vector<uint8_t> lying = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
        auto put32 = [&](uint32_t v) {
            for (int i = 3; i >= 0; --i) lying.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        const uint8_t ihdr[17] = {'I', 'H', 'D', 'R', 0, 0, 0, 5, 0, 0, 0, 3, 8, 6, 0, 0, 0};
        put32(13);
        lying.insert(lying.end(), ihdr, ihdr + sizeof ihdr);
        put32(Crc32(ihdr, sizeof ihdr));
        put32(1u << 30);
        const char text[] = "tEXtComment\0lie";
        lying.insert(lying.end(), text, text + sizeof text - 1);
        if (!WriteBytes(pngDir + "/lying-text-length.png", lying)) {
            std::fprintf(stderr, "cannot write the lying seed\n");
            return 1;
        }
        ++written;
    }

    // Texts as the game draws them, and at the far edges of the coordinates.
    struct TextSeed {
        uint8_t mode;
        uint32_t x, y, colour;
        uint16_t countHint;
        std::string text;
    };
    const TextSeed texts[] = {
        {0, 1, 1, 0xFFFFFFFF, 0, "FPS: 60"},
        {0, 400, 300, 0xFFFF8000, 0, "Schwierigkeit: SCHWER"},
        {2, 980, 740, 0xFF00FF00, 0, "Punkte: 123456789"},
        {4, static_cast<uint32_t>(-20), static_cast<uint32_t>(-5), 0x80FFFFFF, 7, "Gew\xE4hlter Level"},
        {6, 512, 384, 0xFFFFFFFF, 3, "GAME OVER - Score: 0"},
        {9, 0x7FFFFFF0u, 0x7FFFFFF0u, 0x40FF0000, 200, "Spieler \334berpr\374fung"},
        {1, 0x80000000u, 0x80000000u, 0xFF0000FF, 0xFFFF, "\x80\x81\x8D\x8F\x90\x9D\xFF"},
        {3, 1023, 767, 0xFFFFFFFF, 0x8000, std::string("a\0b\tc\x7F", 6)},
        {0x10, static_cast<uint32_t>(-200), 760, 0xFFAAAAAA, 0x7FFF, "LEICHT MITTEL SCHWER"},
        {0x20, 0, 0, 0xFFBBBBBB, 1, ""},
    };
    for (size_t i = 0; i < sizeof texts / sizeof texts[0]; ++i) {
        const TextSeed& t = texts[i];
        const std::string path = textDir + "/text" + std::to_string(i);
        if (!WriteBytes(path, fuzzinput::MakeTextInput(t.mode, t.x, t.y, t.colour, t.countHint, t.text.data(),
                                                       t.text.size()))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        ++written;
    }
    std::printf("%d seeds written\n", written);
    return 0;
}
