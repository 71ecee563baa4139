// FontFace's drawing, which needs no FreeType: measuring and blitting the
// glyphs kept in memory, and the glyph atlas that carries them to builds
// without FreeType.
#include "graphics/font_face.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Blends one channel of src over dst with alpha a (0..255), rounded.
inline uint32_t BlendChannel(uint32_t src, uint32_t dst, uint32_t a) { return (src * a + dst * (255 - a) + 127) / 255; }

// The atlas: a magic word, the cell, the family name, 256 glyph records and
// the coverage bytes, every number a little-endian 32-bit integer.
constexpr uint32_t kAtlasMagic = 0x41473356;  // "V3GA"
constexpr int kAtlasGlyphFields = 6;

void PutInt(std::vector<uint8_t>* out, int64_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(v >> shift));
}

// Reads the atlas front to back; any read past its end fails the whole load.
class AtlasReader {
public:
    AtlasReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Int(int32_t* value) {
        if (data_ == nullptr || size_ - offset_ < 4) return false;
        uint32_t v = 0;
        for (int k = 0; k < 4; ++k) v |= static_cast<uint32_t>(data_[offset_ + k]) << (8 * k);
        offset_ += 4;
        *value = static_cast<int32_t>(v);
        return true;
    }
    bool Bytes(size_t count, const uint8_t** bytes) {
        if (data_ == nullptr || size_ - offset_ < count) return false;
        *bytes = data_ + offset_;
        offset_ += count;
        return true;
    }
    bool AtEnd() const { return offset_ == size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};

}  // namespace

std::vector<uint8_t> FontFace::SaveAtlas() const {
    std::vector<uint8_t> out;
    PutInt(&out, kAtlasMagic);
    PutInt(&out, cellHeight_);
    PutInt(&out, ascent_);
    PutInt(&out, static_cast<int64_t>(familyName_.size()));
    out.insert(out.end(), familyName_.begin(), familyName_.end());
    for (const Glyph& glyph : glyphs_) {
        for (int64_t field : {int64_t{glyph.left}, int64_t{glyph.top}, int64_t{glyph.width}, int64_t{glyph.rows},
                              int64_t{glyph.advance}, static_cast<int64_t>(glyph.offset)})
            PutInt(&out, field);
    }
    PutInt(&out, static_cast<int64_t>(coverage_.size()));
    out.insert(out.end(), coverage_.begin(), coverage_.end());
    return out;
}

std::unique_ptr<FontFace> FontFace::LoadAtlas(const uint8_t* data, size_t size) {
    AtlasReader in(data, size);
    int32_t magic = 0, cell = 0, ascent = 0, nameLength = 0;
    const uint8_t* name = nullptr;
    if (!in.Int(&magic) || static_cast<uint32_t>(magic) != kAtlasMagic || !in.Int(&cell) || !in.Int(&ascent) ||
        !in.Int(&nameLength) || nameLength < 0 || !in.Bytes(static_cast<size_t>(nameLength), &name))
        return nullptr;
    if (cell <= 0 || cell > 4 * kMaxHeight) return nullptr;
    std::unique_ptr<FontFace> face(new (std::nothrow) FontFace());
    if (!face) return nullptr;
    face->cellHeight_ = cell;
    face->ascent_ = ascent;
    face->familyName_.assign(reinterpret_cast<const char*>(name), static_cast<size_t>(nameLength));
    int32_t fields[256][kAtlasGlyphFields];
    for (auto& glyph : fields)
        for (int32_t& field : glyph)
            if (!in.Int(&field)) return nullptr;
    int32_t coverageSize = 0;
    const uint8_t* coverage = nullptr;
    if (!in.Int(&coverageSize) || coverageSize < 0 || !in.Bytes(static_cast<size_t>(coverageSize), &coverage) ||
        !in.AtEnd())
        return nullptr;
    face->coverage_.assign(coverage, coverage + coverageSize);
    for (int byte = 0; byte < 256; ++byte) {
        Glyph& glyph = face->glyphs_[byte];
        const int32_t* f = fields[byte];
        glyph.left = f[0];
        glyph.top = f[1];
        glyph.width = f[2];
        glyph.rows = f[3];
        glyph.advance = f[4];
        // Every bitmap must lie inside the coverage bytes: the blit trusts them.
        if (glyph.width < 0 || glyph.rows < 0 || glyph.width > 4 * kMaxHeight || glyph.rows > 4 * kMaxHeight ||
            f[5] < 0)
            return nullptr;
        glyph.offset = static_cast<size_t>(f[5]);
        const size_t bytes = static_cast<size_t>(glyph.width) * static_cast<size_t>(glyph.rows);
        if (glyph.offset > face->coverage_.size() || bytes > face->coverage_.size() - glyph.offset) return nullptr;
        if (glyph.width > 0) face->minLeft_ = std::min(face->minLeft_, glyph.left);
    }
    return face;
}

