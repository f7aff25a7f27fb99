#pragma once

#include "engine/MultiTimberSynthBase.h"
#include "engine/SynthesizerFM4.h"
#include "tonegen/SoundData.h"

#include <cstdint>

namespace ovri::korvane {

// The engine-wide settings a user can change and the saved state keeps.
struct EngineSettings {
  bool receiveSysEx = false;
  bool nrpnEnabled = false;
  float masterVolume = 0.8f;  // linear gain, 0..1
  float masterTune = 440.0f;  // Hz
  int32_t polyphony = 128;
};

// A sample slot's parameters without its sample values (tonegen/SoundData.h).
using SampleParameters = synth::SampleParameters;

// The part values the saved state keeps.
struct PartSettings {
  int32_t output, defaultMode, mode, program, bendRange, pitchBend;
  int32_t modulation, volume, pan, expression;  // CC 1, 7, 10, 11

  static PartSettings of(const synth::PartState& p);
  // Writes the values into p (the output only when withOutput: images
  // before version 3 do not carry it).
  void applyTo(synth::PartState& p, bool withOutput) const;
};

// The main thread's copy of everything editable: what the editor draws,
// what getState saves and what the exports write. The audio thread owns
// the engine; this copy follows it (see EngineHost).
struct SoundModel {
  EngineSettings settings;
  synth::PartState parts[synth::kPartCount];
  synth::TonePreset tones[synth::kToneCount];
  synth::SamplerPreset samplers[synth::kSamplerPresetCount];
  SampleParameters slots[synth::kSampleSlotCount];

  // Copies every record of an engine no other thread is using.
  void copyFrom(synth::SynthesizerFM4& engine);

  // The engine's own record changes, done the same way on the copy.
  void resetParts(bool restoreModes);
  void resetRegisters();  // what switching RPN or NRPN reception does to the parts
};

}  // namespace ovri::korvane
