#pragma once

#include "platform/gui/CFontDesc.h"
#include "platform/gui/VSTGUIBase.h"

#include <map>
#include <string>
#include <vector>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo_font_face cairo_font_face_t;

namespace VSTGUI {

// The font faces one frame draws with, made on first use and released with
// the cache. A face comes from the font file in the resource folder that
// matches the family (Arial and Liberation Sans map to Liberation Sans),
// loaded by cairo through FreeType, or from fontconfig by family name when
// the file is missing.
class FontCache {
public:
  FontCache() = default;
  ~FontCache();
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;
  cairo_font_face_t* face(const CFontDesc& font);

private:
  std::map<std::string, cairo_font_face_t*> faces;
};

enum CDrawStyle { kDrawStroked = 0, kDrawFilled, kDrawFilledAndStroked };

// Drawing onto a cairo image surface in view coordinates; the scale factor
// maps them to pixels. Views translate it for their children with
// pushTransform/popTransform.
class CDrawContext {
public:
  CDrawContext(cairo_surface_t* target, double scaleFactor, FontCache& fonts);
  ~CDrawContext();
  CDrawContext(const CDrawContext&) = delete;
  CDrawContext& operator=(const CDrawContext&) = delete;

  cairo_t* getCairo() const { return cr; }
  double getScaleFactor() const { return scale; }

  void saveGlobalState();
  void restoreGlobalState();
  void translate(const CPoint& offset);
  // Narrows the clip to rect (current coordinates).
  void clip(const CRect& rect);
  CRect getClipRect() const;

  void setFillColor(const CColor& color) { fillColor = color; }
  void setFrameColor(const CColor& color) { frameColor = color; }
  void setFontColor(const CColor& color) { fontColor = color; }
  void setLineWidth(CCoord width) { lineWidth = width; }
  void setFont(const CFontDesc* font) { if (font) currentFont = *font; }
  const CFontDesc& getFont() const { return currentFont; }

  void drawRect(const CRect& rect, CDrawStyle style = kDrawStroked);
  void drawLine(const CPoint& from, const CPoint& to);
  void drawPolygon(const std::vector<CPoint>& points, CDrawStyle style = kDrawFilled);
  // Text on one line, vertically centred in rect, clipped to it.
  void drawString(const std::string& text, const CRect& rect, CHoriTxtAlign align = kCenterText);
  CCoord getStringWidth(const std::string& text);
  // Pushes a group that is painted with alpha on popGroup.
  void pushGroup();
  void popGroup(float alpha);

private:
  void applyColor(const CColor& color);
  void applyFont();

  cairo_t* cr = nullptr;
  double scale;
  FontCache& fontCache;
  CColor fillColor = kWhiteCColor;
  CColor frameColor = kBlackCColor;
  CColor fontColor = kWhiteCColor;
  CCoord lineWidth = 1;
  CFontDesc currentFont{"Arial", 12};
};

}  // namespace VSTGUI
