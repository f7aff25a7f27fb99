#include "platform/gui/CDrawContext.h"

#include "platform/gui/CBitmap.h"

#include <cairo-ft.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

#include <cmath>

namespace VSTGUI {

namespace {

// Descriptions only (a name and a size); faces live in each frame's cache.
CFontDesc normalFont{"Arial", 12};
CFontDesc normalFontBig{"Arial", 14};

bool fileExists(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The Liberation Sans file for a style (Arial is drawn with it: same
// advance widths).
std::string fontFileFor(int32_t style) {
  const bool bold = (style & kBoldFace) != 0;
  const bool italic = (style & kItalicFace) != 0;
  const char* suffix = bold ? (italic ? "BoldItalic" : "Bold") : (italic ? "Italic" : "Regular");
  return "LiberationSans-" + std::string(suffix) + ".ttf";
}

}  // namespace

const CFontRef kNormalFont = &normalFont;
const CFontRef kNormalFontBig = &normalFontBig;

FontCache::~FontCache() {
  for (auto& entry : faces) cairo_font_face_destroy(entry.second);
}

cairo_font_face_t* FontCache::face(const CFontDesc& font) {
  const std::string key = font.getName() + "/" + std::to_string(font.getStyle());
  auto found = faces.find(key);
  if (found != faces.end()) return found->second;

  cairo_font_face_t* made = nullptr;
  const std::string file = getResourceFolder() + fontFileFor(font.getStyle());
  const std::string& name = font.getName();
  const bool sans = name.empty() || name == "Arial" || name == "Liberation Sans";
  if (sans && fileExists(file)) {
    // cairo opens the file itself (FC_FILE): no FreeType object of ours
    // outlives this cache.
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FILE, reinterpret_cast<const FcChar8*>(file.c_str()));
    FcPatternAddInteger(pattern, FC_INDEX, 0);
    made = cairo_ft_font_face_create_for_pattern(pattern);
    FcPatternDestroy(pattern);
  } else {
    made = cairo_toy_font_face_create(sans ? "Liberation Sans" : name.c_str(),
                                      (font.getStyle() & kItalicFace) ? CAIRO_FONT_SLANT_ITALIC
                                                                      : CAIRO_FONT_SLANT_NORMAL,
                                      (font.getStyle() & kBoldFace) ? CAIRO_FONT_WEIGHT_BOLD
                                                                    : CAIRO_FONT_WEIGHT_NORMAL);
  }
  faces.emplace(key, made);
  return made;
}

CDrawContext::CDrawContext(cairo_surface_t* target, double scaleFactor, FontCache& fonts)
    : cr(cairo_create(target)), scale(scaleFactor), fontCache(fonts) {
  cairo_scale(cr, scale, scale);
  // The same glyphs on every machine: grey antialiasing, no hinting.
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

CDrawContext::~CDrawContext() { cairo_destroy(cr); }

void CDrawContext::saveGlobalState() { cairo_save(cr); }
void CDrawContext::restoreGlobalState() { cairo_restore(cr); }
void CDrawContext::translate(const CPoint& offset) { cairo_translate(cr, offset.x, offset.y); }

void CDrawContext::clip(const CRect& rect) {
  cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
  cairo_clip(cr);
}

CRect CDrawContext::getClipRect() const {
  double x1, y1, x2, y2;
  cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
  return {x1, y1, x2, y2};
}

void CDrawContext::applyColor(const CColor& c) {
  cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0);
}

void CDrawContext::drawRect(const CRect& rect, CDrawStyle style) {
  if (style != kDrawStroked) {
    applyColor(fillColor);
    cairo_rectangle(cr, rect.left, rect.top, rect.getWidth(), rect.getHeight());
    cairo_fill(cr);
  }
  if (style != kDrawFilled) {
    // A line of width w inside the rectangle's edge.
    const double h = lineWidth / 2;
    applyColor(frameColor);
    cairo_set_line_width(cr, lineWidth);
    cairo_rectangle(cr, rect.left + h, rect.top + h, rect.getWidth() - lineWidth, rect.getHeight() - lineWidth);
    cairo_stroke(cr);
  }
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to) {
  applyColor(frameColor);
  cairo_set_line_width(cr, lineWidth);
  cairo_move_to(cr, from.x, from.y);
  cairo_line_to(cr, to.x, to.y);
  cairo_stroke(cr);
}

void CDrawContext::drawPolygon(const std::vector<CPoint>& points, CDrawStyle style) {
  if (points.empty()) return;
  cairo_move_to(cr, points[0].x, points[0].y);
  for (size_t i = 1; i < points.size(); ++i) cairo_line_to(cr, points[i].x, points[i].y);
  cairo_close_path(cr);
  if (style != kDrawStroked) {
    applyColor(fillColor);
    style == kDrawFilled ? cairo_fill(cr) : cairo_fill_preserve(cr);
  }
  if (style != kDrawFilled) {
    applyColor(frameColor);
    cairo_set_line_width(cr, lineWidth);
    cairo_stroke(cr);
  }
}

void CDrawContext::applyFont() {
  cairo_set_font_face(cr, fontCache.face(currentFont));
  cairo_set_font_size(cr, currentFont.getSize() > 0 ? currentFont.getSize() : 12);
}

CCoord CDrawContext::getStringWidth(const std::string& text) {
  applyFont();
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  return extents.x_advance;
}

void CDrawContext::drawString(const std::string& text, const CRect& rect, CHoriTxtAlign align) {
  if (text.empty()) return;
  applyFont();
  cairo_font_extents_t font;
  cairo_font_extents(cr, &font);
  cairo_text_extents_t extents;
  cairo_text_extents(cr, text.c_str(), &extents);
  double x = rect.left;
  if (align == kCenterText) x = rect.left + (rect.getWidth() - extents.x_advance) / 2;
  if (align == kRightText) x = rect.right - extents.x_advance;
  // Baseline such that ascent and descent sit centred, on a whole pixel.
  const double y = std::round(rect.top + (rect.getHeight() + font.ascent - font.descent) / 2);
  cairo_save(cr);
  clip(rect);
  applyColor(fontColor);
  cairo_move_to(cr, std::round(x), y);
  cairo_show_text(cr, text.c_str());
  cairo_restore(cr);
}

void CDrawContext::pushGroup() { cairo_push_group(cr); }

void CDrawContext::popGroup(float alpha) {
  cairo_pop_group_to_source(cr);
  cairo_paint_with_alpha(cr, alpha);
}

}  // namespace VSTGUI
