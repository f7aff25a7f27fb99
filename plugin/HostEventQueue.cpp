#include "plugin/HostEventQueue.h"

#include <algorithm>

namespace ovri::korvane::plugin {

namespace {

using namespace midi;
constexpr int32_t kFirstModeController = 120;  // 120 all sound off .. 127 poly on
constexpr int32_t kAllSoundOff = 120;
constexpr int32_t kAllNotesOff = 123;

}  // namespace

int32_t HostEventQueue::controllerKey(const MidiEvent& e) {
  const int32_t base = (e.channel & (kChannels - 1)) * kControllerKeys;
  switch (e.status) {
    case kControlChange: return e.data1 < kFirstModeController ? base + (e.data1 & 0x7F) : -1;
    case kPitchBend: return base + 128;
    case kChannelPressure: return base + 129;
    case kProgramChange: return base + 130;
    default: return -1;
  }
}

bool HostEventQueue::mustArrive(const MidiEvent& e) {
  return e.status == kNoteOff ||
         (e.status == kControlChange && (e.data1 == kAllNotesOff || e.data1 == kAllSoundOff));
}

void HostEventQueue::beginRun() {
  saturated = false;
  if (heldNoteOffs.none()) return;
  MidiEvent e;
  e.status = kNoteOff;
  for (int32_t i = 0; i < kChannels * kKeys; ++i) {
    if (!heldNoteOffs.test(static_cast<size_t>(i))) continue;
    e.channel = i / kKeys;
    e.data1 = i % kKeys;
    e.sampleOffset = 0;
    if (!queue.append(e)) break;  // the rest waits for the run after
    heldNoteOffs.reset(static_cast<size_t>(i));
  }
}

void HostEventQueue::add(const MidiEvent& event) {
  if (queue.append(event)) return;
  if (!saturated && dropSupersededPoints(event) && queue.append(event)) return;
  saturated = true;
  if (!mustArrive(event)) {
    // The newest point of a controller replaces an older one of its own.
    const int32_t key = controllerKey(event);
    if (key < 0) return;
    for (int32_t i = queue.count - 1; i >= 0; --i)
      if (controllerKey(queue.pool[i]) == key) {
        removeAt(i);
        queue.append(event);
        return;
      }
    return;
  }
  if (dropLatestExpendable() && queue.append(event)) return;
  if (event.status == kNoteOff)
    heldNoteOffs.set(static_cast<size_t>((event.channel & (kChannels - 1)) * kKeys + (event.data1 & (kKeys - 1))));
}

bool HostEventQueue::dropSupersededPoints(const MidiEvent& incoming) {
  std::fill(std::begin(lastPoint), std::end(lastPoint), int16_t{-1});
  for (int32_t i = 0; i < queue.count; ++i) {
    const int32_t key = controllerKey(queue.pool[i]);
    if (key >= 0) lastPoint[key] = static_cast<int16_t>(i);
  }
  const int32_t incomingKey = controllerKey(incoming);
  if (incomingKey >= 0) lastPoint[incomingKey] = static_cast<int16_t>(queue.count);
  int32_t kept = 0;
  for (int32_t i = 0; i < queue.count; ++i) {
    const int32_t key = controllerKey(queue.pool[i]);
    if (key >= 0 && lastPoint[key] != i) continue;
    if (kept != i) queue.pool[kept] = queue.pool[i];
    ++kept;
  }
  const bool freed = kept < queue.count;
  queue.count = kept;
  return freed;
}

bool HostEventQueue::dropLatestExpendable() {
  for (int32_t i = queue.count - 1; i >= 0; --i) {
    const MidiEvent& e = queue.pool[i];
    if (controllerKey(e) >= 0 || e.status == kNoteOn) {
      removeAt(i);
      return true;
    }
  }
  return false;
}

void HostEventQueue::removeAt(int32_t index) {
  for (int32_t i = index + 1; i < queue.count; ++i) queue.pool[i - 1] = queue.pool[i];
  --queue.count;
}

}  // namespace ovri::korvane::plugin
