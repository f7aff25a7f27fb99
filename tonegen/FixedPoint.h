#pragma once

#include <cstdint>

namespace ovri::korvane::synth::fixedpoint {

// Logarithmic pitch and rate values: 1/8192 octave per unit.
constexpr int32_t kUnitsPerOctave = 8192;
constexpr int32_t kOctaveShift = 13;          // x >> 13 = whole octaves
constexpr int32_t kOctaveFractionMask = 8191; // x AND 8191 = fraction of an octave
constexpr int32_t kMaxOctave = 127;           // last entry of the 128-entry shift tables

// Oscillator phase: a 27-bit accumulator; bits 16..26 index a 2048-entry wave.
constexpr uint32_t kPhaseMask = 0x7FFFFFF;    // 2^27 - 1
constexpr int32_t kWaveIndexShift = 16;       // phase >> 16 = 0..2047
constexpr int32_t kWaveIndexMask = 2047;      // wave length 2048 - 1

// Envelope counter: 0 .. 2^30; bits 18..29 index a 4096-entry curve.
constexpr int32_t kEgFullScale = 1 << 30;     // one whole sweep of a curve
constexpr int32_t kEgLastEntry = kEgFullScale - 1;  // reads curve entry 4095
constexpr int32_t kEgHold = 0x7FFFFFFF;       // a limit the counter never reaches (2^31 - 1)
constexpr int32_t kCurveShift = 18;           // counter >> 18 = 0..4095
constexpr int32_t kLeaveAttackShift = 17;     // attack code c sits at counter c << 17 of linearCurve (2 x index)

// Rate parameters are in 1/8 octave steps: parameter x 1024 in 1/8192 octave.
constexpr int32_t kRateParameterUnit = 1024;

// 14-bit values (tune, pitch bend) are centred on 8192.
constexpr int32_t kCentre14 = 8192;

// LFO: the countdown is refilled by 2^30 at each step.
constexpr int32_t kLfoPeriod = 1 << 30;
constexpr int32_t kLfoDepthShift = 11;         // (value x depth) >> 11
constexpr int32_t kEvenMask = 0x7FFFFFFE;      // keeps an attenuation even: the sign bit survives

// 2^(x/8192) as mantissa >> shift, from the rateMantissa table and one of
// the shift tables. A negative x reads as 0; octaves beyond the table read
// its last entry.
inline int32_t exp2Units(int32_t x, const int32_t* mantissa, const int32_t* shift) {
  if (x < 0) x = 0;
  int32_t octave = x >> kOctaveShift;
  if (octave > kMaxOctave) octave = kMaxOctave;
  return mantissa[x & kOctaveFractionMask] >> shift[octave];
}

// Clamps v to lo..hi.
constexpr int32_t clampTo(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace ovri::korvane::synth::fixedpoint
