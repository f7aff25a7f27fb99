// Sampler notes: slot selection, loops, release bounds, the read pattern,
// channel separation and bounds on broken slots.
#include "VoiceRig.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>

namespace ovri::korvane::synth::testing {
namespace {

constexpr int32_t kKey = 60;
constexpr int32_t kSlot = 3;

// A sampler rig whose key 60 plays slot 3 at the recorded speed (one frame
// per output sample) at a constant level. Frame f of channel 0 holds the
// code 2f (f steps down), so the output tells which frame was read.
struct SamplerRig : VoiceRig {
  std::vector<int32_t> data;

  SamplerRig(int32_t frames, int32_t channels = 1) {
    data.assign(static_cast<size_t>(frames * channels), kLogSilence);
    for (int32_t f = 0; f < frames; ++f) data[static_cast<size_t>(f * channels)] = 2 * f;
    SampleData& d = slots[kSlot];
    d.samples = data.data();
    d.length = frames;
    d.channels = channels;
    d.logRate = logPitchUnits(kSampleRate);
    d.start = 0;
    d.end = d.loopEnd = frames;
    d.loopLength = d.loopTail = 0;
    SamplerPreset& p = presets[kKey];
    p.smplNum = kSlot;
    p.sl = 0;  // ar 127 and sl 0: full level, no envelope movement ...
    p.rr = 0;  // ... and a release too slow to move within these tests
  }
  ~SamplerRig() { slots[kSlot].samples = nullptr; }

  SampleData& slot() { return slots[kSlot]; }

