#pragma once

#include <cairo.h>

#include <string>

namespace ovri::korvane::artwork {

// A colour as 0-255 components, alpha included.
struct Colour {
  int r, g, b, a = 255;
};

// A rectangle in layout pixels (the 100 % grid), left/top inclusive.
struct Box {
  double x, y, w, h;
};

enum class Align { Left, Centre, Right };

// The two faces every picture uses, loaded from explicit TrueType files so
// the output never depends on which fonts the machine happens to prefer.
// One per program, outliving every Canvas: its destructor also clears
// cairo's caches.
class Fonts {
public:
  explicit Fonts(const std::string& directory);
  ~Fonts();
  Fonts(const Fonts&) = delete;
  Fonts& operator=(const Fonts&) = delete;

  bool ok() const { return regular_ != nullptr && bold_ != nullptr; }
  cairo_font_face_t* regular() const { return regular_; }
  cairo_font_face_t* bold() const { return bold_; }

private:
  void* library_ = nullptr;  // FT_Library
  cairo_font_face_t* regular_ = nullptr;
  cairo_font_face_t* bold_ = nullptr;
};

struct TextStyle {
  double size;  // pixels at 100 %
  bool bold = false;
  double tracking = 0.0;  // extra pixels between letters
};

// An ARGB image drawn in layout pixels: the cairo context is scaled so one
// layout pixel covers scale x scale device pixels, and every helper rounds
// to whole device pixels so 1-px rules stay sharp at both scales.
class Canvas {
public:
  Canvas(int width, int height, int scale, const Fonts& fonts);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  cairo_t* context() const { return cr_; }
  int scale() const { return scale_; }
  int width() const { return width_; }
  int height() const { return height_; }

  void fill(Box b, Colour c);
  void fillVertical(Box b, Colour top, Colour bottom);  // linear gradient
  void fillRounded(Box b, double radius, Colour c);
  void fillRoundedVertical(Box b, double radius, Colour top, Colour bottom);
  void strokeRounded(Box b, double radius, Colour c);  // 1-px line inside b
  void hline(double x0, double x1, double y, Colour c);  // pixels x0..x1-1 of row y
  void vline(double x, double y0, double y1, Colour c);  // pixels y0..y1-1 of column x
  void frame(Box b, Colour c);                           // 1-px border inside b

  void setSource(Colour c);
  double textWidth(const std::string& text, TextStyle style);
  // Draws text vertically centred on its capital height inside b.
  void text(Box b, const std::string& text, TextStyle style, Colour c, Align align = Align::Left);

  bool writePng(const std::string& path);

private:
  void selectFont(TextStyle style);

  const Fonts& fonts_;
  int width_, height_, scale_;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
};

}  // namespace ovri::korvane::artwork
