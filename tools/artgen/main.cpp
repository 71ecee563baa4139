// vantora3-artgen: draws every picture of the game procedurally.
//   vantora3-artgen <gfx dir>              all game pictures
//   vantora3-artgen --icons <dir> [size...] the icon, 48 and 128 pixels unless sizes are given
//   vantora3-artgen --contact-sheet <png>  every sprite frame on one sheet
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "art_set.h"

int main(int argc, char** argv) {
  std::string error;
  bool ok = false;
  if (argc >= 3 && std::strcmp(argv[1], "--icons") == 0) {
    std::vector<int> sizes;
    for (int i = 3; i < argc; ++i) {
      char* end = nullptr;
      const long size = std::strtol(argv[i], &end, 10);
      if (*end != '\0' || size < 16 || size > 1024) {
        std::fprintf(stderr, "vantora3-artgen: an icon size is 16 to 1024 pixels, not %s\n", argv[i]);
        return 2;
      }
      sizes.push_back(static_cast<int>(size));
    }
    if (sizes.empty()) sizes = {48, 128};
    ok = artgen::ArtSet::WriteIcons(argv[2], sizes, &error);
  } else if (argc == 3 && std::strcmp(argv[1], "--contact-sheet") == 0) {
    ok = artgen::ArtSet().WriteContactSheet(argv[2], &error);
  } else if (argc == 2 && argv[1][0] != '-') {
    ok = artgen::ArtSet().WriteAll(argv[1], &error);
  } else {
    std::fprintf(stderr, "usage: %s <gfx dir> | --icons <dir> [size...] | --contact-sheet <file.png>\n", argv[0]);
    return 2;
  }
  if (!ok) {
    std::fprintf(stderr, "vantora3-artgen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
