// Writing a Canvas as a PNG file with libpng.
#pragma once

#include <string>

#include "canvas.h"

namespace artgen {

// Writes canvas to path as 8-bit RGBA, or as 8-bit RGB when opaque is true.
// Returns true on success; on failure returns false and puts the reason
// into *error. The caller creates the directory.
bool WritePng(const std::string& path, const Canvas& canvas, bool opaque, std::string* error);

}  // namespace artgen
