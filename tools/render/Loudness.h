#pragma once

#include <cstdint>
#include <memory>

namespace ovri::korvane::render {

// Loudness after EBU R 128 (libebur128): integrated loudness (LUFS),
// loudness range (LU) and true peak (linear, 4x oversampled) of a stereo
// stream fed block by block.
class LoudnessMeter {
public:
  // truePeakOnly: only truePeak() is measured (cheaper).
  explicit LoudnessMeter(double sampleRate, bool truePeakOnly = false);
  ~LoudnessMeter();
  LoudnessMeter(const LoudnessMeter&) = delete;
  LoudnessMeter& operator=(const LoudnessMeter&) = delete;

  void add(const float* interleaved, int32_t frames);
  // -inf when nothing rose above the absolute gate (-70 LUFS).
  double integrated() const;
  double range() const;
  double truePeak() const;

private:
  struct State;
  std::unique_ptr<State> state;
};

// Default level of a render: integrated loudness to kTargetLufs, with the
// true peak of every file written at most kCeilingDbtp.
constexpr double kTargetLufs = -16.0;
constexpr double kCeilingDbtp = -1.0;
// Gain never raises a render by more than this (a near-silent song stays quiet).
constexpr double kMaxNormalizeGainDb = 40.0;

struct NormalizeGain {
  double gainDb = 0.0;
  bool limitedByPeak = false;  // the ceiling, not the loudness, set the gain
};
// The gain that brings integratedLufs to kTargetLufs, lowered so that
// truePeak (linear, the largest over every file written) stays at
// kCeilingDbtp. 0 dB for a render with no measurable loudness.
NormalizeGain normalizeGain(double integratedLufs, double truePeak);

}  // namespace ovri::korvane::render
