// How fuzz_text reads its input, shared with the seed writer: a 15-byte
// header (shorter inputs read as zero-padded) and then the text bytes.
//
//   byte 0       mode: bit 0 set: x and y as full 32-bit values, clear: as
//                their low 16 bits, sign-extended (near the screen);
//                bits 1-2 how the count is given (TextCount); bit 3 set:
//                the colour as given, clear: made opaque as the game's are;
//                bits 4-5 the format of a third draw into a free rectangle
//   bytes 1-4    x, little-endian
//   bytes 5-8    y
//   bytes 9-12   colour, ARGB
//   bytes 13-14  count hint: a prefix length, a negative count, or the
//                free rectangle's width
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace fuzzinput {

enum class TextCount : uint8_t {
    Terminated = 0,    // count -1, the text ends at its first zero byte
    WholeLength = 1,   // the exact byte count, zero bytes included
    Prefix = 2,        // count hint modulo (length + 1)
    OtherNegative = 3  // -(count hint + 2): any negative count means terminated
};

constexpr size_t kTextHeaderSize = 15;

struct TextInput {
    uint8_t mode = 0;
    int32_t x = 0;
    int32_t y = 0;
    uint32_t colour = 0;
    uint16_t countHint = 0;
    const uint8_t* text = nullptr;
    size_t textSize = 0;

    TextCount Count() const { return static_cast<TextCount>((mode >> 1) & 3); }
    bool FullRange() const { return (mode & 1) != 0; }
    bool KeepAlpha() const { return (mode & 8) != 0; }
    unsigned FreeFormat() const { return (mode >> 4) & 3; }
};

inline TextInput ParseTextInput(const uint8_t* data, size_t size) {
    uint8_t header[kTextHeaderSize] = {};
    std::memcpy(header, data, size < kTextHeaderSize ? size : kTextHeaderSize);
    auto u32 = [&](size_t at) {
        return static_cast<uint32_t>(header[at]) | static_cast<uint32_t>(header[at + 1]) << 8 |
               static_cast<uint32_t>(header[at + 2]) << 16 | static_cast<uint32_t>(header[at + 3]) << 24;
    };
    TextInput in;
    in.mode = header[0];
    const uint32_t rawX = u32(1), rawY = u32(5);
    if (in.FullRange()) {
        in.x = static_cast<int32_t>(rawX);
        in.y = static_cast<int32_t>(rawY);
    } else {
        in.x = static_cast<int16_t>(rawX & 0xFFFF);
        in.y = static_cast<int16_t>(rawY & 0xFFFF);
    }
    in.colour = u32(9);
    in.countHint = static_cast<uint16_t>(header[13] | header[14] << 8);
    if (size > kTextHeaderSize) {
        in.text = data + kTextHeaderSize;
        in.textSize = size - kTextHeaderSize;
    }
    return in;
}

// The inverse, for seeds: header fields and text into one input.
inline std::vector<uint8_t> MakeTextInput(uint8_t mode, uint32_t x, uint32_t y, uint32_t colour, uint16_t countHint,
                                          const char* text, size_t textSize) {
    std::vector<uint8_t> out(kTextHeaderSize);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    out[0] = mode;
    put(1, x);
    put(5, y);
    put(9, colour);
    out[13] = static_cast<uint8_t>(countHint);
    out[14] = static_cast<uint8_t>(countHint >> 8);
    out.insert(out.end(), text, text + textSize);
    return out;
}

}  // namespace fuzzinput
