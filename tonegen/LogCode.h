#pragma once

#include <cmath>
#include <cstdint>

namespace ovri::korvane {

// Pitches and rates are base-2 logarithms in 1/8192 octave.
constexpr int32_t kPitchUnitsPerOctave = 8192;

// L(x) = int(log2(x) * 8192 + 0.5), 0 for x of 1.0 or less (double).
inline int32_t logPitchUnits(double x) {
  if (x <= 1.0) return 0;
  return static_cast<int32_t>(std::log2(x) * 8192.0 + 0.5);
}

// The same in single precision, as used for a sample slot's logRate and
// logPitch.
inline int32_t logPitchUnitsF(float x) {
  if (!(x > 1.0f)) return 0;
  if (x > 3.4e38f) x = 3.4e38f;  // infinity: the largest float, L = 128 octaves
  return static_cast<int32_t>(log2f(x) * 8192.0f + 0.5f);
}

// logSample: a signed amplitude as 2 x attenuation + sign bit, attenuation
// in 1/256-octave steps below full scale; 8192 (96 dB down) is silence.
constexpr int32_t kLogSilence = 8192;

// Encodes a real amplitude (nominally -1..1). Magnitudes of 1 or more are
// full scale (code 0, or 1 when negative): above 1 the formula would give
// negative codes, which index before the start of the exponential tables.
inline int32_t toLogSample(double x) {
  constexpr double kFloor = 1.0 / 65536.0;  // 2^-16
  if (x > kFloor) {
    if (x >= 1.0) return 0;
    return 2 * static_cast<int32_t>(0.5 - 256.0 * std::log2(x));
  }
  if (x < -kFloor) {
    if (x <= -1.0) return 1;
    return 2 * static_cast<int32_t>(0.5 - 256.0 * std::log2(-x)) + 1;
  }
  return kLogSilence;
}

}  // namespace ovri::korvane
