#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/font_face.h"

namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kGuard = 0x5A5A5A5Au;

// A width x height ARGB canvas inside a larger buffer: guard columns to the
// right of every row and guard rows below, which drawing must never touch.
class Canvas {
public:
    Canvas(int width, int height, uint32_t background = kBlack)
        : width_(width),
          height_(height),
          pitch_(width + 37),
          pixels_(static_cast<size_t>(pitch_) * (height + 9), kGuard),
          background_(background) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) At(x, y) = background;
    }
    PixelTarget Target() {
        PixelTarget t;
        t.pixels = pixels_.data();
        t.pitchPixels = pitch_;
        t.width = width_;
        t.height = height_;
        return t;
    }
    uint32_t& At(int x, int y) { return pixels_[static_cast<size_t>(y) * pitch_ + x]; }
    uint32_t At(int x, int y) const { return pixels_[static_cast<size_t>(y) * pitch_ + x]; }
    bool Lit(int x, int y) const { return At(x, y) != background_; }
    int LitCount() const {
        int n = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) n += Lit(x, y);
        return n;
    }
    // Smallest lit row and column (-1 when nothing is lit).
    int TopRow() const {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (Lit(x, y)) return y;
        return -1;
    }
    int LeftColumn() const {
        for (int x = 0; x < width_; ++x)
            for (int y = 0; y < height_; ++y)
                if (Lit(x, y)) return x;
        return -1;
    }
    int RightColumn() const {
        for (int x = width_ - 1; x >= 0; --x)
            for (int y = 0; y < height_; ++y)
                if (Lit(x, y)) return x;
        return -1;
    }
    bool GuardIntact() const {
        for (size_t i = 0; i < pixels_.size(); ++i) {
            const bool inside = static_cast<int>(i % pitch_) < width_ && static_cast<int>(i / pitch_) < height_;
            if (!inside && pixels_[i] != kGuard) return false;
        }
        return true;
    }
    bool SamePixels(const Canvas& other) const {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (At(x, y) != other.At(x, y)) return false;
        return true;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_;
    int height_;
    int pitch_;
    std::vector<uint32_t> pixels_;
    uint32_t background_;
};

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// One Arial face at the default height, shared by the tests of a process.
const FontFace& Arial() {
    static std::unique_ptr<FontFace> face = FontFace::Create("Arial", 0, false, false);
    if (!face) {
        ADD_FAILURE() << "no face for Arial";
        std::abort();
    }
    return *face;
}

void DrawOn(Canvas& canvas, int64_t x, int64_t y, const std::string& text, uint32_t colour = kWhite) {
    Arial().Draw(canvas.Target(), x, y, Bytes(text), text.size(), colour);
}

TEST(FontFace, ArialResolvesToLiberationSansWithAWindowsSixteenPixelCell) {
    const FontFace& face = Arial();
    EXPECT_EQ(face.FamilyName(), "Liberation Sans");
    EXPECT_EQ(face.CellHeight(), 16);
    // Arial's 16-pixel cell: 13 pixels of ascent above 3 of descent.
    EXPECT_EQ(face.Ascent(), 13);
}

TEST(FontFace, UnknownFaceNameFallsBackToAnInstalledFace) {
    auto face = FontFace::Create("No Such Face 4711", 0, false, false);
    ASSERT_TRUE(face);
    EXPECT_FALSE(face->FamilyName().empty());
    EXPECT_EQ(face->CellHeight(), 16);
    Canvas canvas(100, 24);
    const std::string text = "Punkte";
    face->Draw(canvas.Target(), 1, 1, Bytes(text), text.size(), kWhite);
    EXPECT_GT(canvas.LitCount(), 20);
}

TEST(FontFace, HeightChoosesTheCellAsALogFontDoes) {
    struct Case {
        int height;
        int cell;
    };
    // Positive heights are cells; negative ones are the em, and Liberation
    // Sans's cell is 2288/2048 of its em.
    const Case cases[] = {{0, 16}, {16, 16}, {24, 24}, {9, 9}, {-16, 18}, {-32, 36}};
    for (const Case& c : cases) {
        auto face = FontFace::Create("Arial", c.height, false, false);
        ASSERT_TRUE(face) << c.height;
        EXPECT_EQ(face->CellHeight(), c.cell) << "height " << c.height;
        EXPECT_GT(face->Ascent(), face->CellHeight() / 2) << "height " << c.height;
        EXPECT_LT(face->Ascent(), face->CellHeight()) << "height " << c.height;
    }
}

