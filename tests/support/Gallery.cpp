#include "tests/support/Gallery.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>

namespace ovri::korvane::test {

using namespace VSTGUI;

namespace {

constexpr CColor kFill{23, 23, 23, 255};
constexpr CColor kLine{120, 110, 150, 255};

void rgb(cairo_t* cr, const CColor& c) { cairo_set_source_rgba(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0, c.alpha / 255.0); }

// Draws one picture at scale 1 and 2 into name.png and name@2x.png.
template <typename Paint>
void writePicture(const std::string& folder, const std::string& name, int w, int h, Paint paint) {
  for (int scale = 1; scale <= 2; ++scale) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * scale, h * scale);
    cairo_t* cr = cairo_create(s);
    cairo_scale(cr, scale, scale);
    paint(cr, scale);
    cairo_destroy(cr);
    const std::string file = folder + name + (scale == 2 ? "@2x.png" : ".png");
    cairo_surface_write_to_png(s, file.c_str());
    cairo_surface_destroy(s);
  }
}

}  // namespace

void makeGalleryResources(const std::string& folder) {
  std::filesystem::create_directories(folder);
  setResourceFolder(folder);
  const std::string dir = getResourceFolder();
  writePicture(dir, "gallery_bg", 784, 192, [](cairo_t* cr, int scale) {
    rgb(cr, kFill);
    cairo_paint(cr);
    rgb(cr, kLine);
    cairo_set_line_width(cr, 1.0 / scale);
    for (int y = 48; y <= 168; y += 24) {
      cairo_move_to(cr, 4, y + 0.5 / scale);
      cairo_line_to(cr, 780, y + 0.5 / scale);
    }
    cairo_stroke(cr);
    cairo_arc(cr, 700, 24, 14, 0, 2 * M_PI);  // a circle shows the @2x detail
    cairo_stroke(cr);
  });
  writePicture(dir, "menu", 28, 40, [](cairo_t* cr, int) {
    for (int state = 0; state < 2; ++state) {
      rgb(cr, state ? CColor(90, 80, 130) : CColor(160, 150, 200));
      cairo_rectangle(cr, 2, state * 20 + 3, 24, 14);
      cairo_fill(cr);
    }
  });
  writePicture(dir, "knob0", 10, 22, [](cairo_t* cr, int) {
    rgb(cr, CColor(200, 190, 230));
    cairo_rectangle(cr, 1, 1, 8, 20);
    cairo_fill(cr);
  });
  writePicture(dir, "strip", 60, 80, [](cairo_t* cr, int) {
    for (int frame = 0; frame < 4; ++frame) {
      rgb(cr, CColor(static_cast<uint8_t>(60 + 60 * frame), 80, 160));
      cairo_rectangle(cr, 2 + 14 * frame, frame * 20 + 2, 12, 16);
      cairo_fill(cr);
    }
  });
}

bool WheelSlider::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                          const CButtonState& buttons) {
  if (axis == kMouseWheelAxisY) return CHorizontalSlider::onWheel(where, kMouseWheelAxisX, -distance, buttons);
  return CHorizontalSlider::onWheel(where, axis, distance, buttons);
}

void RecordingListener::valueChanged(CControl* control) {
  char text[64];
  if (auto* edit = dynamic_cast<CTextEdit*>(control)) {
    calls.push_back(std::to_string(control->getTag()) + "=" + edit->getText());
    return;
  }
  std::snprintf(text, sizeof text, "%d=%g", control->getTag(), static_cast<double>(control->getValue()));
  calls.push_back(text);
}

