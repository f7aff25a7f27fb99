#pragma once

#include "pluginterfaces/gui/iplugview.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace ovri::korvane::host {

// The run loop a Linux host offers plug-in windows: descriptors watched
// with poll and periodic timers, all on the calling (UI) thread. The host
// drives it with runFor/runUntil.
class HostRunLoop : public Steinberg::Linux::IRunLoop {
public:
  HostRunLoop() = default;
  virtual ~HostRunLoop();
  HostRunLoop(const HostRunLoop&) = delete;
  HostRunLoop& operator=(const HostRunLoop&) = delete;

  Steinberg::tresult PLUGIN_API registerEventHandler(Steinberg::Linux::IEventHandler* handler,
                                                     Steinberg::Linux::FileDescriptor fd) override;
  Steinberg::tresult PLUGIN_API unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
  Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                              Steinberg::Linux::TimerInterval milliseconds) override;
  Steinberg::tresult PLUGIN_API unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

  // Not counted: the loop belongs to the host and outlives its windows.
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
  Steinberg::uint32 PLUGIN_API addRef() override { return ++refs; }
  Steinberg::uint32 PLUGIN_API release() override { return --refs; }

  // Runs the loop for ms milliseconds.
  void runFor(int ms);
  // Runs until done() is true (checked after every wake-up) or timeoutMs
  // pass; whether done() became true.
  bool runUntil(const std::function<bool()>& done, int timeoutMs);

  size_t eventHandlerCount() const { return handlers.size(); }
  size_t timerCount() const { return timers.size(); }
  // References the plug-in holds on the loop beyond the host's own.
  int32_t extraReferences() const { return static_cast<int32_t>(refs) - 1; }
  // Some hosts never report descriptors: the plug-in must get by with its
  // timers.
  bool reportDescriptors = true;

private:
  struct Watch {
    Steinberg::Linux::IEventHandler* handler;
    int fd;
  };
  struct Timer {
    Steinberg::Linux::ITimerHandler* handler;
    uint64_t period;
    uint64_t due;
  };
  void runOnce(int maxWaitMs);

  std::vector<Watch> handlers;
  std::vector<Timer> timers;
  std::atomic<Steinberg::uint32> refs{1};
};

}  // namespace ovri::korvane::host
