#pragma once

#include "engine/SynthesizerFM4.h"
#include "plugin/SoundModel.h"
#include "tonegen/SoundData.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace ovri::korvane {

// An object built on the main thread and handed to the audio thread whole.
// Once sent it is never changed by the main thread; the audio thread
// swaps its contents into the engine and sends it back through the return
// ring, so that it (with whatever the engine gave up into it) is freed on
// the main thread.
struct HandOff {
  virtual ~HandOff() = default;
};

// Record values to install: tone presets, sampler presets and the play
// parameters of sample slots.
struct RecordUpdate final : HandOff {
  bool stopVoices = false;  // every voice ends before the records change
  std::vector<std::pair<int32_t, synth::ToneParameters>> tones;
  std::vector<std::pair<int32_t, synth::SamplerPreset>> samplers;
  std::vector<std::pair<int32_t, SampleParameters>> slots;
};

// A recording for one slot (an empty one clears it). After the swap it
// holds what the slot held before.
struct SampleInstall final : HandOff {
  int32_t slot = 0;
  synth::SampleData data;
};

// A whole saved state, read, checked and decoded: installed in one step.
// It says everything the engine is to hold (the voice count and part
// outputs included, taken from what is in force where the image has
// none), so that a newer load may replace it before it is installed.
struct StateInstall final : HandOff {
  uint32_t sequence = 0;  // the number of the command that loads it
  EngineSettings settings;  // settings.polyphony: the voices to use
  PartSettings parts[synth::kPartCount] = {};
  synth::ToneParameters tones[synth::kToneCount] = {};
  synth::SamplerPreset samplers[synth::kSamplerPresetCount];
  synth::SampleData slots[synth::kSampleSlotCount];
};

// A fixed-size order to the audio thread. Which fields count depends on
// the kind; `object`, when set, goes back through the return ring.
enum class CommandKind : uint8_t {
  kMasterVolume,     // value
  kMasterTune,       // value (Hz)
  kReceiveSysEx,     // a = 0/1
  kNrpnEnabled,      // a = 0/1
  kResetAllParts,    // every voice stops, every part is reset with its default mode
  kPolyphony,        // a = voices to use (every note ends)
  kPartMode,         // part, a = mode
  kProgramChange,    // part, a = program (the part's voices are damped)
  kBendRange,        // part, a = semitones
  kPitchBend,        // part, a = 14-bit value
  kControlChange,    // part, a = controller, b = value
  kResetPart,        // part: every voice stops, controllers reset, instrument mode
  kSoundOff,         // every voice is damped
  kPartOutput,       // part, a = output pair
  kRecords,          // object: RecordUpdate
  kSample,           // object: SampleInstall
  kState,            // installs the EngineMailbox's latest state, if it is this command's
  kSampleRate,       // value (Hz), a = largest block
  kActivate,         // a = 0/1
};

struct EngineCommand {
  CommandKind kind = CommandKind::kSoundOff;
  int32_t part = 0;
  int32_t a = 0;
  int32_t b = 0;
  float value = 0.0f;
  HandOff* object = nullptr;
  uint32_t sequence = 0;  // numbered by the main thread, in sending order
};

}  // namespace ovri::korvane
