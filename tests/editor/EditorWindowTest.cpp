// The real bundle's editor in an X server (Xvfb), through the host library,
// while a second thread renders notes: the handshake hides the overlay, a
// typed tone value reaches the engine and the saved state, and the view
// opens and closes again and again.
#include "host/HostWindow.h"
#include "host/PluginHost.h"
#include "plugin/EditorProtocol.h"
#include "plugin/StateImage.h"
#include "public.sdk/source/common/memorystream.h"
#include "tests/support/FakeDialog.h"
#include "tests/support/ImageCompare.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <xcb/xcb.h>

namespace ovri::korvane::test {
namespace {

using namespace Steinberg;
using host::HostRunLoop;
using host::HostWindow;
namespace msg = protocol::message;
namespace key = protocol::attribute;

constexpr uint32_t kReturn = 0xff0d;
constexpr uint32_t kEscape = 0xff1b;

// The host's run loop, strict as some hosts are: it counts every handler
// or timer registered or unregistered from inside one of its own callbacks
// (hosts walk their tables while they call, so such a change may break the
// walk).
class StrictRunLoop : public HostRunLoop {
public:
  tresult PLUGIN_API registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) override {
    check();
    auto* proxy = new EventProxy(handler, inside);
    events.emplace_back(handler, proxy);
    const tresult r = HostRunLoop::registerEventHandler(proxy, fd);
    proxy->release();
    return r;
  }
  tresult PLUGIN_API unregisterEventHandler(Linux::IEventHandler* handler) override {
    check();
    tresult r = kResultFalse;
    for (auto it = events.begin(); it != events.end();)
      if (it->first == handler) {
        r = HostRunLoop::unregisterEventHandler(it->second);
        it = events.erase(it);
      } else {
        ++it;
      }
    return r;
  }
  tresult PLUGIN_API registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval ms) override {
    check();
    auto* proxy = new TimerProxy(handler, inside);
    timers.emplace_back(handler, proxy);
    const tresult r = HostRunLoop::registerTimer(proxy, ms);
    proxy->release();
    return r;
  }
  tresult PLUGIN_API unregisterTimer(Linux::ITimerHandler* handler) override {
    check();
    tresult r = kResultFalse;
    for (auto it = timers.begin(); it != timers.end();)
      if (it->first == handler) {
        r = HostRunLoop::unregisterTimer(it->second);
        it = timers.erase(it);
      } else {
        ++it;
      }
    return r;
  }
  int changesInsideCallbacks = 0;

private:
  void check() {
    if (inside) ++changesInsideCallbacks;
  }
  // Calls the plug-in's handler with the flag up; holds it while registered.
  template <typename Interface>
  class Proxy : public Interface {
  public:
    Proxy(Interface* target, bool& inside) : target(target), inside(inside) { target->addRef(); }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override {
      *obj = nullptr;
      return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return ++refs; }
    uint32 PLUGIN_API release() override {
      const uint32 left = --refs;
      if (left == 0) delete this;
      return left;
    }

  protected:
    virtual ~Proxy() { target->release(); }
    template <typename F> void call(F f) {
      const bool was = std::exchange(inside, true);
      f(target);
      inside = was;
    }
    Interface* target;
    bool& inside;
    uint32 refs = 1;
  };
  struct EventProxy : Proxy<Linux::IEventHandler> {
    using Proxy::Proxy;
    void PLUGIN_API onFDIsSet(Linux::FileDescriptor fd) override {
      call([fd](Linux::IEventHandler* h) { h->onFDIsSet(fd); });
    }
  };
  struct TimerProxy : Proxy<Linux::ITimerHandler> {
    using Proxy::Proxy;
    void PLUGIN_API onTimer() override {
      call([](Linux::ITimerHandler* h) { h->onTimer(); });
    }
  };
  bool inside = false;
  std::vector<std::pair<Linux::IEventHandler*, EventProxy*>> events;
  std::vector<std::pair<Linux::ITimerHandler*, TimerProxy*>> timers;
};

class EditorWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(KORVANE_GUI_SHOTS);
    std::string error;
    window = HostWindow::create(loop, true, error);
    if (!window) GTEST_SKIP() << error;
    module = host::PluginModule::load(KORVANE_TEST_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    instance = host::PluginInstance::create(*module, error);
    ASSERT_TRUE(instance) << error;
    instance->setMessageObserver([this](Vst::IMessage& message) {
      const std::string id = message.getMessageID();
      if (id == msg::kOpenGui) ++openAnswers;
      if (id == msg::kUiUpdate) ++uiUpdates;
      if (id == msg::kValueUpdate) {
        int64 tag = 0;
        double value = 0;
        message.getAttributes()->getInt(key::kTag, tag);
        message.getAttributes()->getFloat(key::kValue, value);
        updates.emplace_back(tag, value);
      }
    });
    ASSERT_TRUE(instance->start(host::ProcessOptions{}, error)) << error;
    // The audio thread: a held chord, block after block.
    audio = std::thread([this] {
      instance->events().addNoteOn(0, 0, 60, 0.8f);
      instance->events().addNoteOn(0, 0, 64, 0.8f);
      while (!stopAudio.load()) {
        instance->process(256);
        instance->clearInput();
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
      }
    });
  }
  void TearDown() override {
    if (window) window->detach();
    EXPECT_EQ(loop.changesInsideCallbacks, 0) << "run-loop registrations changed from inside its callbacks";
    stopAudio = true;
    if (audio.joinable()) audio.join();
    if (instance) instance->stop();
    instance.reset();
    module.reset();
    window.reset();
  }
  IPlugView* openView() {
    const int before = openAnswers;
    IPlugView* view = instance->controller->createView("editor");
    EXPECT_NE(view, nullptr);
    if (!view) return nullptr;
    EXPECT_EQ(window->attach(view), kResultOk);
    EXPECT_TRUE(loop.runUntil([&] { return openAnswers > before; }, 3000)) << "Processor:openGUI";
    loop.runFor(120);  // a few refresh ticks
    return view;
  }
  std::string shot(const char* name) { return std::string(KORVANE_GUI_SHOTS) + "/" + name + ".png"; }
  bool looksLikeReference(const char* name) {
    std::string message;
    const bool same = window->screenshot(shot(name)) &&
                      matchesReference(shot(name), std::string(KORVANE_GUI_REFERENCES) + "/" + name + ".png", message);
    EXPECT_TRUE(same) << message << " (actual: " << shot(name) << ")";
    return same;
  }
  std::unique_ptr<plugin::StateImage> savedState() {
    MemoryStream stream;
    EXPECT_EQ(instance->component->getState(&stream), kResultOk);
    auto image = std::make_unique<plugin::StateImage>();
    plugin::parseStateImage(reinterpret_cast<const uint8_t*>(stream.getData()),
                            static_cast<size_t>(stream.getSize()), *image);
    EXPECT_TRUE(image->complete);
    return image;
  }

  StrictRunLoop loop;
  std::unique_ptr<HostWindow> window;
  std::unique_ptr<host::PluginModule> module;
  std::unique_ptr<host::PluginInstance> instance;
  std::thread audio;
  std::atomic<bool> stopAudio{false};
  int openAnswers = 0;
  int uiUpdates = 0;
  std::vector<std::pair<int64, double>> updates;
};

TEST_F(EditorWindowTest, HandshakeThenATypedToneValueReachesTheEngine) {
  IPlugView* view = openView();
  ASSERT_NE(view, nullptr);
  looksLikeReference("window-open");  // the overlay is gone, the tone page shows

  // The key box of the tone header (tone 0 of part 0).
  window->click(649, 192 + 36);
  loop.runFor(60);
  window->type("77");
  window->key(kReturn);
  ASSERT_TRUE(loop.runUntil([&] { return !updates.empty(); }, 3000));
  EXPECT_EQ(updates.back().first, 0x1003);
  EXPECT_NEAR(updates.back().second, 77.0 / 127, 1e-6);
  loop.runFor(120);

  EXPECT_EQ(savedState()->tones[0].key, 77);
  window->detach();
  view->release();
}

