#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

struct xcb_connection_t;

namespace ovri::korvane::standalone {

// The keys of the standalone's window, over the embedded editor: Ctrl+O
// loads a state file, Ctrl+S saves one, Ctrl+F loads the factory set. They
// are passive grabs on the top-level window, made on a connection of our
// own, so they reach us whichever child has the keyboard. The title and
// class of the window are set here too.
class WindowShortcuts {
public:
  enum class Action { None, LoadState, SaveState, LoadFactory };

  // False without an X server.
  bool attach(uint32_t toplevel);
  ~WindowShortcuts();
  // The next key pressed since the last call (Action::None if none).
  Action poll();

private:
  xcb_connection_t* connection = nullptr;
  uint8_t keyO = 0, keyS = 0, keyF = 0;
};

// A file dialog (zenity) on a thread of its own, so that the window and
// its run loop go on while it is open.
class FileDialog {
public:
  ~FileDialog();
  // False while one is open.
  bool open(bool save, const std::string& title, const std::string& initialPath);
  // True once, when the dialog has closed; path is empty when cancelled.
  bool finished(std::string& path);
  bool isOpen() const { return thread.joinable(); }

private:
  std::thread thread;
  std::mutex mutex;
  bool done = false;
  std::string result;
};

}  // namespace ovri::korvane::standalone
