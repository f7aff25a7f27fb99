#pragma once

#include "platform/gui/CFrame.h"
#include "platform/gui/VSTGUIBase.h"

#include <memory>
#include <string>
#include <vector>

namespace VSTGUI {

// A file name filter: a description and an extension without the dot (or
// several, separated by spaces; "*" for every file). Names match in any
// letter case.
class CFileExtension {
public:
  CFileExtension(UTF8StringPtr description, UTF8StringPtr extension)
      : description(description ? description : ""), extension(extension ? extension : "") {}
  const std::string& getDescription() const { return description; }
  const std::string& getExtension() const { return extension; }

private:
  std::string description;
  std::string extension;
};

// Asks the user for files with the desktop's file dialog, run as a child
// process (zenity, else kdialog) whose answer is read without blocking.
// run() returns at once; when the dialog ends, the delegate is notified
// with kSelectEndMessage and the selector as sender (no files when it was
// cancelled). Removing the frame's platform window kills a dialog still
// open.
class CNewFileSelector : public CBaseObject, private IChildProcessClient {
public:
  enum Style { kSelectFile, kSelectSaveFile, kSelectDirectory };
  // Compared by address: notify() receives this very pointer.
  static const IdStringPtr kSelectEndMessage;

  // Null when the frame is not open or no dialog program is installed.
  static CNewFileSelector* create(CFrame* parent = nullptr, Style style = kSelectFile);
  ~CNewFileSelector() override;

  bool run(CBaseObject* delegate);
  void cancel();

  void setTitle(const std::string& t) { title = t; }
  void addFileExtension(const CFileExtension& ext) { extensions.push_back(ext); }
  void setDefaultSaveName(const std::string& name) { defaultSaveName = name; }
  void setDefaultExtension(const CFileExtension& ext) { extensions.insert(extensions.begin(), ext); }
  void setInitialDirectory(const std::string& dir) { initialDirectory = dir; }
  void setAllowMultiFileSelection(bool state) { multiple = state; }

  uint32_t getNumSelectedFiles() const { return static_cast<uint32_t>(selected.size()); }
  UTF8StringPtr getSelectedFile(uint32_t index) const;

  // The command line the dialog runs with (exposed for tests).
  std::vector<std::string> commandLine() const;
  const std::string& getProgram() const { return program; }

private:
  CNewFileSelector(CFrame* frame, Style style, std::string program);
  void childProcessEnded(const std::string& output, bool success) override;
  void childProcessKilled() override;

  CFrame* frame;  // not held: the frame may close while a dialog is open
  Style style;
  std::string program;  // full path of zenity or kdialog
  std::string title;
  std::vector<CFileExtension> extensions;
  std::string defaultSaveName;
  std::string initialDirectory;
  bool multiple = false;
  std::vector<std::string> selected;
  std::unique_ptr<IChildProcess> process;
  SharedPointer<CBaseObject> delegate;
};

}  // namespace VSTGUI