int64_t FontFace::MeasureWidth(const unsigned char* text, size_t count) const {
    if (text == nullptr) return 0;
    int64_t width = 0;
    for (size_t i = 0; i < count; ++i) width += glyphs_[text[i]].advance;
    return width;
}

void FontFace::Draw(const PixelTarget& target, int64_t x, int64_t y, const unsigned char* text, size_t count,
                    uint32_t argb) const {
    if (text == nullptr || target.pixels == nullptr || target.width <= 0 || target.height <= 0 ||
        target.pitchPixels < target.width || (argb >> 24) == 0)
        return;
    // A line whose cell lies wholly above or below the target shows nothing;
    // the margin allows for glyphs that reach beyond the cell.
    if (y + cellHeight_ + kMaxHeight < 0 || y - kMaxHeight >= target.height) return;
    int64_t pen = x;
    for (size_t i = 0; i < count; ++i) {
        // Every later glyph starts further right: once even the leftmost
        // bearing would start past the right edge, the rest is off screen.
        if (pen + minLeft_ >= target.width) break;
        const Glyph& glyph = glyphs_[text[i]];
        if (glyph.width > 0) BlitGlyph(target, glyph, pen + glyph.left, y + glyph.top, argb);
        pen += glyph.advance;
    }
}

void FontFace::BlitGlyph(const PixelTarget& target, const Glyph& glyph, int64_t gx, int64_t gy, uint32_t argb) const {
    const int64_t x0 = std::max<int64_t>(gx, 0);
    const int64_t x1 = std::min<int64_t>(gx + glyph.width, target.width);
    const int64_t y0 = std::max<int64_t>(gy, 0);
    const int64_t y1 = std::min<int64_t>(gy + glyph.rows, target.height);
    if (x0 >= x1 || y0 >= y1) return;
    const uint32_t colourAlpha = argb >> 24;
    const uint32_t r = (argb >> 16) & 0xFF;
    const uint32_t g = (argb >> 8) & 0xFF;
    const uint32_t b = argb & 0xFF;
    for (int64_t py = y0; py < y1; ++py) {
        const uint8_t* src =
            coverage_.data() + glyph.offset + static_cast<size_t>(py - gy) * static_cast<size_t>(glyph.width);
        uint32_t* dst = target.pixels + py * target.pitchPixels;
        for (int64_t px = x0; px < x1; ++px) {
            const uint32_t coverage = src[px - gx];
            if (coverage == 0) continue;
            const uint32_t a = (coverage * colourAlpha + 127) / 255;
            if (a == 0) continue;
            const uint32_t d = dst[px];
            const uint32_t da = d >> 24;
            // Alpha composes "over", so an opaque back buffer stays opaque.
            const uint32_t outA = a + (da * (255 - a) + 127) / 255;
            const uint32_t outR = BlendChannel(r, (d >> 16) & 0xFF, a);
            const uint32_t outG = BlendChannel(g, (d >> 8) & 0xFF, a);
            const uint32_t outB = BlendChannel(b, d & 0xFF, a);
            dst[px] = (outA << 24) | (outR << 16) | (outG << 8) | outB;
        }
    }
}
