#include "editor/EditorViews.h"

#include "editor/KorvaneVSTGUIEditor.h"

#include <cmath>
#include <cstdint>

namespace Steinberg::Vst {

using namespace VSTGUI;

namespace editorviews {

void StatusLine::draw(CDrawContext* context) {
  const CRect r = getViewSize();
  for (CCoord y = r.top; y < r.bottom; y += 1) {
    const double t = (y + 0.5) / kStripHeight;
    auto mix = [t](int a, int b) { return static_cast<uint8_t>(std::lround(a + (b - a) * t)); };
    context->setFillColor(CColor(mix(42, 20), mix(39, 19), mix(53, 24), 255));
    context->drawRect(CRect(r.left, y, r.right, y + 1), kDrawFilled);
  }
  CTextLabel::draw(context);
}

CMouseEventResult ModalOverlay::onMouseDown(CPoint& where, const CButtonState& buttons) {
  const CMouseEventResult result = CLayeredViewContainer::onMouseDown(where, buttons);
  if (result == kMouseEventNotHandled || result == kMouseEventNotImplemented)
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
  return result;
}

bool ModalOverlay::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                           const CButtonState& buttons) {
  CLayeredViewContainer::onWheel(where, axis, distance, buttons);
  return true;
}

}  // namespace editorviews

bool CHorizontalSliderExt::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                                   const CButtonState& buttons) {
  if (axis == kMouseWheelAxisY) return CHorizontalSlider::onWheel(where, kMouseWheelAxisX, -distance, buttons);
  return CHorizontalSlider::onWheel(where, axis, distance, buttons);
}

}  // namespace Steinberg::Vst
