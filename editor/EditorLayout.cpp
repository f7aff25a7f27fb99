// The editor's layouts: which control shows which value tag, of what kind,
// and where. Ranges, fields and texts come from the page item table
// (plugin/PageItems.h).
#include "editor/EditorViews.h"
#include "editor/KorvaneVSTGUIEditor.h"

#include "plugin/EditorProtocol.h"
#include "plugin/EngineView.h"
#include "plugin/PageItems.h"
#include "tonegen/SoundData.h"
#include "tonegen/SoundFields.h"

namespace Steinberg::Vst {

using namespace VSTGUI;
using namespace editorviews;
namespace tags = ovri::korvane::protocol::tags;
namespace synth = ovri::korvane::synth;
using ovri::korvane::EngineView;

// One control of a layout. x, y is the row origin, c the width of the
// background's caption cell left of the control, w the control's width
// (buttons and displays: w x c pixels at x, y).
struct KorvaneVSTGUIEditor::Placed {
  enum Kind : uint8_t {
    kSlider,     // V | tag, its steps from the page item table
    kBox,        // B | tag, a numeric box
    kLeftBox,    // the same, its text at the left
    kSliderBox,  // a slider 84 wide after a 160 caption and its box 64 wide after a 96 caption
    kText,       // V | tag, a text box (raw numbers, a name) first showing `text`
    kMenu,       // V | tag, an option menu of the tag's entries
    kDisplay,    // V | tag, the movie bitmap `text` with a frame for each value of the item
    kButton,     // V | tag, the kick button `text`
    kLabel,      // a label first showing `text`, kept in `label`
  };
  Kind kind;
  int32_t tag;
  int x, y, w = 0, c = 0;
  const char* text = nullptr;
  CTextLabel* KorvaneVSTGUIEditor::*label = nullptr;
};

namespace {

// The option menus' entries.
struct MenuEntries {
  int32_t tag;
  const char* const* entries;
  int count;
};
const char* const kPartNames[] = {
    "0 [MIDI CH 1]", "1 [MIDI CH 2]", "2 [MIDI CH 3]", "3 [MIDI CH 4]", "4 [MIDI CH 5]", "5 [MIDI CH 6]",
    "6 [MIDI CH 7]", "7 [MIDI CH 8]", "8 [MIDI CH 9]", "9 [MIDI CH 10]", "10 [MIDI CH 11]", "11 [MIDI CH 12]",
    "12 [MIDI CH 13]", "13 [MIDI CH 14]", "14 [MIDI CH 15]", "15 [MIDI CH 16]"};
const char* const kModes[] = {"0 [Mute]", "1 [Instrument]", "2 [Percussion]", "3 [Sampler]"};
const char* const kLfoWaves[] = {"0 [Triangle]", "1 [Square]", "2 [Saw]", "3 [Noise]"};
constexpr MenuEntries kOptionMenus[] = {
    {tags::kSelectPart, kPartNames, 16}, {tags::kPartMode, kModes, 4}, {tags::kTonePage | 0x07, kLfoWaves, 4}};

// Operator j's column: x, the slider's caption width, the box width.
struct OperatorColumn {
  int x;
  int sliderCaption;
  int boxWidth;
};
constexpr OperatorColumn kOperatorColumns[synth::kOperatorCount] = {
    {104, 64, 64}, {265, 73, 73}, {436, 73, 73}, {607, 73, 73}};
constexpr int kOperatorTop = 144;  // field k's row at kOperatorTop + kOperatorRowHeight x k
constexpr int kOperatorRowHeight = 24;

constexpr int32_t kPopupStyle = 0x100;
constexpr int32_t kCheckStyle = 0x200;
constexpr int32_t kToggleStyle = 0x500;  // a chosen entry toggles its check mark

}  // namespace

void KorvaneVSTGUIEditor::place(CViewContainer* parent, const Placed& p) {
  const ovri::korvane::plugin::PageItem* item = ovri::korvane::plugin::findPageItem(p.tag);
  const int32_t value = kValueControl | p.tag;
  switch (p.kind) {
    case Placed::kSlider: makeSlider(parent, value, p.x, p.y, p.w, p.c, item ? item->range : 1); break;
    case Placed::kBox: makeTextBox(parent, kNumericBox | p.tag, p.x, p.y, p.w, p.c, "0"); break;
    case Placed::kLeftBox:
      makeTextBox(parent, kNumericBox | p.tag, p.x, p.y, p.w, p.c, "0")->setHoriAlign(kLeftText);
      break;
    case Placed::kSliderBox:
      place(parent, {Placed::kSlider, p.tag, p.x, p.y, 84, 160});
      place(parent, {Placed::kBox, p.tag, p.x, p.y, 64, 96});
      break;
    case Placed::kText: makeTextBox(parent, value, p.x, p.y, p.w, p.c, p.text); break;
    case Placed::kMenu:
      for (const MenuEntries& menu : kOptionMenus)
        if (menu.tag == p.tag) makeOptionMenu(parent, value, p.x, p.y, p.w, p.c, menu.entries, menu.count);
      break;
    case Placed::kDisplay: makeMovieBitmap(parent, value, p.x, p.y, p.w, p.c, item ? item->range + 1 : 1, p.text); break;
    case Placed::kButton: makeKickButton(parent, value, p.x, p.y, p.w, p.c, p.text); break;
    case Placed::kLabel: this->*p.label = makeLabel(parent, p.x, p.y, p.w, p.c, p.text); break;
  }
}

void KorvaneVSTGUIEditor::buildView() {
  topView = new CViewContainer(CRect(0, 0, kWidth, 192));
  topView->setBackground(VSTGUI::owned(new CBitmap("bg0.png")));
  frame->addView(topView);
  makeKickButton(topView, kValueControl | kAboutPage | 0x00, 0, 0, 1040, 46, "logo.png");
  // The status line covers the strip's right-hand text while it is shown.
  statusLine = new StatusLine(CRect(300, 8, 776, 38));
  styleText(statusLine);
  statusLine->setFontColor(kStatusColour);
  statusLine->setHoriAlign(kRightText);
  statusLine->setVisible(false);
  topView->addView(statusLine);
  buildTopArea(topView);

  pageAreaView = new CLayeredViewContainer(CRect(0, 192, 1040, kHeight));
  frame->addView(pageAreaView);
  tonePageView = new CLayeredViewContainer(CRect(0, 0, kWidth, 440));
  tonePageView->setBackground(VSTGUI::owned(new CBitmap("bg1.png")));
  pageAreaView->addView(tonePageView);
  buildTonePage(tonePageView);
  samplerPageView = new CLayeredViewContainer(CRect(0, 0, kWidth, 440));
  samplerPageView->setBackground(VSTGUI::owned(new CBitmap("bg2.png")));
  pageAreaView->addView(samplerPageView);
  buildSamplerPage(samplerPageView);
  samplerPageView->setVisible(false);  // until the selected part's mode is known

  aboutView = new ModalOverlay(CRect(0, 0, kWidth, kHeight));
  aboutView->setBackgroundColor(kOverlayColour);
  frame->addView(aboutView);
  buildAboutOverlay(aboutView);

  if (EngineView* host = engineHost()) {
    {
      auto lock = host->lockMain();
      host->synchronize();
      refreshAll(*host);
    }
    aboutView->setVisible(false);
  }
}

void KorvaneVSTGUIEditor::buildTopArea(CViewContainer* top) {
  static const Placed controls[] = {
      {Placed::kButton, tags::kSystemPage, 8, 50, 28, 20, "menu.png"},
      {Placed::kSlider, tags::kMasterVolume, 8, 72, 84, 160},
      {Placed::kSlider, tags::kMasterTune, 264, 72, 84, 160},
      {Placed::kLeftBox, tags::kMasterVolume, 8, 72, 36, 98},
      {Placed::kLeftBox, tags::kMasterTune, 264, 72, 36, 98},
      {Placed::kButton, tags::kPartPage, 8, 98, 28, 20, "menu.png"},
      {Placed::kMenu, tags::kSelectPart, 8, 120, 142, 96},
      {Placed::kMenu, tags::kPartMode, 264, 120, 142, 96},
  };
  for (const Placed& p : controls) place(top, p);
  // The part's values: the sliders, then their boxes.
  struct Cell {
    int32_t tag;
    int x, y;
  };
  static constexpr Cell partCells[] = {{tags::kProgram, 520, 120},        {tags::kPartPage | 0x05, 8, 144},
                                       {tags::kPartPage | 0x04, 264, 144}, {tags::kPartPage | 0x06, 520, 144},
                                       {tags::kPartPage | 0x07, 8, 168},   {tags::kPartPage | 0x09, 264, 168},
                                       {tags::kPartPage | 0x08, 520, 168}};
  for (const Cell& cell : partCells) place(top, {Placed::kSlider, cell.tag, cell.x, cell.y, 84, 160});
  for (const Cell& cell : partCells) place(top, {Placed::kBox, cell.tag, cell.x, cell.y, 64, 96});

  constexpr int32_t V = kValueControl;
  static const char* const systemEntries[] = {"System Reset", "Polyphony", "Recieve sysEx", "NRPN Controlle",
                                              "Sustain Pedal (CC 64)"};
  static const char* const voices[] = {"4", "8", "16", "32", "64", "128", "256", "512", "1024"};
  menus[kSystemMenu] = makePopupMenu(V | 0x0080, systemEntries, 5, kToggleStyle);
  menus[kPolyphonyMenu] = makePopupMenu(V | tags::kPolyphony, voices, 9, kCheckStyle);
  menus[kSystemMenu]->getEntry(1)->setSubmenu(menus[kPolyphonyMenu]);
  for (int i = 0; i < 5; ++i) menus[kSystemMenu]->checkEntry(i, false);
  menus[kSystemMenu]->getEntry(1)->setEnabled(false);

  static const char* const partEntries[] = {"Reset Part", "Reset All Controller", "All Sound Off", "OutPut"};
  menus[kPartMenu] = makePopupMenu(V | 0x0180, partEntries, 4, kPopupStyle);
  static const char* const outputs[] = {"Out 1 [Main]", "Out 2", "Out 3", "Out 4", "Out 5", "Out 6",
                                        "Out 7", "Out 8", "Out 9", "Out 10", "Out 11", "Out 12",
                                        "Out 13", "Out 14", "Out 15", "Out 16"};
  menus[kOutputMenu] = makePopupMenu(V | tags::kPartOutput, outputs, 16, kCheckStyle);
  menus[kPartMenu]->getEntry(3)->setSubmenu(menus[kOutputMenu]);
  menus[kPartMenu]->addSeparator(1);
  menus[kPartMenu]->addSeparator(3);
}

// Both preset pages begin alike: the menu button, the preset number and
// the name (item 0x02, the name box at nameX).
void KorvaneVSTGUIEditor::placePresetHeader(CViewContainer* page, int32_t pageTag, int nameX) {
  place(page, {Placed::kButton, pageTag, 8, 2, 28, 20, "menu.png"});
  place(page, {Placed::kSliderBox, pageTag | 0x01, 8, 24});
  place(page, {Placed::kText, pageTag | 0x02, nameX, 24, 160, 96, "preset Name"});
}

void KorvaneVSTGUIEditor::buildTonePage(CViewContainer* page) {
  constexpr int32_t T = tags::kTonePage;
  placePresetHeader(page, T, 264);
  static const Placed header[] = {
      {Placed::kSliderBox, T | 0x03, 520, 24},
      {Placed::kSliderBox, T | 0x04, 520, 48},
      {Placed::kSlider, T | 0x05, 8, 96, 84, 0},
      {Placed::kBox, T | 0x05, 8, 72, 64, 96},
      {Placed::kDisplay, T | 0x05, 168, 48, 94, 70, "algo.png"},
      {Placed::kSliderBox, T | 0x06, 264, 48},
      {Placed::kMenu, T | 0x07, 264, 72, 160, 96},
      {Placed::kSliderBox, T | 0x08, 264, 96},
  };
  for (const Placed& p : header) place(page, p);

  // Operator j's field k: a slider, and its box, or a display where the
  // field has no box (the wave).
  for (int j = 0; j < synth::kOperatorCount; ++j) {
    const OperatorColumn& column = kOperatorColumns[j];
    for (int k = 0; k < synth::kOperatorFieldCount; ++k) {
      const int32_t tag = T | (synth::kToneTagOperatorBase + synth::kToneTagOperatorStride * j + k);
      const int y = kOperatorTop + kOperatorRowHeight * k;
      place(page, {Placed::kSlider, tag, column.x, y, 84, column.sliderCaption});
      const ovri::korvane::plugin::PageItem* item = ovri::korvane::plugin::findPageItem(tag);
      if (item && item->text == ovri::korvane::plugin::ItemText::kNone)
        place(page, {Placed::kDisplay, tag, column.x, y, 60, 20, "wave.png"});
      else
        place(page, {Placed::kBox, tag, column.x, y, column.boxWidth, 0});
    }
  }

  static const char* const entries[] = {"Reset Preset", "Import Presets", "Export Presets", "Export SysEx Text"};
  menus[kToneMenu] = makePopupMenu(kValueControl | T | 0x80, entries, 4, kPopupStyle);
  menus[kToneMenu]->addSeparator(1);
  menus[kToneMenu]->addSeparator(4);
}

void KorvaneVSTGUIEditor::buildSamplerPage(CViewContainer* page) {
  constexpr int32_t P = tags::kSamplerPage;
  constexpr int32_t S = tags::kSamplePage;
  placePresetHeader(page, P, 520);
  static const Placed preset[] = {
      {Placed::kSliderBox, P | 0x03, 8, 48},
      {Placed::kSliderBox, P | 0x05, 8, 72},
      {Placed::kSliderBox, P | 0x06, 8, 96},
      {Placed::kSliderBox, P | 0x04, 8, 120},
      {Placed::kSliderBox, P | 0x07, 264, 24},
      {Placed::kSliderBox, P | 0x08, 264, 48},
      {Placed::kSliderBox, P | 0x09, 264, 72},
      {Placed::kSliderBox, P | 0x0A, 264, 96},
      {Placed::kSliderBox, P | 0x0B, 264, 120},
  };
  for (const Placed& p : preset) place(page, p);
  static const char* const samplerEntries[] = {"Reset Preset", "Import Presets", "Export Presets",
                                               "Export SysEx Text"};
  menus[kSamplerMenu] = makePopupMenu(kValueControl | P | 0x80, samplerEntries, 4, kPopupStyle);
  menus[kSamplerMenu]->addSeparator(1);
  menus[kSamplerMenu]->addSeparator(4);

  static const Placed sample[] = {
      {Placed::kButton, S, 8, 146, 28, 20, "menu.png"},
      {Placed::kSliderBox, tags::kSelectSample, 8, 168},
      {Placed::kLabel, 0, 8, 192, 128, 128, "0", &KorvaneVSTGUIEditor::framesLabel},
      {Placed::kText, S | 0x07, 8, 216, 128, 128, "0"},
      {Placed::kText, S | 0x08, 8, 240, 128, 128, "0"},
      {Placed::kText, S | 0x09, 8, 264, 128, 128, "0"},
      {Placed::kText, S | 0x0A, 8, 288, 128, 128, "0"},
      {Placed::kLabel, 0, 8, 312, 128, 128, "false", &KorvaneVSTGUIEditor::loopLabel},
      {Placed::kLabel, 0, 264, 168, 128, 128, "0", &KorvaneVSTGUIEditor::channelsLabel},
      {Placed::kText, S | 0x04, 264, 192, 96, 128, "0.0"},
      {Placed::kText, S | 0x05, 264, 216, 96, 128, "0.0"},
  };
  for (const Placed& p : sample) place(page, p);
  static const char* const sampleEntries[] = {"Clear SampleData",
                                              "Import WAV File",
                                              "Import WAV File (DPCM enocode)",
                                              "Import WAV File (ADPCM encode)",
                                              "Import SampleData Parameters",
                                              "Export SampleData Parameters"};
  menus[kSampleMenu] = makePopupMenu(kValueControl | S | 0x80, sampleEntries, 6, kPopupStyle);
  menus[kSampleMenu]->addSeparator(1);
  menus[kSampleMenu]->addSeparator(5);
}

void KorvaneVSTGUIEditor::buildAboutOverlay(CViewContainer* overlay) {
  makeKickButton(overlay, kValueControl | kAboutPage | 0x01, 262, 105, 260, 350, "libLogo.png");
  const struct {
    int y;
    const char* text;
  } lines[] = {{574, "Sixteen parts, four operators, one window."},
               {538, "Library Version : 22.12.4"},
               {514, "VST Version : 23.1.5"}};
  for (const auto& line : lines) {
    CTextLabel* label = makeLabel(overlay, 162, line.y, 460, 0, line.text);
    label->setFontColor(kAboutTextColour);
    label->setBackColor(CColor(0, 0, 0, 0));
    label->setFrameColor(CColor(0, 0, 0, 0));
    label->setFont(kNormalFontBig);
  }
}

}  // namespace Steinberg::Vst
