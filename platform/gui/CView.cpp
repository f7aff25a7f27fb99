#include "platform/gui/CView.h"

#include "platform/gui/CFrame.h"

#include <algorithm>

namespace VSTGUI {

CView::CView(const CRect& r) : size(r) {}

CView::CView(const CView& other)
    : CBaseObject(other),
      size(other.size),
      background(other.background),
      mouseEnabled(other.mouseEnabled),
      visible(other.visible),
      alphaValue(other.alphaValue) {}

CView::~CView() = default;

void CView::draw(CDrawContext* context) {
  if (background) background->draw(context, size);
  dirty = false;
}

void CView::invalid() { invalidRect(size); }

void CView::invalidRect(const CRect& rect) {
  if (!parentFrame || !parentView) return;
  // rect is in this view's parent's coordinates.
  CRect r = rect;
  for (const CView* v = parentView; v && v != parentFrame; v = v->parentView) r.offset(v->size.left, v->size.top);
  parentFrame->invalidRect(r);
}

void CView::setDirty(bool state) {
  dirty = state;
  if (state) invalid();
}

CMouseEventResult CView::onMouseDown(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseUp(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
CMouseEventResult CView::onMouseMoved(CPoint&, const CButtonState&) { return kMouseEventNotImplemented; }
bool CView::onWheel(const CPoint&, const CMouseWheelAxis&, const float&, const CButtonState&) { return false; }
int32_t CView::onKeyDown(VstKeyCode&) { return -1; }
int32_t CView::onKeyUp(VstKeyCode&) { return -1; }

bool CView::attached(CView* parent) {
  parentView = parent;
  parentFrame = parent ? parent->parentFrame : nullptr;
  return true;
}

bool CView::removed(CView*) {
  if (parentFrame) {
    if (parentFrame->getFocusView() == this) parentFrame->setFocusView(nullptr);
    if (parentFrame->getModalView() == this) parentFrame->setModalView(nullptr);
  }
  parentView = nullptr;
  parentFrame = nullptr;
  return true;
}

void CView::setViewSize(const CRect& rect, bool invalidate) {
  if (invalidate) invalid();
  size = rect;
  if (invalidate) invalid();
}

void CView::setVisible(bool state) {
  if (visible == state) return;
  if (!state) invalid();
  visible = state;
  if (state) invalid();
}

void CView::setAlphaValue(float alpha) {
  alphaValue = std::clamp(alpha, 0.f, 1.f);
  invalid();
}

void CView::setBackground(CBitmap* bitmap) {
  background = bitmap;
  invalid();
}

CPoint CView::localToFrame(const CPoint& p) const {
  CPoint r = p;
  for (const CView* v = parentView; v && v != parentFrame; v = v->parentView) r.offset(v->size.left, v->size.top);
  return r;
}

CPoint CView::frameToLocal(const CPoint& p) const {
  CPoint r = p;
  for (const CView* v = parentView; v && v != parentFrame; v = v->parentView) r.offset(-v->size.left, -v->size.top);
  return r;
}

CRect CView::localToFrame(const CRect& rect) const {
  const CPoint topLeft = localToFrame(rect.getTopLeft());
  return CRect(topLeft, rect.getSize());
}

CViewContainer::CViewContainer(const CRect& r) : CView(r) {}

CViewContainer::~CViewContainer() { removeAll(true); }

bool CViewContainer::addView(CView* view) {
  if (!view || view->parentView) return false;
  children.push_back(view);
  view->attached(this);
  view->invalid();
  return true;
}

bool CViewContainer::removeView(CView* view, bool forget) {
  auto it = std::find(children.begin(), children.end(), view);
  if (it == children.end()) return false;
  view->invalid();
  if (mouseDownView == view) mouseDownView = nullptr;
  children.erase(it);
  view->removed(this);
  if (forget) view->forget();
  return true;
}

bool CViewContainer::removeAll(bool forget) {
  mouseDownView = nullptr;
  while (!children.empty()) {
    CView* view = children.back();
    children.pop_back();
    view->removed(this);
    if (forget) view->forget();
  }
  return true;
}

CView* CViewContainer::getView(int32_t index) const {
  return index >= 0 && index < getNbViews() ? children[static_cast<size_t>(index)] : nullptr;
}

bool CViewContainer::isChild(const CView* view) const {
  return std::find(children.begin(), children.end(), view) != children.end();
}

void CViewContainer::draw(CDrawContext* context) { drawRect(context, size); }

void CViewContainer::drawRect(CDrawContext* context, const CRect& clip) {
  CRect area = size;
  area.bound(clip);
  if (area.isEmpty()) return;
  context->saveGlobalState();
  context->clip(area);
  if (backgroundColor.alpha > 0) {
    context->setFillColor(backgroundColor);
    context->drawRect(size, kDrawFilled);
  }
  if (background) background->draw(context, size);
  context->translate(size.getTopLeft());
  CRect local = area;
  local.offset(-size.left, -size.top);
  for (CView* child : children) {
    if (!child->isVisible() || !child->getViewSize().rectOverlap(local)) continue;
    const bool layered = child->getAlphaValue() < 1.f;
    if (layered) context->pushGroup();
    if (auto* container = dynamic_cast<CViewContainer*>(child)) {
      container->drawRect(context, local);
    } else {
      context->saveGlobalState();
      context->clip(child->getViewSize());
      child->draw(context);
      context->restoreGlobalState();
    }
    if (layered) context->popGroup(child->getAlphaValue());
  }
  context->restoreGlobalState();
  dirty = false;
}

CMouseEventResult CViewContainer::onMouseDown(CPoint& where, const CButtonState& buttons) {
  CPoint local = where;
  local.offset(-size.left, -size.top);
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    CView* child = *it;
    if (!child->isVisible() || !child->getMouseEnabled() || !child->getViewSize().pointInside(local)) continue;
    CPoint p = local;
    const CMouseEventResult result = child->onMouseDown(p, buttons);
    if (result == kMouseEventNotImplemented || result == kMouseEventNotHandled) continue;
    mouseDownView = result == kMouseEventHandled ? child : nullptr;
    return result;
  }
  return kMouseEventNotHandled;
}

CMouseEventResult CViewContainer::onMouseMoved(CPoint& where, const CButtonState& buttons) {
  if (!mouseDownView) return kMouseEventNotHandled;
  CPoint p = where;
  p.offset(-size.left, -size.top);
  return mouseDownView->onMouseMoved(p, buttons);
}

CMouseEventResult CViewContainer::onMouseUp(CPoint& where, const CButtonState& buttons) {
  if (!mouseDownView) return kMouseEventNotHandled;
  CView* view = mouseDownView;
  mouseDownView = nullptr;
  CPoint p = where;
  p.offset(-size.left, -size.top);
  view->remember();
  const CMouseEventResult result = view->onMouseUp(p, buttons);
  view->forget();
  return result;
}

bool CViewContainer::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                             const CButtonState& buttons) {
  CPoint local = where;
  local.offset(-size.left, -size.top);
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    CView* child = *it;
    if (!child->isVisible() || !child->getMouseEnabled() || !child->getViewSize().pointInside(local)) continue;
    if (child->onWheel(local, axis, distance, buttons)) return true;
  }
  return false;
}

bool CViewContainer::attached(CView* parent) {
  CView::attached(parent);
  for (CView* child : children) child->attached(this);
  return true;
}

bool CViewContainer::removed(CView* parent) {
  mouseDownView = nullptr;
  for (CView* child : children) child->removed(this);
  return CView::removed(parent);
}

CView* CViewContainer::getViewAt(const CPoint& where) const {
  CPoint local = where;
  local.offset(-size.left, -size.top);
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    CView* child = *it;
    if (!child->isVisible() || !child->getMouseEnabled() || !child->getViewSize().pointInside(local)) continue;
    if (auto* container = dynamic_cast<CViewContainer*>(child)) {
      if (CView* inner = container->getViewAt(local)) return inner;
    }
    return child;
  }
  return nullptr;
}

}  // namespace VSTGUI
