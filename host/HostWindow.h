#pragma once

#include "host/HostRunLoop.h"
#include "pluginterfaces/gui/iplugview.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ovri::korvane::host {

class HostPlugFrame;

// A top-level X window a host embeds a plug-in view in, with the
// IPlugFrame the view gets (offering the run loop unless told not to).
// It photographs the plug-in's window into PNG and sends it synthetic
// input through the XTest extension. Its own xcb connection is not the
// plug-in's.
class HostWindow {
public:
  // With offerRunLoop false the plug frame has no IRunLoop (a host the
  // view cannot run in). Null with error set when there is no X server.
  static std::unique_ptr<HostWindow> create(HostRunLoop& loop, bool offerRunLoop, std::string& error);
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // setFrame, size the window to the view, attached(window id,
  // "X11EmbedWindowID"). The view's result.
  Steinberg::tresult attach(Steinberg::IPlugView* view);
  // removed() and setFrame(nullptr); nothing if not attached.
  void detach();
  Steinberg::IPlugView* view() const { return attachedView; }

  uint32_t windowId() const { return window; }
  // The first child window (the plug-in's), 0 if none.
  uint32_t pluginWindow() const;
  // Width, height of a window; false if it does not exist.
  bool windowSize(uint32_t id, int& width, int& height) const;
  // A 32-bit CARDINAL property of a window ({} if missing).
  std::vector<uint32_t> cardinalProperty(uint32_t id, const char* name) const;
  // The last size the view asked for through resizeView (0 × 0 if none).
  int requestedWidth() const;
  int requestedHeight() const;

  // Whether this client could grab the pointer now (nobody else holds it).
  bool pointerGrabbable() const;

  // The plug-in window's pixels as PNG.
  bool screenshot(const std::string& pngPath) const;

  // XTest input at plug-in window coordinates (pixels).
  void moveTo(int x, int y);
  void press(int button = 1);
  void release(int button = 1);
  void click(int x, int y, int button = 1);
  // Types ASCII text (letters, digits, punctuation on the first two levels).
  void type(const std::string& text);
  // A key by X keysym (e.g. 0xff0d Return, 0xff1b Escape, 0xff54 Down).
  void key(uint32_t keysym);
  // Sends the requests (input included) to the server.
  void flush() const;

private:
  HostWindow() = default;
  void fakeKey(uint8_t keycode, bool shift);
  bool findKeycode(uint32_t keysym, uint8_t& keycode, bool& shift) const;

  struct Connection;
  std::unique_ptr<Connection> x;
  uint32_t window = 0;
  HostRunLoop* loop = nullptr;
  HostPlugFrame* plugFrame = nullptr;
  Steinberg::IPlugView* attachedView = nullptr;
};

}  // namespace ovri::korvane::host
