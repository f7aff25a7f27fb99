#pragma once

#include "tonegen/FixedPoint.h"

#include <cstdint>

namespace ovri::korvane::synth {

// Envelope stages; at its limit each goes to the next:
//   Attack  (attackCurve, up to 2^30)            -> Decay, or Sustain when sl = 0
//   Decay   (linearCurve, up to sustainLimit)    -> Sustain, or Off when sustainLimit >= silenceLimit
//   Sustain (linearCurve, rate 0, never ends)
//   Release (linearCurve, up to silenceLimit)    -> Off
//   Off     (damped: dampRate up to silenceLimit) -> Off (ended)
enum class EnvelopeStage : int32_t { Off = 0, Attack = 1, Decay = 2, Sustain = 4, Release = 8 };

// One operator: an oscillator over a wave of logSample codes, a total level
// and a four-stage envelope. The sampler uses operator 0 with the sample
// data as its wave and phase as a frame position.
struct OperatorState {
  int32_t lfoDepth = 0;        // lms x modulation, at most 15 x 127 = 1905
  int32_t lms = 0;             // LFO sensitivity 0..15
  int32_t lfoPitch = 0;        // LFO pitch offset, 1/8192 octave
  int32_t lfoAmp = 0;          // LFO attenuation, logSample units, even
  const int32_t* wave = nullptr;  // FM: 2048 logSample codes; sampler: the slot's codes
  int32_t pitch = 0;           // 1/8192 octave, without LFO and bend
  uint32_t phase = 0;          // FM: 27-bit accumulator, wave index = phase >> 16; sampler: frame
  int32_t phaseInc = 0;        // FM: added to phase per sample; sampler: 16.16 frames per sample
  EnvelopeStage stage = EnvelopeStage::Off;
  const int32_t* curve = nullptr;  // attackCurve or linearCurve, indexed by egPosition >> 18
  int32_t egPosition = 0;      // envelope counter, 0..2^30
  int32_t egRate = 0;          // counter increment per sample in the current stage
  int32_t decayRate = 0;       // egRate of Decay
  int32_t releaseRate = 0;     // egRate of Release
  int32_t sustainLimit = 0;    // counter value of the sustain level (2^23 per 0.75 dB)
  int32_t silenceLimit = 0;    // counter value at which the operator is inaudible
  int32_t egLimit = 0;         // counter value that ends the current stage
  int32_t sl = 0;              // sustain level parameter, 0..128
  int32_t outputLevel = 0;     // total-level attenuation, logSample units, even
};

// Starts the envelope at counter 0: an attack on attackCurve unless
// attackRate is 127 or more, otherwise straight into Decay (or Sustain for
// sl = 0) on linearCurve.
inline void startEnvelope(OperatorState& op, int32_t attackParameter, int32_t attackRate,
                          const int32_t* attackCurve, const int32_t* linearCurve) {
  using namespace fixedpoint;
  op.egPosition = 0;
  if (attackParameter < 127) {
    op.stage = EnvelopeStage::Attack;
    op.curve = attackCurve;
    op.egLimit = kEgFullScale;
    op.egRate = attackRate;
  } else {
    op.curve = linearCurve;
    if (op.sl < 1) {
      op.stage = EnvelopeStage::Sustain;
      op.egLimit = kEgHold;
      op.egRate = 0;
    } else {
      op.stage = EnvelopeStage::Decay;
      op.egLimit = op.sustainLimit;
      op.egRate = op.decayRate;
    }
  }
}

// Moves the envelope on when its counter has reached egLimit; returns the
// new stage, Off meaning the operator has ended.
inline EnvelopeStage advanceEnvelope(OperatorState& op, const int32_t* linearCurve) {
  using namespace fixedpoint;
  switch (op.stage) {
    case EnvelopeStage::Attack:
      op.curve = linearCurve;
      op.egPosition = 0;
      if (op.sl > 0) {
        op.stage = EnvelopeStage::Decay;
        op.egLimit = op.sustainLimit;
        op.egRate = op.decayRate;
      } else {
        op.stage = EnvelopeStage::Sustain;
        op.egRate = 0;
        op.egLimit = kEgHold;
      }
      break;
    case EnvelopeStage::Decay:
      if (op.sustainLimit >= op.silenceLimit) {
        op.stage = EnvelopeStage::Off;  // the sustain level is inaudible
      } else {
        op.curve = linearCurve;
        op.egPosition = op.sustainLimit;
        op.stage = EnvelopeStage::Sustain;
        op.egRate = 0;
        op.egLimit = kEgHold;
      }
      break;
    default:
      op.stage = EnvelopeStage::Off;
      break;
  }
  return op.stage;
}

// Leaves Attack for linearCurve at the same loudness: attack code c is
// linearCurve entry c / 2, that is counter c << 17 (a finished attack,
// counter 2^30 or more, is full scale: counter 0).
inline void leaveAttack(OperatorState& op, const int32_t* attackCurve, const int32_t* linearCurve) {
  using namespace fixedpoint;
  if (op.stage != EnvelopeStage::Attack) return;
  op.egPosition = op.egPosition < kEgFullScale ? attackCurve[op.egPosition >> kCurveShift] << kLeaveAttackShift : 0;
  op.curve = linearCurve;
}

}  // namespace ovri::korvane::synth
