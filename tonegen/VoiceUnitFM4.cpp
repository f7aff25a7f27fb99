// VoiceUnitFM4: construction, attachment to the engine, release and damp,
// and the controller notifications. Note start is in VoiceNoteStart.cpp,
// the FM render loops in FmRender.cpp, the sampler in SamplerVoice.cpp.
#include "tonegen/VoiceUnitFM4.h"

#include <algorithm>

namespace ovri::korvane::synth {

using namespace fixedpoint;

VoiceUnitFM4::VoiceUnitFM4() {
  // renderTable[strc] for FM notes (strc 0..15), then the two sampler readers.
  const RenderOp table[kRenderTableSize] = {
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm0),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm1),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm2),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm3),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm4),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm5),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm6),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm7),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm8),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm9),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm10),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm11),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm12),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm13),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm14),
      static_cast<RenderOp>(&VoiceUnitFM4::renderAlgorithm15),
      static_cast<RenderOp>(&VoiceUnitFM4::renderSamplerMono),
      static_cast<RenderOp>(&VoiceUnitFM4::renderSamplerStereo),
  };
  for (int32_t i = 0; i < kRenderTableSize; ++i) renderTable[i] = table[i];
  renderUntil = renderTable[0];
  stateByte = 0;
  part = -1;
}

void VoiceUnitFM4::attach(VoiceTableSet& tables, PartState* partStates, const int32_t* waves,
                          const TonePreset* tonePresets, const SampleData* samples,
                          const SamplerPreset* presets, float masterGain) {
  parts = partStates;
  waveTable = waves;
  tones = tonePresets;
  sampleSlots = samples;
  samplerPresets = presets;
  gainCurve = tables.gainCurve();
  panTable = tables.panTable();
  expTableF = tables.expTableF();
  expTableI = tables.expTableI();
  rateMantissa = tables.rateMantissa();
  pitchShift = tables.pitchShift();
  rateShift = tables.rateShift();
  keyPitch = tables.keyPitch();
  levelTable = tables.levelTable();
  attackCurve = tables.attackCurve();
  linearCurve = tables.linearCurve();
  keyFollowTable = tables.keyFollowTable();
  sustainTable = tables.sustainTable();
  mulTable = tables.mulTable();
  lfoWaveTable = tables.lfoWaveTable();
  for (OperatorState& op : operators) {
    op.wave = waveTable;
    op.curve = linearCurve;
  }
  lfoState.wave = lfoWaveTable;
  mixState.masterGain = masterGain;
  stateByte = 0;
  part = -1;
}

void VoiceUnitFM4::setRateConstants(const RateConstants& constants) {
  rates = constants;
  becomeIdle();
}

int32_t VoiceUnitFM4::increment(int32_t x) const { return exp2Units(x, rateMantissa, pitchShift); }

int32_t VoiceUnitFM4::rate(int32_t x) const { return exp2Units(x, rateMantissa, rateShift); }

void VoiceUnitFM4::becomeIdle() {
  stateByte = 0;
  part = -1;
}

void VoiceUnitFM4::stop() { becomeIdle(); }

// Key released: every sounding operator leaves its attack at the same
// loudness and falls at its release rate to its silence level; one that is
// already below it ends now. The sampler switches to its release bounds.
void VoiceUnitFM4::release() {
  if ((stateByte & kKeyHeld) == 0) return;
  for (int32_t i = 0; i < 4; ++i) {
    const int32_t bit = 1 << i;
    if ((stateByte & bit) == 0) continue;
    OperatorState& op = operators[i];
    leaveAttack(op, attackCurve, linearCurve);
    op.egLimit = op.silenceLimit;
    op.egRate = op.releaseRate;
    op.stage = EnvelopeStage::Release;
    if (op.silenceLimit < op.egPosition) {
      if ((stateByte & kOperatorBits) == bit) {
        becomeIdle();
        return;
      }
      stateByte &= ~bit;
      op.stage = EnvelopeStage::Off;
    }
  }
  sampler.endInUse = sampler.releaseEnd;
  sampler.loopInUse = sampler.releaseLoop;
  stateByte = (stateByte & kOperatorBits) | kReleased;
}

// Sound off: every sounding operator fades at dampRate (a full sweep in
// 1/512 s) and the voice leaves its part at once.
void VoiceUnitFM4::damp() {
  if ((stateByte & (kKeyHeld | kReleased)) == 0) return;
  for (int32_t i = 0; i < 4; ++i) {
    const int32_t bit = 1 << i;
    if ((stateByte & bit) == 0) continue;
    OperatorState& op = operators[i];
    leaveAttack(op, attackCurve, linearCurve);
    if (op.silenceLimit < op.egPosition) {
      if ((stateByte & kOperatorBits) == bit) {
        becomeIdle();
        return;
      }
      stateByte &= ~bit;
      op.stage = EnvelopeStage::Off;
      continue;
    }
    op.egLimit = op.silenceLimit;
    op.egRate = rates.dampRate;
    op.stage = EnvelopeStage::Off;
  }
  sampler.endInUse = sampler.releaseEnd;
  sampler.loopInUse = sampler.releaseLoop;
  part = -1;
  stateByte = (stateByte & kOperatorBits) | kDamped;
}

