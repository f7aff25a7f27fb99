#pragma once

#include "host/PluginHost.h"
#include "plugin/SpscRing.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace ovri::korvane::standalone {

// One complete MIDI message (system exclusive up to 256 bytes).
struct RawMidi {
  static constexpr uint16_t kMaxBytes = 256;
  uint16_t size = 0;
  uint8_t bytes[kMaxBytes] = {};
};

// Turns the raw MIDI of a JACK cycle into the events and parameter changes
// of the plug-in's process calls, the way korvane-render delivers a song:
// notes and system exclusive as events, controllers, pitch bend, program
// change and channel pressure as changes of the parameter the controller's
// MIDI mapping names (looked up once, here). A process call takes one value
// per parameter, so a block ends early where a parameter changes a second
// time.
//
// Everything the process thread touches is allocated by the constructor:
// at most kMaxPending messages per cycle and kMaxParameters parameters per
// block are taken (the rest is counted as dropped). Messages from another
// thread (the ALSA sequencer) come through a ring and play at the start of
// the next cycle.
class MidiToHost {
public:
  static constexpr int kMaxPending = 512;
  static constexpr int kMaxParameters = 64;

  explicit MidiToHost(host::PluginInstance& instance);

  // Another thread (one): a message for the next cycle.
  void post(const RawMidi& message);

  // The process thread: a new cycle (the posted messages first), its
  // messages in time order, then the blocks of the cycle. fillBlock puts
  // the messages of [start, end) into the instance's input and returns
  // where the block ends (end, or earlier).
  void beginCycle();
  void add(uint32_t time, const uint8_t* bytes, size_t size);
  int32_t fillBlock(host::PluginInstance& instance, int32_t start, int32_t end);

  uint32_t dropped() const { return droppedCount.load(std::memory_order_relaxed); }

private:
  struct Pending {
    int32_t time;
    RawMidi message;
  };
  static constexpr uint32_t kNoParameter = 0xffffffffu;
  // Controllers 0..127, then channel pressure, pitch bend, program change.
  static constexpr int kMappedNumbers = 131;

  bool parameterFor(const RawMidi& m, uint32_t& id, double& value) const;

  SpscRing<RawMidi> posted;
  std::vector<Pending> pending;
  int pendingCount = 0;
  int cursor = 0;
  uint32_t parameterIds[16][kMappedNumbers];
  std::atomic<uint32_t> droppedCount{0};
};

}  // namespace ovri::korvane::standalone
