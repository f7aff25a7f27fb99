#pragma once

#include "engine/KorvaneModule.h"
#include "engine/MidiEvent.h"

#include <cstdint>

namespace ovri::korvane::util {

// Bounded queue of the coming block's events. Filled by the processor,
// emptied by process(), which threads the events into the rack's list sorted
// by sample offset (equal offsets keep the order in which they were queued).
class MidiController : public IKorvaneModule {
public:
  static constexpr int32_t kDefaultCapacity = 512;

  explicit MidiController(int32_t capacity = kDefaultCapacity);
  MidiController(const MidiController&) = delete;
  MidiController& operator=(const MidiController&) = delete;

  void setSampleRate(float) override {}
  void setBlockSize(int32_t) override {}
  void reset() override { clear(); }
  void initialize() override { clear(); }
  void attached(ModuleRack*) override { clear(); }
  void detached() override { clear(); }
  void disabledChanged(bool) override { clear(); }
  void reservedStop1() override { clear(); }
  void reservedStop2() override { clear(); }
  void deactivate() override { clear(); }
  void activate() override { clear(); }
  void process(RenderContext& context) override;
  ~MidiController() override;

  // Copies the event into the pool with this queue's port mask and no link.
  // Returns false (and drops it) when the pool is full.
  bool append(const MidiEvent& event);
  void clear();

  int32_t getCount() const { return count; }
  // Links the n events of events (in their order) and sorts them by
  // sample offset, keeping the order of equal offsets; returns the first.
  static MidiEvent* sortByOffset(MidiEvent* events, int32_t n);
  int32_t getCapacity() const { return capacity; }

  MidiEvent* pool;
  int32_t capacity;
  int32_t count = 0;
  int32_t portMask = kDefaultPortMask;
};

}  // namespace ovri::korvane::util
