#pragma once

#include "plugin/EngineCommand.h"
#include "plugin/SoundModel.h"
#include "plugin/SpscRing.h"
#include "tonegen/SoundData.h"

#include <atomic>
#include <bitset>
#include <cstdint>
#include <memory>
#include <type_traits>

namespace ovri::korvane {

// The newest value of one record, passed from the audio thread to the main
// thread: a triple buffer. The writer fills its own slot and swaps it with
// the middle one, marked fresh; the reader swaps its own slot with the
// middle one when that is fresh. Neither side ever waits, and the reader
// always gets the newest complete value: publishing again before the reader
// looked replaces the value, so nothing can pile up or overflow.
//
// The exchange of the middle index orders the slot writes before the reads
// (release by the writer, acquire by the reader, both in one acq_rel swap).
template <typename T>
class LatestValue {
  static_assert(std::is_trivially_copyable_v<T>, "values are copied as bytes");

public:
  // Audio thread.
  void publish(const T& value) {
    slots[back] = value;
    back = static_cast<uint8_t>(middle.exchange(static_cast<uint8_t>(back | kFresh), std::memory_order_acq_rel) &
                                kIndexMask);
  }

  // Main thread: the newest value published since the last take, if any.
  bool take(T& out) {
    if ((middle.load(std::memory_order_relaxed) & kFresh) == 0) return false;
    front = static_cast<uint8_t>(middle.exchange(front, std::memory_order_acq_rel) & kIndexMask);
    out = slots[front];
    return true;
  }

  // Forgets a value not yet taken. Only while no other thread uses it.
  void clear() {
    middle.store(2, std::memory_order_relaxed);
    front = 0;
    back = 1;
  }

private:
  static constexpr uint8_t kIndexMask = 3;
  static constexpr uint8_t kFresh = 4;
  T slots[3] = {};
  std::atomic<uint8_t> middle{2};  // slot index | kFresh
  uint8_t front = 0;               // the main thread's slot
  uint8_t back = 1;                // the audio thread's slot
};

// A record copy as the audio thread saw it after applying the command
// numbered `sequence`.
template <typename T>
struct Stamped {
  uint32_t sequence = 0;
  T value;
};

// The records the audio thread publishes, one latest value per record.
template <typename T, int32_t N>
struct PublishedRecords {
  static constexpr int32_t kCount = N;
  LatestValue<Stamped<T>> records[N];

  void clear() {
    for (auto& r : records) r.clear();
  }
};

// What travels between the two threads of an EngineHost, and nothing else:
//  - commands, main -> audio, in sending order (objects inside them are
//    owned by the receiver once sent);
//  - handed-back objects, audio -> main, to be freed where freeing is
//    allowed;
//  - the latest whole state loaded, main -> audio: a kState command in the
//    ring installs it when it is that command's; a newer load replaces one
//    not yet installed, so that states never pile up;
//  - the engine's records as the audio thread last saw them, audio -> main,
//    each the newest copy of its record (see LatestValue).
struct EngineMailbox {
  static constexpr size_t kCommandCapacity = 1024;
  static constexpr size_t kReturnCapacity = 1024;

  SpscRing<EngineCommand> commands{kCommandCapacity};
  SpscRing<HandOff*> returns{kReturnCapacity};
  std::atomic<StateInstall*> latestState{nullptr};
  PublishedRecords<EngineSettings, 1> settings;
  PublishedRecords<synth::PartState, synth::kPartCount> parts;
  PublishedRecords<synth::ToneParameters, synth::kToneCount> tones;
  PublishedRecords<synth::SamplerPreset, synth::kSamplerPresetCount> samplers;

  // Only while no audio thread runs.
  void clearRecords() {
    settings.clear();
    parts.clear();
    tones.clear();
    samplers.clear();
  }
};

// Which records a command changes. Every command is numbered by the main
// thread; a record copy the audio thread publishes carries the number of
// the last command it had applied, and the main thread takes it only when
// that is not older than its own last command to the record (an older copy
// is superseded: the audio thread publishes the record again once it has
// applied that command).
struct RecordSet {
  std::bitset<1> settings;
  std::bitset<synth::kPartCount> parts;
  std::bitset<synth::kToneCount> tones;
  std::bitset<synth::kSamplerPresetCount> samplers;

  static RecordSet of(const EngineCommand& command);
  RecordSet& operator|=(const RecordSet& other) {
    settings |= other.settings;
    parts |= other.parts;
    tones |= other.tones;
    samplers |= other.samplers;
    return *this;
  }
};

// Wrap-safe "a is not older than b" for command numbers.
inline bool notOlder(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) >= 0; }

}  // namespace ovri::korvane