  // The frames read, from the left output; -1 where nothing was written.
  std::vector<int32_t> framesRead() {
    std::map<float, int32_t> byValue;
    const float* expF = tables.expTableF();
    for (int32_t f = 0; f < slots[kSlot].length; ++f) byValue[expF[2 * f] * voice.mix().gainL] = f;
    std::vector<int32_t> frames;
    for (float v : left) {
      const auto it = byValue.find(v);
      frames.push_back(it == byValue.end() ? -1 : it->second);
    }
    return frames;
  }
};

std::vector<int32_t> sequence(std::initializer_list<std::pair<int32_t, int32_t>> runs) {
  std::vector<int32_t> s;
  for (const auto& [from, to] : runs)
    for (int32_t f = from; f <= to; ++f) s.push_back(f);
  return s;
}

TEST(SamplerVoice, AnEmptySlotStartsNoVoice) {
  SamplerRig rig(16);
  rig.slot().samples = nullptr;
  rig.voice.startSample(2, kKey, 100);
  EXPECT_EQ(rig.voice.stateByte, 0);
  EXPECT_EQ(rig.voice.part, -1);

  rig.slot().samples = rig.data.data();
  rig.voice.startSample(2, kKey, 100);
  EXPECT_EQ(rig.voice.stateByte, 0x11);
  EXPECT_EQ(rig.voice.part, 2);
  EXPECT_EQ(rig.voice.operatorState(0).phaseInc, 0x10000);
}

TEST(SamplerVoice, WithoutALoopTheNoteStopsAtItsEndWhileHeld) {
  SamplerRig rig(16);
  rig.slot().start = 2;
  rig.slot().end = rig.slot().loopEnd = 10;
  rig.voice.startSample(0, kKey, 127);
  rig.render(12);
  EXPECT_EQ(rig.framesRead(), (std::vector<int32_t>{2, 3, 4, 5, 6, 7, 8, 9, -1, -1, -1, -1}));
  EXPECT_EQ(rig.voice.stateByte, 0);
  EXPECT_EQ(rig.voice.renderPosition, 8);
}

TEST(SamplerVoice, ALoopEndingAtTheEndKeepsLoopingAfterRelease) {
  SamplerRig rig(16);
  SampleData& d = rig.slot();
  d.end = d.loopEnd = 10;
  d.loopLength = d.loopTail = 4;
  rig.voice.startSample(0, kKey, 127);
  rig.render(18);
  EXPECT_EQ(rig.framesRead(), sequence({{0, 9}, {6, 9}, {6, 9}}));
  rig.voice.release();
  rig.render(8);
  EXPECT_EQ(rig.framesRead(), sequence({{6, 9}, {6, 9}}));
  EXPECT_EQ(rig.voice.stateByte, kReleased | 1);
}

TEST(SamplerVoice, ALoopBeforeTheEndIsLeftAtRelease) {
  SamplerRig rig(16);
  SampleData& d = rig.slot();
  d.end = 14;
  d.loopEnd = 8;
  d.loopLength = 4;
  d.loopTail = 0;
  rig.voice.startSample(0, kKey, 127);
  rig.render(14);
  EXPECT_EQ(rig.framesRead(), sequence({{0, 7}, {4, 7}, {4, 5}}));
  rig.voice.release();
  rig.render(10);
  EXPECT_EQ(rig.framesRead(), (std::vector<int32_t>{6, 7, 8, 9, 10, 11, 12, 13, -1, -1}));
  EXPECT_EQ(rig.voice.stateByte, 0);
}

TEST(SamplerVoice, OneAndAHalfFramesPerSampleSkipEveryThirdFrame) {
  SamplerRig rig(64);
  rig.presets[kKey].tune = 8192 + 4793;  // log2(1.5) x 8192 = 4792.03, rounded up
  rig.voice.startSample(0, kKey, 127);
  const int32_t inc = rig.voice.operatorState(0).phaseInc;
  EXPECT_NEAR(inc, 0x18000, 10);
  rig.render(40);
  const std::vector<int32_t> read = rig.framesRead();
  EXPECT_EQ(std::vector<int32_t>(read.begin(), read.begin() + 8), (std::vector<int32_t>{0, 1, 3, 4, 6, 7, 9, 10}));
  for (int32_t k = 0; k < 40; ++k) ASSERT_EQ(read[static_cast<size_t>(k)], static_cast<int32_t>(int64_t{k} * inc >> 16));
}

TEST(SamplerVoice, StereoKeepsItsChannelsApart) {
  SamplerRig rig(32, 2);
  for (int32_t f = 0; f < 32; ++f) {
    rig.data[static_cast<size_t>(2 * f)] = 2 * f;            // left: f steps down
    rig.data[static_cast<size_t>(2 * f + 1)] = 8192;         // right: silence
  }
  rig.parts[0].controllers[10] = 20;  // off centre: gainL != gainR
  rig.voice.startSample(0, kKey, 127);
  rig.render(32);
  const float* expF = rig.tables.expTableF();
  const float gainL = rig.voice.mix().gainL;
  ASSERT_NE(gainL, rig.voice.mix().gainR);
  for (int32_t k = 0; k < 32; ++k) {
    ASSERT_EQ(rig.left[static_cast<size_t>(k)], expF[2 * k] * gainL) << k;
    ASSERT_EQ(rig.right[static_cast<size_t>(k)], 0.0f) << k;
  }

  SamplerRig mono(32, 1);
  mono.parts[0].controllers[10] = 20;
  mono.voice.startSample(0, kKey, 127);
  mono.render(32);
  for (int32_t k = 0; k < 32; ++k) {
    ASSERT_EQ(mono.right[static_cast<size_t>(k)], expF[2 * k] * mono.voice.mix().gainR) << k;
  }
}

TEST(SamplerVoice, PitchLevelAndBend) {
  SamplerRig rig(16);
  rig.presets[kKey].octv = 9;
  rig.presets[kKey].tl = 10;
  rig.parts[0].bendRange = 12;
  rig.voice.startSample(0, kKey, 1);
  EXPECT_EQ(rig.voice.operatorState(0).phaseInc, 0x20000);     // an octave up
  EXPECT_EQ(rig.voice.operatorState(0).outputLevel, 10 * 64);  // velocity acts through the gain only
  rig.voice.pitchBendChanged(8192 + 4096);                     // half the range: six semitones
  EXPECT_EQ(rig.voice.getBendOffset(), 4096);
  EXPECT_EQ(rig.voice.operatorState(0).phaseInc, static_cast<int32_t>(std::pow(2.0, 30.5) + 0.5) >> 13);
}

TEST(SamplerVoice, DampSwitchesToTheReleaseBounds) {
  SamplerRig rig(16);
  SampleData& d = rig.slot();
  d.end = 12;
  d.loopEnd = 6;
  d.loopLength = 2;
  rig.voice.startSample(0, kKey, 127);
  rig.render(4);
  rig.voice.damp();
  EXPECT_EQ(rig.voice.samplerBounds().endInUse, 12);
  EXPECT_EQ(rig.voice.samplerBounds().loopInUse, 0);
  EXPECT_EQ(rig.voice.part, -1);
}

// Slots whose fields break the usual ordering, and hostile preset fields:
// playback stays inside the data (ASan builds check every read).
TEST(SamplerVoice, BrokenSlotsNeverReadOutsideTheirData) {
  struct Fields {
    int32_t start, end, loopEnd, loopLength, loopTail, channels;
  };
  const Fields cases[] = {
      {100, 200, 150, 4, 4, 1},         {0, 16, 10, 1000, 1000, 1},
      {-5, -3, -1, 2, 2, 1},            {0, 100, 100, 50, 50, 2},
      {3, 40, 30, 7, 0, 3},             {INT_MIN, INT_MAX, INT_MAX, INT_MAX, INT_MAX, 2},
      {INT_MAX, INT_MIN, INT_MIN, INT_MIN, INT_MIN, 1}, {15, 1, 1, 1, 1, 4},
  };
  const int32_t pitches[][2] = {{8, 8192}, {15, 16383}, {255, 0x7FFFFFFF}};
  for (const Fields& c : cases) {
    for (const auto& pitch : pitches) {
      SamplerRig rig(16, 1);
      rig.data.assign(static_cast<size_t>(16 * c.channels), 0);
      SampleData& d = rig.slot();
      d.samples = rig.data.data();
      d.channels = c.channels;
      d.start = c.start;
      d.end = c.end;
      d.loopEnd = c.loopEnd;
      d.loopLength = c.loopLength;
      d.loopTail = c.loopTail;
      rig.presets[kKey].octv = pitch[0];
      rig.presets[kKey].tune = pitch[1];
      rig.voice.startSample(0, kKey, 127);
      rig.render(3000);
      rig.voice.release();
      rig.render(3000);
      EXPECT_LE(rig.voice.samplerBounds().endInUse, 16);
    }
  }

  SamplerRig rig(16);
  SamplerPreset& p = rig.presets[kKey];
  p.pan = p.tl = p.sl = p.ar = p.dr = p.rr = 255;
  p.smplNum = 255;  // & 127 = slot 127, empty
  rig.voice.startSample(0, kKey, 255);
  EXPECT_EQ(rig.voice.stateByte, 0);
  p.smplNum = kSlot + 128;
  for (int32_t tl : {-1, 128, 255, INT_MIN, INT_MAX}) {
    p.tl = tl;
    p.sl = tl;
    rig.voice.startSample(0, kKey + 128, 255);
    rig.render(2000);
  }
}

}  // namespace
}  // namespace ovri::korvane::synth::testing
