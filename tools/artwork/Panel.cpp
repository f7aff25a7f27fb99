#include "tools/artwork/Panel.h"

namespace ovri::korvane::artwork {

using namespace palette;

void rowBand(Canvas& c, int x0, int x1, int y, int rows) {
  const int h = kRowHeight * rows - 1;  // one pixel of panel between rows
  c.fill(Box{double(x0), double(y), double(x1 - x0), double(h)}, kBand);
  c.hline(x0, x1, y, kBandTop);
  c.hline(x0, x1, y + h - 1, kBandBottom);
}

void captionIn(Canvas& c, Box cell, const std::string& text, Align align) {
  constexpr double kPadding = 6;
  Box inner{cell.x + kPadding, cell.y, cell.w - 2 * kPadding, cell.h};
  c.text(inner, text, typeface::kCaption, kCaption, align);
}

void caption(Canvas& c, int x, int y, int cw, const std::string& text) {
  captionIn(c, Box{double(x), double(y), double(cw), double(kRowHeight - 1)}, text);
}

void window(Canvas& c, Box b) {
  // A recessed display: dark rim, light face with a soft top shade.
  c.fill(Box{b.x - 1, b.y - 1, b.w + 2, b.h + 2}, kWindowEdge);
  c.fillVertical(b, kWindowTop, kWindowBottom);
  c.hline(b.x, b.x + b.w, b.y, Colour{160, 155, 182});
}

void valueWindow(Canvas& c, int x, int y, int cw, int w) {
  // Inset by one pixel so neighbouring windows and the rim stay apart.
  window(c, Box{double(x + cw + 2), double(y + 2), double(w - 3), double(kControlHeight - 2)});
}

void sliderTrack(Canvas& c, int x, int y, int cw, int w) {
  const int left = x + cw + 1;
  const int start = left + kHandleWidth / 2;  // handle centre at either end
  const int end = left + w + kHandleWidth / 2;
  const int mid = y + 1 + kControlHeight / 2;
  c.fill(Box{double(start - 1), double(mid - 1), double(end - start + 2), 2}, kGroove);
  c.hline(start - 1, end + 1, mid + 1, kGrooveLight);
  // Scale marks: the ends and the middle taller, quarters short.
  for (int q = 0; q <= 4; ++q) {
    const int tx = start + (end - start - 1) * q / 4;
    const int len = (q % 2 == 0) ? 4 : 2;
    c.vline(tx, mid - 4 - len, mid - 4, kRule);
    c.vline(tx, mid + 4, mid + 4 + len, kRule);
  }
}

void unit(Canvas& c, int x0, int x1, int y, const std::string& text) {
  c.text(Box{double(x0), double(y), double(x1 - x0), double(kRowHeight - 1)}, text, typeface::kUnit,
         kDimCaption, Align::Centre);
}

void titleRow(Canvas& c, int x0, int x1, int y0, int y1, const std::string& title, bool menuButton) {
  const Box b{double(x0), double(y0), double(x1 - x0), double(y1 - y0 + 1)};
  c.fillVertical(b, kTitleTop, kTitleBottom);
  c.hline(x0, x1, y0, Colour{70, 64, 92});
  c.hline(x0, x1, y1, Colour{17, 16, 22});
  const double textLeft = menuButton ? x0 + 36 : x0 + 8;  // the button is 28 wide
  if (title.empty()) return;
  // A short accent bar before the title.
  c.fill(Box{textLeft, y0 + 7.0, 2, double(y1 - y0 - 13)}, kAccent);
  c.text(Box{textLeft + 7, double(y0), b.w, b.h}, title, typeface::kTitle, kTitle);
}

}  // namespace ovri::korvane::artwork
