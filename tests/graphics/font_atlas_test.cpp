// The glyph atlas that carries the desktop's FreeType glyphs to the web
// build: a face loaded from it draws exactly what the face it was saved from
// draws, and a damaged atlas is refused rather than trusted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/font_face.h"

namespace {

std::vector<uint32_t> Render(const FontFace& face, const std::string& text, int x, int y) {
    std::vector<uint32_t> pixels(static_cast<size_t>(200) * 40, 0xFF102030u);
    PixelTarget target;
    target.pixels = pixels.data();
    target.pitchPixels = 200;
    target.width = 200;
    target.height = 40;
    face.Draw(target, x, y, reinterpret_cast<const unsigned char*>(text.data()), text.size(), 0xFFFFAA00u);
    return pixels;
}

class FontAtlasTest : public ::testing::Test {
protected:
    void SetUp() override {
        face = FontFace::Create("Arial", 0, false, false);
        ASSERT_TRUE(face);
        atlas = face->SaveAtlas();
    }
    std::unique_ptr<FontFace> face;
    std::vector<uint8_t> atlas;
};

TEST_F(FontAtlasTest, LoadedFaceDrawsTheSamePixels) {
    std::unique_ptr<FontFace> loaded = FontFace::LoadAtlas(atlas.data(), atlas.size());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->CellHeight(), face->CellHeight());
    EXPECT_EQ(loaded->Ascent(), face->Ascent());
    EXPECT_EQ(loaded->FamilyName(), face->FamilyName());
    std::string all;
    for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
    for (size_t first = 0; first < all.size(); first += 16) {
        const std::string part = all.substr(first, 16);
        const auto* bytes = reinterpret_cast<const unsigned char*>(part.data());
        EXPECT_EQ(loaded->MeasureWidth(bytes, part.size()), face->MeasureWidth(bytes, part.size()));
        // Partly off the left and top edges too, where the clipping counts.
        for (int offset : {3, -5})
            EXPECT_EQ(Render(*loaded, part, offset, offset), Render(*face, part, offset, offset))
                << "bytes from " << first + 1 << " at offset " << offset;
    }
}

TEST_F(FontAtlasTest, DamagedAtlasIsRefused) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"truncated", std::vector<uint8_t>(atlas.begin(), atlas.end() - 1)});
    std::vector<uint8_t> trailing = atlas;
    trailing.push_back(0);
    cases.push_back({"trailing byte", trailing});
    std::vector<uint8_t> magic = atlas;
    magic[0] ^= 1;
    cases.push_back({"wrong magic", magic});
    // The first glyph record starts after magic, cell, ascent, name length
    // and name; its offset field (the sixth) pointing past the coverage.
    const size_t record = 16 + face->FamilyName().size();
    std::vector<uint8_t> offset = atlas;
    offset[record + 5 * 4 + 3] = 0x7F;
    cases.push_back({"glyph outside the coverage", offset});
    for (const Case& c : cases) EXPECT_EQ(FontFace::LoadAtlas(c.bytes.data(), c.bytes.size()), nullptr) << c.what;
}

}  // namespace
