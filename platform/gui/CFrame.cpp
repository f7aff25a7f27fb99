#include "platform/gui/CFrame.h"

#include <cairo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

namespace VSTGUI {

std::string IPlatformFrame::findProgram(const std::vector<std::string>& names) {
  const char* path = std::getenv("PATH");
  const std::string dirs = path ? path : "/usr/bin:/bin";
  for (const std::string& name : names) {
    size_t start = 0;
    while (start <= dirs.size()) {
      const size_t end = std::min(dirs.find(':', start), dirs.size());
      const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
      const std::string candidate = dir + "/" + name;
      struct stat st{};
      if (stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(candidate.c_str(), X_OK) == 0)
        return candidate;
      start = end + 1;
    }
  }
  return {};
}

CFrame::CFrame(const CRect& r, VSTGUIEditorInterface* e) : CViewContainer(r), editor(e) {
  parentFrame = this;
}

CFrame::~CFrame() {
  setModalView(nullptr);
  focusView = nullptr;
  removeAll(true);
  platformFrame.reset();
  if (backBuffer) cairo_surface_destroy(backBuffer);
}

bool CFrame::open(void* parent, PlatformType type, IPlatformFrameConfig* config) {
  if (platformFrame) return false;
  if (!config && editor) config = editor->getPlatformFrameConfig();
  if (!config) return false;
  platformFrame = config->createPlatformFrame(this, parent, type);
  if (!platformFrame) return false;
  invalid();
  return true;
}

void CFrame::close() {
  setModalView(nullptr);
  setFocusView(nullptr);
  removeAll(true);
  platformFrame.reset();
  forget();
}

void CFrame::setFocusView(CView* view) {
  if (view == focusView) return;
  CView* old = focusView;
  focusView = view;
  if (old) old->looseFocus();
  if (focusView != view) return;  // the old view moved the focus itself
  if (view) view->takeFocus();
}

bool CFrame::setModalView(CView* view) {
  if (view && modalView) return false;
  if (modalView) {
    CView* old = modalView;
    modalView = nullptr;
    old->invalid();
    old->removed(this);
    old->forget();
  }
  if (view) {
    modalView = view;
    view->attached(this);
    view->invalid();
  }
  return true;
}

void CFrame::invalidRect(const CRect& rect) {
  CRect r = rect;
  r.bound(CRect(0, 0, getWidth(), getHeight()));
  if (r.isEmpty()) return;
  // Whole pixels at every scale.
  r = CRect(std::floor(r.left), std::floor(r.top), std::ceil(r.right), std::ceil(r.bottom));
  for (auto it = dirtyRects.begin(); it != dirtyRects.end();) {
    if (it->rectOverlap(r)) {
      r.unite(*it);
      it = dirtyRects.erase(it);
      it = dirtyRects.begin();  // a bigger rectangle may meet earlier ones
    } else {
      ++it;
    }
  }
  dirtyRects.push_back(r);
  if (platformFrame) platformFrame->scheduleRedraw();
}

void CFrame::setScaleFactor(double factor) {
  if (factor <= 0 || factor == scaleFactor) return;
  scaleFactor = factor;
  if (backBuffer) cairo_surface_destroy(backBuffer);
  backBuffer = nullptr;
  invalid();
}

cairo_surface_t* CFrame::getBackBuffer() {
  if (!backBuffer) {
    backBuffer = cairo_image_surface_create(CAIRO_FORMAT_ARGB32,
                                            static_cast<int>(std::ceil(getWidth() * scaleFactor)),
                                            static_cast<int>(std::ceil(getHeight() * scaleFactor)));
  }
  return backBuffer;
}

void CFrame::drawArea(const CRect& area) {
  CDrawContext context(getBackBuffer(), scaleFactor, fontCache);
  context.clip(area);
  cairo_set_operator(context.getCairo(), CAIRO_OPERATOR_SOURCE);
  context.setFillColor(kBlackCColor);
  context.drawRect(area, kDrawFilled);
  cairo_set_operator(context.getCairo(), CAIRO_OPERATOR_OVER);
  // The frame's own rectangle is its coordinate system: draw as a
  // container at the origin.
  CViewContainer::drawRect(&context, area);
  if (modalView && modalView->isVisible() && modalView->getViewSize().rectOverlap(area)) {
    context.saveGlobalState();
    context.clip(modalView->getViewSize());
    modalView->draw(&context);
    context.restoreGlobalState();
  }
}

std::vector<CRect> CFrame::drawDirty() {
  std::vector<CRect> done;
  done.swap(dirtyRects);
  for (const CRect& r : done) drawArea(r);
  if (backBuffer) cairo_surface_flush(backBuffer);
  return done;
}

bool CFrame::writePng(const std::string& path) {
  drawDirty();
  return cairo_surface_write_to_png(getBackBuffer(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

CMouseEventResult CFrame::platformOnMouseDown(CPoint where, const CButtonState& buttons) {
  if (modalView) return modalView->onMouseDown(where, buttons);
  // A click outside the focused view ends its editing first.
  if (focusView) {
    CView* target = getViewAt(where);
    if (target != focusView) setFocusView(nullptr);
  }
  return CViewContainer::onMouseDown(where, buttons);
}

CMouseEventResult CFrame::platformOnMouseMoved(CPoint where, const CButtonState& buttons) {
  if (modalView) return modalView->onMouseMoved(where, buttons);
  return CViewContainer::onMouseMoved(where, buttons);
}

CMouseEventResult CFrame::platformOnMouseUp(CPoint where, const CButtonState& buttons) {
  // The view that took the press gets its release, even when the press
  // opened a menu.
  if (mouseDownView) return CViewContainer::onMouseUp(where, buttons);
  if (modalView) return modalView->onMouseUp(where, buttons);
  return kMouseEventNotHandled;
}

bool CFrame::platformOnWheel(CPoint where, CMouseWheelAxis axis, float distance, const CButtonState& buttons) {
  if (modalView) return modalView->onWheel(where, axis, distance, buttons);
  return CViewContainer::onWheel(where, axis, distance, buttons);
}

int32_t CFrame::platformOnKeyDown(VstKeyCode key) {
  if (modalView) return modalView->onKeyDown(key);
  if (focusView) return focusView->onKeyDown(key);
  return -1;
}

int32_t CFrame::platformOnKeyUp(VstKeyCode key) {
  if (modalView) return modalView->onKeyUp(key);
  if (focusView) return focusView->onKeyUp(key);
  return -1;
}

}  // namespace VSTGUI
