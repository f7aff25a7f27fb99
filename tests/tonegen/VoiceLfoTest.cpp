// The stepped voice LFO: step timing, columns, depth and targets.
#include "VoiceRig.h"

#include <gtest/gtest.h>

namespace ovri::korvane::synth::testing {
namespace {

// Renders sample by sample until the LFO has taken `steps` steps.
void renderSteps(VoiceRig& rig, int32_t steps) {
  const int32_t startIndex = rig.voice.lfo().lfoIndex;
  const int32_t target = (startIndex + 2 * steps) & 255;
  for (int32_t guard = 0; guard < 10000000 && rig.voice.lfo().lfoIndex != target; ++guard)
    rig.renderOneByOne(1);
  ASSERT_EQ(rig.voice.lfo().lfoIndex, target);
}

struct LfoRig : VoiceRig {
  LfoRig(int32_t strc, int32_t wave, int32_t lfoFreq = 16383) {
    TonePreset& t = steadyTone();
    t.strc = strc;
    t.lfoWave = wave;
    t.lfoFreq = lfoFreq;
    for (int32_t op = 0; op < 4; ++op) t.lms[op] = 15;
    parts[0].controllers[1] = 127;  // depth 15 x 127 = 1905
    voice.start(0, 60, 127);
  }
};

TEST(VoiceLfo, FirstStepComesOneStepPeriodAfterTheNoteStarts) {
  LfoRig rig(0, 0, 2048);
  const int32_t step = rig.rates.lfoStepUnit * 2048;
  EXPECT_EQ(rig.voice.lfo().step, step);
  const int32_t period = ((1 << 30) + step - 1) / step;  // samples until the countdown falls below 1
  rig.render(period);
  EXPECT_EQ(rig.voice.lfo().lfoIndex, 0);
  rig.render(1);
  EXPECT_EQ(rig.voice.lfo().lfoIndex, 2);
}

TEST(VoiceLfo, TriangleVibratoReachesHalfDepthAtTheSeventeenthStep) {
  LfoRig rig(0, 0);
  const int32_t restingInc = rig.voice.operatorState(0).phaseInc;
  renderSteps(rig, 1);
  EXPECT_EQ(rig.voice.operatorState(0).lfoPitch, 0);
  EXPECT_EQ(rig.voice.operatorState(0).phaseInc, restingInc);
  renderSteps(rig, 16);
  EXPECT_EQ(rig.voice.operatorState(0).lfoPitch, 4096 * 1905 >> 11);  // 3810
  EXPECT_GT(rig.voice.operatorState(0).phaseInc, restingInc);
  EXPECT_EQ(rig.voice.operatorState(3).lfoAmp, 0);  // pitch routines never attenuate
}

TEST(VoiceLfo, SquareTremoloUsesTheUnipolarColumn) {
  LfoRig rig(8, 1);
  const int32_t restingInc = rig.voice.operatorState(2).phaseInc;
  EXPECT_EQ(rig.voice.lfo().lfoIndex, 1);
  renderSteps(rig, 64);
  EXPECT_EQ(rig.voice.operatorState(2).lfoAmp, 0);
  renderSteps(rig, 1);
  EXPECT_EQ(rig.voice.operatorState(2).lfoAmp, (8192 * 1905 >> 11) & 0x7FFFFFFE);  // 7620
  EXPECT_EQ(rig.voice.operatorState(2).phaseInc, restingInc);  // tremolo leaves the pitch alone
  EXPECT_EQ(rig.voice.operatorState(2).lfoPitch, 0);
}

TEST(VoiceLfo, SawFallsOverOneCycleThenJumpsBack) {
  LfoRig rig(0, 2);
  renderSteps(rig, 1);
  EXPECT_EQ(rig.voice.operatorState(1).lfoPitch, 8192 * 1905 >> 11);
  int32_t previous = rig.voice.operatorState(1).lfoPitch;
  for (int32_t s = 2; s <= 128; ++s) {
    renderSteps(rig, 1);
    ASSERT_LT(rig.voice.operatorState(1).lfoPitch, previous) << s;
    previous = rig.voice.operatorState(1).lfoPitch;
  }
  renderSteps(rig, 1);
  EXPECT_EQ(rig.voice.operatorState(1).lfoPitch, 8192 * 1905 >> 11);
}

TEST(VoiceLfo, NoiseIsTheSameSequenceForEveryNote) {
  LfoRig rig(0, 3);
  std::vector<int32_t> first;
  for (int32_t s = 0; s < 8; ++s) {
    renderSteps(rig, 1);
    first.push_back(rig.voice.operatorState(0).lfoPitch);
  }
  rig.voice.start(0, 72, 100);
  for (int32_t s = 0; s < 8; ++s) {
    renderSteps(rig, 1);
    EXPECT_EQ(rig.voice.operatorState(0).lfoPitch, first[static_cast<size_t>(s)]);
  }
  EXPECT_EQ(first[0], -5503 * 1905 >> 11);  // step 1 reads the first pair
}

TEST(VoiceLfo, ZeroRateOrZeroModulationMeansNoVibrato) {
  LfoRig still(0, 0, 0);
  const int32_t inc = still.voice.operatorState(0).phaseInc;
  still.render(48000);
  EXPECT_EQ(still.voice.lfo().lfoIndex, 0);
  EXPECT_EQ(still.voice.operatorState(0).phaseInc, inc);

  LfoRig unmodulated(0, 0);
  unmodulated.voice.modulationChanged(0);
  unmodulated.render(48000);
  EXPECT_EQ(unmodulated.voice.operatorState(0).lfoPitch, 0);
}

TEST(VoiceLfo, ModulationChangeTakesEffectAtTheNextStep) {
  LfoRig rig(0, 1);  // square: +8192 from the first step
  renderSteps(rig, 2);
  EXPECT_EQ(rig.voice.operatorState(0).lfoPitch, 8192 * 1905 >> 11);
  rig.voice.modulationChanged(64);
  EXPECT_EQ(rig.voice.operatorState(0).lfoDepth, 15 * 64);
  EXPECT_EQ(rig.voice.operatorState(0).lfoPitch, 8192 * 1905 >> 11);
  renderSteps(rig, 1);
  EXPECT_EQ(rig.voice.operatorState(0).lfoPitch, 8192 * 960 >> 11);
}

}  // namespace
}  // namespace ovri::korvane::synth::testing