Gallery::Gallery(IControlListener* listener, VSTGUIEditorInterface* editor) {
  frame = new CFrame(CRect(0, 0, 784, 632), editor);
  frame->setBackgroundColor(kFill);

  auto* top = new CViewContainer(CRect(0, 0, 784, 192));
  top->setBackground(owned(new CBitmap("gallery_bg.png")));
  frame->addView(top);

  auto menuBitmap = owned(new CBitmap("menu.png"));
  auto knob = owned(new CBitmap("knob0.png"));
  button = new CKickButton(kButtonRect, listener, kTagButton, 20, menuBitmap);
  top->addView(button);

  slider = new CHorizontalSlider(kSliderRect, listener, kTagSlider, 169, 169 + 84, knob, nullptr);
  slider->setStyle(CSlider::kHorizontal | CSlider::kLeft);
  slider->setWheelInc(1.f / 127);
  slider->setValueNormalized(0.25f);
  top->addView(slider);
  wheelSlider = new WheelSlider(kWheelSliderRect, listener, kTagWheelSlider, 169, 169 + 84, knob, nullptr);
  wheelSlider->setWheelInc(1.f / 200);
  top->addView(wheelSlider);

  const auto textBox = [&](const CRect& r, int32_t tag, const char* text) {
    auto* edit = new CTextEdit(r, listener, tag, text);
    edit->setFont(kNormalFont);
    edit->setFontColor(CColor(200, 190, 230));
    edit->setBackColor(CColor(23, 23, 23, 0));
    edit->setFrameColor(kLine);
    top->addView(edit);
    return edit;
  };
  textLeft = textBox(kTextLeftRect, kTagTextLeft, "-6.02");
  textLeft->setHoriAlign(kLeftText);
  textCentre = textBox(kTextCentreRect, kTagTextCentre, "440");

  label = new CTextLabel(CRect(520, 121, 648, 143), "Label 128 [0]");
  label->setFont(kNormalFont);
  label->setFontColor(CColor(200, 190, 230));
  label->setBackColor(CColor(0, 0, 0, 0));
  label->setFrameColor(CColor(0, 0, 0, 0));
  top->addView(label);

  dropDown = new COptionMenu(kDropDownRect, listener, kTagDropDown);
  for (const char* entry : {"0 [Mute]", "1 [Instrument]", "2 [Percussion]", "3 [Sampler]"}) dropDown->addEntry(entry);
  dropDown->setFont(kNormalFont);
  dropDown->setFontColor(CColor(200, 190, 230));
  dropDown->setBackColor(CColor(40, 36, 52));
  dropDown->setFrameColor(kLine);
  dropDown->setValue(1);
  top->addView(dropDown);

  movie = new CMovieBitmap(kMovieRect, listener, kTagMovie, 4, 20, owned(new CBitmap("strip.png")));
  movie->setValueNormalized(2.f / 3);
  top->addView(movie);

  auto* page = new CLayeredViewContainer(CRect(0, 192, 784, 632));
  page->setBackgroundColor(CColor(30, 28, 38));
  auto* big = new CTextLabel(CRect(162, 200, 622, 222), "Library Version : 22.12.4");
  big->setFont(kNormalFontBig);
  big->setFontColor(kGreyCColor);
  big->setBackColor(CColor(0, 0, 0, 0));
  big->setFrameColor(CColor(0, 0, 0, 0));
  page->addView(big);
  frame->addView(page);

  overlay = new CLayeredViewContainer(CRect(0, 0, 784, 632));
  overlay->setBackgroundColor(CColor(23, 23, 23, 235));
  overlay->setVisible(false);
  frame->addView(overlay);

  popup = new COptionMenu(CRect(0, 0, 1, 1), listener, kTagPopup, nullptr, nullptr, 0x500);
  popup->setFont(kNormalFont);
  submenu = new COptionMenu(CRect(0, 0, 1, 1), listener, kTagSubmenu, nullptr, nullptr, 0x200);
  for (const char* entry : {"4", "8", "16"}) submenu->addEntry(entry);
  popup->addEntry("Reset");
  popup->addEntry("Voices");
  popup->addEntry("Disabled");
  popup->addEntry("Check A");
  popup->addEntry("Check B");
  popup->getEntry(1)->setSubmenu(submenu);
  popup->getEntry(2)->setEnabled(false);
  popup->addSeparator(1);
}

Gallery::~Gallery() {
  if (popup) popup->forget();
  if (submenu) submenu->forget();
  if (frame) frame->forget();
}

}  // namespace ovri::korvane::test
