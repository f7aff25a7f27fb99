#pragma once

// A frame holding one of every widget, 784 × 632, for the widget, window
// and benchmark runs. Its bitmaps are drawn by makeGalleryResources() into
// a folder that also holds the fonts.

#include "platform/gui/vstgui.h"

#include <string>
#include <vector>

namespace ovri::korvane::test {

// Widget tags of the gallery.
enum GalleryTag : int32_t {
  kTagButton = 1,
  kTagSlider = 2,
  kTagWheelSlider = 3,  // the subclass that turns on ordinary wheel motion
  kTagTextLeft = 4,
  kTagTextCentre = 5,
  kTagDropDown = 6,
  kTagMovie = 7,
  kTagPopup = 8,
  kTagSubmenu = 9,
};

// Where the gallery's widgets are (frame coordinates).
constexpr VSTGUI::CRect kButtonRect{8, 8, 36, 28};
constexpr VSTGUI::CRect kSliderRect{169, 73, 263, 95};
constexpr VSTGUI::CRect kWheelSliderRect{169, 97, 263, 119};
constexpr VSTGUI::CRect kTextLeftRect{107, 121, 143, 143};
constexpr VSTGUI::CRect kTextCentreRect{363, 121, 427, 143};
constexpr VSTGUI::CRect kDropDownRect{105, 145, 247, 167};
constexpr VSTGUI::CRect kMovieRect{520, 72, 580, 92};
constexpr VSTGUI::CPoint kPopupAnchor{8, 216};

// Writes the gallery's PNGs (and their @2x versions) into folder and makes
// it the resource folder; the fonts must already be there.
void makeGalleryResources(const std::string& folder);

// A slider that also turns on ordinary (Y-axis) wheel motion.
class WheelSlider : public VSTGUI::CHorizontalSlider {
public:
  using CHorizontalSlider::CHorizontalSlider;
  bool onWheel(const VSTGUI::CPoint& where, const VSTGUI::CMouseWheelAxis& axis, const float& distance,
               const VSTGUI::CButtonState& buttons) override;
  VSTGUI::CView* newCopy() const override { return new WheelSlider(*this); }
};

// Records every change as "tag=value" (text controls: "tag=text").
class RecordingListener : public VSTGUI::IControlListener {
public:
  void valueChanged(VSTGUI::CControl* control) override;
  std::vector<std::string> calls;
};

struct Gallery {
  // Builds the frame (not opened) with listener as every control's.
  explicit Gallery(VSTGUI::IControlListener* listener, VSTGUI::VSTGUIEditorInterface* editor = nullptr);
  ~Gallery();
  Gallery(const Gallery&) = delete;
  Gallery& operator=(const Gallery&) = delete;

  VSTGUI::CFrame* frame = nullptr;
  VSTGUI::CKickButton* button = nullptr;
  VSTGUI::CHorizontalSlider* slider = nullptr;
  WheelSlider* wheelSlider = nullptr;
  VSTGUI::CTextEdit* textLeft = nullptr;
  VSTGUI::CTextEdit* textCentre = nullptr;
  VSTGUI::CTextLabel* label = nullptr;
  VSTGUI::COptionMenu* dropDown = nullptr;
  VSTGUI::CMovieBitmap* movie = nullptr;
  VSTGUI::CLayeredViewContainer* overlay = nullptr;
  // Pop-up (style 0x500): "Reset", separator, "Voices" (sub-menu 4/8/16,
  // style 0x200), "Disabled" (disabled), "Check A", "Check B".
  VSTGUI::COptionMenu* popup = nullptr;
  VSTGUI::COptionMenu* submenu = nullptr;
};

}  // namespace ovri::korvane::test
