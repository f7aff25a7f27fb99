// Writes the gallery's bitmaps into a folder (the test bundle's resources).
#include "tests/support/Gallery.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-gallery-resources FOLDER\n");
    return 2;
  }
  ovri::korvane::test::makeGalleryResources(argv[1]);
  return 0;
}
