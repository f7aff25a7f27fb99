// The plug-in view in a real X server (Xvfb in CI): embedded in a host
// window through the host library, driven by the host's run loop, fed
// synthetic input and photographed.
#include "host/HostWindow.h"
#include "host/PluginHost.h"
#include "tests/support/FakeDialog.h"
#include "tests/support/GalleryEditor.h"
#include "tests/support/ImageCompare.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace ovri::korvane::test {
namespace {

using namespace Steinberg;
using host::HostRunLoop;
using host::HostWindow;

constexpr uint32_t kReturn = 0xff0d;
constexpr uint32_t kEscape = 0xff1b;
constexpr uint32_t kDown = 0xff54;
constexpr uint32_t kRight = 0xff53;

class WindowTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    makeGalleryResources(KORVANE_GUI_RESOURCES);
    std::filesystem::create_directories(KORVANE_GUI_SHOTS);
  }
  void SetUp() override {
    std::string error;
    window = HostWindow::create(loop, true, error);
    if (!window) GTEST_SKIP() << error;
  }
  void TearDown() override {
    window.reset();
    // Nothing of a removed view is left in the host's run loop.
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
    EXPECT_EQ(loop.timerCount(), 0u);
    EXPECT_EQ(loop.extraReferences(), 0);
  }
  // Opens a gallery editor in the window.
  IPtr<GalleryEditor> open(HostWindow& w) {
    auto editor = Steinberg::owned(new GalleryEditor(&listener));
    EXPECT_EQ(w.attach(editor), kResultOk);
    loop.runFor(60);
    return editor;
  }
  bool waitForCalls(size_t count) {
    return loop.runUntil([&] { return listener.calls.size() >= count; }, 3000);
  }
  std::string shot(const char* name) { return std::string(KORVANE_GUI_SHOTS) + "/" + name + ".png"; }

  HostRunLoop loop;
  RecordingListener listener;
  std::unique_ptr<HostWindow> window;
};

TEST_F(WindowTest, EmbedsAMappedChildWindowThatShowsTheFrame) {
  auto editor = open(*window);
  const uint32_t child = window->pluginWindow();
  ASSERT_NE(child, 0u);
  const auto info = window->cardinalProperty(child, "_XEMBED_INFO");
  ASSERT_EQ(info.size(), 2u);
  EXPECT_EQ(info[1] & 1u, 1u);  // mapped
  int width = 0, height = 0;
  ASSERT_TRUE(window->windowSize(child, width, height));
  EXPECT_EQ(width, 784);
  EXPECT_EQ(height, 632);
  // The window shows what the offscreen renderer draws.
  ASSERT_TRUE(window->screenshot(shot("window-gallery")));
  std::string message;
  EXPECT_TRUE(matchesReference(shot("window-gallery"), std::string(KORVANE_GUI_REFERENCES) + "/gallery.png", message))
      << message;
  window->detach();
}

