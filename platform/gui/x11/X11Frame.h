#pragma once

#include "platform/gui/CFrame.h"

namespace Steinberg::Linux {
class IRunLoop;
}

namespace VSTGUI {

// Opens frames as X11 child windows of a host's parent window, driven by
// the host's run loop (IRunLoop: the connection's descriptor, a timer).
class X11FrameConfig : public IPlatformFrameConfig {
public:
  // The run loop is held (a reference) by every window made.
  explicit X11FrameConfig(Steinberg::Linux::IRunLoop* runLoop) : runLoop(runLoop) {}
  std::unique_ptr<IPlatformFrame> createPlatformFrame(CFrame* frame, void* parent, PlatformType type) override;

  Steinberg::Linux::IRunLoop* runLoop;
  // The window's run-loop timer: X events are drained, timers fired and
  // dirty areas drawn at least this often.
  uint32_t tickMilliseconds = 16;
};

// The X window of an open frame, for the view that owns it: its id, and a
// drain of the pending events the view can ask for.
class X11PlatformFrameAccess {
public:
  virtual ~X11PlatformFrameAccess() = default;
  virtual uint32_t windowId() const = 0;
  virtual void resizeWindow(double scaleFactor) = 0;
  // Handles every pending event, fires due timers, draws dirty areas.
  virtual void service() = 0;
};

}  // namespace VSTGUI
