// The product logo, the library logo of the about overlay, the menu button
// and the slider handle.
#include "tools/artwork/Artwork.h"
#include "tools/artwork/Panel.h"

#include <cmath>

namespace ovri::korvane::artwork {

using namespace palette;

namespace {

constexpr Colour kPale{236, 233, 246};

// The emblem: one sine period in a rounded violet square of side s.
void emblem(Canvas& c, double x, double y, double s, bool bright) {
  const Colour top = bright ? Colour{176, 156, 236} : Colour{150, 130, 210};
  const Colour bottom = bright ? Colour{104, 84, 168} : Colour{84, 66, 146};
  c.fillRoundedVertical(Box{x, y, s, s}, s * 0.22, top, bottom);
  cairo_t* cr = c.context();
  cairo_new_path(cr);
  const double inset = s * 0.18, amp = s * 0.24;
  for (int i = 0; i <= 64; ++i) {
    const double t = i / 64.0;
    cairo_line_to(cr, x + inset + t * (s - 2 * inset), y + s / 2 - amp * std::sin(2 * M_PI * t));
  }
  c.setSource(kPale);
  cairo_set_line_width(cr, std::max(1.5, s * 0.075));
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_stroke(cr);
}

// The word mark "Korvane Synth FM4" with its baseline band b.
double wordMark(Canvas& c, Box b, double size, bool bright) {
  const TextStyle strong{size, true, 0.3};
  const TextStyle light{size, false, 0.3};
  c.text(b, "Korvane", strong, kPale);
  const double x = b.x + c.textWidth("Korvane", strong) + size * 0.3;
  c.text(Box{x, b.y, b.w, b.h}, "Synth FM4", light, bright ? Colour{196, 180, 250} : Colour{172, 156, 226});
  return x + c.textWidth("Synth FM4", light) - b.x;
}

}  // namespace

// logo.png, 784 x 92: the header strip, at rest (y 0-45) and pressed
// (y 46-91).
void drawLogo(Canvas& c) {
  for (int state = 0; state < 2; ++state) {
    const double oy = state * 46.0;
    const bool pressed = state == 1;
    c.fillVertical(Box{0, oy, 784, 46}, pressed ? Colour{50, 45, 66} : Colour{42, 39, 53},
                   Colour{20, 19, 24});
    c.hline(0, 784, oy, Colour{66, 61, 84});
    c.hline(0, 784, oy + 45, pressed ? kAccent : Colour{96, 82, 150});
    emblem(c, 14, oy + 9, 27, pressed);
    wordMark(c, Box{50, oy + 1, 400, 44}, 21, pressed);
    const TextStyle caps{9.5, false, 1.6};
    const std::string line = "16-PART  FOUR-OPERATOR  FM  TONE  MODULE";
    c.text(Box{400, oy + 1, 368, 44}, line, caps, pressed ? kCaption : kDimCaption, Align::Right);
  }
}

// libLogo.png, 260 x 700 with alpha: a card for the about overlay, at rest
// and pressed, each 260 x 350; outside the rounded card it is transparent.
void drawLibraryLogo(Canvas& c) {
  for (int state = 0; state < 2; ++state) {
    const double oy = state * 350.0;
    const bool pressed = state == 1;
    const Box card{1, oy + 1, 258, 348};
    c.fillRoundedVertical(card, 16, pressed ? Colour{54, 48, 72} : Colour{44, 40, 58},
                          Colour{21, 20, 27});
    c.strokeRounded(card, 16, pressed ? kAccent : Colour{88, 80, 116});

    emblem(c, 82, oy + 44, 96, pressed);
    const TextStyle name{30, true, 2.5};
    c.text(Box{0, oy + 164, 260, 40}, "KORVANE", name, kPale, Align::Centre);
    const TextStyle sub{15, false, 4.0};
    c.text(Box{0, oy + 200, 260, 24}, "SYNTH FM4", sub, Colour{186, 170, 244}, Align::Centre);
    c.hline(70, 190, oy + 236, Colour{88, 80, 116});

    // Four operators in a chain, the engine's longest structure.
    const double bx = 64, by = oy + 256;
    for (int op = 0; op < 4; ++op) {
      const Box b{bx + op * 36, by, 24, 20};
      if (op == 3) {
        c.fillRounded(b, 3, Colour{172, 156, 226});
        c.text(b, "3", TextStyle{11, true}, Colour{30, 27, 40}, Align::Centre);
      } else {
        c.strokeRounded(b, 3, Colour{172, 156, 226});
        c.text(b, std::to_string(op), TextStyle{11, true}, kPale, Align::Centre);
      }
      if (op < 3) c.hline(b.x + 24, b.x + 36, by + 10, Colour{172, 156, 226});
    }
    c.text(Box{0, oy + 292, 260, 20}, "four-operator FM  \xC2\xB7  sampler  \xC2\xB7  16 parts",
           TextStyle{10.5}, kCaption, Align::Centre);
    c.text(Box{0, oy + 312, 260, 18}, "sound engine", TextStyle{10.5}, kDimCaption, Align::Centre);
  }
}

// menu.png, 28 x 40: the menu button lit (y 0-19) and dim (y 20-39).
void drawMenuButton(Canvas& c) {
  for (int state = 0; state < 2; ++state) {
    const double oy = state * 20.0;
    const bool lit = state == 0;
    const Box b{0, oy, 28, 20};
    c.fillRoundedVertical(b, 3, lit ? Colour{82, 74, 110} : Colour{46, 43, 58},
                          lit ? Colour{52, 47, 70} : Colour{32, 30, 40});
    c.strokeRounded(b, 3, lit ? Colour{120, 108, 160} : Colour{66, 62, 82});
    const Colour bar = lit ? kPale : Colour{130, 124, 150};
    for (int i = 0; i < 3; ++i) c.hline(8, 20, oy + 6 + 3 * i, bar);
  }
}

// knob0.png, 10 x 22 with alpha: the slider handle, a pale cap with an
// index line in the controls' ink.
void drawHandle(Canvas& c) {
  const Box b{0, 0, 10, 22};
  c.fillRounded(b, 2, kWindowEdge);
  c.fillRoundedVertical(Box{1, 1, 8, 20}, 1.5, Colour{238, 235, 248}, Colour{168, 162, 190});
  c.hline(2, 8, 1, Colour{255, 255, 255, 200});
  c.fill(Box{4, 3, 2, 16}, kInk);
}

}  // namespace ovri::korvane::artwork