TEST_F(WindowTest, ClickTypingAndMenuReachTheWidgets) {
  auto editor = open(*window);
  // A click on the slider's middle.
  window->click(169 + 47, 84);
  ASSERT_TRUE(waitForCalls(1));
  EXPECT_EQ(listener.calls.back(), std::to_string(kTagSlider) + "=0.5");
  // Typing into the box after a click on it.
  window->click(395, 132);
  ASSERT_TRUE(loop.runUntil([&] { return editor->getFrame()->getFocusView() != nullptr; }, 3000));
  window->type("123");
  window->key(kReturn);
  ASSERT_TRUE(waitForCalls(2));
  EXPECT_EQ(listener.calls.back(), std::to_string(kTagTextCentre) + "=123");
  // The drop-down opens below itself; a click chooses the fourth entry.
  window->click(170, 156);
  loop.runFor(60);
  ASSERT_TRUE(window->screenshot(shot("window-dropdown-open")));
  window->click(170, 168 + 1 + 3 * 18 + 9);
  ASSERT_TRUE(waitForCalls(3));
  EXPECT_EQ(listener.calls.back(), std::to_string(kTagDropDown) + "=3");
  // A pop-up driven by keys: into the sub-menu, second entry.
  editor->getGallery()->popup->popup(editor->getFrame(), kPopupAnchor);
  loop.runFor(60);
  for (uint32_t k : {kDown, kDown, kRight, kDown}) window->key(k);
  loop.runFor(100);
  ASSERT_TRUE(window->screenshot(shot("window-menu-open")));
  window->key(kReturn);
  ASSERT_TRUE(waitForCalls(4));
  int32_t index = -1;
  EXPECT_EQ(editor->getGallery()->popup->getLastItemMenu(index), editor->getGallery()->submenu);
  EXPECT_EQ(index, 1);
  // Escape closes an open menu without a choice.
  editor->getGallery()->popup->popup(editor->getFrame(), kPopupAnchor);
  loop.runFor(60);
  window->key(kEscape);
  EXPECT_TRUE(loop.runUntil([&] { return editor->getFrame()->getModalView() == nullptr; }, 3000));
  EXPECT_EQ(listener.calls.size(), 4u);
  window->detach();
}

TEST_F(WindowTest, AnOpenMenuHoldsThePointerUntilEscapeOrRemoval) {
  auto editor = open(*window);
  EXPECT_TRUE(window->pointerGrabbable());
  editor->getGallery()->popup->popup(editor->getFrame(), kPopupAnchor);
  loop.runFor(30);
  EXPECT_FALSE(window->pointerGrabbable());
  window->key(kEscape);
  ASSERT_TRUE(loop.runUntil([&] { return editor->getFrame()->getModalView() == nullptr; }, 3000));
  EXPECT_TRUE(window->pointerGrabbable());
  editor->getGallery()->popup->popup(editor->getFrame(), kPopupAnchor);
  loop.runFor(30);
  window->detach();
  EXPECT_TRUE(window->pointerGrabbable());
}

TEST_F(WindowTest, InputArrivesWhenTheHostNeverReportsTheDescriptor) {
  loop.reportDescriptors = false;
  auto editor = open(*window);
  // Without the descriptor, events are read on timer ticks only, so the
  // window may be mapped a little later on a busy machine: a click that
  // found no window yet is repeated.
  bool arrived = false;
  for (int attempt = 0; attempt < 5 && !arrived; ++attempt) {
    window->click(169 + 47, 84);
    arrived = loop.runUntil([&] { return !listener.calls.empty(); }, 1000);
  }
  EXPECT_TRUE(arrived);
  window->detach();
}

TEST_F(WindowTest, HostThatClearsTheFrameBeforeRemovingStillGetsEverythingBack) {
  auto editor = open(*window);
  editor->setFrame(nullptr);
  window->detach();  // removed(): the view unregisters through its own pointer
  EXPECT_EQ(loop.eventHandlerCount(), 0u);
  EXPECT_EQ(loop.timerCount(), 0u);
}

TEST_F(WindowTest, OpensAndClosesTwentyTimes) {
  for (int i = 0; i < 20; ++i) {
    auto editor = open(*window);
    ASSERT_NE(window->pluginWindow(), 0u);
    window->detach();
    loop.runFor(5);
    EXPECT_EQ(window->pluginWindow(), 0u);
    EXPECT_EQ(loop.eventHandlerCount(), 0u);
    EXPECT_EQ(loop.timerCount(), 0u);
  }
}

