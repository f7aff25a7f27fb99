#pragma once

#include "platform/gui/VSTGUIBase.h"

#include <string>

namespace VSTGUI {

enum CTxtFace : int32_t { kNormalFace = 0, kBoldFace = 1 << 1, kItalicFace = 1 << 2 };

// A font by family name, size in pixels and style. Only a description: the
// glyphs are found when text is drawn (see FontCache).
class CFontDesc : public CBaseObject {
public:
  CFontDesc(UTF8StringPtr name = "", CCoord size = 0, int32_t style = kNormalFace)
      : fontName(name ? name : ""), fontSize(size), fontStyle(style) {}
  const std::string& getName() const { return fontName; }
  CCoord getSize() const { return fontSize; }
  int32_t getStyle() const { return fontStyle; }
  void setName(UTF8StringPtr name) { fontName = name ? name : ""; }
  void setSize(CCoord size) { fontSize = size; }
  void setStyle(int32_t style) { fontStyle = style; }

private:
  std::string fontName;
  CCoord fontSize;
  int32_t fontStyle;
};

using CFontRef = CFontDesc*;

// The standard fonts: Arial 12 and Arial 14 (drawn with the metric-compatible
// Liberation Sans the bundle carries).
extern const CFontRef kNormalFont;
extern const CFontRef kNormalFontBig;

}  // namespace VSTGUI
