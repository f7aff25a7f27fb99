#pragma once

// The editor's own views and its text style, shared by the files of the
// editor.

#include "platform/gui/vstgui.h"

namespace Steinberg::Vst::editorviews {

inline const VSTGUI::CColor kTextColour(63, 56, 82, 255);
inline const VSTGUI::CColor kClear(23, 23, 23, 0);
inline const VSTGUI::CColor kOverlayColour(23, 23, 23, 235);
inline const VSTGUI::CColor kAboutTextColour(127, 127, 127, 255);
inline const VSTGUI::CColor kStatusColour(212, 202, 246, 255);

// The controls' font and colours: kNormalFont, the text colour, a
// transparent back and frame.
template <typename T> void styleText(T* view) {
  view->setFont(VSTGUI::kNormalFont);
  view->setFontColor(kTextColour);
  view->setBackColor(kClear);
  view->setFrameColor(kClear);
}

// The status line: a text in the title strip, over the strip's own
// right-hand text, on the strip's vertical shade (its top and bottom
// colours, 46 pixels apart) so that nothing of the text below shows.
class StatusLine : public VSTGUI::CTextLabel {
public:
  explicit StatusLine(const VSTGUI::CRect& r) : CTextLabel(r, "") {}
  void draw(VSTGUI::CDrawContext* context) override;

private:
  static constexpr double kStripHeight = 46;
};

// The about overlay takes every click and wheel turn that its own buttons
// do not: nothing underneath reacts while it is shown.
class ModalOverlay : public VSTGUI::CLayeredViewContainer {
public:
  using CLayeredViewContainer::CLayeredViewContainer;
  VSTGUI::CMouseEventResult onMouseDown(VSTGUI::CPoint& where, const VSTGUI::CButtonState& buttons) override;
  bool onWheel(const VSTGUI::CPoint& where, const VSTGUI::CMouseWheelAxis& axis, const float& distance,
               const VSTGUI::CButtonState& buttons) override;
};

}  // namespace Steinberg::Vst::editorviews
