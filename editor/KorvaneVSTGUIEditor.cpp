#include "editor/KorvaneVSTGUIEditor.h"

#include "plugin/EditorProtocol.h"
#include "plugin/EngineView.h"
#include "plugin/FileActions.h"
#include "plugin/KorvaneIds.h"
#include "plugin/ValueTags.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "tonegen/SoundData.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace Steinberg::Vst {

using namespace VSTGUI;
namespace tags = ovri::korvane::protocol::tags;
namespace files = ovri::korvane::protocol::fileactions;
namespace msg = ovri::korvane::protocol::message;
namespace key = ovri::korvane::protocol::attribute;
namespace synth = ovri::korvane::synth;
using ovri::korvane::EngineView;

namespace {

const CColor kTextColour(63, 56, 82, 255);
const CColor kClear(23, 23, 23, 0);
const CColor kOverlayColour(23, 23, 23, 235);
const CColor kAboutTextColour(127, 127, 127, 255);
const CColor kStatusColour(212, 202, 246, 255);

// Where each page's pop-up opens, frame coordinates.
const CPoint kSystemAnchor(8, 72);
const CPoint kPartAnchor(8, 120);
const CPoint kToneAnchor(8, 216);
const CPoint kSamplerAnchor(8, 216);
const CPoint kSampleAnchor(8, 360);

constexpr int32_t kPopupStyle = 0x100;
constexpr int32_t kCheckStyle = 0x200;
constexpr int32_t kToggleStyle = 0x500;  // a chosen entry toggles its check mark

// Operator fields: row y, slider maximum.
struct OperatorRow {
  int y;
  int max;
};
constexpr OperatorRow kOperatorRows[synth::kOperatorFieldCount] = {
    {144, 7}, {168, 15}, {192, 16383}, {216, 15}, {240, 7}, {264, 127},
    {288, 127}, {312, 127}, {336, 127}, {360, 127}, {384, 3}, {408, 127}};
struct OperatorColumn {
  int x;
  int sliderCaption;
  int boxWidth;
};
constexpr OperatorColumn kOperatorColumns[synth::kOperatorCount] = {
    {104, 64, 64}, {265, 73, 73}, {436, 73, 73}, {607, 73, 73}};

// The slider range of a value tag that has a numeric box; 0 for none.
int32_t rangeOf(int32_t valueTag) {
  const int32_t page = valueTag & tags::kPageMask;
  const int32_t item = valueTag & tags::kItemMask;
  switch (page) {
    case tags::kPartPage:
      if (item == 0x05) return 16383;
      return item >= 0x03 && item <= 0x09 ? 127 : 0;
    case tags::kTonePage:
      switch (item) {
        case 0x01: return 255;
        case 0x03: case 0x04: case 0x06: return 127;
        case 0x05: return 15;
        case 0x08: return 16383;
        default: break;
      }
      if (item >= 0x10 && item < 0x50 && (item & 0xF) > 0 && (item & 0xF) < synth::kOperatorFieldCount)
        return kOperatorRows[item & 0xF].max;
      return 0;
    case tags::kSamplerPage:
      if (item == 0x05) return 15;
      if (item == 0x06) return 16383;
      return item == 0x01 || (item >= 0x03 && item <= 0x0B) ? 127 : 0;
    case tags::kSamplePage:
      return item == 0x01 ? 127 : 0;
    default:
      return 0;
  }
}

// n / range, 0 below low, 1 from high on.
float clampedRatio(double n, double low, double high, double offset, double range) {
  if (n >= high) return 1.f;
  if (n < low) return 0.f;
  return static_cast<float>((n + offset) / range);
}

// What a box calls its value in a message of the status line.
std::string captionOf(int32_t valueTag) {
  static const char* const operatorFields[synth::kOperatorFieldCount] = {
      "wave", "multiple", "tune", "LFO sens", "TL velo", "TL", "AR", "DR", "SL", "RR", "KF", "KF start"};
  const int32_t page = valueTag & tags::kPageMask;
  const int32_t item = valueTag & tags::kItemMask;
  struct Named {
    int32_t tag;
    const char* caption;
  };
  static constexpr Named named[] = {
      {0x0001, "Main volume"},    {0x0002, "Reference pitch"}, {0x0103, "Program"},
      {0x0104, "Bend range"},     {0x0105, "Pitch bend"},      {0x0106, "Modulation"},
      {0x0107, "Volume"},         {0x0108, "Pan"},             {0x0109, "Expression"},
      {0x1001, "Preset number"},  {0x1003, "Percussion key"},  {0x1004, "Pan"},
      {0x1005, "Structure"},      {0x1006, "Feedback"},        {0x1008, "LFO freq"},
      {0x2001, "Key number"},     {0x2003, "Sample number"},   {0x2004, "Pan"},
      {0x2005, "Octave"},         {0x2006, "Tune"},            {0x2007, "TL"},
      {0x2008, "AR"},             {0x2009, "DR"},              {0x200A, "SL"},
      {0x200B, "RR"},             {0x3001, "Sample number"},   {0x3004, "Sample rate"},
      {0x3005, "Pitch"},          {0x3007, "Playback start"},  {0x3008, "Playback end"},
      {0x3009, "Loop start"},     {0x300A, "Loop end"}};
  for (const Named& n : named)
    if (n.tag == valueTag) return n.caption;
  if (page == tags::kTonePage && item >= 0x10 && item < 0x50)
    return "Operator " + std::to_string((item >> 4) - 1) + " " + operatorFields[(item & 0xF) % synth::kOperatorFieldCount];
  return "Value";
}

// A preset name as the record holds it, up to its terminating zero.
std::string nameOf(const char* name) { return std::string(name, strnlen(name, synth::kPresetNameLength)); }

}  // namespace

namespace {

// The status line: a text in the title strip, over the strip's own
// right-hand text, on the strip's vertical shade (its top and bottom
// colours, 46 pixels apart) so that nothing of the text below shows.
class StatusLine : public CTextLabel {
public:
  StatusLine(const CRect& r) : CTextLabel(r, "") {}
  void draw(CDrawContext* context) override {
    const CRect r = getViewSize();
    for (CCoord y = r.top; y < r.bottom; y += 1) {
      const double t = (y + 0.5) / kStripHeight;
      auto mix = [t](int a, int b) { return static_cast<uint8_t>(std::lround(a + (b - a) * t)); };
      context->setFillColor(CColor(mix(42, 20), mix(39, 19), mix(53, 24), 255));
      context->drawRect(CRect(r.left, y, r.right, y + 1), kDrawFilled);
    }
    CTextLabel::draw(context);
  }

private:
  static constexpr double kStripHeight = 46;
};

// The about overlay takes every click and wheel turn that its own buttons
// do not: nothing underneath reacts while it is shown.
class ModalOverlay : public CLayeredViewContainer {
public:
  using CLayeredViewContainer::CLayeredViewContainer;
  CMouseEventResult onMouseDown(CPoint& where, const CButtonState& buttons) override {
    const CMouseEventResult result = CLayeredViewContainer::onMouseDown(where, buttons);
    if (result == kMouseEventNotHandled || result == kMouseEventNotImplemented)
      return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    return result;
  }
  bool onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
               const CButtonState& buttons) override {
    CLayeredViewContainer::onWheel(where, axis, distance, buttons);
    return true;
  }
};

}  // namespace

