// FontFace in the web build, which has no FreeType or fontconfig: the one
// face there is the glyph atlas rendered at build time by the desktop's
// FreeType code, so texts show the same pixels as on the desktop.
#include <cstdint>

#include "graphics/font_face.h"
#include "graphics/web_glyph_atlas.h"

std::unique_ptr<FontFace> FontFace::Create(const char* /*faceName*/, int height, bool bold, bool italic) {
    // The atlas holds the regular face in one cell height; any other request
    // has no glyphs here (every face name resolves to the same family, as an
    // unknown name does on the desktop).
    if (bold || italic || height < 0 || height > kMaxHeight) return nullptr;
    std::unique_ptr<FontFace> face = LoadAtlas(kGlyphAtlas, kGlyphAtlasSize);
    if (!face || face->CellHeight() != (height == 0 ? 16 : height)) return nullptr;
    return face;
}

std::unique_ptr<FontFace> FontFace::CreateFromFile(const char* /*path*/, int /*faceIndex*/, int /*height*/) {
    // No font files are read in the browser.
    return nullptr;
}
