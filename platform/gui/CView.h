#pragma once

#include "platform/gui/CBitmap.h"
#include "platform/gui/CDrawContext.h"
#include "platform/gui/VSTGUIBase.h"

#include <vector>

namespace VSTGUI {

class CFrame;
class CViewContainer;

// A rectangle of the window that draws itself and takes input. Its size is
// in its parent's coordinates; mouse points arrive in the same coordinates.
class CView : public CBaseObject {
public:
  explicit CView(const CRect& size);
  CView(const CView& other);
  ~CView() override;

  virtual void draw(CDrawContext* context);
  // Invalidates the view's area of the window: it is drawn again.
  virtual void invalid();
  void invalidRect(const CRect& rect);
  virtual void setDirty(bool state = true);
  bool isDirty() const { return dirty; }

  virtual CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons);
  virtual CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons);
  virtual CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons);
  virtual bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                       const CButtonState& buttons);
  // 1 when the key was used, -1 otherwise.
  virtual int32_t onKeyDown(VstKeyCode& key);
  virtual int32_t onKeyUp(VstKeyCode& key);

  virtual void takeFocus() {}
  virtual void looseFocus() {}
  virtual bool wantsFocus() const { return false; }

  virtual bool attached(CView* parent);
  virtual bool removed(CView* parent);
  bool isAttached() const { return parentView != nullptr; }

  const CRect& getViewSize() const { return size; }
  virtual void setViewSize(const CRect& rect, bool invalidate = true);
  CCoord getWidth() const { return size.getWidth(); }
  CCoord getHeight() const { return size.getHeight(); }
  void setMouseEnabled(bool state) { mouseEnabled = state; }
  bool getMouseEnabled() const { return mouseEnabled; }
  virtual void setVisible(bool state);
  bool isVisible() const { return visible && alphaValue > 0.f; }
  bool getVisibleFlag() const { return visible; }
  void setAlphaValue(float alpha);
  float getAlphaValue() const { return alphaValue; }

  void setBackground(CBitmap* bitmap);
  CBitmap* getBackground() const { return background; }

  CView* getParentView() const { return parentView; }
  CFrame* getFrame() const { return parentFrame; }
  // Point or rectangle from this view's coordinates (its parent's) to the
  // frame's, and back.
  CPoint localToFrame(const CPoint& p) const;
  CPoint frameToLocal(const CPoint& p) const;
  CRect localToFrame(const CRect& r) const;

  virtual CView* newCopy() const { return new CView(*this); }

protected:
  friend class CViewContainer;
  friend class CFrame;

  CRect size;
  CView* parentView = nullptr;
  CFrame* parentFrame = nullptr;
  SharedPointer<CBitmap> background;
  bool mouseEnabled = true;
  bool visible = true;
  bool dirty = false;
  float alphaValue = 1.f;
};

// A view holding child views, in its own coordinates (origin at its top
// left). Children are drawn in the order they were added, later ones on
// top; input goes to the topmost child under the pointer. The container
// owns its children: removing one forgets it.
class CViewContainer : public CView {
public:
  explicit CViewContainer(const CRect& size);
  ~CViewContainer() override;
  CViewContainer(const CViewContainer&) = delete;
  CViewContainer& operator=(const CViewContainer&) = delete;

  virtual bool addView(CView* view);
  virtual bool removeView(CView* view, bool forget = true);
  bool removeAll(bool forget = true);
  int32_t getNbViews() const { return static_cast<int32_t>(children.size()); }
  CView* getView(int32_t index) const;
  bool isChild(const CView* view) const;

  void setBackgroundColor(const CColor& color) { backgroundColor = color; invalid(); }
  CColor getBackgroundColor() const { return backgroundColor; }

  void draw(CDrawContext* context) override;
  // Draws only what overlaps clip (in this container's parent coordinates).
  virtual void drawRect(CDrawContext* context, const CRect& clip);

  CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override;
  CMouseEventResult onMouseUp(CPoint& where, const CButtonState& buttons) override;
  CMouseEventResult onMouseMoved(CPoint& where, const CButtonState& buttons) override;
  bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
               const CButtonState& buttons) override;

  bool attached(CView* parent) override;
  bool removed(CView* parent) override;

  // The topmost visible, mouse-enabled view under where (this container's
  // parent coordinates), descending into containers; null when none.
  CView* getViewAt(const CPoint& where) const;

protected:
  std::vector<CView*> children;
  CColor backgroundColor = kTransparentCColor;
  CView* mouseDownView = nullptr;
};

// A container drawn as one layer: here the same as CViewContainer (every
// container is composited with its alpha).
class CLayeredViewContainer : public CViewContainer {
public:
  using CViewContainer::CViewContainer;
};

}  // namespace VSTGUI