bool CHorizontalSliderExt::onWheel(const CPoint& where, const CMouseWheelAxis& axis, const float& distance,
                                   const CButtonState& buttons) {
  if (axis == kMouseWheelAxisY) return CHorizontalSlider::onWheel(where, kMouseWheelAxisX, -distance, buttons);
  return CHorizontalSlider::onWheel(where, axis, distance, buttons);
}

KorvaneVSTGUIEditor::KorvaneVSTGUIEditor(EditController* controller)
    : VSTGUIEditor(controller, [] {
        static ViewRect size(0, 0, kWidth, kHeight);
        return &size;
      }()) {}

KorvaneVSTGUIEditor::~KorvaneVSTGUIEditor() {
  if (frame) close();
}

// ---- life cycle ----------------------------------------------------------

bool KorvaneVSTGUIEditor::open(void* parent, const PlatformType& type) {
  if (frame) return false;
  frame = new CFrame(CRect(0, 0, kWidth, kHeight), this);
  buildView();
  IPlatformFrameConfig* config = type == PlatformType::kOffscreen ? offscreenConfig : nullptr;
  if (!frame->open(parent, type, config)) {
    close();
    return false;
  }
  setIdleRate(kRefreshMs);
  sendEditorOpened();
  return true;
}

void KorvaneVSTGUIEditor::close() {
  pendingFileTag = 0;
  openSelector = nullptr;
  statusLine = nullptr;
  statusTicksLeft = 0;
  for (COptionMenu*& menu : menus) {
    if (menu) menu->forget();
    menu = nullptr;
  }
  if (frame) frame->close();
  frame = nullptr;
  controls.clear();
  topView = pageAreaView = tonePageView = samplerPageView = aboutView = nullptr;
  framesLabel = channelsLabel = loopLabel = nullptr;
}

CMessageResult KorvaneVSTGUIEditor::notify(CBaseObject* sender, IdStringPtr message) {
  if (message == CVSTGUITimer::kMsgTimer) {
    tick();
    return VSTGUIEditor::notify(sender, message);
  }
  if (message == CNewFileSelector::kSelectEndMessage) {
    if (auto* selector = dynamic_cast<CNewFileSelector*>(sender)) {
      fileDialogEnded(selector);
      return kMessageNotified;
    }
  }
  return VSTGUIEditor::notify(sender, message);
}

EngineView* KorvaneVSTGUIEditor::engineHost() {
  if (engine && EngineView::liveSerial(engine) != engineSerial) engine = nullptr;
  return engine;
}

void KorvaneVSTGUIEditor::setEngineHost(EngineView* host) {
  engine = host;
  engineSerial = host ? EngineView::liveSerial(host) : 0;
  if (engineSerial == 0) engine = nullptr;
  if (engine) requestFullRefresh();
}

void KorvaneVSTGUIEditor::requestFullRefresh() {
  if (engineHost()) fullRefreshPending = true;
}

void KorvaneVSTGUIEditor::tick() {
  EngineView* host = engineHost();
  if (!host || !frame) return;
  {
    auto lock = host->lockMain();
    host->synchronize();
    refreshAll(*host);
  }
  if (fullRefreshPending && aboutView) aboutView->setVisible(false);
  fullRefreshPending = false;
  if (statusTicksLeft > 0 && --statusTicksLeft == 0 && statusLine) statusLine->setVisible(false);
}

std::string KorvaneVSTGUIEditor::statusText() const {
  return statusLine && statusLine->isVisible() ? statusLine->getText() : std::string();
}

void KorvaneVSTGUIEditor::showStatus(const std::string& text) {
  if (!statusLine) return;
  statusLine->setText(text);
  statusLine->setVisible(true);
  statusLine->invalid();
  statusTicksLeft = kStatusTicks;
}

void KorvaneVSTGUIEditor::fileActionAnswered(int32_t fileTag, const std::string& path, int32_t outcome,
                                             int32_t count, const std::string& reason) {
  if (!frame) return;
  namespace fa = ovri::korvane::plugin;
  showStatus(fa::describeFileAction(fileTag, path, static_cast<fa::FileOutcome>(outcome), count, reason));
}

// ---- factories -----------------------------------------------------------

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

namespace {
template <typename T> void styleText(T* view) {
  view->setFont(kNormalFont);
  view->setFontColor(kTextColour);
  view->setBackColor(kClear);
  view->setFrameColor(kClear);
}
}  // namespace

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

