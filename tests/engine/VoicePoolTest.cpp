#include "EngineHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

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

// The voice a step-by-step walk around the ring takes: after the cursor,
// idle first, then released or damped, then held; the cursor never; -1 none.
int32_t ringChoice(const std::vector<int32_t>& states, int32_t cursor) {
  const int32_t n = static_cast<int32_t>(states.size());
  for (int32_t pass = 0; pass < 3; ++pass)
    for (int32_t step = 1; step < n; ++step) {
      const int32_t s = states[(cursor + step) % n];
      if (pass == 0 ? s == 0 : (s & (pass == 1 ? synth::kReleased | synth::kDamped : synth::kKeyHeld)) != 0)
        return (cursor + step) % n;
    }
  return -1;
}

std::vector<int32_t> voiceStates(SynthesizerFM4& s) {
  std::vector<int32_t> states(static_cast<size_t>(s.getPolyphony()));
  for (size_t i = 0; i < states.size(); ++i) states[i] = s.getVoice(static_cast<int32_t>(i)).stateByte;
  return states;
}

struct RandomPlay {
  uint32_t seed;
  int32_t polyphony;
  int32_t parts;  // notes go to parts 0..parts-1
  int32_t keys;   // and keys 60..60+keys-1
};

class VoicePoolRandomPlay : public ::testing::TestWithParam<RandomPlay> {};

// Random notes, note-offs, part controllers, render runs (in which notes
// end by themselves) and polyphony changes: every note takes the voice the
// plain ring walk picks, and every note-off, all-notes-off, sound-off and
// program change reaches exactly the voices of its part (and key).
TEST_P(VoicePoolRandomPlay, EveryEventReachesTheVoicesAPlainScanFinds) {
  const RandomPlay play = GetParam();
  EngineHarness h(64);
  SynthesizerFM4& s = *h.synth;
  // Program 0: an attack (released at once it ends); 1: no attack, slow
  // release (voices linger releasing); 2: no attack, decays to silence
  // while held; 3: sampler part on an empty slot.
  for (int32_t op = 0; op < synth::kOperatorCount; ++op) {
    s.getTonePreset(1).ar[op] = 127;
    s.getTonePreset(1).rr[op] = 40;
    s.getTonePreset(2).ar[op] = 127;
    s.getTonePreset(2).dr[op] = 120;
    s.getTonePreset(2).sl[op] = 128;
  }
  s.setPartMode(3, synth::kModeSampler);
  s.setPolyphony(play.polyphony);
  std::mt19937 random(play.seed);
  auto pick = [&random](int32_t n) { return static_cast<int32_t>(random() % static_cast<uint32_t>(n)); };
  int32_t notesTaken = 0;
  for (int32_t step = 0; step < 4000; ++step) {
    const int32_t part = pick(play.parts);
    const int32_t key = 60 + pick(play.keys);
    const std::vector<int32_t> before = voiceStates(s);
    std::vector<int32_t> partOf(before.size()), keyOf(before.size());
    for (size_t i = 0; i < before.size(); ++i) {
      partOf[i] = s.getVoice(static_cast<int32_t>(i)).part;
      keyOf[i] = s.getVoice(static_cast<int32_t>(i)).key;
    }
    // Which voices the event may change, and what it leaves in them.
    auto reached = [&](size_t i) { return partOf[i] == part; };
    std::function<bool(size_t)> concerned;
    int32_t expected = -1;
    const int32_t action = pick(100);
    if (action < 45) {
      expected = ringChoice(before, s.getAllocationCursor());
      const int32_t cursor = s.getAllocationCursor();
      s.noteOn(part, key, 1 + pick(127));
      ASSERT_EQ(s.getAllocationCursor(), expected < 0 ? cursor : expected) << "step " << step;
      notesTaken += expected >= 0 ? 1 : 0;
      concerned = [&](size_t i) { return static_cast<int32_t>(i) == expected; };
    } else if (action < 70) {
      s.noteOff(part, key, 0);
      concerned = [&](size_t i) { return reached(i) && keyOf[i] == key && (before[i] & synth::kKeyHeld) != 0; };
      for (size_t i = 0; i < before.size(); ++i)
        if (concerned(i)) {
          EXPECT_EQ(s.getVoice(static_cast<int32_t>(i)).stateByte & synth::kKeyHeld, 0);
        }
    } else if (action < 80) {
      const int32_t kind = pick(3);
      if (kind == 2)
        s.programChange(part, pick(3));  // damps the part's voices
      else
        s.controlChange(part, kind == 0 ? 120 : 123, 0);  // all sound off, all notes off
      concerned = reached;
      for (size_t i = 0; i < before.size(); ++i)
        if (reached(i)) {
          EXPECT_EQ(s.getVoice(static_cast<int32_t>(i)).stateByte & synth::kKeyHeld, 0);
        }
    } else if (action < 99) {
      h.render(1 + pick(64));
      concerned = [](size_t) { return true; };
    } else {
      s.usePolyphony(std::max(1, play.polyphony >> pick(3)));
      ASSERT_EQ(s.getActiveVoiceCount(), 0);
      ASSERT_EQ(s.getAllocationCursor(), 0);
      continue;
    }
    for (size_t i = 0; i < before.size(); ++i)
      if (!concerned(i)) {
        ASSERT_EQ(s.getVoice(static_cast<int32_t>(i)).stateByte, before[i]) << "step " << step;
      }
  }
  EXPECT_EQ(notesTaken > 500, play.polyphony > 1);
}

