#include "tonegen/VoiceTableSet.h"

#include <cmath>
#include <math.h>  // powf, sinf: the float tables are built in single precision

namespace ovri::korvane::synth {

namespace {

template <typename T, typename Build>
const T* buildOnce(std::unique_ptr<T[]>& table, int32_t size, Build build) {
  if (!table) {
    table.reset(new T[size]());
    build(table.get());
  }
  return table.get();
}

constexpr int32_t kNoiseSeed = 1635;
constexpr int32_t kExpCodes = 4096;  // attenuation steps 0..4095: codes 0..8191

}  // namespace

VoiceTableSet::VoiceTableSet() = default;
VoiceTableSet::~VoiceTableSet() = default;

// gainCurve[i] = powf((i+1)/128, 2) x 1.0, in float: a square law over
// the 7-bit value, reaching 1.0 at 127.
const float* VoiceTableSet::gainCurve() {
  return buildOnce(gainCurve_, kGainCurveSize, [](float* t) {
    constexpr float kScale = 1.0f;
    for (int32_t i = 0; i < kGainCurveSize; ++i)
      t[i] = powf(static_cast<float>(i + 1) / 128.0f, 2.0f) * kScale;
  });
}

// panTable, in float: [0..63] = 1.0; [64+j] = sinf((128-j) x 2^-7 x pi/2)
// for j = 0..127, with pi/2 as the float 1.5707964 ([64] = 1.0, [128] =
// sin(pi/4) = 0.70710677, [191] = sin(pi/256)); [192..256] = 0.0.
const float* VoiceTableSet::panTable() {
  return buildOnce(panTable_, kPanTableSize, [](float* t) {
    constexpr float kHalfPi = 1.5707964f;
    constexpr float kStep = 0.0078125f;  // 1/128
    for (int32_t i = 0; i < 64; ++i) t[i] = 1.0f;
    for (int32_t j = 0; j < 128; ++j) t[64 + j] = sinf(static_cast<float>(128 - j) * kStep * kHalfPi);
    for (int32_t i = 192; i < kPanTableSize; ++i) t[i] = 0.0f;
  });
}

// expTableF[2k] = powf(2, 16 - k/256) x 2^-16 (float), [2k+1] = -[2k] for
// k = 0..4095; every index from 8192 on reads 0.0.
const float* VoiceTableSet::expTableF() {
  return buildOnce(expTableF_, kExpTableSize, [](float* t) {
    constexpr float kStepOctaves = 0.00390625f;  // 1/256 octave per attenuation step
    constexpr float kUnit = 1.0f / 65536.0f;     // 2^-16: 2^16 becomes 1.0
    for (int32_t k = 0; k < kExpCodes; ++k) {
      const float v = powf(2.0f, 16.0f - static_cast<float>(k) * kStepOctaves) * kUnit;
      t[2 * k] = v;
      t[2 * k + 1] = -v;
    }
  });
}

// expTableI[2k] = trunc(2^(16 - k/256)) (double), [2k+1] = -[2k]; 0 from
// index 8192 on. Added to a wave index (2048ths of a cycle), full scale
// 65536 is an offset of 32 cycles.
const int32_t* VoiceTableSet::expTableI() {
  return buildOnce(expTableI_, kExpTableSize, [](int32_t* t) {
    for (int32_t k = 0; k < kExpCodes; ++k) {
      const int32_t v = static_cast<int32_t>(std::pow(2.0, 16.0 - k / 256.0));
      t[2 * k] = v;
      t[2 * k + 1] = -v;
    }
  });
}

// rateMantissa[i] = trunc(2^(30 + i/8192) + 0.5) (double); the largest,
// 2^31 x 2^(-1/8192), still fits an int32.
const int32_t* VoiceTableSet::rateMantissa() {
  return buildOnce(rateMantissa_, kRateMantissaSize, [](int32_t* t) {
    for (int32_t i = 0; i < kRateMantissaSize; ++i)
      t[i] = static_cast<int32_t>(std::pow(2.0, 30.0 + i / 8192.0) + 0.5);
  });
}

// pitchShift[i] = 30 - i for i < 30, then 0: the oscillator increment
// saturates near 2^31.
const int32_t* VoiceTableSet::pitchShift() {
  return buildOnce(pitchShift_, kShiftTableSize, [](int32_t* t) {
    for (int32_t i = 0; i < kShiftTableSize; ++i) t[i] = i < 30 ? 30 - i : 0;
  });
}

// rateShift[i] = 30 - i for i < 30, then 1: the envelope rate saturates at
// about 2^30, a full counter sweep per sample.
const int32_t* VoiceTableSet::rateShift() {
  return buildOnce(rateShift_, kShiftTableSize, [](int32_t* t) {
    for (int32_t i = 0; i < kShiftTableSize; ++i) t[i] = i < 30 ? 30 - i : 1;
  });
}

// keyPitch[k] = trunc(k/12 x 8192 + 0.5) (double).
const int32_t* VoiceTableSet::keyPitch() {
  return buildOnce(keyPitch_, kKeyPitchSize, [](int32_t* t) {
    for (int32_t k = 0; k < kKeyPitchSize; ++k) t[k] = static_cast<int32_t>(k / 12.0 * 8192.0 + 0.5);
  });
}

// levelTable[i] = 64 x i for i < 128 (one level step = 32 attenuation
// steps = 0.75 dB), 8192 = silence for 128..255.
const int32_t* VoiceTableSet::levelTable() {
  return buildOnce(levelTable_, kLevelTableSize, [](int32_t* t) {
    for (int32_t i = 0; i < kLevelTableSize; ++i) t[i] = i < 128 ? 64 * i : 8192;
  });
}

// attackCurve[i] = 2 x trunc(0.5 - 256 x log2(i/4096)) (double), [0] =
// 8192: the logSample attenuation of the linear amplitude i/4096.
const int32_t* VoiceTableSet::attackCurve() {
  return buildOnce(attackCurve_, kCurveSize, [](int32_t* t) {
    t[0] = 8192;
    for (int32_t i = 1; i < kCurveSize; ++i)
      t[i] = 2 * static_cast<int32_t>(0.5 - 256.0 * std::log2(i / 4096.0));
  });
}

// linearCurve[i] = 2 x i: 2 logSample units per 2^18 counter steps.
const int32_t* VoiceTableSet::linearCurve() {
  return buildOnce(linearCurve_, kCurveSize, [](int32_t* t) {
    for (int32_t i = 0; i < kCurveSize; ++i) t[i] = 2 * i;
  });
}

// keyFollowTable[i] = 0 for i = 0..127 (key at or below kfStart);
// [128+j] = trunc((j+1)/48 x 8192) (double): one octave of rate per 48 keys.
const int32_t* VoiceTableSet::keyFollowTable() {
  return buildOnce(keyFollowTable_, kKeyFollowTableSize, [](int32_t* t) {
    for (int32_t i = 0; i < 128; ++i) t[i] = 0;
    for (int32_t j = 0; j < 128; ++j) t[128 + j] = static_cast<int32_t>((j + 1) / 48.0 * 8192.0);
  });
}

// sustainTable[i] = i << 23 for i = 0..103, 104 << 23 for 104..128: a
// level step of 0.75 dB is 2^23 counts of the linear envelope curve.
const int32_t* VoiceTableSet::sustainTable() {
  return buildOnce(sustainTable_, kSustainTableSize, [](int32_t* t) {
    for (int32_t i = 0; i < kSustainTableSize; ++i) t[i] = (i < 104 ? i : 104) << 23;
  });
}

// mulTable[0] = -8192 (half the frequency), [i] = trunc(log2(i) x 8192 +
// 0.5) (double) for i = 1..15.
const int32_t* VoiceTableSet::mulTable() {
  return buildOnce(mulTable_, kMulTableSize, [](int32_t* t) {
    t[0] = -8192;
    for (int32_t i = 1; i < kMulTableSize; ++i) t[i] = static_cast<int32_t>(std::log2(static_cast<double>(i)) * 8192.0 + 0.5);
  });
}

// lfoWaveTable: wave w at [256w .. 256w + 255], pair n at 256w + 2n
// (bipolar, -8192..8192) and 256w + 2n + 1 (unipolar, 0..8192).
//   w  shape     bipolar                                   unipolar
//   0  triangle  0 up to 8192 (n=32), down to -8192 (n=96)  0 up to 8192 (n=64), down again
//   1  square    8192 for n < 64, -8192 after               0 for n < 64, 8192 after
//   2  saw       8192 - 128n                                64n
//   3  noise     trunc((2x - 1) x 8192)                     trunc(x x 8192)
// For the noise, x = r / 32767 with r the next LegacyRandom(1635) output,
// one draw per pair in pair order.
const int32_t* VoiceTableSet::lfoWaveTable() {
  return buildOnce(lfoWaveTable_, kLfoWaveTableSize, [](int32_t* t) {
    int32_t* triangle = t;
    int32_t* square = t + kLfoWaveLength;
    int32_t* saw = t + 2 * kLfoWaveLength;
    int32_t* noise = t + 3 * kLfoWaveLength;
    LegacyRandom random(kNoiseSeed);
    for (int32_t n = 0; n < 128; ++n) {
      int32_t bipolar;
      if (n < 32) bipolar = 256 * n;
      else if (n < 64) bipolar = 8192 - 256 * (n - 32);
      else if (n < 96) bipolar = -256 * (n - 64);
      else bipolar = 256 * (n - 96) - 8192;
      triangle[2 * n] = bipolar;
      triangle[2 * n + 1] = n < 64 ? 128 * n : 8192 - 128 * (n - 64);

      square[2 * n] = n < 64 ? 8192 : -8192;
      square[2 * n + 1] = n < 64 ? 0 : 8192;

      saw[2 * n] = 8192 - 128 * n;
      saw[2 * n + 1] = 64 * n;

      const double x = (random.next() & 0x7FFF) / 32767.0;
      noise[2 * n] = static_cast<int32_t>((2.0 * x - 1.0) * 8192.0);
      noise[2 * n + 1] = static_cast<int32_t>(x * 8192.0);
    }
  });
}

}  // namespace ovri::korvane::synth
