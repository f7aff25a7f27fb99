// Widgets drawn offscreen and compared with committed pictures; input
// injected into the frame and the listener calls checked.
#include "platform/gui/OffscreenFrame.h"
#include "tests/support/Gallery.h"
#include "tests/support/ImageCompare.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

namespace ovri::korvane::test {
namespace {

using namespace VSTGUI;

std::string call(int32_t tag, float value) {
  char text[64];
  std::snprintf(text, sizeof text, "%d=%g", tag, static_cast<double>(value));
  return text;
}

CPoint centre(const CRect& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class WidgetTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    makeGalleryResources(KORVANE_GUI_RESOURCES);
    std::filesystem::create_directories(KORVANE_GUI_SHOTS);
  }
  void SetUp() override {
    gallery = std::make_unique<Gallery>(&listener);
    ASSERT_TRUE(gallery->frame->open(nullptr, PlatformType::kOffscreen, &config));
    platform = static_cast<OffscreenPlatformFrame*>(gallery->frame->getPlatformFrame());
    input = std::make_unique<OffscreenInput>(gallery->frame);
  }

  RecordingListener listener;
  OffscreenConfig config;
  std::unique_ptr<Gallery> gallery;
  OffscreenPlatformFrame* platform = nullptr;
  std::unique_ptr<OffscreenInput> input;
};

TEST_F(WidgetTest, GalleryLooksLikeItsReferencePictures) {
  struct Case {
    const char* name;
    double scale;
    std::function<void(Gallery&, OffscreenInput&)> prepare;
  };
  const Case cases[] = {
      {"gallery", 1.0, [](Gallery&, OffscreenInput&) {}},
      // A pop-up with its sub-menu open and a check mark, over the widgets.
      {"gallery-menu", 1.0,
       [](Gallery& g, OffscreenInput& in) {
         g.popup->checkEntry(5, true);
         g.submenu->setValue(1);
         g.popup->popup(g.frame, kPopupAnchor);
         in.key(VKEY_DOWN);
         in.key(VKEY_DOWN);
         in.key(VKEY_RIGHT);
       }},
      // A text box being edited: caret after a selection of two characters.
      {"gallery-editing", 1.0,
       [](Gallery&, OffscreenInput& in) {
         in.click(centre(kTextCentreRect));
         in.type("4400");
         in.key(VKEY_LEFT, MODIFIER_SHIFT);
         in.key(VKEY_LEFT, MODIFIER_SHIFT);
       }},
      // Content scale 2 with the @2x bitmaps.
      {"gallery@2x", 2.0, [](Gallery& g, OffscreenInput&) { g.frame->setScaleFactor(2.0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Gallery g(&listener);
    ASSERT_TRUE(g.frame->open(nullptr, PlatformType::kOffscreen, &config));
    OffscreenInput in(g.frame);
    c.prepare(g, in);
    const std::string shot = std::string(KORVANE_GUI_SHOTS) + "/" + c.name + ".png";
    ASSERT_TRUE(g.frame->writePng(shot));
    std::string message;
    EXPECT_TRUE(matchesReference(shot, std::string(KORVANE_GUI_REFERENCES) + "/" + c.name + ".png", message))
        << message << " (actual: " << shot << ")";
  }
}

TEST_F(WidgetTest, InputGivesTheListenerExactCalls) {
  struct Case {
    const char* name;
    std::function<void(Gallery&, OffscreenInput&)> act;
    std::vector<std::string> expected;
  };
  const CPoint sliderAt50{169 + 42 + 5, 84};  // handle centre over the middle of the travel
  const Case cases[] = {
      {"kick button press and release", [](Gallery&, OffscreenInput& in) { in.click(centre(kButtonRect)); },
       {call(kTagButton, 1), call(kTagButton, 0)}},
      {"click puts the slider handle under the pointer",
       [&](Gallery&, OffscreenInput& in) { in.click(sliderAt50); }, {call(kTagSlider, 0.5f)}},
      {"drag follows the pointer and stops at the end",
       [&](Gallery&, OffscreenInput& in) { in.drag(sliderAt50, CPoint(300, 84)); },
       {call(kTagSlider, 0.5f), call(kTagSlider, 0.75f), call(kTagSlider, 1.f)}},
      {"ordinary wheel leaves a plain horizontal slider alone",
       [](Gallery&, OffscreenInput& in) { in.wheel(centre(kSliderRect), 1); }, {}},
      {"X-axis wheel turns a horizontal slider against the distance",
       [](Gallery&, OffscreenInput& in) { in.wheel(centre(kSliderRect), 1, kMouseWheelAxisX); },
       {call(kTagSlider, 0.25f - 1.f / 127)}},
      {"the subclass turns on ordinary wheel motion by distance × increment",
       [](Gallery&, OffscreenInput& in) { in.wheel(centre(kWheelSliderRect), 2); },
       {call(kTagWheelSlider, 2.f / 200)}},
      {"typing replaces the selected text, Return commits",
       [](Gallery&, OffscreenInput& in) {
         in.click(centre(kTextCentreRect));
         in.type("123");
         in.key(VKEY_RETURN);
       },
       {std::to_string(kTagTextCentre) + "=123"}},
      {"Backspace and arrows edit inside the text",
       [](Gallery&, OffscreenInput& in) {
         in.click(centre(kTextLeftRect));
         in.key(VKEY_END);
         in.key(VKEY_BACK);
         in.key(VKEY_HOME);
         in.key(VKEY_DELETE);
         in.type("+");
         in.key(VKEY_RETURN);
       },
       {std::to_string(kTagTextLeft) + "=+6.0"}},
      {"Escape restores the text without a call",
       [](Gallery& g, OffscreenInput& in) {
         in.click(centre(kTextCentreRect));
         in.type("9");
         in.key(VKEY_ESCAPE);
         EXPECT_EQ(g.textCentre->getText(), "440");
         EXPECT_EQ(g.frame->getFocusView(), nullptr);
       },
       {}},
      {"a click elsewhere commits the text",
       [](Gallery&, OffscreenInput& in) {
         in.click(centre(kTextCentreRect));
         in.type("7");
         in.click(CPoint(400, 400));
       },
       {std::to_string(kTagTextCentre) + "=7"}},
      {"a drop-down list opens below itself and chooses by click",
       [](Gallery& g, OffscreenInput& in) {
         in.click(centre(kDropDownRect));
         ASSERT_NE(g.frame->getModalView(), nullptr);
         // Entries from y 168 + 1, 18 each: the fourth is at 168 + 1 + 3 × 18.
         in.click(CPoint(120, 168 + 1 + 3 * 18 + 9));
         EXPECT_EQ(g.dropDown->getText(), "3 [Sampler]");
       },
       {call(kTagDropDown, 3)}},
      {"keys: Down skips the separator, Right opens the sub-menu, Return chooses",
       [](Gallery& g, OffscreenInput& in) {
         g.popup->popup(g.frame, kPopupAnchor);
         for (uint8_t k : {VKEY_DOWN, VKEY_DOWN, VKEY_RIGHT, VKEY_DOWN, VKEY_RETURN}) in.key(k);
         int32_t index = -1;
         EXPECT_EQ(g.popup->getLastItemMenu(index), g.submenu);
         EXPECT_EQ(index, 1);
         EXPECT_EQ(g.submenu->getCurrentIndex(), 1);
       },
       {call(kTagPopup, 0)}},
      {"a disabled entry is skipped by the keys; the 0x400 style toggles the check",
       [](Gallery& g, OffscreenInput& in) {
         g.popup->popup(g.frame, kPopupAnchor);
         for (uint8_t k : {VKEY_DOWN, VKEY_DOWN, VKEY_DOWN, VKEY_RETURN}) in.key(k);
         EXPECT_TRUE(g.popup->isCheckEntry(4));
         g.popup->popup(g.frame, kPopupAnchor);
         for (uint8_t k : {VKEY_DOWN, VKEY_DOWN, VKEY_DOWN, VKEY_RETURN}) in.key(k);
         EXPECT_FALSE(g.popup->isCheckEntry(4));
       },
       {call(kTagPopup, 4), call(kTagPopup, 4)}},
      {"clicks: a disabled entry does nothing, an enabled one is chosen",
       [](Gallery& g, OffscreenInput& in) {
         g.popup->popup(g.frame, kPopupAnchor);
         in.click(CPoint(30, 217 + 18 + 7 + 18 + 9));  // "Disabled"
         EXPECT_NE(g.frame->getModalView(), nullptr);
         in.click(CPoint(30, 217 + 18 + 7 + 3 * 18 + 9));  // "Check B"
         int32_t index = -1;
         EXPECT_EQ(g.popup->getLastItemMenu(index), g.popup);
         EXPECT_EQ(index, 5);
         EXPECT_TRUE(g.popup->isCheckEntry(5));
       },
       {call(kTagPopup, 5)}},
      {"Escape closes the menu and lets the pointer go",
       [&](Gallery& g, OffscreenInput& in) {
         g.popup->popup(g.frame, kPopupAnchor);
         EXPECT_TRUE(static_cast<OffscreenPlatformFrame*>(g.frame->getPlatformFrame())->pointerGrabbed);
         in.key(VKEY_DOWN);
         in.key(VKEY_ESCAPE);
         EXPECT_EQ(g.frame->getModalView(), nullptr);
         EXPECT_FALSE(static_cast<OffscreenPlatformFrame*>(g.frame->getPlatformFrame())->pointerGrabbed);
       },
       {}},
      {"a click outside the menu closes it without a choice",
       [](Gallery& g, OffscreenInput& in) {
         g.popup->popup(g.frame, kPopupAnchor);
         in.click(CPoint(700, 600));
         EXPECT_EQ(g.frame->getModalView(), nullptr);
       },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingListener recorder;
    Gallery g(&recorder);
    ASSERT_TRUE(g.frame->open(nullptr, PlatformType::kOffscreen, &config));
    OffscreenInput in(g.frame);
    c.act(g, in);
    EXPECT_EQ(recorder.calls, c.expected);
  }
}

TEST_F(WidgetTest, MenuNearTheFrameEdgeStaysInside) {
  gallery->popup->popup(gallery->frame, CPoint(780, 628));
  input->key(VKEY_DOWN);
  input->key(VKEY_DOWN);
  input->key(VKEY_RIGHT);  // the sub-menu opens to the left: no room on the right
  CView* menu = gallery->frame->getModalView();
  ASSERT_NE(menu, nullptr);
  gallery->frame->writePng(std::string(KORVANE_GUI_SHOTS) + "/menu-at-edge.png");
  // Everything drawn lies in the frame, and a Return still chooses.
  input->key(VKEY_RETURN);
  int32_t index = -1;
  EXPECT_EQ(gallery->popup->getLastItemMenu(index), gallery->submenu);
  EXPECT_EQ(index, 0);
}

TEST_F(WidgetTest, TextBoxTakesAndGivesBackTheKeyboard) {
  input->click(centre(kTextCentreRect));
  EXPECT_TRUE(platform->keyboardFocus);
  EXPECT_EQ(gallery->frame->getFocusView(), gallery->textCentre);
  input->key(VKEY_RETURN);
  EXPECT_FALSE(platform->keyboardFocus);
  // Keys with no focus are not used (a host may use them).
  EXPECT_EQ(input->key(VKEY_LEFT), -1);
}

// A text wider than its box: the caret stays inside while typing and
// moving, and the text scrolls back at Home.
TEST_F(WidgetTest, TextBoxScrollsToKeepTheCaretVisible) {
  CTextEdit* box = gallery->textCentre;
  const CRect r = box->getViewSize();
  input->click(centre(kTextCentreRect));
  input->type(std::string(40, 'W'));
  gallery->frame->drawDirty();
  EXPECT_GT(box->getTextScroll(), 0) << "the end of the text is shown";
  const CCoord atEnd = box->getTextScroll();
  gallery->frame->drawDirty();
  input->key(VKEY_HOME);
  gallery->frame->drawDirty();
  EXPECT_EQ(box->getTextScroll(), 0);
  input->key(VKEY_END);
  gallery->frame->drawDirty();
  EXPECT_EQ(box->getTextScroll(), atEnd);
  EXPECT_LE(atEnd, 40 * 12 - (r.getWidth() - 4) + 1) << "no further than the text's end";
  input->key(VKEY_ESCAPE);
}

TEST_F(WidgetTest, MovieBitmapShowsTheFrameOfItsValue) {
  for (int frame = 0; frame < 4; ++frame) {
    gallery->movie->setValueNormalized(static_cast<float>(frame) / 3);
    EXPECT_EQ(gallery->movie->currentFrame(), frame);
  }
}

TEST_F(WidgetTest, BitmapsLoadByNameWithTheirDoubleSizeVariant) {
  auto knob = owned(new CBitmap("knob0.png"));
  EXPECT_TRUE(knob->isLoaded());
  EXPECT_TRUE(knob->hasHighResolution());
  EXPECT_EQ(knob->getWidth(), 10);
  EXPECT_EQ(knob->getHeight(), 22);
  EXPECT_FALSE(owned(new CBitmap("missing.png"))->isLoaded());
}

TEST_F(WidgetTest, TimersFireOncePerPeriodOfTheClock) {
  struct Counter : CBaseObject {
    int ticks = 0;
    CMessageResult notify(CBaseObject*, IdStringPtr message) override {
      if (message == CVSTGUITimer::kMsgTimer) ++ticks;
      return kMessageNotified;
    }
  } counter;
  TimerClock::useManualTime(true);
  auto timer = owned(new CVSTGUITimer(&counter, 33, true));
  TimerClock::advance(100);
  EXPECT_EQ(counter.ticks, 3);
  timer->stop();
  TimerClock::advance(100);
  EXPECT_EQ(counter.ticks, 3);
  TimerClock::useManualTime(false);
}

TEST_F(WidgetTest, DirtyAreasAreDrawnOnceAndOnlyThere) {
  gallery->frame->drawDirty();
  EXPECT_TRUE(gallery->frame->drawDirty().empty());
  gallery->slider->setValueNormalized(0.9f);
  gallery->slider->setDirty();
  const auto drawn = gallery->frame->drawDirty();
  ASSERT_EQ(drawn.size(), 1u);
  EXPECT_EQ(drawn[0], kSliderRect);
}

}  // namespace
}  // namespace ovri::korvane::test
