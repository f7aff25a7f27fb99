#pragma once

// The stand-in zenity (tests/support/fake-dialog) first on PATH, its answer and
// what it was asked.

#include "platform/gui/CNewFileSelector.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace ovri::korvane::test {

class FakeDialog {
public:
  FakeDialog() : oldPath(std::getenv("PATH") ? std::getenv("PATH") : "") {
    setenv("PATH", (std::string(KORVANE_FAKE_DIALOG_DIR) + ":" + oldPath).c_str(), 1);
    // One file per test process: the tests of a suite run side by side.
    argsFile = std::string(KORVANE_GUI_SHOTS) + "/fake-dialog-args-" + std::to_string(::getpid()) + ".txt";
    setenv("KORVANE_FAKE_DIALOG_ARGS", argsFile.c_str(), 1);
    answer("");
  }
  ~FakeDialog() {
    setenv("PATH", oldPath.c_str(), 1);
    unsetenv("KORVANE_FAKE_DIALOG_ANSWER");
    unsetenv("KORVANE_FAKE_DIALOG_WAIT");
    std::remove(argsFile.c_str());
  }
  // Paths separated by '\n'; empty: the dialog is cancelled.
  void answer(const std::string& paths, const char* waitSeconds = "") {
    setenv("KORVANE_FAKE_DIALOG_ANSWER", paths.c_str(), 1);
    setenv("KORVANE_FAKE_DIALOG_WAIT", waitSeconds, 1);
  }
  std::vector<std::string> arguments() const {
    std::vector<std::string> lines;
    std::ifstream in(argsFile);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

private:
  std::string oldPath;
  std::string argsFile;
};

// Records the end messages of file selectors.
struct SelectorDelegate : VSTGUI::CBaseObject {
  VSTGUI::CMessageResult notify(VSTGUI::CBaseObject* sender, VSTGUI::IdStringPtr message) override {
    auto* selector = dynamic_cast<VSTGUI::CNewFileSelector*>(sender);
    if (!selector || message != VSTGUI::CNewFileSelector::kSelectEndMessage) return VSTGUI::kMessageUnknown;
    std::vector<std::string> files;
    for (uint32_t i = 0; i < selector->getNumSelectedFiles(); ++i) files.push_back(selector->getSelectedFile(i));
    ends.push_back(files);
    return VSTGUI::kMessageNotified;
  }
  std::vector<std::vector<std::string>> ends;
};

}  // namespace ovri::korvane::test
