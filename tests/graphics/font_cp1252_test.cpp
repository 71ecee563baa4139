#include <gtest/gtest.h>

#include "graphics/cp1252.h"

namespace {

struct Mapping {
    unsigned char byte;
    char32_t code;
};

TEST(FontCp1252, MapsBytesToTheirUnicodeCharacters) {
    const Mapping cases[] = {
        {0x41, U'A'},   {0x7A, U'z'},   {0x20, U' '},   {0x00, 0},      {0x0A, 0x0A},   {0x80, 0x20AC}, {0x82, 0x201A},
        {0x84, 0x201E}, {0x85, 0x2026}, {0x8A, 0x0160}, {0x8C, 0x0152}, {0x8E, 0x017D}, {0x91, 0x2018}, {0x93, 0x201C},
        {0x96, 0x2013}, {0x97, 0x2014}, {0x99, 0x2122}, {0x9C, 0x0153}, {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xC4, 0x00C4},
        {0xD6, 0x00D6}, {0xDC, 0x00DC}, {0xDF, 0x00DF}, {0xE4, 0x00E4}, {0xF6, 0x00F6}, {0xFC, 0x00FC}, {0xFF, 0x00FF},
    };
    for (const Mapping& c : cases) EXPECT_EQ(Cp1252ToUnicode(c.byte), c.code) << "byte 0x" << std::hex << int{c.byte};
}

TEST(FontCp1252, UndefinedBytesMapToNothing) {
    for (unsigned char byte : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(Cp1252ToUnicode(byte), 0u) << "byte 0x" << std::hex << int{byte};
}

TEST(FontCp1252, EveryOtherByteOfTheHighControlRangeIsAPrintableCharacter) {
    // 0x80..0x9F are C1 controls in Latin-1 but printable in Windows-1252.
    for (int byte = 0x80; byte <= 0x9F; ++byte) {
        char32_t code = Cp1252ToUnicode(static_cast<unsigned char>(byte));
        if (code == 0) continue;
        EXPECT_GE(code, 0x100u) << "byte 0x" << std::hex << byte;
    }
}

}  // namespace
