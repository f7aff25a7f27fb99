// The sixteen FM render routines: one loop template specialised per
// connection structure (strc AND 7) and LFO target (strc >> 3).
#include "tonegen/FmStructures.h"
#include "tonegen/VoiceUnitFM4.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <type_traits>

namespace ovri::korvane::synth {

using namespace fixedpoint;

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
// renderRun (or a vector kernel, see renderGroup); a sample at which one
// does goes through renderOperator with its checks.
template <int Structure, bool AmplitudeLfo>
bool VoiceUnitFM4::nextRun(float* left, float* right, int32_t end, RunPlan& plan) {
  constexpr FmStructure shape = kFmStructures[Structure];
  int32_t position = renderPosition;
  while (position < end) {
    if (lfoState.lfoCounter < 1) stepLfo(AmplitudeLfo);
    plan = planRun(end - position);
    if (plan.quiet > 0) {
      renderPosition = position;
      return true;
    }
    int32_t modulation[4] = {0, 0, 0, 0};
    float out = 0.0f;
    if (!renderOperator<Structure, AmplitudeLfo, shape.order[0]>(modulation, out) ||
        !renderOperator<Structure, AmplitudeLfo, shape.order[1]>(modulation, out) ||
        !renderOperator<Structure, AmplitudeLfo, shape.order[2]>(modulation, out) ||
        !renderOperator<Structure, AmplitudeLfo, shape.order[3]>(modulation, out)) {
      renderPosition = position;
      return false;
    }
    left[position] += out * mixState.gainL;
    right[position] += out * mixState.gainR;
    lfoState.lfoCounter -= lfoState.step;
    ++position;
  }
  renderPosition = position;
  return false;
}

template <int Structure, bool AmplitudeLfo>
void VoiceUnitFM4::renderAlgorithm(float* left, float* right, int32_t end) {
  RunPlan plan;
  while (nextRun<Structure, AmplitudeLfo>(left, right, end, plan)) {
    const int32_t position = renderPosition;
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
    renderPosition = position + n;
  }
}

// ---------------------------------------------------------------------------
// Several voices at a time

VectorLevel supportedVectorLevel() {
#if defined(__x86_64__) || defined(__i386__)
  static const VectorLevel level = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) return VectorLevel::Avx2;
    if (__builtin_cpu_supports("sse4.1")) return VectorLevel::Sse41;
    return VectorLevel::Scalar;
  }();
  return level;
#else
  return VectorLevel::Scalar;
#endif
}

bool VoiceUnitFM4::loadLane(FmLaneState& lanes, int32_t l, const FmTables& tables, bool amplitudeLfo,
                            bool steady) const {
  for (int32_t i = 0; i < 4; ++i) {
    const OperatorState& op = operators[i];
    const bool on = (stateByte & (1 << i)) != 0;
    if (!on) {
      lanes.wave[i][l] = lanes.curve[i][l] = 0;
      lanes.phase[i][l] = 0;
      lanes.phaseInc[i][l] = lanes.egPosition[i][l] = lanes.egRate[i][l] = lanes.level[i][l] = 0;
      lanes.sounding[i][l] = 0;
      continue;
    }
    const ptrdiff_t wave = op.wave - tables.waves;
    const ptrdiff_t curve = op.curve - tables.curves;
    if (wave < 0 || wave > kWaveMemorySize - kWaveLength || curve < -(ptrdiff_t{1} << 28) || curve > (ptrdiff_t{1} << 28))
      return false;
    int32_t level = amplitudeLfo ? op.outputLevel + op.lfoAmp : op.outputLevel;
    if (steady) level += op.curve[op.egPosition >> kCurveShift];
    lanes.wave[i][l] = static_cast<int32_t>(wave);
    lanes.curve[i][l] = static_cast<int32_t>(curve);
    lanes.phase[i][l] = op.phase;
    lanes.phaseInc[i][l] = op.phaseInc;
    lanes.egPosition[i][l] = op.egPosition;
    lanes.egRate[i][l] = op.egRate;
    lanes.level[i][l] = level;
    lanes.sounding[i][l] = -1;
  }
  lanes.feedback[l] = feedbackLevel;
  lanes.gainL[l] = mixState.gainL;
  lanes.gainR[l] = mixState.gainR;
  return true;
}

