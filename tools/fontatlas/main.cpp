// Renders the game's text font with FreeType into a glyph atlas for the web
// build, which has no FreeType: the face the desktop finds for "Arial" in the
// default 16-pixel cell (Liberation Sans here), all 256 Windows-1252 byte
// values. Writes the atlas as a C++ source that defines the bytes.
//
//   vantora3-fontatlas OUT.cpp [OUT.atlas]
#include <cstdio>
#include <vector>

#include "graphics/font_face.h"

namespace {

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes, bool asSource) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    if (asSource) {
        std::fprintf(file, "// Written by vantora3-fontatlas; do not edit.\n");
        std::fprintf(file, "#include \"graphics/web_glyph_atlas.h\"\n\n");
        std::fprintf(file, "const unsigned char kGlyphAtlas[] = {");
        for (size_t i = 0; i < bytes.size(); ++i)
            std::fprintf(file, "%s%u,", i % 24 == 0 ? "\n" : "", static_cast<unsigned>(bytes[i]));
        std::fprintf(file, "\n};\nconst size_t kGlyphAtlasSize = sizeof(kGlyphAtlas);\n");
    } else {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    }
    return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: vantora3-fontatlas OUT.cpp [OUT.atlas]\n");
        return 2;
    }
    // The request the game makes: "Arial", height 0 (the 16-pixel cell), regular.
    std::unique_ptr<FontFace> face = FontFace::Create("Arial", 0, false, false);
    if (!face) {
        std::fprintf(stderr, "vantora3-fontatlas: no font face for Arial found\n");
        return 1;
    }
    const std::vector<uint8_t> atlas = face->SaveAtlas();
    if (!WriteFile(argv[1], atlas, true) || (argc == 3 && !WriteFile(argv[2], atlas, false))) {
        std::fprintf(stderr, "vantora3-fontatlas: cannot write the atlas\n");
        return 1;
    }
    std::printf("%s: %s, cell %d, %zu bytes\n", argv[1], face->FamilyName().c_str(), face->CellHeight(), atlas.size());
    return 0;
}
