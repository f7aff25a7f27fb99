// The editor offscreen, with a stand-in controller: every message it sends
// (to the processor side, through the controller's connection) and every
// parameter edit (to the host, through the component handler) is recorded
// in one log; the engine host is a real one with no audio thread.
#include "editor/KorvaneVSTGUIEditor.h"
#include "platform/gui/CDrawContext.h"
#include "platform/gui/OffscreenFrame.h"
#include "plugin/EditorProtocol.h"
#include "plugin/EngineHost.h"
#include "plugin/FileActions.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "tests/support/FakeDialog.h"
#include "tests/support/ImageCompare.h"

#include <cairo.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>

namespace ovri::korvane::test {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using VSTGUI::CPoint;
using VSTGUI::CRect;
namespace tags = protocol::tags;
namespace msg = protocol::message;
namespace key = protocol::attribute;

constexpr int32_t V = KorvaneVSTGUIEditor::kValueControl;
constexpr int32_t B = KorvaneVSTGUIEditor::kNumericBox;

// One thing the editor did: a message ("kvValueChange" with tag and value,
// "kvFileSelect" with tag and path, "openGUI") or a parameter gesture
// ("begin", "perform", "end" with id and value).
struct Entry {
  std::string what;
  int64 tag = 0;
  double value = 0;
  std::string path;
};
using Log = std::vector<Entry>;

Entry change(int32_t tag, double value) { return {msg::kValueChange, tag, value, {}}; }
Entry fileSelect(int32_t tag, const std::string& path) { return {msg::kFileSelect, tag, 0, path}; }
// The three calls of one parameter edit.
std::vector<Entry> edit(uint32_t id, double value) {
  return {{"begin", id, 0, {}}, {"perform", id, value, {}}, {"end", id, 0, {}}};
}
Log concat(std::initializer_list<std::vector<Entry>> parts) {
  Log out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

void expectLog(const Log& actual, const Log& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actual[i].what, expected[i].what);
    EXPECT_EQ(actual[i].tag, expected[i].tag);
    EXPECT_NEAR(actual[i].value, expected[i].value, 1e-6);
    EXPECT_EQ(actual[i].path, expected[i].path);
  }
}

class RecordingPeer : public IConnectionPoint {
public:
  explicit RecordingPeer(Log& log) : log(log) { FUNKNOWN_CTOR }
  virtual ~RecordingPeer() { FUNKNOWN_DTOR }
  tresult PLUGIN_API connect(IConnectionPoint*) override { return kResultOk; }
  tresult PLUGIN_API disconnect(IConnectionPoint*) override { return kResultOk; }
  tresult PLUGIN_API notify(IMessage* message) override {
    Entry e;
    e.what = message->getMessageID();
    if (IAttributeList* a = message->getAttributes()) {
      a->getInt(key::kTag, e.tag);
      a->getFloat(key::kValue, e.value);
      const void* data = nullptr;
      uint32 size = 0;
      if (a->getBinary(key::kPath, data, size) == kResultOk && size > 0) {
        const char* text = static_cast<const char*>(data);
        EXPECT_EQ(text[size - 1], 0) << "the path ends with its zero byte";
        e.path.assign(text, size - 1);
      }
    }
    log.push_back(e);
    if (respond) respond(e);
    return kResultOk;
  }
  // Stands in for the processor's answer (called inside the send, as the
  // processor answers).
  std::function<void(const Entry&)> respond;
  DECLARE_FUNKNOWN_METHODS
private:
  Log& log;
};
IMPLEMENT_FUNKNOWN_METHODS(RecordingPeer, IConnectionPoint, IConnectionPoint::iid)

class RecordingHandler : public IComponentHandler {
public:
  explicit RecordingHandler(Log& log) : log(log) { FUNKNOWN_CTOR }
  virtual ~RecordingHandler() { FUNKNOWN_DTOR }
  tresult PLUGIN_API beginEdit(ParamID id) override { log.push_back({"begin", id, 0, {}}); return kResultOk; }
  tresult PLUGIN_API performEdit(ParamID id, ParamValue v) override { log.push_back({"perform", id, v, {}}); return kResultOk; }
  tresult PLUGIN_API endEdit(ParamID id) override { log.push_back({"end", id, 0, {}}); return kResultOk; }
  tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
  DECLARE_FUNKNOWN_METHODS
private:
  Log& log;
};
IMPLEMENT_FUNKNOWN_METHODS(RecordingHandler, IComponentHandler, IComponentHandler::iid)

