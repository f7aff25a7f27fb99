// make-editor-preview <artwork directory> <output.png> [scale]
// make-editor-preview <artwork directory> <output.png> strips <zoom> [2x]
//
// Puts the generated pictures together the way the editor places them (the
// top area with the logo, menu buttons and slider handles over the tone
// page, over the sampler page, and under the about overlay) so the artwork
// can be judged as a whole. A development aid: the editor is not involved.
#include <cairo.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Sheet {
  std::string dir;
  cairo_t* cr;
  int scale;

  // Draws rows [srcY, srcY + h) of a picture at x, y (layout pixels).
  void put(const std::string& name, double x, double y, double srcY = 0, double h = -1) {
    const std::string path = dir + "/" + name + (scale == 2 ? "@2x" : "") + ".png";
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
      std::fprintf(stderr, "cannot read %s\n", path.c_str());
      std::exit(1);
    }
    const double w = cairo_image_surface_get_width(s) / double(scale);
    if (h < 0) h = cairo_image_surface_get_height(s) / double(scale);
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    cairo_scale(cr, 1.0 / scale, 1.0 / scale);
    cairo_set_source_surface(cr, s, x * scale, (y - srcY) * scale);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(s);
  }
  // A slider handle at value fraction v of travel w (controls at x + c + 1).
  void handle(int x, int y, int c, double v, int w = 84) { put("knob0", x + c + 1 + int(v * w), y + 1); }
};

}  // namespace

// The frames of the two strips side by side, magnified without smoothing:
// the algorithm frames in two rows of eight (phase-modulation form above,
// amplitude-modulation form below), the wave frames in a row under them.
int stripSheet(const std::string& dir, const char* path, int zoom, const std::string& suffix) {
  const int w = (8 * 98 + 2) * zoom, h = (2 * 74 + 24) * zoom;
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(out);
  cairo_set_source_rgb(cr, 23 / 255.0, 23 / 255.0, 23 / 255.0);
  cairo_paint(cr);
  cairo_scale(cr, zoom, zoom);
  auto put = [&](const char* name, double x, double y, double srcY, double fw, double fh) {
    cairo_surface_t* s = cairo_image_surface_create_from_png((dir + "/" + name + suffix + ".png").c_str());
    cairo_save(cr);
    cairo_rectangle(cr, x, y, fw, fh);
    cairo_clip(cr);
    const double k = suffix.empty() ? 1 : 2;  // @2x pictures: drawn at half size
    cairo_translate(cr, x, y - srcY);
    cairo_scale(cr, 1 / k, 1 / k);
    cairo_set_source_surface(cr, s, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(s);
  };
  for (int f = 0; f < 16; ++f) put("algo", 2 + (f % 8) * 98, 2 + (f / 8) * 74, f * 70, 94, 70);
  for (int n = 0; n < 8; ++n) put("wave", 2 + n * 66, 2 + 2 * 74, n * 20, 60, 20);
  cairo_destroy(cr);
  const bool ok = cairo_surface_write_to_png(out, path) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(out);
  return ok ? 0 : 1;
}

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[3]) == "strips")
    return stripSheet(argv[1], argv[2], std::atoi(argv[4]), argc > 5 ? "@2x" : "");
  if (argc < 3) {
    std::fprintf(stderr, "usage: make-editor-preview <artwork directory> <output.png> [scale]\n");
    return 2;
  }
  const int scale = argc > 3 ? std::atoi(argv[3]) : 1;
  cairo_surface_t* out = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, (784 * 3 + 32) * scale, 632 * scale);
  cairo_t* cr = cairo_create(out);
  cairo_scale(cr, scale, scale);
  Sheet s{argv[1], cr, scale};
  for (int page = 0; page < 3; ++page) {
    const double ox = page * (784 + 16);
    s.put("bg0", ox, 0);
    s.put("logo", ox, 0, 0, 46);
    s.put("menu", ox + 8, 50, 0, 20);
    s.put("menu", ox + 8, 98, 20, 20);
    const int sliders[][3] = {{8, 72, 160}, {264, 72, 160}, {520, 120, 160}, {8, 144, 160}, {264, 144, 160},
                              {520, 144, 160}, {8, 168, 160}, {264, 168, 160}, {520, 168, 160}};
    int i = 0;
    for (const auto& r : sliders) s.handle(ox + r[0], r[1], r[2], (i++ % 5) / 4.0);
    if (page != 1) {
      s.put("bg1", ox, 192);
      s.put("menu", ox + 8, 194, 0, 20);
      s.put("algo", ox + 169, 192 + 49, 70 * 4, 70);
      s.handle(ox + 8, 192 + 24, 160, 0.3);
      s.handle(ox + 8, 192 + 96, 0, 4 / 15.0);
      s.handle(ox + 264, 192 + 48, 160, 0.8);
      s.handle(ox + 264, 192 + 96, 160, 0.5);
      s.handle(ox + 520, 192 + 24, 160, 0.1);
      s.handle(ox + 520, 192 + 48, 160, 0.5);
      const int cols[4][2] = {{104, 64}, {265, 73}, {436, 73}, {607, 73}};
      for (int j = 0; j < 4; ++j) {
        s.put("wave", ox + cols[j][0] + 1, 192 + 145, 20 * (j * 2 + 1 - (j == 3)), 20);
        for (int k = 0; k < 12; ++k) s.handle(ox + cols[j][0], 192 + 144 + 24 * k, cols[j][1], ((k * 7 + j * 3) % 11) / 10.0);
      }
    } else {
      s.put("bg2", ox, 192);
      s.put("menu", ox + 8, 194, 0, 20);
      s.put("menu", ox + 8, 192 + 146, 0, 20);
      for (int r = 0; r < 5; ++r) {
        s.handle(ox + 8, 192 + 24 + 24 * r, 160, r / 4.0);
        s.handle(ox + 264, 192 + 24 + 24 * r, 160, 1 - r / 4.0);
      }
      s.handle(ox + 8, 192 + 168, 160, 0.2);
    }
    if (page == 2) {  // the about overlay over the tone page
      cairo_set_source_rgba(cr, 23 / 255.0, 23 / 255.0, 23 / 255.0, 235 / 255.0);
      cairo_rectangle(cr, ox, 0, 784, 632);
      cairo_fill(cr);
      s.put("libLogo", ox + 262, 105, 0, 350);
    }
  }
  cairo_destroy(cr);
  const bool ok = cairo_surface_write_to_png(out, argv[2]) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(out);
  return ok ? 0 : 1;
}
