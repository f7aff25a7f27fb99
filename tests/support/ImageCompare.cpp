#include "tests/support/ImageCompare.h"

#include <cairo.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>

namespace ovri::korvane::test {

bool matchesReference(const std::string& actualPng, const std::string& referencePng, std::string& message,
                      int tolerance, double maxBadFraction) {
  const char* update = std::getenv("KORVANE_UPDATE_GUI_REFERENCES");
  if (update && std::string(update) == "1") {
    std::filesystem::copy_file(actualPng, referencePng, std::filesystem::copy_options::overwrite_existing);
    return true;
  }
  cairo_surface_t* a = cairo_image_surface_create_from_png(actualPng.c_str());
  cairo_surface_t* b = cairo_image_surface_create_from_png(referencePng.c_str());
  bool ok = false;
  if (cairo_surface_status(a) || cairo_surface_status(b)) {
    message = "cannot read " + actualPng + " or " + referencePng;
  } else if (cairo_image_surface_get_width(a) != cairo_image_surface_get_width(b) ||
             cairo_image_surface_get_height(a) != cairo_image_surface_get_height(b)) {
    message = "sizes differ";
  } else {
    const int w = cairo_image_surface_get_width(a), h = cairo_image_surface_get_height(a);
    long bad = 0;
    for (int y = 0; y < h; ++y) {
      auto* ra = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(a) + y * cairo_image_surface_get_stride(a));
      auto* rb = reinterpret_cast<const uint32_t*>(cairo_image_surface_get_data(b) + y * cairo_image_surface_get_stride(b));
      for (int x = 0; x < w; ++x) {
        for (int shift = 0; shift < 32; shift += 8) {
          const int da = static_cast<int>((ra[x] >> shift) & 0xFF) - static_cast<int>((rb[x] >> shift) & 0xFF);
          if (std::abs(da) > tolerance) {
            ++bad;
            break;
          }
        }
      }
    }
    ok = bad <= static_cast<long>(maxBadFraction * w * h);
    message = std::to_string(bad) + " of " + std::to_string(w * h) + " pixels differ";
  }
  cairo_surface_destroy(a);
  cairo_surface_destroy(b);
  return ok;
}

}  // namespace ovri::korvane::test
