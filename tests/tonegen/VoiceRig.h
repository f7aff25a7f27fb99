#pragma once

// A voice with its own sound data and tables, driven the way the engine
// drives it, without an engine object.
#include "engine/SynthesizerFM4.h"
#include "tonegen/LogCode.h"
#include "tonegen/SoundData.h"
#include "tonegen/SoundFields.h"
#include "tonegen/VoiceTableSet.h"
#include "tonegen/VoiceUnitFM4.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <vector>

namespace ovri::korvane::synth::testing {

using Voice = SynthesizerFM4::VoiceUnitFM4;

// The engine's constants for sample rate fs and master tune (Hz).
inline RateConstants rateConstantsFor(double fs, double tune) { return computeRateConstants(fs, tune); }

struct VoiceRig {
  static constexpr double kSampleRate = 48000.0;

  VoiceTableSet tables;
  std::vector<int32_t> waves = std::vector<int32_t>(kWaveMemorySize);
  PartState parts[kPartCount];
  TonePreset tones[kToneCount];
  SampleData slots[kSampleSlotCount];
  SamplerPreset presets[kSamplerPresetCount];
  RateConstants rates = rateConstantsFor(kSampleRate, 440.0);
  Voice voice;
  std::vector<float> left, right;

  explicit VoiceRig(float masterGain = 1.0f) {
    buildWaveMemory(waves.data());
    voice.attach(tables, parts, waves.data(), tones, slots, presets, masterGain);
    voice.setRateConstants(rates);
  }

  // A held tone at full level with no envelope movement: ar 127, sl 0.
  TonePreset& steadyTone(int32_t program = 0) {
    TonePreset& t = tones[program];
    for (int32_t op = 0; op < kOperatorCount; ++op) {
      t.ar[op] = 127;
      t.sl[op] = 0;
    }
    return t;
  }

  // Renders one block of n samples (from position 0) into fresh buffers,
  // as the engine does while the voice is sounding.
  void render(int32_t n) {
    left.assign(static_cast<size_t>(n), 0.0f);
    right.assign(static_cast<size_t>(n), 0.0f);
    voice.renderPosition = 0;
    if (voice.stateByte != 0) voice.renderUntilPosition(left.data(), right.data(), n);
  }

  // Renders n samples into the buffers one sample per call.
  void renderOneByOne(int32_t n) {
    left.assign(static_cast<size_t>(n), 0.0f);
    right.assign(static_cast<size_t>(n), 0.0f);
    for (int32_t i = 0; i < n && voice.stateByte != 0; ++i) {
      voice.renderPosition = i;
      voice.renderUntilPosition(left.data(), right.data(), i + 1);
    }
  }
};

// A 32-bit FNV-1a hash of a float buffer's bit patterns.
inline uint32_t hashBits(const std::vector<float>& v) {
  uint32_t h = 2166136261u;
  for (float f : v) {
    uint32_t bits;
    static_assert(sizeof bits == sizeof f);
    std::memcpy(&bits, &f, sizeof bits);
    for (int i = 0; i < 4; ++i) {
      h ^= (bits >> (8 * i)) & 0xFFu;
      h *= 16777619u;
    }
  }
  return h;
}

}  // namespace ovri::korvane::synth::testing
