#pragma once

#include "platform/gui/CFrame.h"
#include "platform/gui/ChildProcessSet.h"

#include <string>

namespace VSTGUI {

class OffscreenPlatformFrame;

// A frame's platform without a window: input is injected, time is a manual
// clock, pixels are read from the frame's image or written as PNG. Child
// processes (file dialogs) are serviced by pump().
class OffscreenConfig : public IPlatformFrameConfig {
public:
  std::unique_ptr<IPlatformFrame> createPlatformFrame(CFrame* frame, void* parent, PlatformType type) override;
};

class OffscreenPlatformFrame : public IPlatformFrame {
public:
  OffscreenPlatformFrame() = default;

  void scheduleRedraw() override { ++redrawRequests; }
  void grabPointer() override { pointerGrabbed = true; }
  void releasePointer() override { pointerGrabbed = false; }
  void takeKeyboardFocus() override { keyboardFocus = true; }
  void releaseKeyboardFocus() override { keyboardFocus = false; }
  std::unique_ptr<IChildProcess> startChildProcess(const std::vector<std::string>& argv,
                                                   IChildProcessClient* client) override {
    return children.start(argv, client);
  }

  // Waits (poll) up to timeoutMs for child output and services children.
  void pump(int timeoutMs);
  bool hasChildren() const { return !children.empty(); }

  bool pointerGrabbed = false;
  bool keyboardFocus = false;
  int redrawRequests = 0;

private:
  ChildProcessSet children;
};

// Test driver for an offscreen frame: clicks, drags, wheel turns and keys
// in frame coordinates.
class OffscreenInput {
public:
  explicit OffscreenInput(CFrame* frame) : frame(frame) {}
  void click(CPoint where, int32_t buttons = kLButton);
  void press(CPoint where, int32_t buttons = kLButton) { frame->platformOnMouseDown(where, buttons); }
  void move(CPoint where, int32_t buttons = kLButton) { frame->platformOnMouseMoved(where, buttons); }
  void release(CPoint where, int32_t buttons = kLButton) { frame->platformOnMouseUp(where, buttons); }
  void drag(CPoint from, CPoint to, int steps = 4);
  void wheel(CPoint where, float distance, CMouseWheelAxis axis = kMouseWheelAxisY) {
    frame->platformOnWheel(where, axis, distance, 0);
  }
  int32_t key(uint8_t virt, uint8_t modifier = 0);
  void type(const std::string& ascii);

private:
  CFrame* frame;
};

}  // namespace VSTGUI
