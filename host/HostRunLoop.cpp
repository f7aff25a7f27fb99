#include "host/HostRunLoop.h"

#include <poll.h>

#include <algorithm>
#include <chrono>

namespace ovri::korvane::host {

using namespace Steinberg;

namespace {

uint64_t nowMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

HostRunLoop::~HostRunLoop() {
  for (Watch& w : handlers) w.handler->release();
  for (Timer& t : timers) t.handler->release();
}

tresult PLUGIN_API HostRunLoop::queryInterface(const TUID iid, void** obj) {
  if (FUnknownPrivate::iidEqual(iid, Linux::IRunLoop::iid) || FUnknownPrivate::iidEqual(iid, FUnknown::iid)) {
    addRef();
    *obj = this;
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

tresult PLUGIN_API HostRunLoop::registerEventHandler(Linux::IEventHandler* handler, Linux::FileDescriptor fd) {
  if (!handler || fd < 0) return kInvalidArgument;
  handler->addRef();
  handlers.push_back({handler, fd});
  return kResultOk;
}

tresult PLUGIN_API HostRunLoop::unregisterEventHandler(Linux::IEventHandler* handler) {
  bool found = false;
  for (auto it = handlers.begin(); it != handlers.end();) {
    if (it->handler == handler) {
      it->handler->release();
      it = handlers.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found ? kResultOk : kResultFalse;
}

tresult PLUGIN_API HostRunLoop::registerTimer(Linux::ITimerHandler* handler, Linux::TimerInterval ms) {
  if (!handler || ms == 0) return kInvalidArgument;
  handler->addRef();
  timers.push_back({handler, ms, nowMs() + ms});
  return kResultOk;
}

tresult PLUGIN_API HostRunLoop::unregisterTimer(Linux::ITimerHandler* handler) {
  bool found = false;
  for (auto it = timers.begin(); it != timers.end();) {
    if (it->handler == handler) {
      it->handler->release();
      it = timers.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found ? kResultOk : kResultFalse;
}

void HostRunLoop::runOnce(int maxWaitMs) {
  uint64_t now = nowMs();
  int wait = maxWaitMs;
  for (const Timer& t : timers) wait = std::min(wait, t.due <= now ? 0 : static_cast<int>(t.due - now));
  std::vector<pollfd> fds;
  if (reportDescriptors)
    for (const Watch& w : handlers) fds.push_back({w.fd, POLLIN, 0});
  poll(fds.data(), fds.size(), std::max(0, wait));
  // Handlers may unregister anything while being called: each is looked up
  // again before its call, and held during it.
  for (const pollfd& p : fds) {
    if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
    auto it = std::find_if(handlers.begin(), handlers.end(), [&](const Watch& w) { return w.fd == p.fd; });
    if (it == handlers.end()) continue;
    Linux::IEventHandler* handler = it->handler;
    handler->addRef();
    handler->onFDIsSet(p.fd);
    handler->release();
  }
  now = nowMs();
  std::vector<Linux::ITimerHandler*> due;
  for (Timer& t : timers)
    if (t.due <= now) {
      t.due = std::max(t.due + t.period, now + 1);
      due.push_back(t.handler);
    }
  for (Linux::ITimerHandler* handler : due) {
    const bool still = std::any_of(timers.begin(), timers.end(), [&](const Timer& t) { return t.handler == handler; });
    if (!still) continue;
    handler->addRef();
    handler->onTimer();
    handler->release();
  }
}

void HostRunLoop::runFor(int ms) {
  const uint64_t end = nowMs() + static_cast<uint64_t>(ms);
  for (uint64_t now = nowMs(); now < end; now = nowMs()) runOnce(static_cast<int>(end - now));
}

bool HostRunLoop::runUntil(const std::function<bool()>& done, int timeoutMs) {
  const uint64_t end = nowMs() + static_cast<uint64_t>(timeoutMs);
  while (!done()) {
    const uint64_t now = nowMs();
    if (now >= end) return false;
    runOnce(static_cast<int>(std::min<uint64_t>(end - now, 20)));
  }
  return true;
}

}  // namespace ovri::korvane::host