TEST(FontFace, RefusesHeightsBeyondTheLimitAndFilesThatAreNoFonts) {
    for (int height : {FontFace::kMaxHeight + 1, -FontFace::kMaxHeight - 1, INT_MAX, INT_MIN})
        EXPECT_FALSE(FontFace::Create("Arial", height, false, false)) << height;

    EXPECT_FALSE(FontFace::CreateFromFile("/nonexistent/dir/font.ttf", 0, 0));
    EXPECT_FALSE(FontFace::CreateFromFile(nullptr, 0, 0));
    const std::string garbage = ::testing::TempDir() + "font_face_garbage.ttf";
    FILE* f = std::fopen(garbage.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("this is not a font file at all, just some bytes", f);
    std::fclose(f);
    EXPECT_FALSE(FontFace::CreateFromFile(garbage.c_str(), 0, 0));
    std::remove(garbage.c_str());
}

TEST(FontFace, TextCellStartsAtTheGivenPointWhateverItsLength) {
    struct Case {
        int x, y;
        std::string text;
    };
    const Case cases[] = {
        {1, 1, "F"},         {1, 1, "FPS: 60"},        {1, 1, "Fehler: " + std::string(300, 'W')},
        {1, 1, "Level: 12"}, {40, 20, "Punkte: 1500"}, {300, 100, "Fertig geladen"},
    };
    for (const Case& c : cases) {
        Canvas canvas(640, 160);
        DrawOn(canvas, c.x, c.y, c.text);
        const int top = canvas.TopRow();
        const int left = canvas.LeftColumn();
        // A tall first glyph reaches near the top of the cell, its stem near
        // the pen; nothing lands above or left of the cell.
        EXPECT_GE(top, c.y) << c.text;
        EXPECT_LE(top, c.y + 3) << c.text;
        EXPECT_GE(left, c.x) << c.text;
        EXPECT_LE(left, c.x + 2) << c.text;
        EXPECT_TRUE(canvas.GuardIntact()) << c.text;
    }
}

TEST(FontFace, TextAtOneOneLeavesRowZeroAndColumnZeroDark) {
    for (const std::string text : {"F", "Fighter", "Punkte: 0", "Level: 1", "Schwierigkeit"}) {
        Canvas canvas(300, 30);
        DrawOn(canvas, 1, 1, text);
        bool anyInCorner = false;
        for (int y = 1; y <= 4; ++y)
            for (int x = 1; x <= 3; ++x) anyInCorner |= canvas.Lit(x, y);
        EXPECT_TRUE(anyInCorner) << text;
        for (int x = 0; x < canvas.width(); ++x) EXPECT_FALSE(canvas.Lit(x, 0)) << text << " x " << x;
        for (int y = 0; y < canvas.height(); ++y) EXPECT_FALSE(canvas.Lit(0, y)) << text << " y " << y;
    }
}

TEST(FontFace, UmlautBytesDrawTheirOwnGlyphs) {
    struct Case {
        const char* umlaut;
        const char* plain;
    };
    const Case cases[] = {{"\xE4", "a"}, {"\xF6", "o"}, {"\xFC", "u"}, {"\xC4", "A"},
                          {"\xD6", "O"}, {"\xDC", "U"}, {"\xDF", "s"}};
    for (const Case& c : cases) {
        Canvas withUmlaut(40, 24);
        Canvas plain(40, 24);
        DrawOn(withUmlaut, 2, 2, c.umlaut);
        DrawOn(plain, 2, 2, c.plain);
        EXPECT_GT(withUmlaut.LitCount(), 0) << c.umlaut;
        EXPECT_FALSE(withUmlaut.SamePixels(plain)) << c.umlaut;
        // The dots (or the sharp s's ascender) stand above the plain letter.
        EXPECT_LT(withUmlaut.TopRow(), plain.TopRow()) << c.umlaut;
    }
}

TEST(FontFace, WordsWithUmlautsDifferFromTheirPlainSpelling) {
    const std::pair<std::string, std::string> words[] = {{"Gew\xE4hlter", "Gewahlter"}, {"k\xF6nnen", "konnen"}};
    for (const auto& [umlaut, plain] : words) {
        Canvas a(200, 24);
        Canvas b(200, 24);
        DrawOn(a, 1, 1, umlaut);
        DrawOn(b, 1, 1, plain);
        EXPECT_FALSE(a.SamePixels(b)) << umlaut;
    }
}

TEST(FontFace, WidthGrowsWithTheTextAndIsTheSumOfItsAdvances) {
    const std::string texts[] = {"", "W", "We", "Wel", "Welt", "Welt ", "Welt 2", "Welt 20"};
    int64_t previous = -1;
    for (const std::string& text : texts) {
        const int64_t width = Arial().MeasureWidth(Bytes(text), text.size());
        EXPECT_GT(width, previous) << '"' << text << '"';
        int64_t sum = 0;
        for (unsigned char byte : text) sum += Arial().MeasureWidth(&byte, 1);
        EXPECT_EQ(width, sum) << '"' << text << '"';
        previous = width;
    }
}

TEST(FontFace, MeasuredWidthCoversTheDrawnPixels) {
    for (const std::string text : {"Punkte: 1500", "Level 3", "MITTEL", "H"}) {
        Canvas canvas(400, 24);
        DrawOn(canvas, 10, 2, text);
        const int64_t width = Arial().MeasureWidth(Bytes(text), text.size());
        EXPECT_GE(canvas.LeftColumn(), 10) << text;
        EXPECT_LT(canvas.RightColumn(), 10 + width) << text;
        EXPECT_GT(canvas.RightColumn(), 10 + width - 4) << text;
    }
}

TEST(FontFace, ControlAndUndefinedBytesTakeNoRoomAndDrawNothing) {
    const std::string nothing = "\x01\x08\t\n\r\x1B\x1F\x7F\x81\x8D\x8F\x90\x9D";
    EXPECT_EQ(Arial().MeasureWidth(Bytes(nothing), nothing.size()), 0);
    Canvas canvas(100, 24);
    DrawOn(canvas, 5, 5, nothing);
    EXPECT_EQ(canvas.LitCount(), 0);

    // Between letters they change nothing at all.
    Canvas plain(100, 24);
    Canvas mixed(100, 24);
    DrawOn(plain, 5, 5, "AB");
    DrawOn(mixed, 5, 5, "A" + nothing + "B");
    EXPECT_TRUE(plain.SamePixels(mixed));
}

TEST(FontFace, DrawingIsClippedAtEveryEdge) {
    struct Case {
        int64_t x, y;
        bool visible;  // some part of the text lies on the canvas
    };
    const Case cases[] = {
        {150, 5, true},
        {-30, 5, true},
        {5, -8, true},
        {-30, -8, true},
        {190, 30, true},
        {-5, 35, true},
        {200, 5, false},
        {5, 40, false},
        {5, -40, false},
        {-100000, -100000, false},
        {-100000, 5, false},
        {INT32_MIN, INT32_MIN, false},
        {INT32_MAX, INT32_MAX, false},
        {INT32_MAX, 5, false},
        {5, INT32_MIN, false},
    };
    const std::string text = "Fehler beim Laden der Datei " + std::string(100, 'M') + " \xC4\xD6\xDC";
    for (const Case& c : cases) {
        Canvas canvas(200, 40);
        DrawOn(canvas, c.x, c.y, text);
        EXPECT_TRUE(canvas.GuardIntact()) << c.x << "," << c.y;
        EXPECT_EQ(canvas.LitCount() > 0, c.visible) << c.x << "," << c.y;
    }
}

TEST(FontFace, LongTextRunsOffTheRightEdgeInsteadOfWrapping) {
    Canvas canvas(200, 60);
    DrawOn(canvas, 120, 1, std::string(50, 'H'));
    EXPECT_TRUE(canvas.GuardIntact());
    EXPECT_GE(canvas.RightColumn(), 195);       // reaches the edge
    for (int y = 18; y < canvas.height(); ++y)  // and there is no second line
        for (int x = 0; x < canvas.width(); ++x) ASSERT_FALSE(canvas.Lit(x, y)) << x << "," << y;
}

TEST(FontFace, EveryByteValueIsSafeToDraw) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
    for (int64_t x : {-3, 0, 1, 90}) {
        Canvas canvas(100, 20);
        for (int byte = 0; byte < 256; ++byte) {
            const unsigned char one = static_cast<unsigned char>(byte);
            Arial().Draw(canvas.Target(), x, 2, &one, 1, kWhite);
        }
        Arial().Draw(canvas.Target(), x, -4, Bytes(all), all.size(), kWhite);
        EXPECT_TRUE(canvas.GuardIntact()) << x;
    }
    EXPECT_GT(Arial().MeasureWidth(Bytes(all), all.size()), 0);
}

