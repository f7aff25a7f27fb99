// The control factories: each makes a control with the editor as its
// listener, places it in its container (pop-up menus excepted) and keeps it.
#include "editor/EditorViews.h"
#include "editor/KorvaneVSTGUIEditor.h"

namespace Steinberg::Vst {

using namespace VSTGUI;
using editorviews::styleText;

void KorvaneVSTGUIEditor::keep(CControl* control) { controls.push_back(control); }

CHorizontalSliderExt* KorvaneVSTGUIEditor::makeSlider(CViewContainer* parent, int32_t tag, int x, int y, int w, int c,
                                                      int max) {
  const CCoord left = x + c + 1;
  auto* slider = new CHorizontalSliderExt(CRect(left, y + 1, left + w + 10, y + 23), this, tag,
                                          static_cast<int32_t>(left), static_cast<int32_t>(left + w),
                                          VSTGUI::owned(new CBitmap("knob0.png")), nullptr, CPoint(0, 0));
  slider->setStyle(CSlider::kHorizontal | CSlider::kLeft);
  slider->setWheelInc(1.f / static_cast<float>(max));
  parent->addView(slider);
  keep(slider);
  return slider;
}

CTextEdit* KorvaneVSTGUIEditor::makeTextBox(CViewContainer* parent, int32_t tag, int x, int y, int w, int c,
                                            const char* text) {
  const CCoord left = x + c + 1;
  auto* box = new CTextEdit(CRect(left, y + 1, left + w, y + 23), this, tag, text);
  styleText(box);
  parent->addView(box);
  keep(box);
  return box;
}

COptionMenu* KorvaneVSTGUIEditor::makeOptionMenu(CViewContainer* parent, int32_t tag, int x, int y, int w, int c,
                                                 const char* const* entries, int count) {
  const CCoord left = x + c + 1;
  auto* menu = new COptionMenu(CRect(left, y + 1, left + w, y + 23), this, tag);
  for (int i = 0; i < count; ++i) menu->addEntry(entries[i]);
  menu->setValueNormalized(static_cast<float>(controller ? controller->getParamNormalized(static_cast<ParamID>(tag)) : 0.0));
  styleText(menu);
  parent->addView(menu);
  keep(menu);
  return menu;
}

CTextLabel* KorvaneVSTGUIEditor::makeLabel(CViewContainer* parent, int x, int y, int w, int c, const char* text) {
  const CCoord left = x + c + 1;
  auto* label = new CTextLabel(CRect(left, y + 1, left + w, y + 23), text);
  styleText(label);
  parent->addView(label);
  return label;
}

CKickButton* KorvaneVSTGUIEditor::makeKickButton(CViewContainer* parent, int32_t tag, int x, int y, int w, int h,
                                                 const char* bitmap) {
  auto* button = new CKickButton(CRect(x, y, x + w, y + h), this, tag, h, VSTGUI::owned(new CBitmap(bitmap)), CPoint(0, 0));
  parent->addView(button);
  keep(button);
  return button;
}

CMovieBitmap* KorvaneVSTGUIEditor::makeMovieBitmap(CViewContainer* parent, int32_t tag, int x, int y, int w, int h,
                                                   int frames, const char* bitmap) {
  auto* movie = new CMovieBitmap(CRect(x + 1, y + 1, x + 1 + w, y + 1 + h), this, tag, frames, h,
                                 VSTGUI::owned(new CBitmap(bitmap)));
  parent->addView(movie);
  keep(movie);
  return movie;
}

COptionMenu* KorvaneVSTGUIEditor::makePopupMenu(int32_t tag, const char* const* entries, int count, int32_t style) {
  auto* menu = new COptionMenu(CRect(0, 0, 1, 1), this, tag, nullptr, nullptr, style);
  for (int i = 0; i < count; ++i) menu->addEntry(entries[i])->setTag(tag + i + 1);
  menu->setValueNormalized(static_cast<float>(controller ? controller->getParamNormalized(static_cast<ParamID>(tag)) : 0.0));
  styleText(menu);
  return menu;
}

}  // namespace Steinberg::Vst