// The controller the editor talks through, with the part controls'
// parameters of parts 0 and 3.
class StandInController : public EditController {
public:
  tresult PLUGIN_API initialize(FUnknown* context) override {
    const tresult result = EditController::initialize(context);
    for (uint32 part : {0u, 3u})
      for (uint32 n : {1u, 7u, 10u, 11u, 0x81u, 0x82u})
        parameters.addParameter(STR16("p"), nullptr, 0, 0, 0, static_cast<int32>(0x10000 + part * 256 + n));
    return result;
  }
};

CPoint centre(const CRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class EditorTest : public ::testing::Test {
public:
  static void SetUpTestSuite() {
    VSTGUI::setResourceFolder(std::string(KORVANE_TEST_BUNDLE) + "/Contents/Resources/");
    std::filesystem::create_directories(KORVANE_GUI_SHOTS);
  }
  void SetUp() override {
    controller = owned(new StandInController);
    ASSERT_EQ(controller->initialize(&hostApp), kResultOk);
    peer = owned(new RecordingPeer(log));
    handler = owned(new RecordingHandler(log));
    controller->connect(peer);
    controller->setComponentHandler(handler);
    host = std::make_unique<EngineHost>();
    openEditor();
  }
  void TearDown() override {
    if (editor) editor->close();
    editor = nullptr;
    controller->terminate();
  }
  void openEditor(bool withHost = true) {
    editor = Steinberg::owned(new KorvaneVSTGUIEditor(controller));
    editor->setOffscreenConfig(&config);
    ASSERT_TRUE(editor->open(nullptr, VSTGUI::PlatformType::kOffscreen));
    input = std::make_unique<VSTGUI::OffscreenInput>(editor->getFrame());
    if (withHost) {
      editor->setEngineHost(host.get());
      editor->tick();
    }
    log.clear();
  }
  CRect frameRect(int32_t tag) {
    VSTGUI::CControl* c = editor->findControl(tag);
    EXPECT_NE(c, nullptr) << std::hex << tag;
    return c ? c->localToFrame(c->getViewSize()) : CRect();
  }
  void typeInto(int32_t tag, const std::string& text) {
    input->click(centre(frameRect(tag)));
    input->type(text);
    input->key(VSTGUI::VKEY_RETURN);
  }
  std::string text(int32_t tag) {
    auto* label = dynamic_cast<VSTGUI::CTextLabel*>(editor->findControl(tag));
    return label ? label->getText() : "(none)";
  }
  void setMode(int32_t mode) {
    host->model.parts[host->selectedPart].mode = mode;
    editor->tick();
  }

  Log log;
  HostApplication hostApp;  // not reference-counted: lives with the fixture
  IPtr<EditController> controller;
  IPtr<RecordingPeer> peer;
  IPtr<RecordingHandler> handler;
  std::unique_ptr<EngineHost> host;
  VSTGUI::OffscreenConfig config;
  IPtr<KorvaneVSTGUIEditor> editor;
  std::unique_ptr<VSTGUI::OffscreenInput> input;
};

TEST_F(EditorTest, TypedEntriesSendTheirConvertedValue) {
  struct Case {
    int32_t mode;  // of the selected part: which page is shown
    int32_t box;
    const char* text;
    Log expected;
  };
  const double dB6 = std::pow(10.0, -0.3);
  const Case cases[] = {
      {1, B | 0x0001, "-6", {change(0x0001, dB6)}},
      {1, B | 0x0001, "3", {change(0x0001, 1)}},
      {1, B | 0x0001, "-100", {change(0x0001, 0)}},
      {1, B | 0x0001, "loud", {}},  // no number: refused (the status line says so)
      {1, B | 0x0001, "inf", {change(0x0001, 0)}},  // what the box shows for silence
      {1, B | 0x0002, "440", {change(0x0002, 0.5)}},
      {1, B | 0x0002, "399", {change(0x0002, 0)}},
      {1, B | 0x0002, "500", {change(0x0002, 1)}},
      {1, B | 0x0002, "abc", {}},
      {1, B | 0x0105, "8191", concat({edit(0x10081, 1), {change(0x0105, 1)}})},
      {1, B | 0x0105, "0", concat({edit(0x10081, 8192.0 / 16383), {change(0x0105, 8192.0 / 16383)}})},
      {1, B | 0x0105, "-9000", concat({edit(0x10081, 0), {change(0x0105, 0)}})},
      {1, B | 0x0108, "-64", concat({edit(0x1000A, 0), {change(0x0108, 0)}})},
      {1, B | 0x0108, "0", concat({edit(0x1000A, 64.0 / 127), {change(0x0108, 64.0 / 127)}})},
      {1, B | 0x0103, "64", concat({edit(0x10082, 64.0 / 127), {change(0x0103, 64.0 / 127)}})},
      {1, B | 0x0104, "200", {change(0x0104, 1)}},
      {1, B | 0x1001, "300", {change(0x1001, 1)}},
      {1, B | 0x1001, "-1", {change(0x1001, 0)}},
      {1, B | 0x1001, "128", {change(0x1001, 128.0 / 255)}},
      {1, B | 0x1011, "20", {change(0x1011, 1)}},
      {1, B | 0x1008, "8191", {change(0x1008, 8191.0 / 16383)}},
      {1, B | 0x104A, "2", {change(0x104A, 2.0 / 3)}},
      {3, B | 0x2005, "9", {change(0x2005, 9.0 / 15)}},
      {3, B | 0x2005, "16", {change(0x2005, 1)}},
      {3, B | 0x3001, "5", {change(0x3001, 5.0 / 127)}},
      {3, V | 0x3004, "44100.5", {change(0x3004, 44100.5)}},
      {3, V | 0x3004, "fast", {}},
      {3, V | 0x3007, "12ab", {change(0x3007, 12)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " into " + std::to_string(c.box));
    setMode(c.mode);
    log.clear();
    typeInto(c.box, c.text);
    expectLog(log, c.expected);
  }
}

TEST_F(EditorTest, PointerAndWheelSendTheControlsValue) {
  struct Case {
    const char* name;
    int32_t tag;
    std::function<void(VSTGUI::OffscreenInput&, const CRect&)> act;
    Log expected;
  };
  const Case cases[] = {
      {"click in the middle of the volume travel", V | 0x0001,
       [](VSTGUI::OffscreenInput& in, const CRect& r) { in.click(CPoint(r.left + 42 + 5, r.top + 10)); },
       {change(0x0001, 0.5)}},
      {"one wheel step on the program slider", V | 0x0103,
       [](VSTGUI::OffscreenInput& in, const CRect& r) { in.wheel(centre(r), 1); },
       concat({{change(0x0103, 1.0 / 127)}, edit(0x10082, 1.0 / 127)})},
      {"two wheel steps on the reference pitch", V | 0x0002,
       [](VSTGUI::OffscreenInput& in, const CRect& r) { in.wheel(centre(r), 2); }, {change(0x0002, 0.5 + 2.0 / 800)}},
      {"wheel on an operator's tl", V | 0x1025,
       [](VSTGUI::OffscreenInput& in, const CRect& r) { in.wheel(centre(r), 1); }, {change(0x1025, 1.0 / 127)}},
      {"drag the expression slider to its end", V | 0x0109,
       [](VSTGUI::OffscreenInput& in, const CRect& r) { in.drag(CPoint(r.left + 5, r.top + 10), CPoint(r.right + 50, r.top + 10), 1); },
       concat({{change(0x0109, 0)}, edit(0x1000B, 0), {change(0x0109, 1)}, edit(0x1000B, 1)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    log.clear();
    c.act(*input, frameRect(c.tag));
    expectLog(log, c.expected);
  }
}

TEST_F(EditorTest, MenuChoicesSendTheirTags) {
  struct Case {
    int32_t menu;     // the pop-up's control tag
    int32_t submenu;  // 0: the choice is in the pop-up itself
    int32_t index;    // entry index, separators counted
    Log expected;
  };
  const Case cases[] = {
      {V | 0x0080, 0, 0, {change(0x0081, 0)}},
      {V | 0x0080, 0, 2, {change(0x0083, 0)}},
      {V | 0x0080, 0, 3, {change(0x0084, 0)}},
      {V | 0x0080, 0, 4, {change(0x0085, 1)}},  // the pedal switch, shown off: on
      {V | 0x0080, V | 0x0090, 4, {change(0x0090, 0.5)}},
      {V | 0x0180, 0, 0, {change(0x0181, 0)}},
      {V | 0x0180, 0, 2, {change(0x0182, 0)}},
      {V | 0x0180, 0, 4, {change(0x0183, 0)}},
      {V | 0x0180, 0, 5, {}},
      {V | 0x0180, V | 0x0190, 15, {change(0x0190, 1)}},
      {V | 0x1080, 0, 0, {change(0x1081, 0), change(0x1080, 0)}},
      {V | 0x2080, 0, 0, {change(0x2081, 0)}},
      {V | 0x3080, 0, 0, {change(0x3081, 0)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.menu) + "/" + std::to_string(c.index));
    log.clear();
    VSTGUI::COptionMenu* menu = editor->popupMenu(c.menu);
    ASSERT_NE(menu, nullptr);
    VSTGUI::COptionMenu* chosen = c.submenu ? menu->getEntry(1)->getSubmenu() : menu;
    if (c.menu == (V | 0x0180) && c.submenu) chosen = menu->getEntry(5)->getSubmenu();
    ASSERT_NE(chosen, nullptr);
    menu->choose(chosen, c.index);
    expectLog(log, c.expected);
  }
}

TEST_F(EditorTest, MenusHoldTheirEntriesInOrder) {
  struct Case {
    int32_t menu;
    std::vector<std::string> titles;  // "-" separator
  };
  const Case cases[] = {
      {V | 0x0080, {"System Reset", "Polyphony", "Recieve sysEx", "NRPN Controlle", "Sustain Pedal (CC 64)"}},
      {V | 0x0180, {"Reset Part", "-", "Reset All Controller", "-", "All Sound Off", "OutPut"}},
      {V | 0x1080, {"Reset Preset", "-", "Import Presets", "Export Presets", "-", "Export SysEx Text"}},
      {V | 0x2080, {"Reset Preset", "-", "Import Presets", "Export Presets", "-", "Export SysEx Text"}},
      {V | 0x3080, {"Clear SampleData", "-", "Import WAV File", "Import WAV File (DPCM enocode)",
                    "Import WAV File (ADPCM encode)", "-", "Import SampleData Parameters",
                    "Export SampleData Parameters"}},
  };
  for (const Case& c : cases) {
    VSTGUI::COptionMenu* menu = editor->popupMenu(c.menu);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->getNbEntries(), static_cast<int32_t>(c.titles.size()));
    for (int32_t i = 0; i < menu->getNbEntries(); ++i)
      EXPECT_EQ(menu->getEntry(i)->isSeparator() ? std::string("-") : menu->getEntry(i)->getTitle(), c.titles[i]);
  }
  // "Polyphony" cannot be reached; choosing "System Reset" leaves no check.
  VSTGUI::COptionMenu* system = editor->popupMenu(V | 0x0080);
  EXPECT_FALSE(system->getEntry(1)->isEnabled());
  system->choose(system, 0);
  EXPECT_FALSE(system->isCheckEntry(0));
  // The pedal switch shows the processor's answer; choosing it asks for the other state.
  editor->updateByTag(0x0085, 1.0);
  EXPECT_TRUE(system->isCheckEntry(4));
  log.clear();
  system->choose(system, 4);
  expectLog(log, {change(0x0085, 0)});
}

TEST_F(EditorTest, MenuButtonOpensItsPopupOnPressOnly) {
  auto* platform = static_cast<VSTGUI::OffscreenPlatformFrame*>(editor->getFrame()->getPlatformFrame());
  const CRect button = frameRect(V | 0x0100);
  input->press(centre(button));
  EXPECT_NE(editor->getFrame()->getModalView(), nullptr) << "the part menu is open";
  EXPECT_TRUE(platform->pointerGrabbed);
  EXPECT_TRUE(log.empty());
}

TEST_F(EditorTest, EchoesAndRefreshesShowTheValueInForce) {
  struct Case {
    const char* name;
    std::function<void(EngineHost&, KorvaneVSTGUIEditor&)> act;
    int32_t control;
    std::string expected;
  };
  const Case cases[] = {
      {"gain 0 shows inf", [](EngineHost& h, KorvaneVSTGUIEditor& e) { h.model.settings.masterVolume = 0; e.tick(); },
       B | 0x0001, "inf"},
      {"gain 1 shows 0 dB", [](EngineHost& h, KorvaneVSTGUIEditor& e) { h.model.settings.masterVolume = 1; e.tick(); },
       B | 0x0001, "0"},
      {"440 Hz", [](EngineHost&, KorvaneVSTGUIEditor& e) { e.tick(); }, B | 0x0002, "440"},
      {"gain 0.8", [](EngineHost& h, KorvaneVSTGUIEditor& e) { h.model.settings.masterVolume = 0.8f; e.tick(); },
       B | 0x0001, "-1.9382"},
      {"479.95 Hz", [](EngineHost& h, KorvaneVSTGUIEditor& e) { h.model.settings.masterTune = 479.95f; e.tick(); },
       B | 0x0002, "479.95"},
      {"tone 128", [](EngineHost& h, KorvaneVSTGUIEditor& e) { h.selectTone(128); e.tick(); }, B | 0x1001, "128 [0]"},
      {"tone 127", [](EngineHost& h, KorvaneVSTGUIEditor& e) { h.selectTone(127); e.tick(); }, B | 0x1001, "127"},
      {"pitch bend echo of 1", [](EngineHost&, KorvaneVSTGUIEditor& e) { e.updateByTag(0x0105, 1.0); },
       B | 0x0105, "8191"},
      {"pan echo of 0", [](EngineHost&, KorvaneVSTGUIEditor& e) { e.updateByTag(0x0108, 0.0); }, B | 0x0108, "-64"},
      {"volume echo", [](EngineHost&, KorvaneVSTGUIEditor& e) { e.updateByTag(0x0001, 0.5); }, B | 0x0001,
       "-6.0206"},
      // Echoes round as the processor does: 1/127 in single precision is
      // just below 1/127.
      {"tone key echo of 1", [](EngineHost&, KorvaneVSTGUIEditor& e) { e.updateByTag(0x1003, 1.f / 127.f); },
       B | 0x1003, "1"},
      {"operator tune echo", [](EngineHost&, KorvaneVSTGUIEditor& e) { e.updateByTag(0x1012, 1.f / 16383.f); },
       B | 0x1012, "1"},
      {"structure echo", [](EngineHost&, KorvaneVSTGUIEditor& e) { e.updateByTag(0x1005, 1.0); }, B | 0x1005, "15"},
      {"refused end point comes back", [](EngineHost&, KorvaneVSTGUIEditor& e) { e.updateByTag(0x3008, 77.0); },
       V | 0x3008, "77"},
      {"sampler tl echo of 1",
       [](EngineHost& h, KorvaneVSTGUIEditor& e) {
         h.model.parts[0].mode = 3;
         e.tick();
         e.updateByTag(0x2007, 1.f / 127.f);
       },
       B | 0x2007, "1"},
      {"sample rate echo", [](EngineHost&, KorvaneVSTGUIEditor& e) { e.updateByTag(0x3004, 44100.0); }, V | 0x3004,
       "44100"},
      {"empty slot: no loop", [](EngineHost& h, KorvaneVSTGUIEditor& e) { h.model.parts[0].mode = 3; e.tick(); },
       V | 0x300A, "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.act(*host, *editor);
    EXPECT_EQ(text(c.control), c.expected);
  }
  EXPECT_EQ(editor->loopableLabel()->getText(), "false");
}

TEST_F(EditorTest, RefreshLeavesTheFocusedBoxAlone) {
  const CRect box = frameRect(B | 0x1003);
  input->click(centre(box));
  input->type("99");
  host->model.tones[host->selectedTone].key = 12;
  editor->tick();
  auto* edit = dynamic_cast<VSTGUI::CTextEdit*>(editor->findControl(B | 0x1003));
  EXPECT_EQ(edit->getEditText(), "99");
  input->key(VSTGUI::VKEY_RETURN);
  editor->updateByTag(0x1003, 99.0 / 127);
  EXPECT_EQ(text(B | 0x1003), "99");
}

TEST_F(EditorTest, ModeChoosesThePage) {
  struct Case {
    int32_t mode;
    bool tone;
  };
  for (const Case& c : {Case{3, false}, Case{1, true}, Case{3, false}, Case{2, true}, Case{0, true}}) {
    setMode(c.mode);
    EXPECT_EQ(editor->tonePage()->isVisible(), c.tone) << c.mode;
    EXPECT_EQ(editor->samplerPage()->isVisible(), !c.tone) << c.mode;
  }
}

TEST_F(EditorTest, PresetNamesGoIntoTheRecordAndTheEngineIsTold) {
  struct Case {
    int32_t mode;
    int32_t box;
    const char* typed;
    const char* stored;
  };
  const Case cases[] = {
      {1, V | 0x1002, "ABCDEFGHIJKLMNOPQRST", "ABCDEFGHIJKLMNOP"},
      {1, V | 0x1002, "ab", "ab              "},
      {1, V | 0x1002, "K\xc3\xa9la", "Kla             "},
      {3, V | 0x2002, "Drums", "Drums           "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    setMode(c.mode);
    log.clear();
    typeInto(c.box, c.typed);
    const char* record = c.mode == 3 ? host->model.samplers[host->selectedSamplerPreset].presetName
                                     : host->model.tones[host->selectedTone].presetName;
    EXPECT_EQ(std::string(record), c.stored);
    EXPECT_EQ(text(c.box), c.stored);
    expectLog(log, {change(c.mode == 3 ? tags::kSamplerName : tags::kToneName, 0)});
  }
}

TEST_F(EditorTest, FileDialogsSendTheirTagsAndPaths) {
  FakeDialog dialog;
  struct Case {
    int32_t mode;
    int32_t slot;
    int32_t menu;
    int32_t index;
    std::string answer;
    Log expected;
  };
  const Case cases[] = {
      {3, 10, V | 0x3080, 3, "/w/a.wav\n/w/b.wav\n/w/c.wav",
       {fileSelect(0x220A, "/w/a.wav"), fileSelect(0x220B, "/w/b.wav"), fileSelect(0x220C, "/w/c.wav")}},
      {3, 125, V | 0x3080, 2, "/1.wav\n/2.wav\n/3.wav\n/4.wav\n/5.wav",
       {fileSelect(0x217D, "/1.wav"), fileSelect(0x217E, "/2.wav"), fileSelect(0x217F, "/3.wav")}},
      {3, 0, V | 0x3080, 6, "/p.txt", {fileSelect(0x1500, "/p.txt")}},
      {3, 0, V | 0x3080, 7, "", {}},
      {3, 0, V | 0x2080, 3, "/s.txt", {fileSelect(0x9200, "/s.txt")}},
      {1, 0, V | 0x1080, 2, "/t.kvx", {change(0x1080, 0.4), fileSelect(0x1100, "/t.kvx")}},
  };
  auto* platform = static_cast<VSTGUI::OffscreenPlatformFrame*>(editor->getFrame()->getPlatformFrame());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    setMode(c.mode);
    host->selectSample(c.slot);
    dialog.answer(c.answer);
    log.clear();
    VSTGUI::COptionMenu* menu = editor->popupMenu(c.menu);
    menu->choose(menu, c.index);
    EXPECT_NE(editor->getPendingFileTag(), 0);
    for (int i = 0; i < 500 && platform->hasChildren(); ++i) platform->pump(10);
    expectLog(log, c.expected);
    EXPECT_EQ(editor->getPendingFileTag(), 0);
  }
}

TEST_F(EditorTest, OverlayAndLifeCycle) {
  // A second open while the frame exists changes nothing.
  VSTGUI::CFrame* frame = editor->getFrame();
  EXPECT_FALSE(editor->open(nullptr, VSTGUI::PlatformType::kOffscreen));
  EXPECT_EQ(editor->getFrame(), frame);
  // The logo shows the overlay, the library logo hides it; releases do nothing.
  EXPECT_FALSE(editor->aboutOverlay()->isVisible());
  input->press(CPoint(400, 20));
  EXPECT_TRUE(editor->aboutOverlay()->isVisible());
  input->release(CPoint(400, 20));
  EXPECT_TRUE(editor->aboutOverlay()->isVisible());
  input->click(CPoint(392, 280));
  EXPECT_FALSE(editor->aboutOverlay()->isVisible());
  EXPECT_TRUE(log.empty());

  // Reopened with the engine known: current data at once, no overlay.
  editor->close();
  host->model.parts[0].program = 33;
  ASSERT_TRUE(editor->open(nullptr, VSTGUI::PlatformType::kOffscreen));
  EXPECT_FALSE(editor->aboutOverlay()->isVisible());
  EXPECT_EQ(text(B | 0x0103), "33");
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].what, msg::kEditorOpened);
}

TEST_F(EditorTest, BeforeTheEngineIsKnownAndAfterItIsGoneNothingIsSent) {
  editor->close();
  openEditor(false);
  EXPECT_TRUE(editor->aboutOverlay()->isVisible());
  for (CPoint p : {CPoint(392, 280), CPoint(400, 20), CPoint(10, 10)}) input->click(p);
  editor->tick();
  EXPECT_TRUE(editor->aboutOverlay()->isVisible());
  EXPECT_TRUE(log.empty());

  // The engine arrives: the next tick hides the overlay.
  editor->setEngineHost(host.get());
  editor->tick();
  EXPECT_FALSE(editor->aboutOverlay()->isVisible());

  // The processor is terminated (its host destroyed): the editor lets go.
  host.reset();
  EXPECT_EQ(editor->engineHost(), nullptr);
  editor->tick();
  typeInto(B | 0x0103, "5");
  EXPECT_TRUE(log.empty());
  host = std::make_unique<EngineHost>();  // may take the same address: still not the editor's
  EXPECT_EQ(editor->engineHost(), nullptr);
}

// A dialog's answer belongs to its own action: while one dialog is up, a
// second is not opened (the status line says why), so the file chosen in
// the first is imported and nothing is written over it.
TEST_F(EditorTest, OneFileDialogAtATimeAndTheAnswerGoesToItsAction) {
  FakeDialog dialog;
  auto* platform = static_cast<VSTGUI::OffscreenPlatformFrame*>(editor->getFrame()->getPlatformFrame());
  struct Case {
    int32_t mode;
    int32_t firstMenu, firstIndex;    // opens the dialog the user answers
    int32_t secondMenu, secondIndex;  // chosen while that dialog is up
    std::string answer;
    Log expected;
  };
  const Case cases[] = {
      {3, V | 0x3080, 2, V | 0x3080, 7, "/w/victim.wav", {fileSelect(0x2100, "/w/victim.wav")}},
      {1, V | 0x1080, 2, V | 0x1080, 3, "/w/bank.txt",
       {change(0x1080, 0.4), change(0x1080, 0.6), fileSelect(0x1100, "/w/bank.txt")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    setMode(c.mode);
    dialog.answer(c.answer, "0.5");
    log.clear();
    VSTGUI::COptionMenu* first = editor->popupMenu(c.firstMenu);
    first->choose(first, c.firstIndex);
    const int32_t pending = editor->getPendingFileTag();
    VSTGUI::COptionMenu* second = editor->popupMenu(c.secondMenu);
    second->choose(second, c.secondIndex);
    EXPECT_EQ(editor->getPendingFileTag(), pending) << "the first dialog keeps its action";
    EXPECT_EQ(editor->statusText(), "A file dialog is already open");
    for (int i = 0; i < 500 && platform->hasChildren(); ++i) platform->pump(10);
    expectLog(log, c.expected);
    EXPECT_EQ(editor->getPendingFileTag(), 0);
  }
}

TEST_F(EditorTest, DialogsShowFilesOfAnyCaseAndAllFilesLast) {
  FakeDialog dialog;
  auto* platform = static_cast<VSTGUI::OffscreenPlatformFrame*>(editor->getFrame()->getPlatformFrame());
  struct Case {
    int32_t mode, menu, index;
    std::vector<std::string> filters;  // in order
  };
  const Case cases[] = {
      {3, V | 0x3080, 2, {"WAV Files(.wav) | *.[wW][aA][vV]", "All files | *"}},
      {1, V | 0x1080, 2,
       {"preset files(.kvx, .txt) | *.[kK][vV][xX] *.[tT][xX][tT]", "kvx files(.kvx) | *.[kK][vV][xX]",
        "text files(.txt) | *.[tT][xX][tT]", "text files(.csv) | *.[cC][sS][vV]", "All files | *"}},
      {3, V | 0x2080, 3, {"text file(.txt) | *.[tT][xX][tT]", "All files | *"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.filters[0]);
    setMode(c.mode);
    dialog.answer("");
    VSTGUI::COptionMenu* menu = editor->popupMenu(c.menu);
    menu->choose(menu, c.index);
    for (int i = 0; i < 500 && platform->hasChildren(); ++i) platform->pump(10);
    std::vector<std::string> filters;
    for (const std::string& arg : dialog.arguments())
      if (arg.rfind("--file-filter=", 0) == 0) filters.push_back(arg.substr(14));
    EXPECT_EQ(filters, c.filters);
  }
}

TEST_F(EditorTest, TheAboutOverlayLetsNothingThrough) {
  input->press(CPoint(400, 20));  // the logo
  input->release(CPoint(400, 20));
  ASSERT_TRUE(editor->aboutOverlay()->isVisible());
  log.clear();
  const CRect tl = frameRect(V | 0x1015);
  input->click(CPoint(tl.left + 60, tl.top + 10));
  input->wheel(centre(frameRect(V | 0x0107)), 3);
  typeInto(B | 0x0107, "39");
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(editor->getFrame()->getFocusView(), nullptr);
  input->click(CPoint(392, 280));  // the library logo still hides it
  EXPECT_FALSE(editor->aboutOverlay()->isVisible());
}

TEST_F(EditorTest, StatusLineSaysWhatHappenedForAWhile) {
  typeInto(B | 0x0002, "abc");
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(editor->statusText(), "Reference pitch: 'abc' is not a number");
  struct Case {
    int32_t tag;
    std::string path;
    plugin::FileOutcome outcome;
    int32_t count;
    std::string reason;
    std::string expected;
  };
  using O = plugin::FileOutcome;
  const Case cases[] = {
      {0x1100, "/w/bank.txt", O::Done, 128, "", "Imported 128 tones from bank.txt"},
      {0x2105, "/w/KICK.wav", O::Refused, 0, "not a RIFF/WAVE file", "Refused KICK.wav: not a RIFF/WAVE file"},
      {0x9200, "/w/SamplerPresets.txt", O::Done, 128, "", "Exported 128 sampler presets to /w/SamplerPresets.txt"},
      {0x9100, "/no/such/dir/x.txt", O::Unwritable, 0, "", "Could not write /no/such/dir/x.txt"},
      {0x2103, "/w/kick.wav", O::Done, 4410, "", "Imported kick.wav into slot 3 (4410 frames)"},
  };
  for (const Case& c : cases) {
    editor->fileActionAnswered(c.tag, c.path, static_cast<int32_t>(c.outcome), c.count, c.reason);
    EXPECT_EQ(editor->statusText(), c.expected);
  }
  // A point the processor refuses: its answer is the point in force.
  setMode(3);
  peer->respond = [this](const Entry& e) {
    if (e.tag == 0x3008) editor->updateByTag(0x3008, 5000.0);
  };
  typeInto(V | 0x3008, "9000");
  EXPECT_EQ(editor->statusText(), "Playback end: 9000 was refused, 5000 stays");
  peer->respond = nullptr;

  for (int i = 1; i < KorvaneVSTGUIEditor::kStatusTicks; ++i) editor->tick();
  EXPECT_FALSE(editor->statusText().empty()) << "still shown";
  editor->tick();
  EXPECT_EQ(editor->statusText(), "") << "gone after a few seconds";
}

TEST_F(EditorTest, ValuesTakeTheirShortestExactForm) {
  const std::pair<double, const char*> cases[] = {
      {-1.938200, "-1.9382"}, {-12.5, "-12.5"},   {440.0, "440"},       {479.950012, "479.95"},
      {0.0, "0"},             {-0.0000001, "0"},  {44100.5, "44100.5"}, {261.625565, "261.625565"},
  };
  for (const auto& [v, text] : cases) EXPECT_EQ(KorvaneVSTGUIEditor::valueText(v), text) << v;
}

// With the widest values each box can hold, every text is drawn whole
// inside its box (a smaller font where needed), at every scale.
TEST_F(EditorTest, EveryValueBoxShowsItsWholeValue) {
  host->model.settings.masterVolume = 0.0316f;  // -30.006259 dB: needs six decimals
  host->model.settings.masterTune = 479.95f;
  std::memcpy(host->model.tones[0].presetName, "WWWWWWWWWWWWWWWW", 16);
  std::memcpy(host->model.samplers[0].presetName, "MMMMMMMMMMMMMMMM", 16);
  SampleParameters& d = host->model.slots[0];
  d.length = d.end = 99999999;
  d.sampleRate = 192000.5f;
  d.pitch = 261.625565f;
  for (int32_t mode : {1, 3}) {
    setMode(mode);
    for (double scale : {1.0, 1.5, 2.0}) {
      editor->getFrame()->setScaleFactor(scale);
      editor->getFrame()->drawDirty();
      cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
      {
        VSTGUI::CDrawContext context(scratch, scale, editor->getFrame()->getFontCache());
        std::vector<VSTGUI::CTextLabel*> labels = {editor->frameCountLabel(), editor->channelCountLabel(),
                                                   editor->loopableLabel()};
        for (int32_t tag = 0; tag <= 0x3FFF; ++tag)
          for (int32_t kind : {V, B})
            if (auto* label = dynamic_cast<VSTGUI::CTextLabel*>(editor->findControl(kind | tag)))
              if (!dynamic_cast<VSTGUI::COptionMenu*>(label)) labels.push_back(label);
        for (VSTGUI::CTextLabel* label : labels) {
          if (!label->isVisible() || !label->getParentView()->isVisible()) continue;
          CRect area;
          VSTGUI::CFontDesc font;
          const std::string shown = label->fittedText(&context, font, area);
          context.setFont(&font);
          EXPECT_LE(context.getStringWidth(shown), area.getWidth())
              << std::hex << label->getTag() << " '" << shown << "' at " << scale;
          EXPECT_GE(font.getSize(), 9);
          // Only a number that needs six decimals loses some on screen.
          if (label->getText() != "-30.006259") EXPECT_EQ(shown, label->getText());
          else EXPECT_EQ(shown, "-30.006");
        }
      }
      cairo_surface_destroy(scratch);
    }
  }
  editor->getFrame()->setScaleFactor(1.0);
}

TEST_F(EditorTest, PagesLookLikeTheirReferences) {
  struct Case {
    const char* name;
    std::function<void(EditorTest&)> prepare;
    double scale = 1.0;
  };
  const Case cases[] = {
      {"editor-overlay", [](EditorTest& t) { t.editor->close(); t.openEditor(false); }},
      {"editor-tone",
       [](EditorTest& t) {
         t.editor->setEngineHost(t.host.get());
         t.host->selectTone(5);
         t.setMode(1);
       }},
      {"editor-sampler",
       [](EditorTest& t) {
         SampleParameters& d = t.host->model.slots[0];
         d.length = 44100;
         d.channels = 2;
         d.sampleRate = 44100;
         d.pitch = 261.625565f;
         d.start = 0;
         d.end = 44100;
         d.loopEnd = 44100;
         d.loopLength = 22050;
         t.editor->setEngineHost(t.host.get());
         t.setMode(3);
       }},
      // The same pages at the other scales: every value whole and crisp.
      {"editor-sampler@2x", [](EditorTest&) {}, 2.0},
      {"editor-tone@1.5x", [](EditorTest& t) { t.setMode(1); }, 1.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.prepare(*this);
    editor->getFrame()->setScaleFactor(c.scale);
    const std::string shot = std::string(KORVANE_GUI_SHOTS) + "/" + c.name + ".png";
    ASSERT_TRUE(editor->getFrame()->writePng(shot));
    std::string message;
    EXPECT_TRUE(matchesReference(shot, std::string(KORVANE_GUI_REFERENCES) + "/" + c.name + ".png", message))
        << message << " (actual: " << shot << ")";
  }
}

}  // namespace
}  // namespace ovri::korvane::test