namespace {

void clearLane(FmLaneState& lanes, int32_t l) {
  for (int32_t i = 0; i < 4; ++i) {
    lanes.wave[i][l] = lanes.curve[i][l] = 0;
    lanes.phase[i][l] = 0;
    lanes.phaseInc[i][l] = lanes.egPosition[i][l] = lanes.egRate[i][l] = lanes.level[i][l] = 0;
    lanes.sounding[i][l] = 0;
  }
  lanes.feedback[l] = 0;
  lanes.gainL[l] = lanes.gainR[l] = 0.0f;
}

}  // namespace

// Each lane holds one voice for as long as its runs go on. A voice's run
// is a stretch it could render alone with renderRun: no LFO step and no
// envelope limit inside it (the kernels read an envelope curve again where
// its index changes). The lanes render together for the shortest of what
// remains of their runs; a lane whose run is over gives its state back to
// its voice, which then renders up to its next run itself (nextRun), or
// leaves the lane to the next voice of the group when it has reached the
// end or ended. Cutting runs into shorter calls changes nothing in the
// output, since within a run each sample is computed from the state alone.
template <int Structure, bool AmplitudeLfo>
void VoiceUnitFM4::renderLanes(VoiceUnitFM4* const* voices, float* const* lefts, float* const* rights, int32_t count,
                               int32_t end, VectorLevel level) {
  const VoiceUnitFM4& first = *voices[0];
  const FmTables tables{first.waveTable, first.linearCurve, first.expTableI, first.expTableF};
  FmKernel steadyKernel = level == VectorLevel::Avx2 ? fmKernelAvx2(Structure, true) : fmKernelSse41(Structure, true);
  FmKernel movingKernel = level == VectorLevel::Avx2 ? fmKernelAvx2(Structure, false) : fmKernelSse41(Structure, false);
  FmLaneState lanes;
  int32_t lane[kFmLanes];     // the lane's voice (index into voices), -1 for none
  int32_t left[kFmLanes];     // samples left in the lane's run
  int32_t done[kFmLanes];     // samples rendered in the lanes since the voice's state was last given back
  int32_t steady[kFmLanes];   // of those, samples in which no curve index of the lane changes
  // Every lane starts without a voice (as clearLane leaves it).
  std::memset(&lanes, 0, offsetof(FmLaneState, left));
  for (int32_t l = 0; l < kFmLanes; ++l) {
    lane[l] = -1;
    left[l] = done[l] = steady[l] = 0;
  }
  // Gives lane l's state back to its voice.
  auto giveBack = [&](int32_t l) {
    VoiceUnitFM4& voice = *voices[lane[l]];
    const int32_t n = done[l];
    for (int32_t i = 0; i < 4; ++i) {
      if ((voice.stateByte & (1 << i)) == 0) continue;
      OperatorState& op = voice.operators[i];
      op.phase = lanes.phase[i][l];
      op.egPosition = lanes.egPosition[i][l];
    }
    voice.lfoState.lfoCounter -= n * voice.lfoState.step;
    voice.renderPosition += n;
    done[l] = 0;
  };
  int32_t next = 0;
  for (;;) {
    int32_t busy = 0;
    for (int32_t l = 0; l < kFmLanes; ++l) {
      if (lane[l] >= 0 && left[l] > 0) {
        ++busy;
        continue;
      }
      if (lane[l] >= 0) giveBack(l);
      for (;;) {
        while (lane[l] < 0 && next < count) {
          if (voices[next]->stateByte != 0) lane[l] = next;
          ++next;
        }
        if (lane[l] < 0) break;
        VoiceUnitFM4& voice = *voices[lane[l]];
        RunPlan plan;
        if (voice.nextRun<Structure, AmplitudeLfo>(lefts[lane[l]], rights[lane[l]], end, plan)) {
          if (voice.loadLane(lanes, l, tables, AmplitudeLfo, false)) {
            left[l] = plan.quiet;
            steady[l] = plan.steady;
            break;
          }
          // Outside the kernels' tables: this voice renders alone.
          voice.renderAlgorithm<Structure, AmplitudeLfo>(lefts[lane[l]], rights[lane[l]], end);
        }
        lane[l] = -1;
      }
      if (lane[l] >= 0) {
        ++busy;
      } else {
        clearLane(lanes, l);
        steady[l] = 0;
      }
    }
    if (busy == 0) return;
    int32_t n = kFmMaxRun;
    int32_t steadyRun = kFmMaxRun;
    for (int32_t l = 0; l < kFmLanes; ++l) {
      if (lane[l] < 0) {
        lanes.left[l] = lanes.unused[0];
        lanes.right[l] = lanes.unused[1];
        continue;
      }
      n = std::min(n, left[l]);
      steadyRun = std::min(steadyRun, steady[l]);
      const VoiceUnitFM4& voice = *voices[lane[l]];
      lanes.left[l] = lefts[lane[l]] + voice.renderPosition + done[l];
      lanes.right[l] = rights[lane[l]] + voice.renderPosition + done[l];
    }
    // The steady kernel reads each attenuation once and leaves the
    // envelope positions to be moved on here, as renderRun does.
    if (steadyRun >= n) {
      steadyKernel(lanes, tables, n);
      for (int32_t l = 0; l < kFmLanes; ++l)
        for (int32_t i = 0; i < 4; ++i) lanes.egPosition[i][l] += n * lanes.egRate[i][l];
    } else {
      movingKernel(lanes, tables, n);
    }
    for (int32_t l = 0; l < kFmLanes; ++l) {
      if (lane[l] < 0) continue;
      left[l] -= n;
      steady[l] = std::max(steady[l] - n, 0);
      done[l] += n;
    }
  }
}

