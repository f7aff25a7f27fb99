#pragma once

// Synthesis of the factory recordings. Every recording is made here from
// oscillators, noise and filters; the same code gives the same samples on
// every run (the noise is a fixed-seed generator of our own).

#include "tools/samples/FactorySampleSet.h"

#include <cstdint>
#include <vector>

namespace ovri::korvane::samples {

// A synthesised recording: frames x channels values in -1..1, interleaved.
struct Recording {
  int32_t rate = 0;
  int32_t channels = 0;
  std::vector<float> samples;

  int32_t frames() const { return channels > 0 ? static_cast<int32_t>(samples.size()) / channels : 0; }
};

// Level every recording is scaled to: its peak at -1 dBFS.
constexpr float kPeakLevel = 0.891f;

// Each returns a recording with the file's rate, channels and frames.
Recording synthesizeChoir(const SampleFile& file);   // VoiceSynthesis.cpp
Recording synthesizeFlute(const SampleFile& file);   // VoiceSynthesis.cpp
Recording synthesizePluck(const SampleFile& file);   // PluckSynthesis.cpp
Recording synthesizeMallet(const SampleFile& file);  // MalletSynthesis.cpp
Recording synthesizeDrums(const SampleFile& file);   // DrumSynthesis.cpp

// The recording of any file of the set, by its kind.
Recording synthesize(const SampleFile& file);

// Scales the recording so that its largest magnitude is peak.
void normalize(Recording& recording, float peak);

// The recording as 16-bit integers (rounded, clipped), as the WAV holds it.
std::vector<int16_t> toPcm16(const Recording& recording);

}  // namespace ovri::korvane::samples
