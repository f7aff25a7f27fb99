#include "engine/MidiController.h"

#include "engine/ModuleRack.h"

namespace ovri::korvane::util {

MidiController::MidiController(int32_t capacityIn)
    : pool(new MidiEvent[capacityIn > 0 ? capacityIn : 1]), capacity(capacityIn > 0 ? capacityIn : 1) {}

MidiController::~MidiController() { delete[] pool; }

void MidiController::clear() {
  for (int32_t i = 0; i < capacity; ++i) pool[i].reset();
  count = 0;
}

bool MidiController::append(const MidiEvent& event) {
  if (count >= capacity) return false;
  MidiEvent& slot = pool[count++];
  slot.status = event.status;
  slot.channel = event.channel;
  slot.data1 = event.data1;
  slot.data2 = event.data2;
  slot.sysexLength = event.sysexLength < 0 ? 0 : (event.sysexLength > kSysExCapacity ? kSysExCapacity : event.sysexLength);
  for (int32_t i = 0; i < slot.sysexLength; ++i) slot.sysexData[i] = event.sysexData[i];
  slot.portMask = portMask;
  slot.next = nullptr;
  slot.sampleOffset = event.sampleOffset;
  return true;
}

// Threads the queued events into the rack's list, sorted by sample offset.
// Events are taken in the order they were queued and each goes after every
// node whose offset is not larger, so equal offsets keep their queue order:
// a repeated note's note-off and note-on at one sample, or a controller at
// the sample of a note, run in the order the host sent them.
void MidiController::process(RenderContext& context) {
  MidiEvent* head = context.events;
  if (head == nullptr) {
    count = 0;
    return;
  }
  MidiEvent* tail = head;
  while (tail->next != nullptr) tail = tail->next;
  for (int32_t i = 0; i < count; ++i) {
    MidiEvent* event = &pool[i];
    event->next = nullptr;
    if (tail == head || tail->sampleOffset <= event->sampleOffset) {  // common case: in order
      tail->next = event;
      tail = event;
      continue;
    }
    MidiEvent* node = head;
    while (node->next != nullptr && node->next->sampleOffset <= event->sampleOffset) node = node->next;
    event->next = node->next;
    node->next = event;
  }
  count = 0;
}

}  // namespace ovri::korvane::util
