// The voice's engine-facing operations: note start, routine selection,
// controllers, release/damp/stop, and hostile field values.
#include "VoiceRig.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>

namespace ovri::korvane::synth::testing {
namespace {

TEST(VoiceUnit, StrcChoosesOneOfEighteenRoutines) {
  VoiceRig rig;
  const MultiTimberSynthBase::VoiceUnitBase::RenderOp* table = rig.voice.getRenderTable();
  for (int32_t i = 0; i < Voice::kRenderTableSize; ++i)
    for (int32_t j = 0; j < i; ++j) ASSERT_NE(table[i], table[j]) << i << " " << j;
  for (int32_t strc = 0; strc < 16; ++strc) {
    rig.tones[0].strc = strc;
    rig.voice.start(0, 60, 100);
    EXPECT_EQ(rig.voice.renderUntil, table[strc]) << strc;
    EXPECT_EQ(rig.voice.stateByte, 0x1F);
  }
  rig.tones[0].strc = 255;  // only 0..15 reach the FM routines
  rig.voice.start(0, 60, 100);
  EXPECT_EQ(rig.voice.renderUntil, table[15]);

  std::vector<int32_t> data(8, 0);
  rig.slots[0].samples = data.data();
  rig.slots[0].length = 4;
  rig.slots[0].end = rig.slots[0].loopEnd = 4;
  for (int32_t channels : {1, 2, 3}) {
    rig.slots[0].channels = channels;
    rig.voice.startSample(0, 0, 100);
    EXPECT_EQ(rig.voice.renderUntil, table[channels == 2 ? 17 : 16]) << channels;
  }
  rig.slots[0].samples = nullptr;
}

TEST(VoiceUnit, PercussionPlaysTheKeysToneAtItsOwnPitchAndPan) {
  VoiceRig rig;
  TonePreset drum;
  drum.key = 60;
  drum.pan = 20;
  drum.mul[0] = 3;
  for (int32_t op = 0; op < 4; ++op) {
    drum.kf[op] = 3;
    drum.kfStart[op] = 0;
  }
  rig.tones[128 + 36] = drum;
  rig.tones[0] = drum;
  rig.voice.start(0, 60, 100);  // the same tone played melodically at key 60
  const int32_t melodicPitch = rig.voice.operatorState(0).pitch;
  const int32_t followedDecay = rig.voice.operatorState(0).decayRate;

  rig.parts[9].mode = kModePercussion;
  rig.voice.start(9, 36, 100);
  EXPECT_EQ(rig.voice.operatorState(0).pitch, melodicPitch);
  EXPECT_EQ(rig.voice.mix().panOffset, 20);
  EXPECT_LT(rig.voice.operatorState(0).decayRate, followedDecay);  // no key follow for drums
  EXPECT_EQ(rig.voice.key, 36);
  EXPECT_EQ(rig.voice.part, 9);
}

TEST(VoiceUnit, GainsFollowVolumeExpressionVelocityAndPan) {
  VoiceRig rig(0.5f);
  rig.voice.start(0, 60, 127);
  const float* gain = rig.tables.gainCurve();
  const float total = gain[127] * gain[100] * (gain[127] * 0.5f);
  EXPECT_EQ(rig.voice.mix().total, total);
  EXPECT_EQ(rig.voice.mix().gainL, 0.70710677f * total);

  rig.voice.panChanged(0);
  EXPECT_EQ(rig.voice.mix().panL, 1.0f);
  EXPECT_EQ(rig.voice.mix().panR, 0.0f);
  EXPECT_EQ(rig.voice.mix().gainR, 0.0f);
  rig.voice.panChanged(64);
  EXPECT_EQ(rig.voice.mix().panL, 0.70710677f);
  EXPECT_EQ(rig.voice.mix().panR, 0.70710677f);

  rig.voice.volumeChanged(63);
  rig.voice.expressionChanged(127);
  EXPECT_EQ(rig.voice.mix().total, gain[127] * gain[63] * (gain[127] * 0.5f));
}

TEST(VoiceUnit, MasterVolumeOnAnIdleVoiceWaitsForTheNextNote) {
  VoiceRig rig(1.0f);
  rig.voice.start(0, 60, 127);
  rig.voice.stop();
  const float before = rig.voice.mix().gainL;
  rig.voice.masterVolumeChanged(0.25f);
  EXPECT_EQ(rig.voice.mix().gainL, before);
  rig.voice.start(0, 60, 127);
  EXPECT_EQ(rig.voice.mix().velGain, 0.25f);
  rig.voice.masterVolumeChanged(0.5f);
  EXPECT_EQ(rig.voice.mix().velGain, 0.5f);
}

TEST(VoiceUnit, BendChangesRetuneLikeANoteStartedWithThatBend) {
  VoiceRig bent, live;
  bent.parts[0].pitchBend = 16383;
  bent.parts[0].bendRange = 7;
  bent.voice.start(0, 60, 100);
  live.voice.start(0, 60, 100);
  live.voice.pitchBendChanged(16383);
  live.voice.bendRangeChanged(7);
  EXPECT_EQ(live.voice.getBendOffset(), (8191 * 4779) >> 13);
  for (int32_t op = 0; op < 4; ++op)
    EXPECT_EQ(live.voice.operatorState(op).phaseInc, bent.voice.operatorState(op).phaseInc) << op;
}

TEST(VoiceUnit, ReleaseDampAndStopFollowTheStateBits) {
  VoiceRig rig;
  rig.voice.damp();  // idle: nothing
  EXPECT_EQ(rig.voice.stateByte, 0);
  EXPECT_EQ(rig.voice.part, -1);

  rig.voice.start(4, 60, 100);
  rig.render(10);
  rig.voice.release();
  EXPECT_EQ(rig.voice.stateByte, kReleased | 0x0F);
  const int32_t rate = rig.voice.operatorState(0).egRate;
  rig.voice.release();  // already released: nothing
  EXPECT_EQ(rig.voice.stateByte, kReleased | 0x0F);
  EXPECT_EQ(rig.voice.operatorState(0).egRate, rate);
  EXPECT_EQ(rig.voice.part, 4);
  rig.voice.damp();
  EXPECT_EQ(rig.voice.stateByte, kDamped | 0x0F);
  EXPECT_EQ(rig.voice.part, -1);
  rig.voice.release();  // released by damp already: nothing
  EXPECT_EQ(rig.voice.stateByte, kDamped | 0x0F);

  rig.voice.start(4, 60, 100);
  rig.voice.setRateConstants(rig.rates);
  EXPECT_EQ(rig.voice.stateByte, 0);
  rig.voice.start(4, 60, 100);
  rig.voice.stop();
  EXPECT_EQ(rig.voice.stateByte, 0);
  EXPECT_EQ(rig.voice.part, -1);
}

// Stored fields may hold anything a crafted saved state puts there. Every
// index and shift derived from them must stay in range (ASan builds check
// the reads); the voice keeps playing or ends, and never changes the
// records.
TEST(VoiceUnit, HostileFieldValuesStayInsideTheTables) {
  const int32_t hostile[] = {255, -1, 128, INT_MIN, INT_MAX, 1 << 20};
  for (int32_t value : hostile) {
    VoiceRig rig;
    for (TonePreset* t : {&rig.tones[value & 127], &rig.tones[128 + (value & 127)]}) {
      t->key = t->pan = t->lfoWave = t->lfoFreq = t->fl = t->strc = value;
      for (const OperatorField& field : kOperatorFields)
        for (int32_t op = 0; op < kOperatorCount; ++op) (t->*field.member)[op] = value;
    }
    for (int32_t op = 0; op < 4; ++op) rig.tones[0].kfStart[op] = value;  // negative key-follow index at key 0
    for (PartState& p : rig.parts) {
      p.program = value;
      p.pitchBend = value;
      p.bendRange = value;
      for (int32_t& c : p.controllers) c = value;
    }
    for (int32_t mode : {kModeInstrument, kModePercussion}) {
      rig.parts[value & 15].mode = mode;
      for (int32_t key : {0, 127, value}) {
        rig.voice.start(value & 15, key, value);
        rig.voice.modulationChanged(value);
        rig.voice.panChanged(value);
        rig.voice.volumeChanged(value);
        rig.voice.expressionChanged(value);
        rig.voice.bendRangeChanged(value);
        rig.voice.pitchBendChanged(value);
        rig.render(3000);
        rig.voice.release();
        rig.render(500);
      }
    }
    EXPECT_EQ(rig.tones[0].kfStart[0], value);  // stored values stay as they were
    EXPECT_EQ(rig.parts[0].controllers[7], value);
  }
}

}  // namespace
}  // namespace ovri::korvane::synth::testing