// ---- building ------------------------------------------------------------

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
  constexpr int32_t V = kValueControl;
  constexpr int32_t B = kNumericBox;
  makeKickButton(top, V | 0x0000, 8, 50, 28, 20, "menu.png");
  static const char* const systemEntries[] = {"System Reset", "Polyphony", "Recieve sysEx", "NRPN Controlle",
                                              "Sustain Pedal (CC 64)"};
  static const char* const voices[] = {"4", "8", "16", "32", "64", "128", "256", "512", "1024"};
  menus[kSystemMenu] = makePopupMenu(V | 0x0080, systemEntries, 5, kToggleStyle);
  menus[kPolyphonyMenu] = makePopupMenu(V | 0x0090, voices, 9, kCheckStyle);
  menus[kSystemMenu]->getEntry(1)->setSubmenu(menus[kPolyphonyMenu]);
  for (int i = 0; i < 5; ++i) menus[kSystemMenu]->checkEntry(i, false);
  menus[kSystemMenu]->getEntry(1)->setEnabled(false);
  makeSlider(top, V | tags::kMasterVolume, 8, 72, 84, 160, 200);
  makeSlider(top, V | tags::kMasterTune, 264, 72, 84, 160, 800);
  makeTextBox(top, B | tags::kMasterVolume, 8, 72, 36, 98, "0")->setHoriAlign(kLeftText);
  makeTextBox(top, B | tags::kMasterTune, 264, 72, 36, 98, "0")->setHoriAlign(kLeftText);

  makeKickButton(top, V | 0x0100, 8, 98, 28, 20, "menu.png");
  static const char* const partEntries[] = {"Reset Part", "Reset All Controller", "All Sound Off", "OutPut"};
  menus[kPartMenu] = makePopupMenu(V | 0x0180, partEntries, 4, kPopupStyle);
  static const char* const outputs[] = {"Out 1 [Main]", "Out 2", "Out 3", "Out 4", "Out 5", "Out 6",
                                        "Out 7", "Out 8", "Out 9", "Out 10", "Out 11", "Out 12",
                                        "Out 13", "Out 14", "Out 15", "Out 16"};
  menus[kOutputMenu] = makePopupMenu(V | 0x0190, outputs, 16, kCheckStyle);
  menus[kPartMenu]->getEntry(3)->setSubmenu(menus[kOutputMenu]);
  menus[kPartMenu]->addSeparator(1);
  menus[kPartMenu]->addSeparator(3);

  static const char* const partNames[] = {
      "0 [MIDI CH 1]", "1 [MIDI CH 2]", "2 [MIDI CH 3]", "3 [MIDI CH 4]", "4 [MIDI CH 5]", "5 [MIDI CH 6]",
      "6 [MIDI CH 7]", "7 [MIDI CH 8]", "8 [MIDI CH 9]", "9 [MIDI CH 10]", "10 [MIDI CH 11]", "11 [MIDI CH 12]",
      "12 [MIDI CH 13]", "13 [MIDI CH 14]", "14 [MIDI CH 15]", "15 [MIDI CH 16]"};
  static const char* const modes[] = {"0 [Mute]", "1 [Instrument]", "2 [Percussion]", "3 [Sampler]"};
  makeOptionMenu(top, V | 0x0101, 8, 120, 142, 96, partNames, 16);
  makeOptionMenu(top, V | 0x0102, 264, 120, 142, 96, modes, 4);

  struct Cell {
    int32_t item;
    int x, y, max;
  };
  static constexpr Cell cells[] = {{0x03, 520, 120, 127}, {0x05, 8, 144, 16383}, {0x04, 264, 144, 127},
                                   {0x06, 520, 144, 127}, {0x07, 8, 168, 127},   {0x09, 264, 168, 127},
                                   {0x08, 520, 168, 127}};
  for (const Cell& cell : cells) makeSlider(top, V | tags::kPartPage | cell.item, cell.x, cell.y, 84, 160, cell.max);
  for (const Cell& cell : cells) makeTextBox(top, B | tags::kPartPage | cell.item, cell.x, cell.y, 64, 96, "0");
}

void KorvaneVSTGUIEditor::buildTonePage(CViewContainer* page) {
  constexpr int32_t V = kValueControl | tags::kTonePage;
  constexpr int32_t B = kNumericBox | tags::kTonePage;
  makeKickButton(page, V | 0x00, 8, 2, 28, 20, "menu.png");
  makeSlider(page, V | 0x01, 8, 24, 84, 160, 255);
  makeTextBox(page, B | 0x01, 8, 24, 64, 96, "0");
  makeTextBox(page, V | 0x02, 264, 24, 160, 96, "preset Name");
  makeSlider(page, V | 0x03, 520, 24, 84, 160, 127);
  makeTextBox(page, B | 0x03, 520, 24, 64, 96, "0");
  makeSlider(page, V | 0x04, 520, 48, 84, 160, 127);
  makeTextBox(page, B | 0x04, 520, 48, 64, 96, "0");
  makeSlider(page, V | 0x05, 8, 96, 84, 0, 15);
  makeTextBox(page, B | 0x05, 8, 72, 64, 96, "0");
  makeMovieBitmap(page, V | 0x05, 168, 48, 94, 70, 16, "algo.png");
  makeSlider(page, V | 0x06, 264, 48, 84, 160, 127);
  makeTextBox(page, B | 0x06, 264, 48, 64, 96, "0");
  static const char* const lfoWaves[] = {"0 [Triangle]", "1 [Square]", "2 [Saw]", "3 [Noise]"};
  makeOptionMenu(page, V | 0x07, 264, 72, 160, 96, lfoWaves, 4);
  makeSlider(page, V | 0x08, 264, 96, 84, 160, 16383);
  makeTextBox(page, B | 0x08, 264, 96, 64, 96, "0");

  for (int j = 0; j < synth::kOperatorCount; ++j) {
    const OperatorColumn& column = kOperatorColumns[j];
    for (int k = 0; k < synth::kOperatorFieldCount; ++k) {
      const int32_t item = 0x10 + 0x10 * j + k;
      const OperatorRow& row = kOperatorRows[k];
      makeSlider(page, V | item, column.x, row.y, 84, column.sliderCaption, row.max);
      if (k == 0)
        makeMovieBitmap(page, V | item, column.x, row.y, 60, 20, synth::kWaveCount, "wave.png");
      else
        makeTextBox(page, B | item, column.x, row.y, column.boxWidth, 0, "0");
    }
  }

  static const char* const entries[] = {"Reset Preset", "Import Presets", "Export Presets", "Export SysEx Text"};
  menus[kToneMenu] = makePopupMenu(V | 0x80, entries, 4, kPopupStyle);
  menus[kToneMenu]->addSeparator(1);
  menus[kToneMenu]->addSeparator(4);
}

