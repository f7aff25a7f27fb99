#pragma once

#include <cstdint>
#include <memory>

namespace ovri::korvane::synth {

// Table sizes.
constexpr int32_t kGainCurveSize = 128;
constexpr int32_t kPanTableSize = 257;        // pan + offset, both 0..127, plus the mirrored index 256 - ...
constexpr int32_t kExpTableSize = 32776;      // any sum of wave, envelope, level, feedback and LFO codes
constexpr int32_t kRateMantissaSize = 8192;   // one octave in 1/8192 steps
constexpr int32_t kShiftTableSize = 128;      // octave number x >> 13, clamped to 127
constexpr int32_t kKeyPitchSize = 128;
constexpr int32_t kLevelTableSize = 256;
constexpr int32_t kCurveSize = 4096;          // envelope counter >> 18
constexpr int32_t kKeyFollowTableSize = 256;
constexpr int32_t kSustainTableSize = 129;
constexpr int32_t kMulTableSize = 16;
constexpr int32_t kLfoWaveLength = 256;       // 128 (bipolar, unipolar) pairs
constexpr int32_t kLfoWaveCount = 4;
constexpr int32_t kLfoWaveTableSize = kLfoWaveCount * kLfoWaveLength;

// The lookup tables shared read-only by all voices of one engine. Each table
// is built on first request (on the control path, never while rendering)
// and kept until the set is destroyed. Building is not thread-safe.
//
// Units: pitches and rates in 1/8192 octave; amplitudes as logSample codes
// (2 x attenuation in 1/256-octave steps + sign bit, 8192 = silence).
class VoiceTableSet {
public:
  VoiceTableSet();
  ~VoiceTableSet();
  VoiceTableSet(const VoiceTableSet&) = delete;
  VoiceTableSet& operator=(const VoiceTableSet&) = delete;

  // [i] = ((i+1)/128)^2: MIDI value 0..127 (volume, expression, velocity)
  // to a linear gain, [127] = 1.0.
  const float* gainCurve();
  // Constant-power pan: [0..63] = 1, [64+j] = sin((128-j)/128 x pi/2),
  // [192..256] = 0. Left reads [pan + offset], right [256 - offset - pan].
  const float* panTable();
  // logSample code to linear float -1..1; codes of 8192 and above give 0.
  const float* expTableF();
  // logSample code to integer amplitude up to +-65536 (a phase offset in
  // 2048ths of a wave cycle); codes of 8192 and above give 0.
  const int32_t* expTableI();
  // [i] = 2^(30 + i/8192) rounded: the mantissa of 2^(x/8192), x AND 8191.
  const int32_t* rateMantissa();
  // Oscillator shift for octave x >> 13: 30 - octave, 0 from octave 30 on.
  const int32_t* pitchShift();
  // Envelope shift for octave x >> 13: 30 - octave, 1 from octave 30 on.
  const int32_t* rateShift();
  // [k] = k/12 octave in 1/8192 octave; also indexed by a bend range.
  const int32_t* keyPitch();
  // Level parameter (0.75 dB steps) to even logSample units: 64 x i, 8192
  // (silence) from 128 on.
  const int32_t* levelTable();
  // Envelope counter >> 18 to the attenuation of a linear amplitude ramp.
  const int32_t* attackCurve();
  // Envelope counter >> 18 to 2 x index: 96 dB over the counter's range.
  const int32_t* linearCurve();
  // key - kfStart + 127 to a rate offset in 1/8192 octave: 0 up to the
  // start key, then one octave per 48 keys.
  const int32_t* keyFollowTable();
  // Sustain or level parameter to an envelope counter value (2^23 per
  // 0.75 dB step), capped at 104 steps.
  const int32_t* sustainTable();
  // Frequency multiple 0..15 to a pitch offset (0 = half the frequency).
  const int32_t* mulTable();
  // Four LFO waves of 128 (bipolar, unipolar) pairs.
  const int32_t* lfoWaveTable();

private:
  std::unique_ptr<float[]> gainCurve_;
  std::unique_ptr<float[]> panTable_;
  std::unique_ptr<float[]> expTableF_;
  std::unique_ptr<int32_t[]> expTableI_;
  std::unique_ptr<int32_t[]> rateMantissa_;
  std::unique_ptr<int32_t[]> pitchShift_;
  std::unique_ptr<int32_t[]> rateShift_;
  std::unique_ptr<int32_t[]> keyPitch_;
  std::unique_ptr<int32_t[]> levelTable_;
  std::unique_ptr<int32_t[]> attackCurve_;
  std::unique_ptr<int32_t[]> linearCurve_;
  std::unique_ptr<int32_t[]> keyFollowTable_;
  std::unique_ptr<int32_t[]> sustainTable_;
  std::unique_ptr<int32_t[]> mulTable_;
  std::unique_ptr<int32_t[]> lfoWaveTable_;
};

// The C runtime style linear congruential generator that fills the noise
// LFO wave: state = state x 214013 + 2531011 (mod 2^32), output = bits
// 16..30 of the state. Reproduced here so that the noise wave is the same
// sequence on every platform.
class LegacyRandom {
public:
  explicit LegacyRandom(uint32_t seed) : state(seed) {}
  int32_t next() {
    state = state * 214013u + 2531011u;
    return static_cast<int32_t>((state >> 16) & 0x7FFFu);
  }

private:
  uint32_t state;
};

}  // namespace ovri::korvane::synth
