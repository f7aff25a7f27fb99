#pragma once

// The factory bank as design rows: one ToneDesign per tone, written for
// reading. buildFactoryTones (FactoryTones.h) turns the rows into
// TonePreset records.
//
// Sound-design units of the FM4 voice, for reading the rows:
//   level (tl, sl, fl)  attenuation, 0.75 dB per step; 8 steps halve.
//   modulator tl        peak phase deviation 201 x 2^(-tl/8) radians:
//                       tl 40 ~ 6.3, 48 ~ 3.1, 56 ~ 1.6, 64 ~ 0.8, 72 ~ 0.4.
//   fl                  operator 0's self-modulation on the same scale
//                       (0 = noise from aliasing, 127 = none to speak of).
//   rates (ar, dr, rr)  one sweep of the envelope (96 dB, or silence to
//                       full for the attack) takes 256 x 2^(-r/8) s:
//                       r 48 ~ 4 s, 56 ~ 2 s, 64 ~ 1 s, 72 ~ 0.5 s,
//                       80 ~ 0.25 s, 96 ~ 62 ms; ar 127 = no attack.
//   sl                  sustain attenuation; at or beyond the operator's
//                       silence (127 always is) the decay ends the operator.
//   mul, detune         frequency = key x mul (mul 0 = 1/2) x 2^(detune/8192);
//                       detune 48 ~ 7 cents, -8192 = one octave down.
//   kf, kfStart         rates double every 48 >> kf keys above kfStart;
//                       kfStart 127 = no key follow.
//   vel                 tlVelCtrl: (127 - velocity) >> (7 - vel) extra steps.
//   lms                 vibrato depth per modulation wheel step (the LFO
//                       moves pitch only: the tone text keeps strc 0..7).

#include <cstdint>

namespace ovri::korvane::factory {

// Oscillator waves.
constexpr int32_t kSin = 0;  // sine
constexpr int32_t kHlf = 1;  // half sine
constexpr int32_t kAbs = 2;  // absolute sine
constexpr int32_t kAlt = 3;  // alternating sine
constexpr int32_t kCam = 4;  // camel sine
constexpr int32_t kTri = 5;  // triangle
constexpr int32_t kSqr = 6;  // square
constexpr int32_t kSaw = 7;  // saw

// LFO waves.
constexpr int32_t kLfoTriangle = 0;
constexpr int32_t kLfoSquare = 1;
constexpr int32_t kLfoSaw = 2;
constexpr int32_t kLfoNoise = 3;

// lfoFreq units: about 512 per Hz.
constexpr int32_t kLfoPerHz = 512;

struct OperatorDesign {
  int32_t mul;      // 0 = x1/2, 1..15
  int32_t detune;   // tune - 8192, 1/8192 octave
  int32_t wave;     // kSin .. kSaw
  int32_t tl;
  int32_t ar, dr, sl, rr;
  int32_t kf;       // 0..3
  int32_t kfStart;  // 127 = no key follow
  int32_t vel;      // tlVelCtrl 0..7
  int32_t lms;      // 0..15
};

// An operator that ends at once and plays no part.
constexpr OperatorDesign kOff = {1, 0, kSin, 127, 127, 127, 127, 127, 0, 127, 0, 0};

struct ToneDesign {
  char name[17];     // 16 printable characters (a longer name does not compile)
  int32_t strc;      // 0..7, see the structure diagrams in FactoryInstruments.cpp
  int32_t fl;        // operator 0 feedback
  int32_t lfoWave;
  int32_t lfoFreq;
  OperatorDesign op[4];
};

// A percussion tone: the drum key it sits on, the key whose pitch it
// sounds at and its place in the stereo picture (0 left .. 127 right).
struct DrumDesign {
  int32_t drumKey;
  int32_t pitchKey;
  int32_t pan;
  ToneDesign tone;
};

constexpr int32_t kInstrumentCount = 128;
constexpr int32_t kFirstDrumKey = 35;
constexpr int32_t kLastDrumKey = 81;
constexpr int32_t kDrumCount = kLastDrumKey - kFirstDrumKey + 1;

extern const ToneDesign kInstrumentDesigns[kInstrumentCount];
extern const DrumDesign kDrumDesigns[kDrumCount];

}  // namespace ovri::korvane::factory
