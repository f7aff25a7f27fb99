#pragma once

#include "engine/MidiEvent.h"

#include <atomic>
#include <bitset>
#include <cstdint>

namespace ovri::korvane::plugin {

// The "Sustain Pedal (CC 64)" switch and what it does to the channel
// events on their way to the engine. The engine knows no pedal; with the
// switch on, the processor holds back the note-offs of a part whose pedal
// is down (CC 64 >= 64) and sends them where the pedal goes up:
//
//   note-off, pedal down     held until the pedal's next pedal-up: at that
//                            offset when it lies in the same run, else the
//                            key's bit is set until a later run's pedal-up
//   note-on of a held key    the held note-off first, then the note-on
//                            (the key is released and starts again)
//   CC 64 < 64 (pedal up)    the note-offs held from earlier runs at the
//   CC 121 (reset ctrls)     pedal's offset, then the controller itself
//   CC 120 / 123             the part's notes stop anyway: forgotten
//
// A run's controllers (host parameters) are read before its notes (host
// events), so the pedal's moves in a run are kept with their offsets and a
// note-off is judged by where the pedal stood at the note-off's own sample
// (a pedal move at the same sample comes first, as in the engine's list).
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
  // Pedal moves kept per part and run; past it the last one is replaced.
  static constexpr int32_t kMovesPerRun = 64;

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

  // Audio thread, before a run's events.
  void beginRun() {
    for (int32_t channel = 0; channel < kChannels; ++channel) {
      downAtRunStart[channel] = pedalDown[channel];
      moveCount[channel] = 0;
    }
  }

  // Audio thread: one event on its way to the engine.
  template <typename Queue>
  void route(int32_t status, int32_t channel, int32_t data1, int32_t data2, int32_t offset, Queue&& queue) {
    if (channel < 0 || channel >= kChannels || data1 < 0 || data1 >= kKeys) {
      queue(status, channel, data1, data2, offset);
      return;
    }
    const bool noteOff = status == kNoteOff || (status == kNoteOn && data2 == 0);
    const size_t key = static_cast<size_t>(data1);
    if (status == kControlChange) {
      if (data1 == kSustainController || data1 == kResetControllers) {
        const bool down = data1 == kSustainController && data2 >= kPedalDownFrom;
        if (!down && on) release(channel, offset, queue);
        pedalDown[channel] = down;
        remember(channel, offset, down);
      } else if (data1 == kAllSoundOff || data1 == kAllNotesOff) {
        held[channel].reset();
      }
    } else if (on && noteOff && downAt(channel, offset)) {
      const int32_t up = nextPedalUp(channel, offset);
      if (up < 0) {
        held[channel].set(key);
      } else {
        releaseAt[channel][key] = static_cast<int16_t>(up);
        releasing[channel].set(key);
      }
      return;
    } else if (status == kNoteOn && (held[channel].test(key) || releasing[channel].test(key))) {
      held[channel].reset(key);
      releasing[channel].reset(key);
      queue(kNoteOff, channel, data1, 0, offset);
    } else if (noteOff) {
      held[channel].reset(key);
      releasing[channel].reset(key);
    }
    queue(status, channel, data1, data2, offset);
  }

  // Audio thread, after a run's events: the note-offs held until a pedal-up
  // in the same run.
  template <typename Queue>
  void endRun(Queue&& queue) {
    for (int32_t channel = 0; channel < kChannels; ++channel) {
      if (releasing[channel].none()) continue;
      for (int32_t key = 0; key < kKeys; ++key)
        if (releasing[channel].test(static_cast<size_t>(key)))
          queue(kNoteOff, channel, key, 0, releaseAt[channel][key]);
      releasing[channel].reset();
    }
  }

private:
  static constexpr int32_t kNoteOff = midi::kNoteOff;
  static constexpr int32_t kNoteOn = midi::kNoteOn;
  static constexpr int32_t kControlChange = midi::kControlChange;
  static constexpr int32_t kSustainController = 64;
  static constexpr int32_t kPedalDownFrom = 64;  // CC 64 values 64..127 hold
  static constexpr int32_t kAllSoundOff = 120;
  static constexpr int32_t kResetControllers = 121;
  static constexpr int32_t kAllNotesOff = 123;

  struct Move {
    int32_t offset;
    bool down;
  };

  void remember(int32_t channel, int32_t offset, bool down) {
    int32_t& n = moveCount[channel];
    if (n == kMovesPerRun) --n;
    moves[channel][n++] = Move{offset, down};
  }
  // Where the pedal stands at the offset: its moves up to and at it count.
  bool downAt(int32_t channel, int32_t offset) const {
    bool down = downAtRunStart[channel];
    for (int32_t i = 0; i < moveCount[channel] && moves[channel][i].offset <= offset; ++i) down = moves[channel][i].down;
    return down;
  }
  // The first pedal-up after the offset in this run, or -1.
  int32_t nextPedalUp(int32_t channel, int32_t offset) const {
    for (int32_t i = 0; i < moveCount[channel]; ++i)
      if (moves[channel][i].offset > offset && !moves[channel][i].down) return moves[channel][i].offset;
    return -1;
  }

  template <typename Queue>
  void release(int32_t channel, int32_t offset, Queue& queue) {
    if (held[channel].none()) return;
    for (int32_t key = 0; key < kKeys; ++key)
      if (held[channel].test(static_cast<size_t>(key))) queue(kNoteOff, channel, key, 0, offset);
    held[channel].reset();
  }

  std::atomic<bool> requested{false};
  bool on = false;                               // the audio thread's copy of the switch
  bool pedalDown[kChannels] = {};                // per part: CC 64 >= 64, after the run's moves
  bool downAtRunStart[kChannels] = {};
  Move moves[kChannels][kMovesPerRun] = {};      // the run's pedal moves, in offset order
  int32_t moveCount[kChannels] = {};
  std::bitset<kKeys> held[kChannels] = {};       // note-offs waiting for a later run's pedal-up
  std::bitset<kKeys> releasing[kChannels] = {};  // note-offs waiting for a pedal-up in this run
  int16_t releaseAt[kChannels][kKeys] = {};      // ... and its offset
};

}  // namespace ovri::korvane::plugin
