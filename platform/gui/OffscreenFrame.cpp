#include "platform/gui/OffscreenFrame.h"

#include <poll.h>

namespace VSTGUI {

std::unique_ptr<IPlatformFrame> OffscreenConfig::createPlatformFrame(CFrame*, void*, PlatformType) {
  return std::make_unique<OffscreenPlatformFrame>();
}

void OffscreenPlatformFrame::pump(int timeoutMs) {
  std::vector<pollfd> fds;
  for (int fd : children.descriptors()) fds.push_back({fd, POLLIN, 0});
  // With no descriptor left (output ended) this waits for the process to
  // end.
  if (!children.empty()) poll(fds.data(), fds.size(), timeoutMs);
  children.service();
}

void OffscreenInput::click(CPoint where, int32_t buttons) {
  frame->platformOnMouseDown(where, buttons);
  frame->platformOnMouseUp(where, buttons);
}

void OffscreenInput::drag(CPoint from, CPoint to, int steps) {
  frame->platformOnMouseDown(from, kLButton);
  for (int i = 1; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps;
    frame->platformOnMouseMoved(CPoint(from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t), kLButton);
  }
  frame->platformOnMouseUp(to, kLButton);
}

int32_t OffscreenInput::key(uint8_t virt, uint8_t modifier) {
  VstKeyCode k;
  k.virt = virt;
  k.modifier = modifier;
  return frame->platformOnKeyDown(k);
}

void OffscreenInput::type(const std::string& ascii) {
  for (char c : ascii) {
    VstKeyCode k;
    k.character = static_cast<unsigned char>(c);
    frame->platformOnKeyDown(k);
  }
}

}  // namespace VSTGUI
