// The glyph atlas of the game's text font, rendered by FreeType at build
// time (tools/fontatlas) and compiled into the web build.
#pragma once

#include <cstddef>

extern const unsigned char kGlyphAtlas[];
extern const size_t kGlyphAtlasSize;