TEST_F(EditorWindowTest, SamplerModeThenAWavImportFillsTheSlotAndThePage) {
  FakeDialog dialog;
  const std::string wav = std::string(KORVANE_WAV_FIXTURE_DIR) + "/pcm16-stereo.wav";
  IPlugView* view = openView();
  ASSERT_NE(view, nullptr);
  // The mode list drops down below itself; "3 [Sampler]" is its fourth entry.
  window->click(430, 132);
  loop.runFor(60);
  window->click(400, 207);
  ASSERT_TRUE(loop.runUntil([&] { return !updates.empty(); }, 3000));
  EXPECT_EQ(updates.back(), (std::pair<int64, double>(0x0102, 1.0)));
  loop.runFor(120);
  EXPECT_EQ(savedState()->parts[0].mode, 3);

  // Sample data menu, "Import WAV File" (below "Clear SampleData" and a
  // separator), answered by the stand-in dialog.
  dialog.answer(wav);
  window->click(22, 192 + 156);
  loop.runFor(60);
  window->click(60, 395);
  ASSERT_TRUE(loop.runUntil([&] { return uiUpdates > 0; }, 5000)) << "Processor:uiUpdate after the import";
  loop.runFor(120);
  const auto image = savedState();
  EXPECT_TRUE(image->slots[0].present);
  EXPECT_EQ(image->slots[0].path, wav);
  EXPECT_GT(image->slots[0].end, 0);
  looksLikeReference("window-sampler-wav");  // frames, channels and rate of the file
  window->detach();
  view->release();
}

TEST_F(EditorWindowTest, LoadingAStateRedrawsTheOpenView) {
  IPlugView* view = openView();
  ASSERT_NE(view, nullptr);
  MemoryStream instrumentState;
  ASSERT_EQ(instance->component->getState(&instrumentState), kResultOk);
  window->click(430, 132);
  loop.runFor(60);
  window->click(400, 207);  // "3 [Sampler]"
  ASSERT_TRUE(loop.runUntil([&] { return !updates.empty(); }, 3000));
  loop.runFor(120);
  ASSERT_EQ(savedState()->parts[0].mode, 3);
  instrumentState.seek(0, IBStream::kIBSeekSet, nullptr);
  ASSERT_EQ(instance->component->setState(&instrumentState), kResultOk);
  loop.runFor(120);
  looksLikeReference("window-open");  // the tone page again, without reopening
  window->detach();
  view->release();
}

TEST_F(EditorWindowTest, TwoInstancesEachEditTheirOwnEngine) {
  std::string error;
  auto second = host::PluginInstance::create(*module, error);
  ASSERT_TRUE(second) << error;
  int secondAnswers = 0;
  second->setMessageObserver([&](Vst::IMessage& message) {
    if (std::string(message.getMessageID()) == msg::kOpenGui) ++secondAnswers;
  });
  auto secondWindow = HostWindow::create(loop, true, error);
  ASSERT_TRUE(secondWindow) << error;
  IPlugView* view = openView();
  IPlugView* secondView = second->controller->createView("editor");
  ASSERT_TRUE(view && secondView);
  ASSERT_EQ(secondWindow->attach(secondView), kResultOk);
  ASSERT_TRUE(loop.runUntil([&] { return secondAnswers == 1; }, 3000));
  loop.runFor(120);
  secondWindow->click(649, 192 + 36);
  loop.runFor(60);
  secondWindow->type("5");
  secondWindow->key(kReturn);
  loop.runFor(120);
  MemoryStream stream;
  ASSERT_EQ(second->component->getState(&stream), kResultOk);
  plugin::StateImage image;
  plugin::parseStateImage(reinterpret_cast<const uint8_t*>(stream.getData()), static_cast<size_t>(stream.getSize()),
                          image);
  EXPECT_EQ(image.tones[0].key, 5);
  EXPECT_EQ(savedState()->tones[0].key, 64) << "the first instance is untouched";
  secondWindow->detach();
  secondView->release();
  window->detach();
  view->release();
}

