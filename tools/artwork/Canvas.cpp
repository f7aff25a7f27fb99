#include "tools/artwork/Canvas.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>

namespace ovri::korvane::artwork {

namespace {

const cairo_user_data_key_t kFaceKey{};

// A cairo face that owns its FreeType face: released with the cairo face.
cairo_font_face_t* loadFace(FT_Library library, const std::string& path) {
  FT_Face face = nullptr;
  if (FT_New_Face(library, path.c_str(), 0, &face) != 0) return nullptr;
  cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_ft_face(face, 0);
  if (cairo_font_face_set_user_data(cairoFace, &kFaceKey, face,
                                    [](void* f) { FT_Done_Face(static_cast<FT_Face>(f)); }) != CAIRO_STATUS_SUCCESS) {
    cairo_font_face_destroy(cairoFace);
    FT_Done_Face(face);
    return nullptr;
  }
  return cairoFace;
}

double channel(int v) { return v / 255.0; }

}  // namespace

Fonts::Fonts(const std::string& directory) {
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return;
  library_ = library;
  regular_ = loadFace(library, directory + "/LiberationSans-Regular.ttf");
  bold_ = loadFace(library, directory + "/LiberationSans-Bold.ttf");
}

Fonts::~Fonts() {
  // cairo keeps faces in its caches: resetting them releases the FreeType
  // faces (through the user data above) before the library itself goes.
  if (regular_ != nullptr) cairo_font_face_destroy(regular_);
  if (bold_ != nullptr) cairo_font_face_destroy(bold_);
  cairo_debug_reset_static_data();
  if (library_ != nullptr) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

Canvas::Canvas(int width, int height, int scale, const Fonts& fonts)
    : fonts_(fonts), width_(width), height_(height), scale_(scale) {
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width * scale, height * scale);
  cr_ = cairo_create(surface_);
  cairo_scale(cr_, scale, scale);
  // Greyscale antialiasing with light hinting: legible at 100 %, and the
  // same layout at 200 % (metrics are not hinted).
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr_, options);
  cairo_font_options_destroy(options);
}

Canvas::~Canvas() {
  cairo_destroy(cr_);
  cairo_surface_destroy(surface_);
}

void Canvas::setSource(Colour c) {
  cairo_set_source_rgba(cr_, channel(c.r), channel(c.g), channel(c.b), channel(c.a));
}

void Canvas::fill(Box b, Colour c) {
  setSource(c);
  cairo_rectangle(cr_, b.x, b.y, b.w, b.h);
  cairo_fill(cr_);
}

void Canvas::fillVertical(Box b, Colour top, Colour bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, b.y, 0, b.y + b.h);
  cairo_pattern_add_color_stop_rgba(p, 0, channel(top.r), channel(top.g), channel(top.b), channel(top.a));
  cairo_pattern_add_color_stop_rgba(p, 1, channel(bottom.r), channel(bottom.g), channel(bottom.b), channel(bottom.a));
  cairo_set_source(cr_, p);
  cairo_rectangle(cr_, b.x, b.y, b.w, b.h);
  cairo_fill(cr_);
  cairo_pattern_destroy(p);
}

namespace {

void roundedPath(cairo_t* cr, Box b, double r) {
  const double kQuarter = M_PI / 2;
  cairo_new_sub_path(cr);
  cairo_arc(cr, b.x + b.w - r, b.y + r, r, -kQuarter, 0);
  cairo_arc(cr, b.x + b.w - r, b.y + b.h - r, r, 0, kQuarter);
  cairo_arc(cr, b.x + r, b.y + b.h - r, r, kQuarter, 2 * kQuarter);
  cairo_arc(cr, b.x + r, b.y + r, r, 2 * kQuarter, 3 * kQuarter);
  cairo_close_path(cr);
}

}  // namespace

void Canvas::fillRounded(Box b, double radius, Colour c) {
  setSource(c);
  roundedPath(cr_, b, radius);
  cairo_fill(cr_);
}

void Canvas::fillRoundedVertical(Box b, double radius, Colour top, Colour bottom) {
  cairo_pattern_t* p = cairo_pattern_create_linear(0, b.y, 0, b.y + b.h);
  cairo_pattern_add_color_stop_rgba(p, 0, channel(top.r), channel(top.g), channel(top.b), channel(top.a));
  cairo_pattern_add_color_stop_rgba(p, 1, channel(bottom.r), channel(bottom.g), channel(bottom.b), channel(bottom.a));
  cairo_set_source(cr_, p);
  roundedPath(cr_, b, radius);
  cairo_fill(cr_);
  cairo_pattern_destroy(p);
}

void Canvas::strokeRounded(Box b, double radius, Colour c) {
  setSource(c);
  cairo_set_line_width(cr_, 1.0);
  roundedPath(cr_, Box{b.x + 0.5, b.y + 0.5, b.w - 1, b.h - 1}, radius);
  cairo_stroke(cr_);
}

void Canvas::hline(double x0, double x1, double y, Colour c) { fill(Box{x0, y, x1 - x0, 1}, c); }

void Canvas::vline(double x, double y0, double y1, Colour c) { fill(Box{x, y0, 1, y1 - y0}, c); }

void Canvas::frame(Box b, Colour c) {
  hline(b.x, b.x + b.w, b.y, c);
  hline(b.x, b.x + b.w, b.y + b.h - 1, c);
  vline(b.x, b.y + 1, b.y + b.h - 1, c);
  vline(b.x + b.w - 1, b.y + 1, b.y + b.h - 1, c);
}

void Canvas::selectFont(TextStyle style) {
  cairo_set_font_face(cr_, style.bold ? fonts_.bold() : fonts_.regular());
  cairo_set_font_size(cr_, style.size);
}

double Canvas::textWidth(const std::string& text, TextStyle style) {
  selectFont(style);
  cairo_text_extents_t e;
  cairo_text_extents(cr_, text.c_str(), &e);
  const double letters = static_cast<double>(text.size());
  return e.x_advance + (letters > 1 ? (letters - 1) * style.tracking : 0.0);
}

void Canvas::text(Box b, const std::string& text, TextStyle style, Colour c, Align align) {
  const double width = textWidth(text, style);  // also selects the font
  cairo_text_extents_t cap;
  cairo_text_extents(cr_, "H", &cap);
  double x = b.x;
  if (align == Align::Centre) x = b.x + (b.w - width) / 2;
  if (align == Align::Right) x = b.x + b.w - width;
  // Baseline on a whole device pixel, so stems start on the grid.
  const double baseline = std::round((b.y + (b.h - cap.y_bearing) / 2) * scale_) / scale_;
  x = std::round(x * scale_) / scale_;
  setSource(c);
  if (style.tracking == 0.0) {
    cairo_move_to(cr_, x, baseline);
    cairo_show_text(cr_, text.c_str());
    return;
  }
  char letter[2] = {0, 0};
  for (char ch : text) {
    letter[0] = ch;
    cairo_move_to(cr_, x, baseline);
    cairo_show_text(cr_, letter);
    cairo_text_extents_t e;
    cairo_text_extents(cr_, letter, &e);
    x += e.x_advance + style.tracking;
  }
}

bool Canvas::writePng(const std::string& path) {
  cairo_surface_flush(surface_);
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace ovri::korvane::artwork