void KorvaneVSTGUIEditor::buildSamplerPage(CViewContainer* page) {
  constexpr int32_t V = kValueControl | tags::kSamplerPage;
  constexpr int32_t B = kNumericBox | tags::kSamplerPage;
  makeKickButton(page, V | 0x00, 8, 2, 28, 20, "menu.png");
  struct Cell {
    int32_t item;
    int x, y, max;
  };
  static constexpr Cell cells[] = {{0x01, 8, 24, 127},    {0x03, 8, 48, 127},    {0x05, 8, 72, 15},
                                   {0x06, 8, 96, 16383},  {0x04, 8, 120, 127},   {0x07, 264, 24, 127},
                                   {0x08, 264, 48, 127},  {0x09, 264, 72, 127},  {0x0A, 264, 96, 127},
                                   {0x0B, 264, 120, 127}};
  for (const Cell& cell : cells) {
    makeSlider(page, V | cell.item, cell.x, cell.y, 84, 160, cell.max);
    makeTextBox(page, B | cell.item, cell.x, cell.y, 64, 96, "0");
    if (cell.item == 0x01) makeTextBox(page, V | 0x02, 520, 24, 160, 96, "preset Name");
  }
  static const char* const samplerEntries[] = {"Reset Preset", "Import Presets", "Export Presets",
                                               "Export SysEx Text"};
  menus[kSamplerMenu] = makePopupMenu(V | 0x80, samplerEntries, 4, kPopupStyle);
  menus[kSamplerMenu]->addSeparator(1);
  menus[kSamplerMenu]->addSeparator(4);

  constexpr int32_t S = kValueControl | tags::kSamplePage;
  makeKickButton(page, S | 0x00, 8, 146, 28, 20, "menu.png");
  makeSlider(page, S | 0x01, 8, 168, 84, 160, 127);
  makeTextBox(page, kNumericBox | tags::kSamplePage | 0x01, 8, 168, 64, 96, "0");
  framesLabel = makeLabel(page, 8, 192, 128, 128, "0");
  makeTextBox(page, S | 0x07, 8, 216, 128, 128, "0");
  makeTextBox(page, S | 0x08, 8, 240, 128, 128, "0");
  makeTextBox(page, S | 0x09, 8, 264, 128, 128, "0");
  makeTextBox(page, S | 0x0A, 8, 288, 128, 128, "0");
  loopLabel = makeLabel(page, 8, 312, 128, 128, "false");
  channelsLabel = makeLabel(page, 264, 168, 128, 128, "0");
  makeTextBox(page, S | 0x04, 264, 192, 96, 128, "0.0");
  makeTextBox(page, S | 0x05, 264, 216, 96, 128, "0.0");
  static const char* const sampleEntries[] = {"Clear SampleData",
                                              "Import WAV File",
                                              "Import WAV File (DPCM enocode)",
                                              "Import WAV File (ADPCM encode)",
                                              "Import SampleData Parameters",
                                              "Export SampleData Parameters"};
  menus[kSampleMenu] = makePopupMenu(S | 0x80, sampleEntries, 6, kPopupStyle);
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

// ---- control changes -----------------------------------------------------

void KorvaneVSTGUIEditor::valueChanged(CControl* control) {
  if (!engineHost() || !control) return;
  const int32_t tag = control->getTag();
  if (tag & kNumericBox) {
    onTextBoxCommit(control);
    return;
  }
  if (!(tag & kValueControl)) return;
  const float v = control->getValueNormalized();
  const bool pressed = v > 0.5f;
  const int32_t valueTag = tag & 0xFFFF;
  const int32_t page = valueTag & tags::kPageMask;
  const int32_t item = valueTag & tags::kItemMask;

  if (page != kAboutPage && aboutView && aboutView->isVisible()) return;  // modal
  if (page == kAboutPage) {
    if (pressed && item == 0x00 && aboutView) {
      frame->setFocusView(nullptr);  // no box keeps the keys under the overlay
      aboutView->setVisible(true);
    }
    if (pressed && item == 0x01 && aboutView) aboutView->setVisible(false);
    return;
  }
  if (item == 0x00) {
    if (!pressed) return;
    switch (page) {
      case tags::kSystemPage: popup(kSystemMenu, kSystemAnchor); break;
      case tags::kPartPage: popup(kPartMenu, kPartAnchor); break;
      case tags::kTonePage: popup(kToneMenu, kToneAnchor); break;
      case tags::kSamplerPage: popup(kSamplerMenu, kSamplerAnchor); break;
      case tags::kSamplePage: popup(kSampleMenu, kSampleAnchor); break;
      default: break;
    }
    return;
  }
  if (item == 0x80) {
    onMenuChoice(page);
    return;
  }
  switch (page) {
    case tags::kSystemPage:
      if (item == 0x01 || item == 0x02) sendValueChange(valueTag, v);
      break;
    case tags::kPartPage:
      onPartControl(item, v);
      break;
    case tags::kTonePage:
    case tags::kSamplerPage:
      if (item == 0x02) {
        if (auto* box = dynamic_cast<CTextEdit*>(control)) storePresetName(box, page == tags::kTonePage);
      } else {
        sendValueChange(valueTag, v);
      }
      break;
    case tags::kSamplePage:
      if (item == 0x01) {
        sendValueChange(valueTag, v);
      } else if (auto* box = dynamic_cast<CTextLabel*>(control); box && acceptNumber(valueTag, box->getText())) {
        if (item == 0x04 || item == 0x05)
          sendValueChange(valueTag, std::strtof(box->getText().c_str(), nullptr));
        else if (item >= 0x07 && item <= 0x0A) {
          // The answer comes back inside the send: typedPoint tells it
          // what was asked for.
          const long typed = std::strtol(box->getText().c_str(), nullptr, 10);
          typedPoint = {valueTag, typed};
          sendValueChange(valueTag, static_cast<float>(typed));
          typedPoint = {};
        }
      }
      break;
    default:
      break;
  }
}

void KorvaneVSTGUIEditor::popup(MenuIndex menu, CPoint anchor) {
  if (menus[menu] && frame) menus[menu]->popup(frame, anchor);
}

// The MIDI parameter number the part controls also move (program change
// 0x82, pitch bend 0x81, or a controller), 0 for none.
namespace {
uint32_t partParameterNumber(int32_t item) {
  switch (item) {
    case 0x03: return ovri::korvane::plugin::kProgramChangeNumber;
    case 0x05: return ovri::korvane::plugin::kPitchBendNumber;
    case 0x06: return 1;
    case 0x07: return 7;
    case 0x08: return 10;
    case 0x09: return 11;
    default: return 0;
  }
}
}  // namespace

int32_t KorvaneVSTGUIEditor::selectedPart() {
  EngineView* host = engineHost();
  if (!host) return 0;
  auto lock = host->lockMain();
  return host->selection().part;
}

// A part control's edit of the host's parameter, as one gesture.
void KorvaneVSTGUIEditor::performPartEdit(int32_t item, float v) {
  const uint32_t number = partParameterNumber(item);
  if (number == 0 || !controller) return;
  const ParamID id = ovri::korvane::plugin::midiParamId(static_cast<uint32_t>(selectedPart()), number);
  controller->beginEdit(id);
  controller->performEdit(id, v);
  controller->endEdit(id);
}

void KorvaneVSTGUIEditor::onPartControl(int32_t item, float v) {
  if (item < 0x01 || item > 0x09) return;
  sendValueChange(tags::kPartPage | item, v);
  performPartEdit(item, v);
}

void KorvaneVSTGUIEditor::onMenuChoice(int32_t page) {
  MenuIndex which = kMenuCount;
  switch (page) {
    case tags::kSystemPage: which = kSystemMenu; break;
    case tags::kPartPage: which = kPartMenu; break;
    case tags::kTonePage: which = kToneMenu; break;
    case tags::kSamplerPage: which = kSamplerMenu; break;
    case tags::kSamplePage: which = kSampleMenu; break;
    default: return;
  }
  COptionMenu* root = menus[which];
  if (!root) return;
  int32_t index = -1;
  COptionMenu* chosenMenu = root->getLastItemMenu(index);
  CMenuItem* entry = chosenMenu ? chosenMenu->getEntry(index) : nullptr;
  if (!entry) return;
  const int32_t entryItem = entry->getTag() & tags::kItemMask;

  switch (which) {
    case kSystemMenu:
      if (chosenMenu == menus[kPolyphonyMenu]) {
        sendValueChange(tags::kPolyphony, chosenMenu->getValueNormalized());
      } else if (entryItem == 0x81) {
        sendValueChange(tags::kResetAllParts, 0.f);
        root->checkEntry(0, false);
      } else if (entryItem == 0x83 || entryItem == 0x84) {
        sendValueChange(entryItem, 0.f);
      } else if (entryItem == (tags::kSustainPedal & tags::kItemMask)) {
        sendValueChange(tags::kSustainPedal, entry->isChecked() ? 1.f : 0.f);  // the menu has toggled the check
      }
      break;
    case kPartMenu:
      if (chosenMenu == menus[kOutputMenu])
        sendValueChange(tags::kPartOutput, chosenMenu->getValueNormalized());
      else if (entryItem >= 0x81 && entryItem <= 0x83)
        sendValueChange(tags::kPartPage | entryItem, 0.f);
      break;
    case kToneMenu:
      switch (entryItem) {
        case 0x81: sendValueChange(tags::kTonePage | 0x81, 0.f); break;
        case 0x82: openImportDialog(files::kImportTones); break;
        case 0x83: openExportDialog(files::kExportTones); break;
        case 0x84: openExportDialog(files::kExportToneSysEx); break;
        default: break;
      }
      sendValueChange(tags::kTonePage | 0x80, root->getValueNormalized());
      break;
    case kSamplerMenu:
      switch (entryItem) {
        case 0x81: sendValueChange(tags::kSamplerPage | 0x81, 0.f); break;
        case 0x82: openImportDialog(files::kImportSamplerPresets); break;
        case 0x83: openExportDialog(files::kExportSamplerPresets); break;
        case 0x84: openExportDialog(files::kExportSamplerSysEx); break;
        default: break;
      }
      break;
    case kSampleMenu:
      switch (entryItem) {
        case 0x81: sendValueChange(tags::kClearSample, 0.f); break;
        case 0x82: openImportDialog(files::kImportWavPcm); break;
        case 0x83: openImportDialog(files::kImportWavDpcm); break;
        case 0x84: openImportDialog(files::kImportWavAdpcm); break;
        case 0x85: openImportDialog(files::kImportSampleParameters); break;
        case 0x86: openExportDialog(files::kExportSampleParameters); break;
        default: break;
      }
      break;
    default:
      break;
  }
}

float KorvaneVSTGUIEditor::textBoxValue(int32_t valueTag, const char* text) {
  if ((valueTag & tags::kPageMask) == tags::kSystemPage) {
    const double f = std::strtof(text, nullptr);
    if (valueTag == tags::kMasterVolume) {
      if (std::isinf(f)) return 0.f;  // "inf", as the box shows a gain of 0
      if (f >= 0.0) return 1.f;
      if (f < -96.0) return 0.f;
      return static_cast<float>(std::pow(10.0, f / 20.0));
    }
    if (valueTag == tags::kMasterTune) return clampedRatio(f, 400.0, 480.0, -400.0, 80.0);
    return -1.f;
  }
  const double n = static_cast<double>(std::strtol(text, nullptr, 10));
  if (valueTag == (tags::kPartPage | 0x05)) return clampedRatio(n, -8192.0, 8191.0, 8192.0, 16383.0);
  if (valueTag == (tags::kPartPage | 0x08)) return clampedRatio(n, -64.0, 63.0, 64.0, 127.0);
  const int32_t range = rangeOf(valueTag);
  if (range == 0) return -1.f;
  return clampedRatio(n, 0.0, range, 0.0, range);
}

// A text that begins with no number is refused with a word in the status
// line; the box shows the value in force again at the next refresh.
bool KorvaneVSTGUIEditor::acceptNumber(int32_t valueTag, const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  const double n = std::strtod(begin, &end);
  if (end != begin && !std::isnan(n)) return true;
  showStatus(captionOf(valueTag) + ": '" + text + "' is not a number");
  return false;
}

void KorvaneVSTGUIEditor::onTextBoxCommit(CControl* control) {
  auto* box = dynamic_cast<CTextLabel*>(control);
  if (!box) return;
  const int32_t valueTag = control->getTag() & 0xFFFF;
  if (!acceptNumber(valueTag, box->getText())) return;
  const float value = textBoxValue(valueTag, box->getText().c_str());
  if (value < 0.f) return;
  const int32_t page = valueTag & tags::kPageMask;
  const int32_t item = valueTag & tags::kItemMask;
  if (page == tags::kPartPage) performPartEdit(item, value);
  sendValueChange(valueTag, value);
}

// The name goes into the main thread's record, then the processor is asked
// to hand the selected record to the engine.
void KorvaneVSTGUIEditor::storePresetName(CTextEdit* box, bool tone) {
  EngineView* host = engineHost();
  if (!host) return;
  std::string stored;
  {
    auto lock = host->lockMain();
    char* name = host->selectedPresetName(tone);
    int n = 0;
    for (unsigned char c : box->getText()) {
      if (n == synth::kPresetNameLength) break;
      if (c >= 32 && c <= 126) name[n++] = static_cast<char>(c);
    }
    for (; n < synth::kPresetNameLength; ++n) name[n] = ' ';
    name[synth::kPresetNameLength] = 0;
    stored = nameOf(name);
  }
  box->setText(stored);
  sendValueChange(tone ? tags::kToneName : tags::kSamplerName, 0.f);
}

// ---- messages ------------------------------------------------------------

void KorvaneVSTGUIEditor::sendEditorOpened() {
  if (!controller) return;
  IMessage* message = controller->allocateMessage();
  if (!message) return;
  message->setMessageID(msg::kEditorOpened);
  controller->sendMessage(message);
  message->release();
}

void KorvaneVSTGUIEditor::sendValueChange(int32_t valueTag, float value) {
  if (!controller) return;
  IMessage* message = controller->allocateMessage();
  if (!message) return;
  message->setMessageID(msg::kValueChange);
  if (IAttributeList* attributes = message->getAttributes()) {
    attributes->setInt(key::kTag, valueTag);
    attributes->setFloat(key::kValue, value);
  }
  controller->sendMessage(message);
  message->release();
}

void KorvaneVSTGUIEditor::sendFileSelect(int32_t fileTag, const std::string& path) {
  if (!controller) return;
  IMessage* message = controller->allocateMessage();
  if (!message) return;
  message->setMessageID(msg::kFileSelect);
  if (IAttributeList* attributes = message->getAttributes()) {
    attributes->setInt(key::kTag, fileTag);
    attributes->setBinary(key::kPath, path.c_str(), static_cast<uint32>(path.size() + 1));
  }
  controller->sendMessage(message);
  message->release();
}

// ---- file dialogs --------------------------------------------------------

namespace {
struct ImportDialog {
  int32_t tag;
  const char* title;
  bool sampleParameters;  // its third filter says "csv files"
  bool wav;
};
constexpr ImportDialog kImports[] = {
    {files::kImportTones, "Import TonePreset Parameters File", false, false},
    {files::kImportSamplerPresets, "Import SamplerPreset Parameters File", false, false},
    {files::kImportSampleParameters, "Import SampleData Paarmeters File", true, false},
    {files::kImportWavPcm, "Import WAV File", false, true},
    {files::kImportWavDpcm, "Import WAV File", false, true},
    {files::kImportWavAdpcm, "Import WAV File", false, true},
};
struct ExportDialog {
  int32_t tag;
  const char* title;
  const char* defaultName;
};
constexpr ExportDialog kExports[] = {
    {files::kExportTones, "Export TonePreset Parameters File", "TonePresets.txt"},
    {files::kExportSamplerPresets, "Export SamplerPreset Parameters File", "SamplerPresets.txt"},
    {files::kExportToneSysEx, "Export TonePreset SystemExclusives", "TonePresetSysEx.txt"},
    {files::kExportSamplerSysEx, "Export SamplerPreset SystemExclusives", "SamplerPresetSysEx.txt"},
    {files::kExportSampleParameters, "Export SampleData Parameters File", "SampleDataParameters.txt"},
};
}  // namespace

// Only one file dialog is open at a time: while one is up, asking for
// another says so in the status line, so that an answer always belongs to
// the action of the dialog it came from.
bool KorvaneVSTGUIEditor::dialogAllowed() {
  if (!frame) return false;
  if (pendingFileTag == 0) return true;
  showStatus("A file dialog is already open");
  return false;
}

void KorvaneVSTGUIEditor::runDialog(CNewFileSelector* selector, int32_t fileTag) {
  pendingFileTag = fileTag;
  openSelector = selector;
  frame->setFocusView(nullptr);
  if (!selector->run(this)) {
    pendingFileTag = 0;
    openSelector = nullptr;
  }
  selector->forget();
}

void KorvaneVSTGUIEditor::openImportDialog(int32_t fileTag) {
  const ImportDialog* dialog = nullptr;
  for (const ImportDialog& d : kImports)
    if (d.tag == fileTag) dialog = &d;
  if (!dialog || !dialogAllowed()) return;
  CNewFileSelector* selector = CNewFileSelector::create(frame, CNewFileSelector::kSelectFile);
  if (!selector) return;
  selector->setAllowMultiFileSelection(dialog->wav);
  selector->setTitle(dialog->title);
  if (dialog->wav) {
    selector->addFileExtension(CFileExtension("WAV Files(.wav)", "wav"));
  } else {
    // Opens on the files the plug-in reads and writes itself.
    selector->addFileExtension(CFileExtension("preset files(.kvx, .txt)", "kvx txt"));
    selector->addFileExtension(CFileExtension("kvx files(.kvx)", "kvx"));
    selector->addFileExtension(CFileExtension("text files(.txt)", "txt"));
    selector->addFileExtension(CFileExtension(dialog->sampleParameters ? "csv files(.csv)" : "text files(.csv)", "csv"));
  }
  selector->addFileExtension(CFileExtension("All files", "*"));
  runDialog(selector, fileTag);
}

void KorvaneVSTGUIEditor::openExportDialog(int32_t fileTag) {
  const ExportDialog* dialog = nullptr;
  for (const ExportDialog& d : kExports)
    if (d.tag == fileTag) dialog = &d;
  if (!dialog || !dialogAllowed()) return;
  CNewFileSelector* selector = CNewFileSelector::create(frame, CNewFileSelector::kSelectSaveFile);
  if (!selector) return;
  selector->setTitle(dialog->title);
  selector->addFileExtension(CFileExtension("text file(.txt)", "txt"));
  selector->addFileExtension(CFileExtension("All files", "*"));
  selector->setDefaultSaveName(dialog->defaultName);
  runDialog(selector, fileTag);
}

void KorvaneVSTGUIEditor::fileDialogEnded(CNewFileSelector* selector) {
  if (selector != openSelector.get()) return;  // not the dialog now open
  const int32_t fileTag = std::exchange(pendingFileTag, 0);
  openSelector = nullptr;
  const uint32_t count = selector->getNumSelectedFiles();
  EngineView* host = engineHost();
  if (count > 0 && host) {
    if (fileTag & 0x2000) {
      int32_t slot = 0;
      {
        auto lock = host->lockMain();
        slot = host->selection().sample;
      }
      for (uint32_t j = 0; j < count && slot < synth::kSampleSlotCount; ++j, ++slot)
        sendFileSelect(fileTag | slot, selector->getSelectedFile(j));
    } else if (fileTag & 0x1000) {
      sendFileSelect(fileTag, selector->getSelectedFile(0));
    }
  }
}

// ---- view updates --------------------------------------------------------

CControl* KorvaneVSTGUIEditor::findControl(int32_t controlTag) const {
  for (CControl* control : controls)
    if (control->getTag() == controlTag) return control;
  return nullptr;
}

COptionMenu* KorvaneVSTGUIEditor::popupMenu(int32_t controlTag) const {
  for (COptionMenu* menu : menus)
    if (menu && menu->getTag() == controlTag) return menu;
  return nullptr;
}

bool KorvaneVSTGUIEditor::focused(const CView* view) const {
  return frame && view && frame->getFocusView() == view;
}

void KorvaneVSTGUIEditor::setValue(int32_t controlTag, float normalized) {
  for (CControl* control : controls) {
    if (control->getTag() != controlTag || control->getValueNormalized() == normalized) continue;
    control->setValueNormalized(normalized);
    control->setDirty();
  }
}

void KorvaneVSTGUIEditor::setBoxText(int32_t controlTag, const std::string& text, bool evenIfFocused) {
  for (CControl* control : controls) {
    if (control->getTag() != controlTag) continue;
    auto* label = dynamic_cast<CTextLabel*>(control);
    if (label && (evenIfFocused || !focused(label)) && label->getText() != text) label->setText(text);
  }
}

void KorvaneVSTGUIEditor::show(int32_t valueTag, int32_t plain, int32_t range) {
  setValue(kValueControl | valueTag, static_cast<float>(plain) / static_cast<float>(range));
  setBoxText(kNumericBox | valueTag, std::to_string(plain));
}

std::string KorvaneVSTGUIEditor::valueText(double v) {
  char text[64];
  const float target = static_cast<float>(v);
  for (int decimals = 0; decimals <= 6; ++decimals) {
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    if (std::strtof(text, nullptr) == target) break;
  }
  std::string out = text;
  // Six decimals that still differ: without the zeros at the end.
  if (out.find('.') != std::string::npos) {
    out.erase(out.find_last_not_of('0') + 1);
    if (out.back() == '.') out.pop_back();
  }
  if (out == "-0") out = "0";
  return out;
}

std::string KorvaneVSTGUIEditor::decibelText(double gain) {
  return gain == 0.0 ? std::string("inf") : valueText(20.0 * std::log10(gain));
}

std::string KorvaneVSTGUIEditor::toneNumberText(int32_t tone) {
  if (tone <= 127) return std::to_string(tone);
  return std::to_string(tone) + " [" + std::to_string(tone - synth::kPercussionToneBase) + "]";
}

void KorvaneVSTGUIEditor::refreshAll(EngineView& host) {
  if (!frame) return;
  refreshSystem(host);
  refreshPart(host);
  refreshTone(host);
  refreshSamplerPreset(host);
  refreshSampleData(host);
}

void KorvaneVSTGUIEditor::refreshSystem(EngineView& host) {
  const ovri::korvane::SoundModel& model = host.soundModel();
  const ovri::korvane::EngineSettings& s = model.settings;
  setValue(kValueControl | tags::kMasterVolume, s.masterVolume);
  setBoxText(kNumericBox | tags::kMasterVolume, decibelText(s.masterVolume));
  setValue(kValueControl | tags::kMasterTune, (s.masterTune - 400.f) / 80.f);
  setBoxText(kNumericBox | tags::kMasterTune, valueText(s.masterTune));
  if (s.polyphony > 0)
    menus[kPolyphonyMenu]->setValueNormalized(static_cast<float>((std::log2(s.polyphony) - 2.0) * 0.125));
  menus[kSystemMenu]->checkEntry(2, s.receiveSysEx);
  menus[kSystemMenu]->checkEntry(3, s.nrpnEnabled);
}

void KorvaneVSTGUIEditor::refreshPart(EngineView& host) {
  const ovri::korvane::SoundModel& model = host.soundModel();
  const ovri::korvane::EditorSelection sel = host.selection();
  const int32_t p = sel.part;
  const synth::PartState& P = model.parts[p];
  setValue(kValueControl | tags::kSelectPart, static_cast<float>(p) / 15.f);
  setValue(kValueControl | tags::kPartMode, static_cast<float>(P.mode) / 3.f);
  show(tags::kPartPage | 0x03, P.program, 127);
  show(tags::kPartPage | 0x04, P.bendRange, 127);
  setValue(kValueControl | tags::kPartPage | 0x05, static_cast<float>(P.pitchBend) / 16383.f);
  setBoxText(kNumericBox | tags::kPartPage | 0x05, std::to_string(P.pitchBend - 8192));
  show(tags::kPartPage | 0x06, P.controllers[1], 127);
  show(tags::kPartPage | 0x07, P.controllers[7], 127);
  setValue(kValueControl | tags::kPartPage | 0x08, static_cast<float>(P.controllers[10]) / 127.f);
  setBoxText(kNumericBox | tags::kPartPage | 0x08, std::to_string(P.controllers[10] - 64));
  show(tags::kPartPage | 0x09, P.controllers[11], 127);
  menus[kOutputMenu]->setValueNormalized(static_cast<float>(P.output) / 15.f);
  showPageForMode(P.mode);
}

void KorvaneVSTGUIEditor::showPageForMode(int32_t mode) {
  CViewContainer* shown = nullptr;
  CViewContainer* hidden = nullptr;
  if (mode >= synth::kModeMute && mode <= synth::kModePercussion) {
    shown = tonePageView;
    hidden = samplerPageView;
  } else if (mode == synth::kModeSampler) {
    shown = samplerPageView;
    hidden = tonePageView;
  }
  if (!shown || !hidden) return;
  if (hidden->isVisible()) hidden->setVisible(false);
  if (!shown->isVisible()) shown->setVisible(true);
}

void KorvaneVSTGUIEditor::refreshTone(EngineView& host) {
  const ovri::korvane::SoundModel& model = host.soundModel();
  const ovri::korvane::EditorSelection sel = host.selection();
  if (model.parts[sel.part].mode == synth::kModeSampler) return;
  const synth::TonePreset& T = model.tones[sel.tone];
  setValue(kValueControl | tags::kSelectTone, static_cast<float>(sel.tone) / 255.f);
  setBoxText(kNumericBox | tags::kSelectTone, toneNumberText(sel.tone));
  setBoxText(kValueControl | tags::kToneName, nameOf(T.presetName));
  show(tags::kTonePage | 0x03, T.key, 127);
  show(tags::kTonePage | 0x04, T.pan, 127);
  show(tags::kTonePage | 0x05, T.strc, 15);
  show(tags::kTonePage | 0x06, T.fl, 127);
  setValue(kValueControl | tags::kTonePage | 0x07, static_cast<float>(T.lfoWave) / 3.f);
  show(tags::kTonePage | 0x08, T.lfoFreq, 16383);
  for (int j = 0; j < synth::kOperatorCount; ++j) {
    const int32_t fields[synth::kOperatorFieldCount] = {T.wave[j], T.mul[j], T.tune[j], T.lms[j],
                                                        T.tlVelCtrl[j], T.tl[j], T.ar[j], T.dr[j],
                                                        T.sl[j], T.rr[j], T.kf[j], T.kfStart[j]};
    for (int k = 0; k < synth::kOperatorFieldCount; ++k)
      show(tags::kTonePage | (0x10 + 0x10 * j + k), fields[k], kOperatorRows[k].max);
  }
}

void KorvaneVSTGUIEditor::refreshSamplerPreset(EngineView& host) {
  const ovri::korvane::SoundModel& model = host.soundModel();
  const ovri::korvane::EditorSelection sel = host.selection();
  if (model.parts[sel.part].mode <= synth::kModePercussion) return;
  const synth::SamplerPreset& S = model.samplers[sel.samplerPreset];
  show(tags::kSelectSamplerPreset, sel.samplerPreset, 127);
  setBoxText(kValueControl | tags::kSamplerName, nameOf(S.presetName));
  show(tags::kSamplerPage | 0x03, S.smplNum, 127);
  show(tags::kSamplerPage | 0x04, S.pan, 127);
  show(tags::kSamplerPage | 0x05, S.octv, 15);
  show(tags::kSamplerPage | 0x06, S.tune, 16383);
  show(tags::kSamplerPage | 0x07, S.tl, 127);
  show(tags::kSamplerPage | 0x08, S.ar, 127);
  show(tags::kSamplerPage | 0x09, S.dr, 127);
  show(tags::kSamplerPage | 0x0A, S.sl, 127);
  show(tags::kSamplerPage | 0x0B, S.rr, 127);
}

void KorvaneVSTGUIEditor::refreshSampleData(EngineView& host) {
  const ovri::korvane::SoundModel& model = host.soundModel();
  const ovri::korvane::EditorSelection sel = host.selection();
  if (model.parts[sel.part].mode <= synth::kModePercussion) return;
  const ovri::korvane::SampleParameters& D = model.slots[sel.sample];
  show(tags::kSelectSample, sel.sample, 127);
  if (framesLabel) framesLabel->setText(std::to_string(D.length));
  if (channelsLabel) channelsLabel->setText(std::to_string(D.channels));
  setBoxText(kValueControl | tags::kSamplePage | 0x04, valueText(D.sampleRate));
  setBoxText(kValueControl | tags::kSamplePage | 0x05, valueText(D.pitch));
  if (loopLabel) loopLabel->setText(D.loopLength > 0 ? "true" : "false");
  setBoxText(kValueControl | tags::kSamplePage | 0x07, std::to_string(D.start));
  setBoxText(kValueControl | tags::kSamplePage | 0x08, std::to_string(D.end));
  // The loop in force, or the points entered towards one.
  const ovri::korvane::plugin::LoopPoints loop = ovri::korvane::plugin::shownLoopPoints(host, sel.sample);
  setBoxText(kValueControl | tags::kSamplePage | 0x09, std::to_string(loop.start));
  setBoxText(kValueControl | tags::kSamplePage | 0x0A, std::to_string(loop.end));
}

// An echo moves the controls of its tag by the value it carries; whatever
// needs the model follows at the next tick (the processor holds the host's
// lock while it answers).
void KorvaneVSTGUIEditor::updateByTag(int32_t tag, double x) {
  if (!frame || !engineHost()) return;
  const float v = static_cast<float>(x);
  const int32_t page = tag & tags::kPageMask;
  const int32_t item = tag & tags::kItemMask;
  auto parameter = [&](uint32_t number) {
    const auto* part = dynamic_cast<COptionMenu*>(findControl(kValueControl | tags::kSelectPart));
    const uint32_t p = part ? static_cast<uint32_t>(part->getCurrentIndex()) : 0;
    if (controller) controller->setParamNormalized(ovri::korvane::plugin::midiParamId(p, number), x);
  };
  switch (page) {
    case tags::kSystemPage:
      switch (item) {
        case 0x01:
          setBoxText(kNumericBox | tag, decibelText(x));
          setValue(kValueControl | tag, v);
          break;
        case 0x02:
          setBoxText(kNumericBox | tag, valueText(x * 80.0 + 400.0));
          setValue(kValueControl | tag, v);
          break;
        case 0x83: menus[kSystemMenu]->checkEntry(2, x > 0.5); break;
        case 0x84: menus[kSystemMenu]->checkEntry(3, x > 0.5); break;
        case 0x85: menus[kSystemMenu]->checkEntry(4, x > 0.5); break;
        case 0x90: menus[kPolyphonyMenu]->setValueNormalized(v); break;
        default: break;
      }
      return;
    case tags::kPartPage: {
      auto boxed = [&](int32_t shown) {
        setValue(kValueControl | tag, v);
        setBoxText(kNumericBox | tag, std::to_string(shown), true);
      };
      switch (item) {
        case 0x01: setValue(kValueControl | tag, v); break;
        case 0x02:
          setValue(kValueControl | tag, v);
          showPageForMode(static_cast<int32_t>(x * 3.0 + 0.5));
          break;
        case 0x03: boxed(static_cast<int32_t>(x * 127.5)); parameter(partParameterNumber(item)); break;
        case 0x04: boxed(static_cast<int32_t>(x * 127.0)); break;
        case 0x05: boxed(static_cast<int32_t>(x * 16383.5) - 8192); parameter(partParameterNumber(item)); break;
        case 0x06: case 0x07: case 0x09:
          boxed(static_cast<int32_t>(x * 127.5));
          parameter(partParameterNumber(item));
          break;
        case 0x08: boxed(static_cast<int32_t>(x * 127.5) - 64); parameter(partParameterNumber(item)); break;
        case 0x90: menus[kOutputMenu]->setValueNormalized(v); break;
        default: break;
      }
      return;
    }
    case tags::kTonePage:
      if (item == 0x05 || item == 0x07 || (item >= 0x10 && item < 0x50 && (item & 0xF) == 0)) {
        setValue(kValueControl | tag, v);
        if (item == 0x05) setBoxText(kNumericBox | tag, std::to_string(static_cast<int32_t>(x * 15.0 + 0.5)), true);
      } else if (const int32_t range = rangeOf(tag); range > 0 && item != 0x01) {
        setValue(kValueControl | tag, v);
        setBoxText(kNumericBox | tag, std::to_string(static_cast<int32_t>(x * range + 0.5)), true);
      }
      return;
    case tags::kSamplerPage:
      if (item >= 0x03 && item <= 0x0B) {
        setValue(kValueControl | tag, v);
        setBoxText(kNumericBox | tag, std::to_string(static_cast<int32_t>(x * rangeOf(tag) + 0.5)), true);
      }
      return;
    case tags::kSamplePage:
      if (item >= 0x07 && item <= 0x0A) {
        setBoxText(kValueControl | tag, std::to_string(static_cast<int32_t>(x)), true);
        if (typedPoint.tag == tag && typedPoint.value != static_cast<long>(x))
          showStatus(captionOf(tag) + ": " + std::to_string(typedPoint.value) + " was refused, " +
                     std::to_string(static_cast<int32_t>(x)) + " stays");
      }
      else if (item == 0x04 || item == 0x05)
        setBoxText(kValueControl | tag, valueText(x), true);
      return;
    default:
      return;
  }
}

}  // namespace Steinberg::Vst