TEST_F(EditorWindowTest, ProcessorTerminatedWhileTheWindowIsOpen) {
  IPlugView* view = openView();
  ASSERT_NE(view, nullptr);
  stopAudio = true;
  audio.join();
  instance->stop();
  instance->component->terminate();  // its engine host is gone
  loop.runFor(150);                  // ticks: nothing is read
  window->click(649, 192 + 36);
  loop.runFor(60);
  window->type("9");
  window->key(kReturn);
  loop.runFor(60);
  EXPECT_TRUE(updates.empty());
  window->detach();
  view->release();
}

// A file dialog (the stand-in program) cancelled and answered again and
// again: the imports arrive, and no registration of the run loop changes
// from inside its callbacks (the strict loop counts them in TearDown).
TEST_F(EditorWindowTest, AFileDialogCancelledAndAnsweredTenTimes) {
  FakeDialog dialog;
  const std::string wav = std::string(KORVANE_WAV_FIXTURE_DIR) + "/pcm16-stereo.wav";
  IPlugView* view = openView();
  ASSERT_NE(view, nullptr);
  window->click(430, 132);
  loop.runFor(60);
  window->click(400, 207);  // "3 [Sampler]"
  loop.runFor(120);
  for (int round = 0; round < 10; ++round) {
    SCOPED_TRACE(round);
    for (const std::string& answer : {std::string(), wav}) {
      dialog.answer(answer);
      const int before = uiUpdates;
      window->click(22, 192 + 156);
      loop.runFor(60);
      window->click(60, 395);  // "Import WAV File"
      loop.runFor(250);
      EXPECT_EQ(uiUpdates > before, !answer.empty());
    }
  }
  EXPECT_EQ(loop.eventHandlerCount(), 1u) << "only the X connection is watched";
  window->detach();
  view->release();
}

// Every way a menu closes gives the keyboard focus back to the window that
// had it: Escape, a choice, a click outside, and the view going while the
// menu is open.
TEST_F(EditorWindowTest, MenusGiveTheKeyboardFocusBack) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  ASSERT_FALSE(xcb_connection_has_error(c));
  auto focus = [c] {
    xcb_get_input_focus_reply_t* r = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
    const xcb_window_t w = r ? r->focus : 0;
    free(r);
    return w;
  };
  struct Case {
    const char* name;
    std::function<void(HostWindow&)> close;
  };
  const Case cases[] = {
      {"Escape", [](HostWindow& w) { w.key(kEscape); }},
      {"a choice", [](HostWindow& w) { w.click(60, 160); }},  // "NRPN Controlle"
      {"a click outside", [](HostWindow& w) { w.click(700, 600); }},
      {"the view removed", [](HostWindow& w) { w.detach(); }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    IPlugView* view = openView();
    ASSERT_NE(view, nullptr);
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, window->windowId(), XCB_CURRENT_TIME);  // as a window manager does
    xcb_flush(c);
    loop.runFor(30);
    window->click(22, 60);  // the system menu
    loop.runFor(60);
    ASSERT_EQ(focus(), window->pluginWindow()) << "the open menu has the keys";
    k.close(*window);
    loop.runFor(60);
    EXPECT_EQ(focus(), window->windowId());
    window->detach();
    view->release();
  }
  xcb_disconnect(c);
}

TEST_F(EditorWindowTest, OpensAndClosesTwentyTimes) {
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    IPlugView* view = openView();
    ASSERT_NE(view, nullptr);
    window->detach();
    view->release();
    loop.runFor(10);
  }
  EXPECT_EQ(openAnswers, 20);
}

}  // namespace
}  // namespace ovri::korvane::test