TEST(FontFace, InvalidTargetsAreLeftAlone) {
    Canvas canvas(50, 20);
    PixelTarget bad = canvas.Target();
    bad.pitchPixels = bad.width - 1;
    DrawOn(canvas, 0, 0, "");  // empty text
    Arial().Draw(bad, 1, 1, Bytes("FFF"), 3, kWhite);
    PixelTarget none;
    Arial().Draw(none, 1, 1, Bytes("FFF"), 3, kWhite);
    Arial().Draw(canvas.Target(), 1, 1, nullptr, 3, kWhite);
    EXPECT_EQ(canvas.LitCount(), 0);
    EXPECT_TRUE(canvas.GuardIntact());
}

TEST(FontFace, GlyphsBlendInTheColourByCoverageTimesAlpha) {
    struct Case {
        uint32_t colour;
        uint32_t background;
    };
    const Case cases[] = {
        {0xFFFF0000u, kBlack}, {0xFF00FF00u, kBlack}, {0xFFFFFF00u, 0xFF000080u},
        {0x80FFFFFFu, kBlack}, {0xFF000000u, kWhite}, {0x40FF8000u, 0xFF204060u},
    };
    for (const Case& c : cases) {
        Canvas canvas(60, 24, c.background);
        // "l" and "I" have full-coverage stems at this size.
        DrawOn(canvas, 2, 2, "lIl", c.colour);
        const uint32_t alpha = c.colour >> 24;
        int exactlyColoured = 0;
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) {
                const uint32_t p = canvas.At(x, y);
                ASSERT_EQ(p >> 24, 0xFFu) << "an opaque background stays opaque";
                for (int shift : {0, 8, 16}) {
                    const int src = static_cast<int>((c.colour >> shift) & 0xFF);
                    const int dst = static_cast<int>((c.background >> shift) & 0xFF);
                    const int got = static_cast<int>((p >> shift) & 0xFF);
                    // Each channel lies between the background and the
                    // colour, at most alpha of the way.
                    const int limit = dst + (src - dst) * static_cast<int>(alpha) / 255;
                    EXPECT_GE(got, std::min(dst, limit) - 1);
                    EXPECT_LE(got, std::max(dst, limit) + 1);
                }
                const uint32_t full = 0xFF000000u;
                uint32_t expected = full;
                for (int shift : {0, 8, 16}) {
                    const uint32_t src = (c.colour >> shift) & 0xFF;
                    const uint32_t dst = (c.background >> shift) & 0xFF;
                    expected |= ((src * alpha + dst * (255 - alpha) + 127) / 255) << shift;
                }
                exactlyColoured += p == expected;
            }
        }
        // The stems are the colour at full coverage, blended by its alpha alone.
        EXPECT_GE(exactlyColoured, 20) << std::hex << c.colour;
    }
}

TEST(FontFace, TransparentColourDrawsNothing) {
    Canvas canvas(60, 24);
    DrawOn(canvas, 2, 2, "Hallo", 0x00FFFFFFu);
    EXPECT_EQ(canvas.LitCount(), 0);
}

}  // namespace