TEST_F(WindowTest, TwoEditorsAtOnceEachTakeTheirOwnInput) {
  std::string error;
  auto second = HostWindow::create(loop, true, error);
  ASSERT_TRUE(second) << error;
  RecordingListener otherListener;
  auto first = open(*window);
  auto other = Steinberg::owned(new GalleryEditor(&otherListener));
  ASSERT_EQ(second->attach(other), kResultOk);
  loop.runFor(60);
  second->click(169 + 47 + 21, 84);  // three quarters
  ASSERT_TRUE(loop.runUntil([&] { return !otherListener.calls.empty(); }, 3000));
  EXPECT_EQ(otherListener.calls.back(), std::to_string(kTagSlider) + "=0.75");
  EXPECT_TRUE(listener.calls.empty());
  window->detach();
  // The second still works after the first is gone.
  second->click(169 + 47, 84);
  ASSERT_TRUE(loop.runUntil([&] { return otherListener.calls.size() >= 2; }, 3000));
  second->detach();
}

TEST_F(WindowTest, ContentScaleTwoDoublesTheWindowAndUsesTheLargeBitmaps) {
  auto editor = Steinberg::owned(new GalleryEditor(&listener));
  auto* scale = static_cast<IPlugViewContentScaleSupport*>(editor.get());
  ASSERT_EQ(scale->setContentScaleFactor(2.f), kResultTrue);
  ViewRect size;
  editor->getSize(&size);
  EXPECT_EQ(size.getWidth(), 1568);
  EXPECT_EQ(size.getHeight(), 1264);
  ASSERT_EQ(window->attach(editor), kResultOk);
  loop.runFor(100);
  ASSERT_TRUE(window->screenshot(shot("window-gallery@2x")));
  std::string message;
  EXPECT_TRUE(matchesReference(shot("window-gallery@2x"), std::string(KORVANE_GUI_REFERENCES) + "/gallery@2x.png", message))
      << message;
  // Back to 1 while open: the host is asked to resize.
  ASSERT_EQ(scale->setContentScaleFactor(1.f), kResultTrue);
  EXPECT_EQ(window->requestedWidth(), 784);
  EXPECT_EQ(window->requestedHeight(), 632);
  window->detach();
}