void VoiceUnitFM4::renderGroup(VoiceUnitFM4* const* voices, float* const* lefts, float* const* rights, int32_t count,
                               int32_t end, VectorLevel level) {
  if (level > supportedVectorLevel()) level = supportedVectorLevel();
  int32_t i = 0;
  while (i < count) {
    VoiceUnitFM4& voice = *voices[i];
    const int32_t routine = voice.routine;
    const bool fm = routine >= 0 && routine < 16 && voice.renderUntil == voice.renderTable[routine] &&
                    voice.waveTable != nullptr;
    int32_t j = i + 1;
    if (fm && level != VectorLevel::Scalar) {
      while (j < count && voices[j]->routine == routine && voices[j]->renderUntil == voices[j]->renderTable[routine] &&
             voices[j]->waveTable == voice.waveTable)
        ++j;
    }
    if (!fm || level == VectorLevel::Scalar || j - i < 2) {
      for (int32_t k = i; k < j; ++k)
        if (voices[k]->stateByte != 0) voices[k]->renderUntilPosition(lefts[k], rights[k], end);
      i = j;
      continue;
    }
    using Lanes = void (*)(VoiceUnitFM4* const*, float* const*, float* const*, int32_t, int32_t, VectorLevel);
    static constexpr Lanes kLanes[16] = {
        &renderLanes<0, false>, &renderLanes<1, false>, &renderLanes<2, false>, &renderLanes<3, false>,
        &renderLanes<4, false>, &renderLanes<5, false>, &renderLanes<6, false>, &renderLanes<7, false>,
        &renderLanes<0, true>,  &renderLanes<1, true>,  &renderLanes<2, true>,  &renderLanes<3, true>,
        &renderLanes<4, true>,  &renderLanes<5, true>,  &renderLanes<6, true>,  &renderLanes<7, true>,
    };
    kLanes[routine](voices + i, lefts + i, rights + i, j - i, end, level);
    i = j;
  }
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
