// Operator set-up at note start and the envelope stage machine.
#include "VoiceRig.h"

#include <gtest/gtest.h>

namespace ovri::korvane::synth::testing {
namespace {

TEST(OperatorEnvelope, NoAttackAndNoSustainLevelHoldsFullLevel) {
  VoiceRig rig;
  rig.steadyTone();
  rig.voice.start(0, 60, 127);
  const OperatorState& op = rig.voice.operatorState(0);
  EXPECT_EQ(op.stage, EnvelopeStage::Sustain);
  EXPECT_EQ(op.egRate, 0);
  EXPECT_EQ(op.egLimit, 0x7FFFFFFF);
  rig.render(48000);
  EXPECT_EQ(rig.voice.stateByte, 0x1F);
  EXPECT_EQ(op.egPosition, 0);
}

TEST(OperatorEnvelope, AnAttackRateOf127OrMoreSkipsTheAttack) {
  VoiceRig rig;
  TonePreset& t = rig.tones[0];
  t.ar[0] = 127;
  t.ar[1] = 200;
  t.ar[2] = 126;
  t.sl[0] = t.sl[1] = t.sl[2] = 10;
  rig.voice.start(0, 60, 127);
  EXPECT_EQ(rig.voice.operatorState(0).stage, EnvelopeStage::Decay);
  EXPECT_EQ(rig.voice.operatorState(0).egLimit, 10 << 23);
  EXPECT_EQ(rig.voice.operatorState(1).stage, EnvelopeStage::Decay);
  EXPECT_EQ(rig.voice.operatorState(2).stage, EnvelopeStage::Attack);
}

TEST(OperatorEnvelope, AttackThenDecayThenSustain) {
  VoiceRig rig;
  TonePreset& t = rig.tones[0];
  t.ar[0] = 110;
  t.dr[0] = 110;
  t.sl[0] = 4;
  rig.voice.start(0, 60, 127);
  const OperatorState& op = rig.voice.operatorState(0);
  const int32_t decayRate = op.decayRate;
  int32_t samples = 0;
  while (op.stage == EnvelopeStage::Attack && samples < 100000) {
    rig.renderOneByOne(1);
    ++samples;
  }
  ASSERT_EQ(op.stage, EnvelopeStage::Decay);
  // The counter restarts at 0 on linearCurve and moved once this sample.
  EXPECT_EQ(op.egPosition, decayRate);
  EXPECT_EQ(op.egLimit, 4 << 23);
  while (op.stage == EnvelopeStage::Decay && samples < 200000) {
    rig.renderOneByOne(1);
    ++samples;
  }
  ASSERT_EQ(op.stage, EnvelopeStage::Sustain);
  EXPECT_EQ(op.egPosition, 4 << 23);
  EXPECT_EQ(op.egRate, 0);
}

TEST(OperatorEnvelope, DecayToAnInaudibleSustainLevelEndsTheNote) {
  VoiceRig rig;
  TonePreset& t = rig.tones[0];
  for (int32_t op = 0; op < 4; ++op) {
    t.tl[op] = 127;  // silenceLimit = 1 << 23 ...
    t.sl[op] = 5;    // ... so sustainLimit = min(5 << 23, 1 << 23) reaches it
    t.ar[op] = 127;
    t.dr[op] = 120;
  }
  rig.voice.start(0, 60, 127);
  EXPECT_EQ(rig.voice.operatorState(0).silenceLimit, 1 << 23);
  EXPECT_EQ(rig.voice.operatorState(0).sustainLimit, 1 << 23);
  rig.render(48000);
  EXPECT_EQ(rig.voice.stateByte, 0);
  EXPECT_EQ(rig.voice.part, -1);
}

TEST(OperatorEnvelope, VelocityScaledLevels) {
  VoiceRig rig;
  TonePreset& t = rig.tones[0];
  t.tlVelCtrl[0] = 0;
  t.tlVelCtrl[1] = 7;
  t.tl[2] = 2;
  t.tlVelCtrl[2] = 7;
  rig.voice.start(0, 60, 1);
  const int32_t level0AtVelocity1 = rig.voice.operatorState(0).outputLevel;
  EXPECT_EQ(rig.voice.operatorState(1).outputLevel, 126 * 64);
  EXPECT_EQ(rig.voice.operatorState(1).silenceLimit, 2 << 23);
  EXPECT_EQ(rig.voice.operatorState(2).outputLevel, 127 * 64);  // 126 + 2 capped at 127
  rig.voice.start(0, 60, 127);
  EXPECT_EQ(rig.voice.operatorState(0).outputLevel, level0AtVelocity1);

  t.tl[0] = 10;  // v = 10: silenceLimit = sustainTable[118], capped at 104 steps
  rig.voice.start(0, 60, 127);
  EXPECT_EQ(rig.voice.operatorState(0).silenceLimit, 104 << 23);
}

TEST(OperatorEnvelope, KeyFollowRaisesRatesAboveTheStartKey) {
  VoiceRig rig;
  TonePreset& t = rig.tones[0];
  t.kfStart[0] = t.kfStart[1] = 48;
  t.dr[0] = 50;
  t.dr[1] = 58;
  t.kf[0] = 0;
  rig.voice.start(0, 48, 127);
  const int32_t decayAtStartKey = rig.voice.operatorState(0).decayRate;
  const int32_t eightStepsFaster = rig.voice.operatorState(1).decayRate;
  rig.voice.start(0, 30, 127);
  EXPECT_EQ(rig.voice.operatorState(0).decayRate, decayAtStartKey);  // below kfStart: none
  rig.voice.start(0, 96, 127);  // 48 keys above: one octave = 8 rate steps
  EXPECT_EQ(rig.voice.operatorState(0).decayRate, eightStepsFaster);
  t.kf[0] = 1;  // doubles every 24 keys
  rig.voice.start(0, 72, 127);
  EXPECT_EQ(rig.voice.operatorState(0).decayRate, eightStepsFaster);
}

TEST(OperatorEnvelope, MultipleAndDetuneSetTheFrequency) {
  VoiceRig rig;
  TonePreset& t = rig.tones[0];
  t.mul[0] = 1;
  t.mul[1] = 0;
  t.mul[2] = 2;
  t.tune[3] = 8192 + 8192 / 12;  // a semitone up
  rig.voice.start(0, 69, 127);
  const int32_t a440 = rig.voice.operatorState(0).phaseInc;
  EXPECT_NEAR(a440, 440.0 / 48000.0 * (1 << 27), 1e-3 * a440);
  EXPECT_EQ(rig.voice.operatorState(1).phaseInc, a440 >> 1);
  EXPECT_NEAR(rig.voice.operatorState(2).phaseInc, 2 * a440, 1);
  rig.voice.start(0, 70, 127);
  EXPECT_NEAR(rig.voice.operatorState(3).phaseInc, rig.voice.operatorState(0).phaseInc * std::pow(2.0, 1.0 / 12),
              1e-3 * a440);
}

TEST(OperatorEnvelope, ReleaseDuringAttackContinuesFromTheSameLoudness) {
  VoiceRig rig;
  TonePreset& t = rig.tones[0];
  for (int32_t op = 0; op < 4; ++op) t.ar[op] = 64;  // about a second for the attack
  rig.voice.start(0, 60, 127);
  rig.render(12000);
  const OperatorState& op = rig.voice.operatorState(0);
  ASSERT_EQ(op.stage, EnvelopeStage::Attack);
  const int32_t attenuation = op.curve[op.egPosition >> 18];
  ASSERT_GT(attenuation, 0);
  rig.voice.release();
  EXPECT_EQ(op.stage, EnvelopeStage::Release);
  EXPECT_EQ(op.curve[op.egPosition >> 18], attenuation);
  EXPECT_EQ(op.egRate, op.releaseRate);
  EXPECT_EQ(rig.voice.stateByte, 0x2F);
  const int32_t before = op.egPosition;
  rig.render(100);
  EXPECT_GT(op.egPosition, before);  // falls from there
}

TEST(OperatorEnvelope, ReleaseEndsOperatorsAlreadyBelowTheirSilenceLevel) {
  VoiceRig rig;
  TonePreset& t = rig.tones[0];
  for (int32_t op = 0; op < 4; ++op) t.ar[op] = 64;
  t.tl[2] = t.tl[3] = 100;  // silence at 28 steps; after 1000 samples the attack is 44 steps down
  rig.voice.start(0, 60, 127);
  rig.render(1000);
  rig.voice.release();
  EXPECT_EQ(rig.voice.stateByte, 0x23);
  EXPECT_EQ(rig.voice.operatorState(2).stage, EnvelopeStage::Off);

  t.tl[0] = t.tl[1] = 100;
  rig.voice.start(0, 60, 127);
  rig.render(1000);
  rig.voice.release();
  EXPECT_EQ(rig.voice.stateByte, 0);
  EXPECT_EQ(rig.voice.part, -1);
}

TEST(OperatorEnvelope, DampFadesWithinAFiveHundredTwelfthOfASecond) {
  VoiceRig rig;
  rig.steadyTone();
  rig.voice.start(3, 60, 127);
  rig.render(100);
  rig.voice.damp();
  EXPECT_EQ(rig.voice.part, -1);
  EXPECT_EQ(rig.voice.stateByte, 0x4F);
  EXPECT_EQ(rig.voice.operatorState(1).stage, EnvelopeStage::Off);
  EXPECT_EQ(rig.voice.operatorState(1).egRate, rig.rates.dampRate);
  rig.render(100);  // 48000 / 512 = 94 samples for a whole sweep
  EXPECT_EQ(rig.voice.stateByte, 0);
}

}  // namespace
}  // namespace ovri::korvane::synth::testing
