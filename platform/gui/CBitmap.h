#pragma once

#include "platform/gui/VSTGUIBase.h"

#include <string>

typedef struct _cairo_surface cairo_surface_t;

namespace VSTGUI {

class CDrawContext;

// Where bitmaps and fonts are found by name: the bundle's Contents/Resources
// folder, ending in '/'. The plug-in view sets it from the module's place.
void setResourceFolder(const std::string& folder);
const std::string& getResourceFolder();

// A PNG image loaded by name from the resource folder. "name.png" is the
// image at scale 1; "name@2x.png", when present, is drawn instead at a
// content scale above 1.5 (twice the pixels in each direction).
class CBitmap : public CBaseObject {
public:
  explicit CBitmap(UTF8StringPtr name);
  // An empty image of the given size (transparent), e.g. for drawing into.
  CBitmap(CCoord width, CCoord height);
  ~CBitmap() override;
  CBitmap(const CBitmap&) = delete;
  CBitmap& operator=(const CBitmap&) = delete;

  bool isLoaded() const { return surface != nullptr; }
  bool hasHighResolution() const { return surface2x != nullptr; }
  CCoord getWidth() const { return width; }
  CCoord getHeight() const { return height; }
  const std::string& getName() const { return name; }

  // Draws the part of the image starting at offset into rect (clipped to it).
  void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint(0, 0), float alpha = 1.f);

private:
  std::string name;
  cairo_surface_t* surface = nullptr;
  cairo_surface_t* surface2x = nullptr;
  CCoord width = 0;
  CCoord height = 0;
};

}  // namespace VSTGUI
