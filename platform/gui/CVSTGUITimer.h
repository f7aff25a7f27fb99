#pragma once

#include "platform/gui/VSTGUIBase.h"

#include <cstdint>

namespace VSTGUI {

// A repeating timer: every fireTime milliseconds the object it was made for
// is notified with kMsgTimer. Timers fire from whatever drives them on the
// UI thread: a window's run loop, or a test's manual clock (TimerClock).
class CVSTGUITimer : public CBaseObject {
public:
  // Compared by address: notify() receives this very pointer.
  static const IdStringPtr kMsgTimer;

  CVSTGUITimer(CBaseObject* timerObject, uint32_t fireTime = 100, bool doStart = false);
  ~CVSTGUITimer() override;

  bool start();
  bool stop();
  bool setFireTime(uint32_t ms);
  uint32_t getFireTime() const { return fireTime; }
  bool isRunning() const { return running; }

private:
  friend class TimerClock;
  CBaseObject* target;
  uint32_t fireTime;
  bool running = false;
  uint64_t due = 0;  // clock time of the next firing, ms
};

// The clock of every running timer. Backends call fireDue() on their ticks;
// with manual time set (tests), now() is whatever advance() made it.
class TimerClock {
public:
  // Milliseconds since an arbitrary start.
  static uint64_t now();
  // Fires every timer whose time has come (each at most once per call).
  static void fireDue();
  // Milliseconds until the next timer is due (0 if one is due, -1 if none).
  static int64_t timeToNext();
  static int32_t runningTimers();
  // Manual time for tests: from now on time moves only with advance().
  static void useManualTime(bool manual);
  static void advance(uint64_t ms);
};

}  // namespace VSTGUI