TEST_F(WindowTest, SizeIsFixedAndKnownBeforeAttaching) {
  struct Case {
    float scale;
    int32 width, height;
  };
  for (const Case& c : {Case{1.f, 784, 632}, Case{1.5f, 1176, 948}, Case{2.f, 1568, 1264}}) {
    SCOPED_TRACE(c.scale);
    auto editor = Steinberg::owned(new GalleryEditor(&listener));
    static_cast<IPlugViewContentScaleSupport*>(editor.get())->setContentScaleFactor(c.scale);
    ViewRect size;
    ASSERT_EQ(editor->getSize(&size), kResultTrue);
    EXPECT_EQ(size.getWidth(), c.width);
    EXPECT_EQ(size.getHeight(), c.height);
    EXPECT_EQ(editor->canResize(), kResultFalse);
    ViewRect wanted(0, 0, 900, 700);
    EXPECT_EQ(editor->checkSizeConstraint(&wanted), kResultTrue);
    EXPECT_EQ(wanted.getWidth(), c.width);
    EXPECT_EQ(wanted.getHeight(), c.height);
    EXPECT_EQ(editor->onSize(&wanted), kResultTrue);
  }
  auto editor = Steinberg::owned(new GalleryEditor(&listener));
  EXPECT_EQ(editor->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
  EXPECT_EQ(editor->isPlatformTypeSupported(kPlatformTypeHWND), kResultFalse);
}

TEST_F(WindowTest, HostWithoutRunLoopGetsNoWindow) {
  std::string error;
  auto plain = HostWindow::create(loop, false, error);
  ASSERT_TRUE(plain) << error;
  auto editor = Steinberg::owned(new GalleryEditor(&listener));
  EXPECT_EQ(plain->attach(editor), kResultFalse);
  EXPECT_EQ(editor->opens, 0);
  EXPECT_EQ(plain->pluginWindow(), 0u);
}

TEST_F(WindowTest, KeysFromTheHostAreUsedOnlyWhileABoxIsEdited) {
  auto editor = open(*window);
  EXPECT_EQ(editor->onKeyDown('1', 0, 0), kResultFalse);
  // A click that reaches the window before it is mapped is lost: repeated.
  bool focused = false;
  for (int attempt = 0; attempt < 10 && !focused; ++attempt) {
    window->click(395, 132);
    focused = loop.runUntil([&] { return editor->getFrame()->getFocusView() != nullptr; }, 500);
  }
  ASSERT_TRUE(focused);
  EXPECT_EQ(editor->onKeyDown('7', 0, 0), kResultTrue);
  EXPECT_EQ(editor->onKeyDown(0, VSTGUI::VKEY_RETURN, 0), kResultTrue);
  EXPECT_EQ(listener.calls, std::vector<std::string>{std::to_string(kTagTextCentre) + "=7"});
  window->detach();
}

TEST_F(WindowTest, BundleEditorOpensClosesAndTheModuleUnloads) {
  const std::string library = host::bundleLibraryPath(KORVANE_GALLERY_BUNDLE);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    std::string error;
    auto module = host::PluginModule::load(KORVANE_GALLERY_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    {
      auto instance = host::PluginInstance::create(*module, error);
      ASSERT_TRUE(instance) << error;
      IPlugView* view = instance->controller->createView("editor");
      ASSERT_NE(view, nullptr);
      ASSERT_EQ(window->attach(view), kResultOk);
      loop.runFor(60);
      window->click(169 + 47, 84);
      loop.runFor(60);
      ASSERT_TRUE(window->screenshot(shot("bundle-editor")));
      window->detach();
      view->release();
    }
    module.reset();
    // Nothing kept the module loaded, and the host runs on.
    void* still = dlopen(library.c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(still, nullptr);
    if (still) dlclose(still);
    loop.runFor(20);
  }
}

TEST_F(WindowTest, FileDialogAnswersThroughTheRunLoopAndDiesWithTheView) {
  FakeDialog dialog;
  SelectorDelegate delegate;
  auto editor = open(*window);
  const auto runDialog = [&] {
    VSTGUI::CNewFileSelector* selector =
        VSTGUI::CNewFileSelector::create(editor->getFrame(), VSTGUI::CNewFileSelector::kSelectFile);
    ASSERT_NE(selector, nullptr);
    selector->setAllowMultiFileSelection(true);
    ASSERT_TRUE(selector->run(&delegate));
    selector->forget();
  };
  dialog.answer("/tmp/x.wav\n/tmp/y.wav");
  runDialog();
  ASSERT_TRUE(loop.runUntil([&] { return delegate.ends.size() == 1; }, 5000));
  EXPECT_EQ(delegate.ends[0], (std::vector<std::string>{"/tmp/x.wav", "/tmp/y.wav"}));
  dialog.answer("");  // cancelled
  runDialog();
  ASSERT_TRUE(loop.runUntil([&] { return delegate.ends.size() == 2; }, 5000));
  EXPECT_TRUE(delegate.ends[1].empty());
  // Still open when the view is removed: killed, no end message.
  dialog.answer("/tmp/z.wav", "30");
  runDialog();
  loop.runFor(50);
  window->detach();
  loop.runFor(50);
  EXPECT_EQ(delegate.ends.size(), 2u);
}

#ifdef KORVANE_HOST_COMMAND
TEST_F(WindowTest, ViewCommandPhotographsTheEditor) {
  const std::string out = shot("korvane-host-view");
  std::filesystem::remove(out);
  const std::string command =
      std::string(KORVANE_HOST_COMMAND) + " view " + KORVANE_GALLERY_BUNDLE + " --shot " + out + " --seconds 0.2";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::string message;
  EXPECT_TRUE(matchesReference(out, std::string(KORVANE_GUI_REFERENCES) + "/gallery.png", message)) << message;
}
#endif

}  // namespace
}  // namespace ovri::korvane::test
