// FM note start: tone selection, LFO, gains, bend and operator set-up.
#include "tonegen/VoiceUnitFM4.h"

#include <algorithm>

namespace ovri::korvane::synth {

using namespace fixedpoint;

namespace {
constexpr int32_t kControllerModulation = 1;
constexpr int32_t kControllerVolume = 7;
constexpr int32_t kControllerPan = 10;
constexpr int32_t kControllerExpression = 11;
constexpr int32_t kMelodicPanOffset = 64;  // centre: panTable[pan + 64], panTable[192 - pan]
constexpr int32_t kKeyFollowCentre = 127;  // keyFollowTable[key - kfStart + 127]
}  // namespace

// Gains of a new note: volume, expression and velocity through gainCurve,
// the master gain, and the constant-power pan of the part's pan plus the
// note's pan offset.
void VoiceUnitFM4::setupMix(const PartState& partState, int32_t velocity, int32_t panOffset) {
  VoiceMix& m = mixState;
  m.panOffset = panOffset;
  m.volume = gainCurve[partState.controllers[kControllerVolume] & 127];
  m.expression = gainCurve[partState.controllers[kControllerExpression] & 127];
  m.velocityGain = gainCurve[velocity & 127];
  m.velGain = m.velocityGain * m.masterGain;
  const int32_t pan = partState.controllers[kControllerPan] & 127;
  m.panL = panTable[pan + panOffset];
  m.panR = panTable[256 - panOffset - pan];
  updateGains();
}

// bendOffset = (bend - 8192) x keyPitch[range] >> 13, in 1/8192 octave.
void VoiceUnitFM4::setupBend(const PartState& partState) {
  range = keyPitch[partState.bendRange & 127];
  bend = (partState.pitchBend & 0x3FFF) - kCentre14;
  bendOffset = (bend * range) >> kOctaveShift;
}

void VoiceUnitFM4::start(int32_t partIndex, int32_t playedKey, int32_t velocity) {
  stateByte = kOperatorBits | kKeyHeld;
  part = partIndex;
  key = playedKey;

  const PartState& partState = parts[partIndex & 15];
  const int32_t keyIndex = playedKey & 127;
  const bool percussion = partState.mode == kModePercussion;
  const TonePreset& tone =
      percussion ? tones[kPercussionToneBase + keyIndex] : tones[partState.program & 127];
  const int32_t pitchKey = percussion ? (tone.key & 127) : keyIndex;
  const int32_t strc = tone.strc & 15;

  lfoState.wave = lfoWaveTable + kLfoWaveLength * (tone.lfoWave & 3);
  lfoState.lfoIndex = strc >> 3;  // even: bipolar column (pitch), odd: unipolar (attenuation)
  lfoState.lfoCounter = kLfoPeriod;
  lfoState.step = rates.lfoStepUnit * (tone.lfoFreq & 0x3FFF);
  feedbackLevel = levelTable[clampTo(tone.fl, 0, kLevelTableSize - 1)];

  const int32_t vel = velocity & 127;
  setupMix(partState, vel, percussion ? (tone.pan & 127) : kMelodicPanOffset);
  setupBend(partState);
  renderUntil = renderTable[strc];
  routine = strc;

  const int32_t modulation = partState.controllers[kControllerModulation] & 127;
  for (int32_t i = 0; i < 4; ++i) setupOperator(i, tone, pitchKey, vel, !percussion, modulation);
}

// Operator i of a new FM note at pitchKey (0..127) and velocity (0..127).
void VoiceUnitFM4::setupOperator(int32_t i, const TonePreset& tone, int32_t pitchKey, int32_t velocity,
                                 bool keyFollow, int32_t modulation) {
  OperatorState& op = operators[i];

  // Pitch: key 0 at pitchBase, the multiple, the key, and the detune
  // (8192 = none, one unit 1/8192 octave).
  op.pitch = rates.pitchBase + mulTable[tone.mul[i] & 15] + keyPitch[pitchKey] + (tone.tune[i] & 0x3FFF) - kCentre14;
  op.phase = 0;
  op.lfoPitch = 0;
  op.lfoAmp = 0;
  op.lms = tone.lms[i] & 15;
  op.lfoDepth = op.lms * modulation;
  op.wave = waveTable + kWaveLength * (tone.wave[i] & 7);
  op.phaseInc = increment(op.pitch + bendOffset);

  // Level: (127 - velocity) >> (7 - tlVelCtrl) steps plus tl, capped at 127.
  const int32_t velocityShift = 7 - (tone.tlVelCtrl[i] & 7);
  const int32_t level = std::min(((127 - velocity) >> velocityShift) + clampTo(tone.tl[i], 0, 255), 127);
  op.outputLevel = levelTable[level];
  op.silenceLimit = sustainTable[128 - level];
  op.sl = clampTo(tone.sl[i], 0, kSustainTableSize - 1);
  op.sustainLimit = std::min(sustainTable[op.sl], op.silenceLimit);

  // Rates: rate parameter x 1024 + rateBase, plus the key follow above
  // kfStart (doubling every 48 >> kf keys) for melodic notes.
  int32_t keyFollowOffset = 0;
  if (keyFollow) {
    const int64_t index = int64_t{pitchKey} - tone.kfStart[i] + kKeyFollowCentre;
    const int32_t bounded = static_cast<int32_t>(std::clamp<int64_t>(index, 0, kKeyFollowTableSize - 1));
    keyFollowOffset = keyFollowTable[bounded] << (tone.kf[i] & 3);
  }
  const int32_t base = rates.rateBase + keyFollowOffset;
  op.decayRate = rate(clampTo(tone.dr[i], 0, 255) * kRateParameterUnit + base);
  op.releaseRate = rate(clampTo(tone.rr[i], 0, 255) * kRateParameterUnit + base);
  const int32_t ar = clampTo(tone.ar[i], 0, 255);
  startEnvelope(op, ar, ar < 127 ? rate(ar * kRateParameterUnit + base) : 0, attackCurve, linearCurve);
}

}  // namespace ovri::korvane::synth