INSTANTIATE_TEST_SUITE_P(Pools, VoicePoolRandomPlay,
                         ::testing::Values(RandomPlay{1, 1, 2, 4},       // every note dropped
                                           RandomPlay{2, 2, 2, 4},       // only the other voice
                                           RandomPlay{3, 8, 3, 6},       // steals all the time
                                           RandomPlay{4, 128, 4, 12},    // across word boundaries
                                           RandomPlay{5, 1024, 16, 128}, // mostly idle
                                           RandomPlay{6, 1024, 1, 2}));  // one part, few keys

// usePolyphony takes effect at once and leaves the engine as a new one with
// that polyphony: the next notes take the same voices and sound bit for bit
// the same, whatever played before; voices beyond the count stay silent.
TEST(VoicePool, UsePolyphonyPlaysLikeANewEngine) {
  struct Row {
    int32_t request;
    int32_t count;
  };
  for (const Row row : {Row{1, 1}, Row{3, 4}, Row{100, 128}, Row{600, 1024}, Row{5000, 1024}}) {
    EngineHarness used(64);
    EngineHarness fresh(64);
    used.synth->setPolyphony(synth::kMaxVoices);
    for (int32_t i = 0; i < 1500; ++i) used.synth->noteOn(i % 16, 30 + i % 70, 100);
    used.render(64);
    EXPECT_EQ(used.synth->usePolyphony(row.request), row.count);
    EXPECT_EQ(used.synth->getPolyphony(), row.count);
    EXPECT_EQ(used.synth->getActiveVoiceCount(), 0);
    fresh.synth->setPolyphony(row.request);
    for (EngineHarness* h : {&used, &fresh}) {
      for (int32_t i = 0; i < 40; ++i) h->noteOn(i % 5, 40 + i, 90, i);
      h->render(64);
    }
    for (int32_t i = row.count; i < synth::kMaxVoices; ++i) EXPECT_EQ(used.synth->getVoice(i).stateByte, 0) << i;
    for (int32_t c = 0; c < kChannelCount; ++c) EXPECT_EQ(used.channel(c), fresh.channel(c)) << row.request << " channel " << c;
  }
  EngineHarness h;
  EXPECT_EQ(h.synth->usePolyphony(0), 128);
}

}  // namespace
}  // namespace ovri::korvane
