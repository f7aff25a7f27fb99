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

namespace {

// Merges two lists sorted by offset; on equal offsets a's nodes come first.
MidiEvent* mergeByOffset(MidiEvent* a, MidiEvent* b) {
  MidiEvent* first = nullptr;
  MidiEvent** link = &first;
  while (a != nullptr && b != nullptr) {
    MidiEvent*& from = b->sampleOffset < a->sampleOffset ? b : a;
    *link = from;
    link = &from->next;
    from = from->next;
  }
  *link = a != nullptr ? a : b;
  return first;
}

}  // namespace

// The n events of events linked in queue order and sorted by offset,
// stably (bottom-up merges of runs, no allocation).
MidiEvent* MidiController::sortByOffset(MidiEvent* events, int32_t n) {
  for (int32_t i = 0; i < n; ++i) events[i].next = i + 1 < n ? &events[i + 1] : nullptr;
  MidiEvent* list = events;
  for (int32_t width = 1; width < n; width *= 2) {
    MidiEvent* merged = nullptr;
    MidiEvent** link = &merged;
    MidiEvent* rest = list;
    while (rest != nullptr) {
      MidiEvent* a = rest;
      MidiEvent* aEnd = a;
      for (int32_t k = 1; k < width && aEnd->next != nullptr; ++k) aEnd = aEnd->next;
      MidiEvent* b = aEnd->next;
      aEnd->next = nullptr;
      MidiEvent* bEnd = b;
      for (int32_t k = 1; k < width && bEnd != nullptr && bEnd->next != nullptr; ++k) bEnd = bEnd->next;
      rest = bEnd != nullptr ? bEnd->next : nullptr;
      if (bEnd != nullptr) bEnd->next = nullptr;
      *link = mergeByOffset(a, b);
      while (*link != nullptr) link = &(*link)->next;
    }
    list = merged;
  }
  return list;
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
  if (head->next == nullptr && count > 1) {
    // An empty list: a stable sort of the queue gives the same order as
    // inserting the events one by one, without a walk per event.
    head->next = sortByOffset(pool, count);
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
