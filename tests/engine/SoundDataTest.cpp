#include "engine/SynthesizerFM4.h"
#include "tonegen/LogCode.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ovri::korvane {
namespace {

using namespace synth;

TEST(SoundData, TonePresetDefaults) {
  SynthesizerFM4 s(440.0f, 0.8f);
  for (int32_t i = 0; i < kToneCount; i += 37) {
    const TonePreset& t = s.getTonePreset(i);
    EXPECT_STREQ(t.presetName, "                ");
    EXPECT_EQ(t.key, 64);
    EXPECT_EQ(t.pan, 64);
    EXPECT_EQ(t.lfoFreq, 2048);
    EXPECT_EQ(t.fl, 127);
    EXPECT_EQ(t.strc, 0);
    for (int32_t op = 0; op < kOperatorCount; ++op) {
      EXPECT_EQ(t.mul[op], 1);
      EXPECT_EQ(t.tune[op], 8192);
      EXPECT_EQ(t.ar[op], 124);
      EXPECT_EQ(t.dr[op], 100);
      EXPECT_EQ(t.rr[op], 120);
      EXPECT_EQ(t.kfStart[op], 48);
      EXPECT_EQ(t.tl[op] | t.sl[op] | t.lms[op] | t.wave[op] | t.kf[op] | t.tlVelCtrl[op], 0);
    }
  }
  const SamplerPreset& p = s.getSamplerPreset(0);
  EXPECT_EQ(p.octv, 8);
  EXPECT_EQ(p.ar, 127);
  EXPECT_EQ(p.sl, 127);
}

TEST(SoundData, WaveMemoryEncoding) {
  SynthesizerFM4 s(440.0f, 0.8f);
  const int32_t* sine = s.getWaveTable();
  EXPECT_EQ(sine[0], 8192);
  EXPECT_EQ(sine[1024], 8193);
  EXPECT_EQ(sine[512], 0);
  EXPECT_EQ(sine[1536], 1);
  const int32_t* half = sine + kWaveLength;
  for (int32_t j = 1024; j < 2048; ++j) ASSERT_EQ(half[j], 8192);
  const int32_t* absolute = sine + 2 * kWaveLength;
  EXPECT_EQ(absolute[512], 0);
  EXPECT_EQ(absolute[1536], 0);
  const int32_t* alternating = sine + 3 * kWaveLength;
  EXPECT_EQ(alternating[256], 0);   // sine at 512
  EXPECT_EQ(alternating[768], 1);   // sine at 1536
  const int32_t* camel = sine + 4 * kWaveLength;
  EXPECT_EQ(camel[256], 0);
  EXPECT_EQ(camel[768], 0);
  EXPECT_EQ(sine[5 * kWaveLength + 512], 0);  // triangle normalised at its peak
  EXPECT_EQ(sine[6 * kWaveLength + 32], 0);   // square at its first peak
  EXPECT_EQ(sine[7 * kWaveLength + 61], 0);   // saw at its first peak
}

// The saw overshoots its normalising peak; every code must still be a valid
// non-negative index into the exponential tables.
TEST(SoundData, NoWaveCodeIsNegativeOrBeyondSilence) {
  SynthesizerFM4 s(440.0f, 0.8f);
  for (int32_t i = 0; i < kWaveMemorySize; ++i) {
    ASSERT_GE(s.getWaveTable()[i], 0) << i;
    ASSERT_LE(s.getWaveTable()[i], 8193) << i;
  }
  EXPECT_EQ(toLogSample(1.03), 0);
  EXPECT_EQ(toLogSample(-1.03), 1);
  EXPECT_EQ(toLogSample(0.5), 512);
  EXPECT_EQ(toLogSample(-0.5), 513);
  EXPECT_EQ(toLogSample(1.0 / 70000.0), 8192);
}

TEST(SoundData, SystemResetEmptiesSampleSlotsAndRestoresDefaults) {
  SynthesizerFM4 s(440.0f, 0.8f);
  SampleData& slot = s.getSampleData(5);
  slot.samples = new int32_t[16]();
  slot.ownsData = 1;
  slot.length = 16;
  slot.channels = 1;
  s.getTonePreset(3).fl = 0;
  s.setReceiveSysEx(true);
  s.setNrpnEnabled(true);
  s.setPartDefaultMode(4, 3);
  s.setPartMode(4, 0);
  s.systemReset();
  EXPECT_EQ(slot.samples, nullptr);
  EXPECT_EQ(slot.length, 0);
  EXPECT_EQ(s.getTonePreset(3).fl, 127);
  EXPECT_FALSE(s.getReceiveSysEx());
  EXPECT_FALSE(s.isNrpnEnabled());
  EXPECT_TRUE(s.isRpnEnabled());
  EXPECT_EQ(s.getPartMode(4), 3);  // back to its default mode
}

TEST(SoundData, VolumeTableStepsAreThreeQuartersOfADecibel) {
  SynthesizerFM4 s(440.0f, 0.8f);
  EXPECT_FLOAT_EQ(s.getVolumeTable()[127], 1.0f);
  EXPECT_FLOAT_EQ(s.getVolumeTable()[119], 0.5f);
  EXPECT_FLOAT_EQ(s.getVolumeTable()[0], static_cast<float>(std::pow(2.0, 1.0 / 8) / 65536.0));
}

}  // namespace
}  // namespace ovri::korvane
