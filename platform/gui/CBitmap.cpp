#include "platform/gui/CBitmap.h"

#include "platform/gui/CDrawContext.h"

#include <cairo.h>

namespace VSTGUI {

namespace {

std::string& resourceFolder() {
  static std::string folder;  // a path only: owns no window or font resource
  return folder;
}

cairo_surface_t* loadPng(const std::string& path) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return nullptr;
  }
  return s;
}

}  // namespace

void setResourceFolder(const std::string& folder) {
  resourceFolder() = folder;
  if (!folder.empty() && folder.back() != '/') resourceFolder() += '/';
}

const std::string& getResourceFolder() { return resourceFolder(); }

CBitmap::CBitmap(UTF8StringPtr resourceName) : name(resourceName ? resourceName : "") {
  surface = loadPng(getResourceFolder() + name);
  if (!surface) return;
  width = cairo_image_surface_get_width(surface);
  height = cairo_image_surface_get_height(surface);
  std::string hiName = name;
  const auto dot = hiName.rfind('.');
  hiName.insert(dot == std::string::npos ? hiName.size() : dot, "@2x");
  surface2x = loadPng(getResourceFolder() + hiName);
  if (surface2x) {
    if (cairo_image_surface_get_width(surface2x) != 2 * width ||
        cairo_image_surface_get_height(surface2x) != 2 * height) {
      cairo_surface_destroy(surface2x);
      surface2x = nullptr;
    } else {
      cairo_surface_set_device_scale(surface2x, 2, 2);
    }
  }
}

CBitmap::CBitmap(CCoord w, CCoord h)
    : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(w), static_cast<int>(h))),
      width(w),
      height(h) {}

CBitmap::~CBitmap() {
  if (surface) cairo_surface_destroy(surface);
  if (surface2x) cairo_surface_destroy(surface2x);
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset, float alpha) {
  if (!surface || rect.isEmpty()) return;
  cairo_t* cr = context->getCairo();
  cairo_surface_t* source = (surface2x && context->getScaleFactor() > 1.5) ? surface2x : surface;
  cairo_save(cr);
  cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
  cairo_clip(cr);
  cairo_set_source_surface(cr, source, rect.left - offset.x, rect.top - offset.y);
  if (alpha >= 1.f)
    cairo_paint(cr);
  else
    cairo_paint_with_alpha(cr, alpha);
  cairo_restore(cr);
}

}  // namespace VSTGUI
