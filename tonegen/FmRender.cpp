// The sixteen FM render routines: one loop template specialised per
// connection structure (strc AND 7) and LFO target (strc >> 3).
#include "tonegen/FmStructures.h"
#include "tonegen/VoiceUnitFM4.h"

#include <algorithm>
#include <type_traits>

namespace ovri::korvane::synth {

using namespace fixedpoint;
using VoiceUnitFM4 = SynthesizerFM4::VoiceUnitFM4;

namespace {

// Sum of the integer outputs of the operators named by the bit set Inputs.
template <uint32_t Inputs>
inline int32_t sumModulators(const int32_t (&modulation)[4]) {
  int32_t m = 0;
  if constexpr ((Inputs & 1u) != 0) m += modulation[0];
  if constexpr ((Inputs & 2u) != 0) m += modulation[1];
  if constexpr ((Inputs & 4u) != 0) m += modulation[2];
  if constexpr ((Inputs & 8u) != 0) m += modulation[3];
  return m;
}

}  // namespace

// One LFO step: the next entry of the wave column, scaled by each
// operator's depth (>> 11), becomes a pitch offset (with a new increment)
// or an even attenuation, for all four operators.
void VoiceUnitFM4::stepLfo(bool amplitudeLfo) {
  const int32_t value = lfoState.wave[lfoState.lfoIndex];
  for (OperatorState& op : operators) {
    const int32_t offset = (value * op.lfoDepth) >> kLfoDepthShift;
    if (amplitudeLfo) {
      op.lfoAmp = offset & kEvenMask;
    } else {
      op.lfoPitch = offset;
      op.phaseInc = increment(op.pitch + op.lfoPitch + bendOffset);
    }
  }
  lfoState.lfoCounter += kLfoPeriod;
  lfoState.lfoIndex = (lfoState.lfoIndex + 2) & (kLfoWaveLength - 1);
}

// One operator's sample. A silent operator (bit clear) contributes nothing.
// Operator 0 reads its wave at its phase plus its own feedback (the wave
// value at the phase, attenuated by feedbackLevel only); others at their
// phase plus the sum of their modulators' outputs. A modulator yields
// expTableI (a phase offset up to 32 cycles), a carrier adds expTableF to
// out. Returns false when the voice ended, before this sample is written.
template <int Structure, bool AmplitudeLfo, int Op>
inline bool VoiceUnitFM4::renderOperator(int32_t (&modulation)[4], float& out) {
  constexpr FmStructure shape = kFmStructures[Structure];
  constexpr int32_t bit = 1 << Op;
  constexpr bool carrier = (shape.carriers & bit) != 0;
  constexpr uint32_t inputs = shape.inputs[Op];
  constexpr bool endsVoice = Op == 3 && shape.operator3EndsVoice;

  if ((stateByte & bit) == 0) {
    if constexpr (!carrier) modulation[Op] = 0;
    return true;
  }
  OperatorState& op = operators[Op];
  if (op.egLimit <= op.egPosition && envelopeLimitReached(Op, endsVoice)) return false;

  const int32_t p = static_cast<int32_t>(op.phase >> kWaveIndexShift);
  int32_t index;
  if constexpr (Op == 0)
    index = (p + expTableI[op.wave[p] + feedbackLevel]) & kWaveIndexMask;
  else if constexpr (inputs != 0)
    index = (p + sumModulators<inputs>(modulation)) & kWaveIndexMask;
  else
    index = p;

  int32_t code = op.wave[index] + op.curve[op.egPosition >> kCurveShift] + op.outputLevel;
  if constexpr (AmplitudeLfo) code += op.lfoAmp;
  if constexpr (carrier)
    out += expTableF[code];
  else
    modulation[Op] = expTableI[code];

  op.egPosition += op.egRate;
  op.phase = (op.phase + static_cast<uint32_t>(op.phaseInc)) & kPhaseMask;
  return true;
}

// Shortens n to the number of samples j = 0, 1, ... for which j x rate <
// distance (ceil(distance / rate)) when that is fewer; the division is only
// done when it can matter. distance >= 1, rate >= 1, n >= 1.
inline void boundRun(int32_t& n, uint32_t distance, uint32_t rate) {
  if (uint64_t{static_cast<uint32_t>(n)} * rate < distance) return;
  n = static_cast<int32_t>((distance - 1) / rate + 1);
}

// How far the next run can go from now (at most `limit` samples), the LFO
// having been checked for this sample. quiet: samples in which neither the
// LFO steps nor a sounding operator's envelope reaches its limit (0 when an
// envelope reaches it at this very sample). steady:
// the part of that in which no envelope curve index (counter >> 18) changes
// either, so each operator's attenuation is constant.
VoiceUnitFM4::RunPlan VoiceUnitFM4::planRun(int32_t limit) const {
  constexpr uint32_t kCurveStep = 1u << kCurveShift;
  int32_t quiet = limit;
  int32_t steady = limit;
  const VoiceLfo& lfo = lfoState;
  if (lfo.step > 0) boundRun(quiet, static_cast<uint32_t>(lfo.lfoCounter), static_cast<uint32_t>(lfo.step));
  for (int32_t i = 0; i < 4; ++i) {
    if ((stateByte & (1 << i)) == 0) continue;
    const OperatorState& op = operators[i];
    if (op.egLimit <= op.egPosition) return {0, 0};
    if (op.egRate > 0) {
      const uint32_t rate = static_cast<uint32_t>(op.egRate);
      boundRun(quiet, static_cast<uint32_t>(op.egLimit) - static_cast<uint32_t>(op.egPosition), rate);
      boundRun(steady, kCurveStep - (static_cast<uint32_t>(op.egPosition) & (kCurveStep - 1)), rate);
    }
  }
  return {quiet, std::min(steady, quiet)};
}

namespace {

// An operator's moving state held in locals for a run.
struct OperatorRun {
  const int32_t* wave;
  const int32_t* curve;
  uint32_t phase;
  int32_t phaseInc;
  int32_t egPosition;
  int32_t egRate;
  int32_t level;  // outputLevel (+ lfoAmp in the amplitude routines) (+ the attenuation when steady)
};

// Steady runs shorter than this go through the general run instead, which
// may run longer before the next plan.
constexpr int32_t kMinSteadyRun = 4;

}  // namespace

// n samples in which only oscillators and envelope counters move: the same
// arithmetic as renderOperator, with the state in locals. AllSounding drops
// the per-operator sounding test; Steady takes each operator's envelope
// attenuation as the constant it is during the run.
template <int Structure, bool AmplitudeLfo, bool AllSounding, bool Steady>
void VoiceUnitFM4::renderRun(float* left, float* right, int32_t position, int32_t n) {
  constexpr FmStructure shape = kFmStructures[Structure];
  const int32_t* const expI = expTableI;
  const float* const expF = expTableF;
  const int32_t feedback = feedbackLevel;
  const int32_t sounding = stateByte;
  const float gainL = mixState.gainL;
  const float gainR = mixState.gainR;
  OperatorRun run[4];
  for (int32_t i = 0; i < 4; ++i) {
    const OperatorState& op = operators[i];
    int32_t level = AmplitudeLfo ? op.outputLevel + op.lfoAmp : op.outputLevel;
    if (Steady && (sounding & (1 << i)) != 0) level += op.curve[op.egPosition >> kCurveShift];
    run[i] = {op.wave, op.curve, op.phase, op.phaseInc, op.egPosition, op.egRate, level};
  }

  auto step = [&](auto opIndex, int32_t(&modulation)[4], float& out) {
    constexpr int32_t Op = decltype(opIndex)::value;
    constexpr int32_t bit = 1 << Op;
    constexpr bool carrier = (shape.carriers & bit) != 0;
    constexpr uint32_t inputs = shape.inputs[Op];
    if constexpr (!AllSounding) {
      if ((sounding & bit) == 0) {
        if constexpr (!carrier) modulation[Op] = 0;
        return;
      }
    }
    OperatorRun& r = run[Op];
    const int32_t p = static_cast<int32_t>(r.phase >> kWaveIndexShift);
    int32_t index;
    if constexpr (Op == 0)
      index = (p + expI[r.wave[p] + feedback]) & kWaveIndexMask;
    else if constexpr (inputs != 0)
      index = (p + sumModulators<inputs>(modulation)) & kWaveIndexMask;
    else
      index = p;
    int32_t code = r.wave[index] + r.level;
    if constexpr (!Steady) {
      code += r.curve[r.egPosition >> kCurveShift];
      r.egPosition += r.egRate;
    }
    if constexpr (carrier)
      out += expF[code];
    else
      modulation[Op] = expI[code];
    r.phase = (r.phase + static_cast<uint32_t>(r.phaseInc)) & kPhaseMask;
  };

  const int32_t stop = position + n;
  for (int32_t k = position; k < stop; ++k) {
    int32_t modulation[4] = {0, 0, 0, 0};
    float out = 0.0f;
    step(std::integral_constant<int32_t, shape.order[0]>{}, modulation, out);
    step(std::integral_constant<int32_t, shape.order[1]>{}, modulation, out);
    step(std::integral_constant<int32_t, shape.order[2]>{}, modulation, out);
    step(std::integral_constant<int32_t, shape.order[3]>{}, modulation, out);
    left[k] += out * gainL;
    right[k] += out * gainR;
  }

  for (int32_t i = 0; i < 4; ++i) {
    if ((sounding & (1 << i)) == 0) continue;
    OperatorState& op = operators[i];
    op.phase = run[i].phase;
    op.egPosition = Steady ? op.egPosition + n * op.egRate : run[i].egPosition;
  }
  lfoState.lfoCounter -= n * lfoState.step;
}

// Per sample: the LFO step check, the four operators in the structure's
// evaluation order, the carrier sum (single precision, in evaluation
// order) added to both channels, then the LFO countdown. After the LFO
// check, stretches in which no envelope reaches its limit go through
// renderRun; a sample at which one does goes through renderOperator with
// its checks.
template <int Structure, bool AmplitudeLfo>
void VoiceUnitFM4::renderAlgorithm(float* left, float* right, int32_t end) {
  constexpr FmStructure shape = kFmStructures[Structure];
  int32_t position = renderPosition;
  while (position < end) {
    if (lfoState.lfoCounter < 1) stepLfo(AmplitudeLfo);
    const RunPlan plan = planRun(end - position);
    if (plan.quiet > 0) {
      const bool all = (stateByte & kOperatorBits) == kOperatorBits;
      const bool steady = plan.steady >= kMinSteadyRun || plan.steady == plan.quiet;
      const int32_t n = steady ? plan.steady : plan.quiet;
      if (all && steady)
        renderRun<Structure, AmplitudeLfo, true, true>(left, right, position, n);
      else if (all)
        renderRun<Structure, AmplitudeLfo, true, false>(left, right, position, n);
      else if (steady)
        renderRun<Structure, AmplitudeLfo, false, true>(left, right, position, n);
      else
        renderRun<Structure, AmplitudeLfo, false, false>(left, right, position, n);
      position += n;
      continue;
    }
    int32_t modulation[4] = {0, 0, 0, 0};
    float out = 0.0f;
    if (!renderOperator<Structure, AmplitudeLfo, shape.order[0]>(modulation, out) ||
        !renderOperator<Structure, AmplitudeLfo, shape.order[1]>(modulation, out) ||
        !renderOperator<Structure, AmplitudeLfo, shape.order[2]>(modulation, out) ||
        !renderOperator<Structure, AmplitudeLfo, shape.order[3]>(modulation, out)) {
      renderPosition = position;
      return;
    }
    left[position] += out * mixState.gainL;
    right[position] += out * mixState.gainR;
    lfoState.lfoCounter -= lfoState.step;
    ++position;
  }
  if (renderPosition < end) renderPosition = end;
}

// strc 0..7: LFO to pitch; strc 8..15: LFO to attenuation.
void VoiceUnitFM4::renderAlgorithm0(float*& l, float*& r, int32_t& e) { renderAlgorithm<0, false>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm1(float*& l, float*& r, int32_t& e) { renderAlgorithm<1, false>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm2(float*& l, float*& r, int32_t& e) { renderAlgorithm<2, false>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm3(float*& l, float*& r, int32_t& e) { renderAlgorithm<3, false>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm4(float*& l, float*& r, int32_t& e) { renderAlgorithm<4, false>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm5(float*& l, float*& r, int32_t& e) { renderAlgorithm<5, false>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm6(float*& l, float*& r, int32_t& e) { renderAlgorithm<6, false>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm7(float*& l, float*& r, int32_t& e) { renderAlgorithm<7, false>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm8(float*& l, float*& r, int32_t& e) { renderAlgorithm<0, true>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm9(float*& l, float*& r, int32_t& e) { renderAlgorithm<1, true>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm10(float*& l, float*& r, int32_t& e) { renderAlgorithm<2, true>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm11(float*& l, float*& r, int32_t& e) { renderAlgorithm<3, true>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm12(float*& l, float*& r, int32_t& e) { renderAlgorithm<4, true>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm13(float*& l, float*& r, int32_t& e) { renderAlgorithm<5, true>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm14(float*& l, float*& r, int32_t& e) { renderAlgorithm<6, true>(l, r, e); }
void VoiceUnitFM4::renderAlgorithm15(float*& l, float*& r, int32_t& e) { renderAlgorithm<7, true>(l, r, e); }

}  // namespace ovri::korvane::synth
