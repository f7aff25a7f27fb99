// The eight oscillator waves of the wave memory, one period of 2048 entries
// each, in the logSample encoding.
#include "tonegen/WaveMemory.h"

#include "tonegen/LogCode.h"
#include "tonegen/SoundData.h"

#include <cmath>

namespace ovri::korvane::synth {

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;
constexpr int32_t kHalf = kWaveLength / 2;  // 1024

// Band-limited shapes: sum over partials of amplitude x sin(2 pi x j / period).
double triangleSum(int32_t j) {
  double s = 0.0;
  for (int32_t m = 0; m < 16; ++m) {
    const double n = 2 * m + 1;
    s += ((m & 1) != 0 ? -1.0 : 1.0) / (n * n) * std::sin(kTwoPi * n * j / kWaveLength);
  }
  return s;
}

double squareSum(int32_t j) {
  double s = 0.0;
  for (int32_t m = 0; m < 16; ++m) {
    const double n = 2 * m + 1;
    s += 1.0 / n * std::sin(kTwoPi * n * j / kWaveLength);
  }
  return s;
}

// Harmonic h has the integer period 2048 / h (682 for h = 3, not 682.67).
double sawSum(int32_t j) {
  double s = 0.0;
  for (int32_t h = 1; h <= 16; ++h) s += 1.0 / h * std::sin(kTwoPi * j / (kWaveLength / h));
  return s;
}

}  // namespace

// Wave  shape             built from
//   0   sine              the first sine half; the second half is its code + 1 (sign bit)
//   1   half sine         the first half, then silence
//   2   absolute sine     the first half twice
//   3   alternating sine  a whole sine period squeezed into the first half (sine at 2j), then silence
//   4   camel sine        the first half squeezed twice into the first half, then silence
//   5   triangle          16 odd partials at 1/n^2, alternating sign, normalised at its peak j = 512
//   6   square            16 odd partials at 1/n, normalised at its first peak j = 32
//   7   saw               16 partials at 1/h, normalised at its first peak j = 61 (1024/17 + 0.5)
// Silence is code 8192; a code's bit 0 is the sign.
void buildWaveMemory(int32_t* memory) {
  int32_t sineHalf[kHalf];  // codes of sin(2 pi j / 2048), j = 0..1023
  for (int32_t j = 0; j < kHalf; ++j) sineHalf[j] = toLogSample(std::sin(kTwoPi * j / kWaveLength));
  auto sine = [&](int32_t j) { return j < kHalf ? sineHalf[j] : sineHalf[j - kHalf] + 1; };

  int32_t* w = memory;
  for (int32_t j = 0; j < kWaveLength; ++j) {
    const bool first = j < kHalf;
    w[0 * kWaveLength + j] = sine(j);
    w[1 * kWaveLength + j] = first ? sineHalf[j] : kLogSilence;
    w[2 * kWaveLength + j] = sineHalf[j & (kHalf - 1)];
    w[3 * kWaveLength + j] = first ? sine(2 * j) : kLogSilence;
    w[4 * kWaveLength + j] = first ? sineHalf[(2 * j) & (kHalf - 1)] : kLogSilence;
  }
  const double triangleNorm = triangleSum(512);
  const double squareNorm = squareSum(32);
  const double sawNorm = sawSum(61);
  for (int32_t j = 0; j < kWaveLength; ++j) {
    w[5 * kWaveLength + j] = toLogSample(triangleSum(j) / triangleNorm);
    w[6 * kWaveLength + j] = toLogSample(squareSum(j) / squareNorm);
    w[7 * kWaveLength + j] = toLogSample(sawSum(j) / sawNorm);
  }
}

}  // namespace ovri::korvane::synth
