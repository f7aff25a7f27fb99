#pragma once

#include "engine/MidiController.h"
#include "engine/MidiEvent.h"
#include "tonegen/SoundData.h"

#include <bitset>
#include <cstdint>

namespace ovri::korvane::plugin {

// Puts the host's events for one run into the engine's bounded queue. When
// the queue is full, what matters least gives way, so that a dense block
// never leaves a note hanging:
//  1. controller points (controllers 0..119, pitch bend, channel pressure,
//     program change) that a later point of the same controller on the
//     same channel supersedes: the last point of each controller stays;
//  2. then incoming controller points and note-ons are dropped;
//  3. a note-off, all-notes-off or all-sound-off takes the place of the
//     latest queued controller point or note-on. Where there is none (the
//     queue holds nothing but such events), a note-off is held back and
//     queued at the start of the next run; nothing else is lost.
// Fixed size; no allocation. Audio thread only.
class HostEventQueue {
public:
  explicit HostEventQueue(util::MidiController& queue) : queue(queue) {}

  // Start of a run: note-offs held back from the run before go in first,
  // at sample 0.
  void beginRun();
  void add(const MidiEvent& event);

private:
  static constexpr int32_t kChannels = 16;
  static constexpr int32_t kKeys = 128;
  // Per channel: controllers 0..127, then pitch bend, pressure, program.
  static constexpr int32_t kControllerKeys = 131;

  // The controller a point belongs to, or -1 for other events.
  static int32_t controllerKey(const MidiEvent& e);
  static bool mustArrive(const MidiEvent& e);
  // Removes superseded controller points; false when none was found.
  bool dropSupersededPoints(const MidiEvent& incoming);
  // Removes the latest queued controller point or note-on; false when none.
  bool dropLatestExpendable();
  void removeAt(int32_t index);

  util::MidiController& queue;
  bool saturated = false;  // nothing superseded is left in this run
  std::bitset<kChannels * kKeys> heldNoteOffs;
  int16_t lastPoint[kChannels * kControllerKeys] = {};
};

}  // namespace ovri::korvane::plugin
