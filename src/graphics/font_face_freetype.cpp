// FontFace from a font file: fontconfig finds the face, FreeType renders
// its glyphs. The web build has no FreeType and reads the same glyphs from
// the atlas this code writes at build time (web_font_face.cpp).
#include "graphics/font_face.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "graphics/cp1252.h"

namespace {

// Where fontconfig found a face.
struct FaceLocation {
    std::string path;
    int index = 0;
};

// Loads fontconfig's configuration once per process and lets go of it at
// exit; nothing of fontconfig outlives a Create call, so FcFini is safe
// then, and without it leak checkers report fontconfig's internal caches.
bool FontconfigReady() {
    static const bool ready = [] {
        if (!FcInit()) return false;
        std::atexit(FcFini);
        return true;
    }();
    return ready;
}

// Asks fontconfig for the best scalable face for the family. An unknown
// family still matches: fontconfig's substitution appends the default sans
// families, so the result is some installed sans face.
bool ResolveFace(const char* family, bool bold, bool italic, FaceLocation* out) {
    if (!FontconfigReady()) return false;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return false;
    if (family != nullptr && family[0] != '\0')
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return false;
    FcChar8* file = nullptr;
    int index = 0;
    bool found = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr;
    if (found) {
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
        out->path = reinterpret_cast<const char*>(file);
        out->index = index;
    }
    FcPatternDestroy(match);
    return found;
}

// Owns a FreeType library and face for the duration of one rasterisation.
class FreeTypeFace {
public:
    FreeTypeFace(const char* path, int index) {
        if (FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return;
        }
        if (FT_New_Face(library_, path, index, &face_) != 0) face_ = nullptr;
    }
    ~FreeTypeFace() {
        if (face_ != nullptr) FT_Done_Face(face_);
        if (library_ != nullptr) FT_Done_FreeType(library_);
    }
    FreeTypeFace(const FreeTypeFace&) = delete;
    FreeTypeFace& operator=(const FreeTypeFace&) = delete;

    FT_Face get() const { return face_; }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

}  // namespace

std::unique_ptr<FontFace> FontFace::Create(const char* faceName, int height, bool bold, bool italic) {
    FaceLocation location;
    if (ResolveFace(faceName, bold, italic, &location)) {
        auto face = CreateFromFile(location.path.c_str(), location.index, height);
        if (face) return face;
    }
    // The match could not be opened (a broken file, a non-scalable face):
    // any sans face is better than no text at all.
    if (ResolveFace("sans-serif", bold, italic, &location))
        return CreateFromFile(location.path.c_str(), location.index, height);
    return nullptr;
}

std::unique_ptr<FontFace> FontFace::CreateFromFile(const char* path, int faceIndex, int height) {
    if (path == nullptr || height > kMaxHeight || height < -kMaxHeight) return nullptr;
    FreeTypeFace ft(path, faceIndex);
    FT_Face face = ft.get();
    if (face == nullptr || !FT_IS_SCALABLE(face) || face->units_per_EM == 0) return nullptr;

    // The cell is the face's Windows ascent plus descent (the OS/2 table's
    // win metrics, which is what a Windows font cell is made of), falling
    // back to the typographic ascender and descender for other formats.
    double ascent = face->ascender;
    double descent = -face->descender;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    }
    if (ascent + descent <= 0) {
        ascent = face->units_per_EM * 0.9;
        descent = face->units_per_EM * 0.2;
    }
    const double cellUnits = ascent + descent;
    const double upem = face->units_per_EM;

    int cell = 0;
    int ppem = 0;
    if (height < 0) {
        ppem = -height;
        cell = std::max(1, static_cast<int>(std::lround(ppem * cellUnits / upem)));
    } else {
        cell = height == 0 ? 16 : height;
        // A whole pixel em, as hinted TrueType text uses; the cell stays the
        // exact height asked for.
        ppem = std::max(1, static_cast<int>(std::lround(cell * upem / cellUnits)));
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem)) != 0) return nullptr;

    std::unique_ptr<FontFace> result(new (std::nothrow) FontFace());
    if (!result) return nullptr;
    result->cellHeight_ = cell;
    result->ascent_ = static_cast<int>(std::lround(cell * ascent / cellUnits));
    if (face->family_name != nullptr) result->familyName_ = face->family_name;

    for (int byte = 0; byte < 256; ++byte) {
        char32_t code = Cp1252ToUnicode(static_cast<unsigned char>(byte));
        // Control characters and the undefined bytes draw nothing and take
        // no room; everything else gets its glyph, or the face's
        // missing-glyph box (glyph 0) when the face lacks it.
        if (code < 0x20 || code == 0x7F) continue;
        FT_UInt index = FT_Get_Char_Index(face, code);
        if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) continue;
        FT_GlyphSlot slot = face->glyph;
        Glyph& glyph = result->glyphs_[byte];
        glyph.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) continue;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0 ||
            bitmap.buffer == nullptr)
            continue;
        glyph.left = slot->bitmap_left;
        glyph.top = result->ascent_ - slot->bitmap_top;
        glyph.width = static_cast<int32_t>(bitmap.width);
        glyph.rows = static_cast<int32_t>(bitmap.rows);
        glyph.offset = result->coverage_.size();
        result->coverage_.resize(glyph.offset + bitmap.width * bitmap.rows);
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const unsigned char* src = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
            std::copy(src, src + bitmap.width,
                      result->coverage_.begin() + static_cast<ptrdiff_t>(glyph.offset + row * bitmap.width));
        }
        result->minLeft_ = std::min(result->minLeft_, glyph.left);
    }
    return result;
}
