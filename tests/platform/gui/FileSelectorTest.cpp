// File selectors offscreen, answered by the stand-in zenity.
#include "platform/gui/OffscreenFrame.h"
#include "tests/support/FakeDialog.h"
#include "tests/support/Gallery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace ovri::korvane::test {
namespace {

using namespace VSTGUI;

bool contains(const std::vector<std::string>& args, const std::string& arg) {
  return std::find(args.begin(), args.end(), arg) != args.end();
}

class FileSelectorTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directories(KORVANE_GUI_SHOTS);
    frame = new CFrame(CRect(0, 0, 784, 632), nullptr);
    ASSERT_TRUE(frame->open(nullptr, PlatformType::kOffscreen, &config));
    platform = static_cast<OffscreenPlatformFrame*>(frame->getPlatformFrame());
  }
  void TearDown() override { frame->forget(); }
  // Services the dialog until it ended (or 5 s).
  void waitForEnd() {
    for (int i = 0; i < 500 && platform->hasChildren(); ++i) platform->pump(10);
  }

  OffscreenConfig config;
  CFrame* frame = nullptr;
  OffscreenPlatformFrame* platform = nullptr;
  FakeDialog dialog;
  SelectorDelegate delegate;
};

TEST_F(FileSelectorTest, OptionsReachTheDialogAndItsAnswerTheDelegate) {
  struct Case {
    const char* name;
    CNewFileSelector::Style style;
    bool multiple;
    std::string answer;
    std::vector<std::string> expectedFiles;
    std::vector<std::string> expectedArgs;
  };
  const Case cases[] = {
      {"several WAV files", CNewFileSelector::kSelectFile, true, "/tmp/a.wav\n/tmp/b c.wav\n/tmp/d.wav",
       {"/tmp/a.wav", "/tmp/b c.wav", "/tmp/d.wav"},
       {"--file-selection", "--title=Import WAV File", "--multiple", "--file-filter=WAV Files(.wav) | *.[wW][aA][vV]"}},
      {"one file of several filters", CNewFileSelector::kSelectFile, false, "/tmp/tones.kvx",
       {"/tmp/tones.kvx"},
       {"--file-selection", "--title=Import WAV File", "--file-filter=WAV Files(.wav) | *.[wW][aA][vV]"}},
      {"save with a default name", CNewFileSelector::kSelectSaveFile, false, "/tmp/out.txt",
       {"/tmp/out.txt"},
       {"--save", "--filename=TonePresets.txt", "--file-filter=WAV Files(.wav) | *.[wW][aA][vV]",
        "--file-filter=Presets | *.[kK][vV][xX] *.[tT][xX][tT]", "--file-filter=All files | *"}},
      {"cancelled", CNewFileSelector::kSelectFile, true, "", {}, {"--file-selection"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialog.answer(c.answer);
    delegate.ends.clear();
    CNewFileSelector* selector = CNewFileSelector::create(frame, c.style);
    ASSERT_NE(selector, nullptr);
    selector->setTitle("Import WAV File");
    selector->addFileExtension(CFileExtension("WAV Files(.wav)", "wav"));
    selector->setAllowMultiFileSelection(c.multiple);
    if (c.style == CNewFileSelector::kSelectSaveFile) {
      selector->setDefaultSaveName("TonePresets.txt");
      selector->addFileExtension(CFileExtension("Presets", "kvx txt"));
      selector->addFileExtension(CFileExtension("All files", "*"));
    }
    ASSERT_TRUE(selector->run(&delegate));
    selector->forget();  // the running dialog keeps it
    EXPECT_TRUE(delegate.ends.empty());  // run() does not wait
    waitForEnd();
    ASSERT_EQ(delegate.ends.size(), 1u);
    EXPECT_EQ(delegate.ends[0], c.expectedFiles);
    const auto args = dialog.arguments();
    for (const std::string& arg : c.expectedArgs) EXPECT_TRUE(contains(args, arg)) << arg;
    EXPECT_EQ(contains(args, "--multiple"), c.multiple);
  }
}

TEST_F(FileSelectorTest, WithoutADialogProgramNoSelectorIsMade) {
  const std::string path = std::getenv("PATH");
  setenv("PATH", KORVANE_GUI_SHOTS, 1);  // a folder without zenity or kdialog
  EXPECT_EQ(CNewFileSelector::create(frame, CNewFileSelector::kSelectFile), nullptr);
  setenv("PATH", path.c_str(), 1);
}

TEST_F(FileSelectorTest, ClosingTheFrameKillsAnOpenDialogWithoutAnEndMessage) {
  dialog.answer("/tmp/late.wav", "30");
  CNewFileSelector* selector = CNewFileSelector::create(frame, CNewFileSelector::kSelectFile);
  ASSERT_NE(selector, nullptr);
  ASSERT_TRUE(selector->run(&delegate));
  selector->forget();
  frame->close();  // the platform frame goes, and the dialog with it
  frame = new CFrame(CRect(0, 0, 10, 10), nullptr);
  EXPECT_TRUE(delegate.ends.empty());
}

}  // namespace
}  // namespace ovri::korvane::test
