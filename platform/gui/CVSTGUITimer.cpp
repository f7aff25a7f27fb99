#include "platform/gui/CVSTGUITimer.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace VSTGUI {

namespace {

// The running timers and the clock. Plain pointers and numbers: timers add
// and remove themselves, so the list is empty whenever no editor is open.
struct TimerState {
  std::vector<CVSTGUITimer*> running;
  bool manual = false;
  uint64_t manualNow = 0;
};

TimerState& state() {
  static TimerState s;
  return s;
}

}  // namespace

const IdStringPtr CVSTGUITimer::kMsgTimer = "timer";

CVSTGUITimer::CVSTGUITimer(CBaseObject* timerObject, uint32_t ms, bool doStart) : target(timerObject), fireTime(ms) {
  if (doStart) start();
}

CVSTGUITimer::~CVSTGUITimer() { stop(); }

bool CVSTGUITimer::start() {
  if (running || fireTime == 0) return false;
  running = true;
  due = TimerClock::now() + fireTime;
  state().running.push_back(this);
  return true;
}

bool CVSTGUITimer::stop() {
  if (!running) return false;
  running = false;
  auto& list = state().running;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  return true;
}

bool CVSTGUITimer::setFireTime(uint32_t ms) {
  if (ms == 0) return false;
  fireTime = ms;
  if (running) due = TimerClock::now() + fireTime;
  return true;
}

uint64_t TimerClock::now() {
  if (state().manual) return state().manualNow;
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void TimerClock::fireDue() {
  const uint64_t t = now();
  // A copy: a notified object may stop or start timers.
  std::vector<CVSTGUITimer*> due;
  for (CVSTGUITimer* timer : state().running)
    if (timer->due <= t) due.push_back(timer);
  for (CVSTGUITimer* timer : due) {
    auto& list = state().running;
    if (std::find(list.begin(), list.end(), timer) == list.end()) continue;  // stopped meanwhile
    timer->remember();
    // The next firing keeps the period; a late tick does not pile up calls.
    timer->due = std::max(timer->due + timer->fireTime, t + 1);
    if (timer->target) timer->target->notify(timer, CVSTGUITimer::kMsgTimer);
    timer->forget();
  }
}

int64_t TimerClock::timeToNext() {
  if (state().running.empty()) return -1;
  const uint64_t t = now();
  uint64_t next = UINT64_MAX;
  for (const CVSTGUITimer* timer : state().running) next = std::min(next, timer->due);
  return next <= t ? 0 : static_cast<int64_t>(next - t);
}

int32_t TimerClock::runningTimers() { return static_cast<int32_t>(state().running.size()); }

void TimerClock::useManualTime(bool manual) {
  state().manualNow = 0;
  if (manual) {
    state().manual = false;
    state().manualNow = now();
  }
  state().manual = manual;
}

void TimerClock::advance(uint64_t ms) {
  if (!state().manual) return;
  // Step through each due time so periodic timers fire once per period.
  const uint64_t end = state().manualNow + ms;
  for (;;) {
    uint64_t next = end;
    for (const CVSTGUITimer* timer : state().running) next = std::min(next, std::max(timer->due, state().manualNow));
    state().manualNow = next;
    fireDue();
    if (next >= end) break;
  }
}

}  // namespace VSTGUI
