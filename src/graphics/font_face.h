// One typeface at one size, rasterised once for all 256 Windows-1252 byte
// values when it is created, then blitted from memory: drawing a text makes
// no FreeType call. Used by the ID3DXFont of font.cpp; tests draw through
// it into plain pixel buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/pixels.h"

class FontFace {
public:
    // Largest |height| accepted; bounds the memory of the 256 glyph bitmaps.
    static constexpr int kMaxHeight = 128;
    // Height as in a LOGFONT: 0 for the default 16-pixel cell, above 0 the
    // cell height, below 0 minus the character (em) height, in pixels.

    // Resolves faceName through fontconfig ("Arial" finds a metric-compatible
    // face; an unknown name falls back to an installed sans face), then
    // renders every glyph. Null when no face can be found or opened, or the
    // height is beyond kMaxHeight. The caller owns the result.
    static std::unique_ptr<FontFace> Create(const char* faceName, int height, bool bold, bool italic);
    // As Create, from face faceIndex of the font file at path.
    static std::unique_ptr<FontFace> CreateFromFile(const char* path, int faceIndex, int height);

    // Height of one line: the cell from the top of the ascent to the bottom
    // of the descent, in pixels.
    int CellHeight() const { return cellHeight_; }
    // Distance from the top of the cell to the baseline, in pixels.
    int Ascent() const { return ascent_; }
    // The family name of the face in use, e.g. "Liberation Sans".
    const std::string& FamilyName() const { return familyName_; }

    // The glyphs as one block of bytes (the glyph atlas the web build draws
    // its text from): the cell, the family name, every glyph's placement and
    // coverage. LoadAtlas of the block gives a face that draws the same pixels.
    std::vector<uint8_t> SaveAtlas() const;
    // A face from a block written by SaveAtlas; null when it is truncated,
    // malformed or has trailing bytes.
    static std::unique_ptr<FontFace> LoadAtlas(const uint8_t* data, size_t size);

    // The advance width of count bytes of text in pixels. Control bytes and
    // bytes Windows-1252 leaves undefined take no room.
    int64_t MeasureWidth(const unsigned char* text, size_t count) const;
    // Draws count bytes of text with the top-left corner of its cell at
    // (x, y), anti-aliased, blended over the target in the colour (alpha =
    // coverage * the colour's alpha). Clipped to the target at every edge.
    void Draw(const PixelTarget& target, int64_t x, int64_t y, const unsigned char* text, size_t count,
              uint32_t argb) const;

private:
    // One rasterised byte value: a coverage bitmap placed relative to the
    // pen position at the top of the cell.
    struct Glyph {
        int32_t left = 0;   // bitmap column 0 relative to the pen
        int32_t top = 0;    // bitmap row 0 relative to the cell top
        int32_t width = 0;  // bitmap size; 0 for blanks
        int32_t rows = 0;
        int32_t advance = 0;  // pen movement in pixels
        size_t offset = 0;    // first coverage byte in coverage_
    };

    FontFace() = default;
    void BlitGlyph(const PixelTarget& target, const Glyph& glyph, int64_t gx, int64_t gy, uint32_t argb) const;

    Glyph glyphs_[256];
    std::vector<uint8_t> coverage_;  // all glyph bitmaps, row by row, tightly packed
    int cellHeight_ = 0;
    int ascent_ = 0;
    int32_t minLeft_ = 0;  // most negative left bearing, for early stops
    std::string familyName_;
};