// An operator's counter reached egLimit inside a render loop. When the
// envelope ends, the voice ends if this was its last sounding operator (or
// operator 3 is the only carrier); otherwise the operator plays this one
// last sample at linearCurve entry 4095 and is skipped from then on.
bool VoiceUnitFM4::envelopeLimitReached(int32_t index, bool endsVoice) {
  OperatorState& op = operators[index];
  if (advanceEnvelope(op, linearCurve) != EnvelopeStage::Off) return false;
  const int32_t bit = 1 << index;
  if (endsVoice || (stateByte & kOperatorBits) == bit) {
    becomeIdle();
    return true;
  }
  stateByte &= ~bit;
  op.egPosition = kEgLastEntry;
  op.curve = linearCurve;
  return false;
}

// Each sample first checks every sounding operator's counter against its
// limit (one stage change at most), then moves the counter by egRate: a
// stage ends ceil((egLimit - egPosition) / egRate) samples on, and at
// least one sample after the stage began. Only an end into Off changes
// stateByte: a release or a fade, or a decay to an inaudible sustain
// level (after the attack when the operator is still in it). The sampler
// also ends when, without a loop, its frame reaches endInUse; it moves at
// most (phaseInc >> 16) + 1 frames a sample.
int32_t VoiceUnitFM4::quietUntil() const {
  constexpr int64_t kNever = 0x7FFFFFFF;
  if (stateByte == 0) return static_cast<int32_t>(kNever);
  auto stageEnd = [](int64_t position, int64_t limit, int64_t rate) -> int64_t {
    if (limit <= position) return 0;
    if (rate <= 0) return kNever;
    return (limit - position + rate - 1) / rate;
  };
  int64_t samples = kNever;
  for (int32_t i = 0; i < 4; ++i) {
    if ((stateByte & (1 << i)) == 0) continue;
    const OperatorState& op = operators[i];
    const bool silentSustain = op.sustainLimit >= op.silenceLimit;
    int64_t end = kNever;
    switch (op.stage) {
      case EnvelopeStage::Attack:
        if (op.sl > 0 && silentSustain && op.decayRate > 0) {
          const int64_t attack = stageEnd(op.egPosition, op.egLimit, op.egRate);
          if (attack < kNever) end = attack + std::max<int64_t>(1, stageEnd(0, op.sustainLimit, op.decayRate));
        }
        break;
      case EnvelopeStage::Decay:
        if (silentSustain) end = stageEnd(op.egPosition, op.egLimit, op.egRate);
        break;
      case EnvelopeStage::Sustain:
        if (op.egLimit <= op.egPosition) end = 0;
        break;
      default:  // Release, or Off while fading
        end = stageEnd(op.egPosition, op.egLimit, op.egRate);
        break;
    }
    samples = std::min(samples, end);
  }
  const bool samplerRoutine =
      renderUntil == renderTable[kSamplerMono] || renderUntil == renderTable[kSamplerStereo];
  if (samplerRoutine && sampler.loopInUse < 1) {
    const int64_t stopFrame = static_cast<uint32_t>(sampler.endInUse);
    const int64_t frame = operators[0].phase;
    const int64_t perSample = (int64_t{static_cast<uint32_t>(operators[0].phaseInc)} >> 16) + 1;  // 16.16 frames
    samples = std::min(samples, frame >= stopFrame ? 0 : (stopFrame - frame + perSample - 1) / perSample);
  }
  return static_cast<int32_t>(std::min(kNever, renderPosition + samples));
}

void VoiceUnitFM4::updateGains() {
  VoiceMix& m = mixState;
  m.total = m.expression * m.volume * m.velGain;
  m.gainL = m.panL * m.total;
  m.gainR = m.panR * m.total;
}

// New oscillator increments after a bend change (the sampler's operator 0
// keeps lfoPitch at 0, so the same formula retunes it).
void VoiceUnitFM4::retune() {
  for (int32_t i = 0; i < 4; ++i) {
    if ((stateByte & (1 << i)) == 0) continue;
    OperatorState& op = operators[i];
    op.phaseInc = increment(op.pitch + op.lfoPitch + bendOffset);
  }
}

void VoiceUnitFM4::masterVolumeChanged(float gain) {
  mixState.masterGain = gain;
  if (stateByte == 0) return;
  mixState.velGain = mixState.velocityGain * mixState.masterGain;
  updateGains();
}

void VoiceUnitFM4::bendRangeChanged(int32_t semitones) {
  range = keyPitch[semitones & 127];
  bendOffset = (bend * range) >> kOctaveShift;
  retune();
}

void VoiceUnitFM4::pitchBendChanged(int32_t bend14) {
  bend = (bend14 & 0x3FFF) - kCentre14;
  bendOffset = (bend * range) >> kOctaveShift;
  retune();
}

void VoiceUnitFM4::modulationChanged(int32_t value) {
  const int32_t modulation = value & 127;
  for (OperatorState& op : operators) op.lfoDepth = op.lms * modulation;
}

void VoiceUnitFM4::volumeChanged(int32_t value) {
  mixState.volume = gainCurve[value & 127];
  updateGains();
}

void VoiceUnitFM4::expressionChanged(int32_t value) {
  mixState.expression = gainCurve[value & 127];
  updateGains();
}

void VoiceUnitFM4::panChanged(int32_t value) {
  const int32_t pan = value & 127;
  mixState.panL = panTable[pan + mixState.panOffset];
  mixState.panR = panTable[256 - pan - mixState.panOffset];
  updateGains();
}

}  // namespace ovri::korvane::synth
