// make-editor-artwork <font directory> <output directory>
//
// Draws the editor's nine pictures into the output directory, each as
// name.png at 100 % and name@2x.png at 200 % (the same layout drawn at
// twice the resolution). The fonts come from the given directory's
// LiberationSans-Regular.ttf and LiberationSans-Bold.ttf.
#include "tools/artwork/Artwork.h"

#include <cstdio>
#include <string>

using namespace ovri::korvane::artwork;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make-editor-artwork <font directory> <output directory>\n");
    return 2;
  }
  const Fonts fonts(argv[1]);
  if (!fonts.ok()) {
    std::fprintf(stderr, "make-editor-artwork: cannot load Liberation Sans from %s\n", argv[1]);
    return 1;
  }
  const std::string out = argv[2];
  for (const Picture& p : kPictures) {
    for (int scale = 1; scale <= 2; ++scale) {
      const std::string path = out + "/" + p.name + (scale == 2 ? "@2x" : "") + ".png";
      Canvas canvas(p.width, p.height, scale, fonts);
      p.draw(canvas);
      if (!canvas.writePng(path)) {
        std::fprintf(stderr, "make-editor-artwork: cannot write %s\n", path.c_str());
        return 1;
      }
    }
  }
  return 0;
}
