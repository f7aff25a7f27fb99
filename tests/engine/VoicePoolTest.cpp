#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace ovri::korvane {
namespace {

using test::EngineHarness;
using synth::SynthesizerFM4;

// A note released at the very start of its attack is already silent and
// ends at once; tones without an attack phase are audible from their first
// sample, so releasing them leaves a releasing voice.
void withoutAttack(SynthesizerFM4& s) {
  for (int32_t t = 0; t < synth::kToneCount; ++t)
    for (int32_t op = 0; op < synth::kOperatorCount; ++op) s.getTonePreset(t).ar[op] = 127;
}

TEST(VoicePool, IdleVoicesAreTakenAroundTheRingAfterTheCursor) {
  SynthesizerFM4 s(440.0f, 0.8f);
  for (int32_t i = 1; i <= 3; ++i) {
    s.noteOn(0, 60 + i, 100);
    EXPECT_EQ(s.getAllocationCursor(), i);
    EXPECT_EQ(s.getVoice(i).key, 60 + i);
  }
  EXPECT_EQ(s.getVoice(0).stateByte, 0);
}

TEST(VoicePool, FullPoolStealsReleasedBeforeHeld) {
  SynthesizerFM4 s(440.0f, 0.8f);
  withoutAttack(s);
  for (int32_t i = 0; i < 128; ++i) s.noteOn(0, i, 100);
  EXPECT_EQ(s.getAllocationCursor(), 0);  // the 128th note wrapped to voice 0
  s.noteOn(0, 0, 100);                    // all held: the voice after the cursor
  EXPECT_EQ(s.getAllocationCursor(), 1);

  s.noteOff(0, 49, 0);  // voice 50 holds key 49 (voice 1 took key 0)
  EXPECT_NE(s.getVoice(50).stateByte & synth::kReleased, 0);
  s.noteOn(0, 99, 100);
  EXPECT_EQ(s.getAllocationCursor(), 50);
  EXPECT_EQ(s.getVoice(50).key, 99);
}

TEST(VoicePool, RepeatedKeyTakesANewVoiceAndNoteOffReleasesBoth) {
  SynthesizerFM4 s(440.0f, 0.8f);
  withoutAttack(s);
  s.noteOn(4, 60, 100);
  s.noteOn(4, 60, 100);
  EXPECT_EQ(s.getActiveVoiceCount(), 2);
  s.noteOff(4, 60, 0);
  EXPECT_NE(s.getVoice(1).stateByte & synth::kReleased, 0);
  EXPECT_NE(s.getVoice(2).stateByte & synth::kReleased, 0);
}

TEST(VoicePool, ReleaseAtTheStartOfAnAttackEndsTheSilentNote) {
  SynthesizerFM4 s(440.0f, 0.8f);
  s.noteOn(0, 60, 100);
  s.noteOff(0, 60, 0);
  EXPECT_EQ(s.getActiveVoiceCount(), 0);
}

TEST(VoicePool, PolyphonyRoundsUpToAPowerOfTwoUpTo1024) {
  SynthesizerFM4 s(440.0f, 0.8f);
  EXPECT_EQ(s.setPolyphony(0), 128);
  EXPECT_EQ(s.setPolyphony(600), 1024);
  EXPECT_EQ(s.setPolyphony(5000), 1024);
  EXPECT_EQ(s.setPolyphony(100), 128);
  s.noteOn(0, 60, 100);
  EXPECT_EQ(s.setPolyphony(256), 256);
  EXPECT_EQ(s.getActiveVoiceCount(), 0);  // all notes end
  s.noteOn(0, 60, 100);
  EXPECT_EQ(s.getAllocationCursor(), 1);
}

TEST(VoicePool, PartModeIsClampedAndAChangeStopsThePartsVoices) {
  SynthesizerFM4 s(440.0f, 0.8f);
  s.noteOn(2, 60, 100);
  s.noteOn(3, 60, 100);
  s.setPartMode(2, 7);
  EXPECT_EQ(s.getPartMode(2), 3);
  EXPECT_EQ(s.getActiveVoiceCount(), 1);
  s.setPartDefaultMode(2, 9);
  EXPECT_EQ(s.getPartDefaultMode(2), 3);

  s.setPartMode(5, 2);
  s.resetParts(false);
  EXPECT_EQ(s.getPartMode(5), 2);
  s.resetParts(true);
  EXPECT_EQ(s.getPartMode(5), 1);
  EXPECT_EQ(s.getPartMode(2), 3);
}

TEST(VoicePool, SamplerNoteOnAnEmptySlotLeavesNoVoiceBusy) {
  EngineHarness h;
  h.synth->setPartMode(0, synth::kModeSampler);
  h.noteOn(0, 60, 100);
  h.render(64);
  EXPECT_EQ(h.synth->getActiveVoiceCount(), 0);
  EXPECT_EQ(h.firstSound(0, 64), -1);
}

TEST(VoicePool, PercussionPartPlaysTheKeysOwnTone) {
  EngineHarness h;
  h.synth->setPartMode(9, synth::kModePercussion);
  h.synth->getTonePreset(128 + 36).pan = 0;  // hard left
  h.noteOn(9, 36, 100);
  h.render(256);
  EXPECT_GE(h.firstSound(0, 256), 0);
  EXPECT_EQ(h.firstSound(1, 256), -1);
}

TEST(VoicePool, RateConstantsFollowSampleRateAndTuning) {
  SynthesizerFM4 s(440.0f, 0.8f);
  s.applySampleRate(48000.0f);
  const auto& rc = s.getRateConstants();
  EXPECT_EQ(rc.samplePitchBase, 131072 - 127392);  // L(48000) = 127392
  EXPECT_EQ(rc.dampRate, static_cast<int32_t>(1073741824.0 / (48000.0 / 512.0) + 0.5));
  EXPECT_EQ(rc.lfoStepUnit, 5593);                  // 65540.0002 / 11.71875
  s.noteOn(0, 60, 100);
  s.setMasterTune(442.0f);
  EXPECT_EQ(s.getActiveVoiceCount(), 0);  // retuning silences every voice
}

}  // namespace
}  // namespace ovri::korvane
