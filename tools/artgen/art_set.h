// The complete list of the game's pictures, each with its file path under
// GFX and the painter that draws it, plus the desktop icon.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "canvas.h"

namespace artgen {

struct ArtFile {
  std::string path;  // relative to the GFX directory, e.g. "PHOTON/PHOTON1.png"
  int width;
  int height;
  bool opaque;  // written as RGB without alpha
  std::function<void(Canvas&)> paint;
};

class ArtSet {
 public:
  // Lists every picture of the game (129 files).
  ArtSet();

  const std::vector<ArtFile>& Files() const { return files_; }

  // Paints one file's picture.
  static Canvas Draw(const ArtFile& file);

  // Paints and writes every file below directory gfx, creating the
  // subdirectories. Returns false and sets *error on the first failure.
  bool WriteAll(const std::string& gfx, std::string* error) const;

  // Writes the icon in each of the sizes as <dir>/<size>x<size>/vantora3.png
  // (48 and 128 for the desktop, 192 and 512 for the web page). Returns false
  // and sets *error on failure.
  static bool WriteIcons(const std::string& dir, const std::vector<int>& sizes, std::string* error);

  // Writes one picture showing every file but the background side by side,
  // on a dark ground, for looking at the art. Returns false on failure.
  bool WriteContactSheet(const std::string& path, std::string* error) const;

 private:
  std::vector<ArtFile> files_;
};

}  // namespace artgen
