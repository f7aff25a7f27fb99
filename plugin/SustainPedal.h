#pragma once

#include <atomic>
#include <bitset>
#include <cstdint>

namespace ovri::korvane::plugin {

// The "Sustain Pedal (CC 64)" switch and what it does to the channel
// events on their way to the engine. The engine knows no pedal; with the
// switch on, the processor holds back the note-offs of a part whose pedal
// is down (CC 64 >= 64) and sends them where the pedal goes up:
//
//   note-off, pedal down     held: the key's bit is set, nothing is sent
//   note-on of a held key    the held note-off first, then the note-on
//                            (the key is released and starts again)
//   CC 64 < 64 (pedal up)    the held note-offs at the pedal's offset,
//   CC 121 (reset ctrls)     then the controller itself
//   CC 120 / 123             the part's notes stop anyway: forgotten
//
// With the switch off every event passes unchanged, exactly as if this
// class were not there; the pedal's position is followed either way, so
// that switching on with the pedal down holds from then on. Switching off
// sends the held note-offs at the start of the next block.
//
// Fixed size, no allocation: safe on the audio thread.
class SustainPedal {
public:
  static constexpr int32_t kChannels = 16;
  static constexpr int32_t kKeys = 128;

  // Any thread: the switch (off after start).
  void setEnabled(bool on) { requested.store(on, std::memory_order_relaxed); }
  bool enabled() const { return requested.load(std::memory_order_relaxed); }

  // Audio thread, before the block's events.
  // queue(status, channel, data1, data2, offset) takes an event for the engine.
  template <typename Queue>
  void beginBlock(Queue&& queue) {
    const bool want = enabled();
    if (on && !want)
      for (int32_t channel = 0; channel < kChannels; ++channel) release(channel, 0, queue);
    on = want;
  }

  // Audio thread: one event on its way to the engine.
  template <typename Queue>
  void route(int32_t status, int32_t channel, int32_t data1, int32_t data2, int32_t offset, Queue&& queue) {
    if (channel < 0 || channel >= kChannels || data1 < 0 || data1 >= kKeys) {
      queue(status, channel, data1, data2, offset);
      return;
    }
    const bool noteOff = status == kNoteOff || (status == kNoteOn && data2 == 0);
    if (status == kControlChange) {
      if (data1 == kSustainController) {
        const bool down = data2 >= kPedalDownFrom;
        if (!down && on) release(channel, offset, queue);
        pedalDown[channel] = down;
      } else if (data1 == kResetControllers) {
        if (on) release(channel, offset, queue);
        pedalDown[channel] = false;
      } else if (data1 == kAllSoundOff || data1 == kAllNotesOff) {
        held[channel].reset();
      }
    } else if (on && noteOff && pedalDown[channel]) {
      held[channel].set(static_cast<size_t>(data1));
      return;
    } else if (status == kNoteOn && held[channel].test(static_cast<size_t>(data1))) {
      held[channel].reset(static_cast<size_t>(data1));
      queue(kNoteOff, channel, data1, 0, offset);
    } else if (noteOff) {
      held[channel].reset(static_cast<size_t>(data1));
    }
    queue(status, channel, data1, data2, offset);
  }

private:
  static constexpr int32_t kNoteOff = 0x80;
  static constexpr int32_t kNoteOn = 0x90;
  static constexpr int32_t kControlChange = 0xB0;
  static constexpr int32_t kSustainController = 64;
  static constexpr int32_t kPedalDownFrom = 64;  // CC 64 values 64..127 hold
  static constexpr int32_t kAllSoundOff = 120;
  static constexpr int32_t kResetControllers = 121;
  static constexpr int32_t kAllNotesOff = 123;

  template <typename Queue>
  void release(int32_t channel, int32_t offset, Queue& queue) {
    if (held[channel].none()) return;
    for (int32_t key = 0; key < kKeys; ++key)
      if (held[channel].test(static_cast<size_t>(key))) queue(kNoteOff, channel, key, 0, offset);
    held[channel].reset();
  }

  std::atomic<bool> requested{false};
  bool on = false;                           // the audio thread's copy of the switch
  bool pedalDown[kChannels] = {};            // per part: CC 64 >= 64
  std::bitset<kKeys> held[kChannels] = {};   // per part: note-offs held back by the pedal
};

}  // namespace ovri::korvane::plugin
