// vantora3-artgen: draws every picture of the game procedurally.
//   vantora3-artgen <gfx dir>              all game pictures
//   vantora3-artgen --icons <dir>          the desktop icon in two sizes
//   vantora3-artgen --contact-sheet <png>  every sprite frame on one sheet
#include <cstdio>
#include <cstring>
#include <string>

#include "art_set.h"

int main(int argc, char** argv) {
  std::string error;
  bool ok = false;
  if (argc == 3 && std::strcmp(argv[1], "--icons") == 0) {
    ok = artgen::ArtSet::WriteIcons(argv[2], &error);
  } else if (argc == 3 && std::strcmp(argv[1], "--contact-sheet") == 0) {
    ok = artgen::ArtSet().WriteContactSheet(argv[2], &error);
  } else if (argc == 2 && argv[1][0] != '-') {
    ok = artgen::ArtSet().WriteAll(argv[1], &error);
  } else {
    std::fprintf(stderr, "usage: %s <gfx dir> | --icons <dir> | --contact-sheet <file.png>\n", argv[0]);
    return 2;
  }
  if (!ok) {
    std::fprintf(stderr, "vantora3-artgen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
