#include "tonegen/VoiceTableSet.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ovri::korvane::synth {
namespace {

TEST(VoiceTableSet, ExponentialTablesMapCodesToAmplitudes) {
  VoiceTableSet t;
  const float* f = t.expTableF();
  EXPECT_EQ(f[0], 1.0f);
  EXPECT_EQ(f[1], -1.0f);
  EXPECT_EQ(f[512], 0.5f);  // 256 steps: one octave down
  EXPECT_GT(f[8190], 0.0f);
  for (int32_t i = 8192; i < kExpTableSize; ++i) ASSERT_EQ(f[i], 0.0f) << i;

  const int32_t* n = t.expTableI();
  EXPECT_EQ(n[0], 65536);
  EXPECT_EQ(n[1], -65536);
  EXPECT_EQ(n[2], 65358);  // trunc(2^(16 - 1/256))
  for (int32_t k = 0; k < 4096; ++k) ASSERT_EQ(n[2 * k + 1], -n[2 * k]);
  for (int32_t i = 8192; i < kExpTableSize; ++i) ASSERT_EQ(n[i], 0) << i;
}

TEST(VoiceTableSet, EnvelopeCurvesAndLevels) {
  VoiceTableSet t;
  const int32_t* attack = t.attackCurve();
  EXPECT_EQ(attack[0], 8192);
  EXPECT_EQ(attack[1], 6144);
  EXPECT_EQ(attack[2048], 512);
  EXPECT_EQ(attack[4095], 0);
  for (int32_t i = 1; i < kCurveSize; ++i) ASSERT_LE(attack[i], attack[i - 1]);

  EXPECT_EQ(t.linearCurve()[4095], 8190);
  EXPECT_EQ(t.levelTable()[127], 8128);
  EXPECT_EQ(t.levelTable()[128], 8192);
  EXPECT_EQ(t.levelTable()[255], 8192);
  EXPECT_EQ(t.sustainTable()[103], 103 << 23);
  EXPECT_EQ(t.sustainTable()[104], 104 << 23);
  EXPECT_EQ(t.sustainTable()[128], 104 << 23);
  EXPECT_EQ(t.keyFollowTable()[127], 0);
  EXPECT_EQ(t.keyFollowTable()[128], 170);          // trunc(1/48 x 8192)
  EXPECT_EQ(t.keyFollowTable()[128 + 47], 8192);    // 48 keys: one octave
}

TEST(VoiceTableSet, PitchAndRateTables) {
  VoiceTableSet t;
  const int32_t expected[16] = {-8192, 0, 8192, 12984, 16384, 19021, 21176, 22998,
                                24576, 25968, 27213, 28340, 29368, 30314, 31190, 32005};
  for (int32_t i = 0; i < 16; ++i) EXPECT_EQ(t.mulTable()[i], expected[i]) << i;

  EXPECT_EQ(t.rateMantissa()[0], 1 << 30);
  EXPECT_EQ(t.rateMantissa()[4096], static_cast<int32_t>(std::pow(2.0, 30.5) + 0.5));
  EXPECT_LT(t.rateMantissa()[8191], 0x7FFFFFFF);
  EXPECT_EQ(t.pitchShift()[0], 30);
  EXPECT_EQ(t.pitchShift()[29], 1);
  EXPECT_EQ(t.pitchShift()[30], 0);
  EXPECT_EQ(t.pitchShift()[127], 0);
  EXPECT_EQ(t.rateShift()[29], 1);
  EXPECT_EQ(t.rateShift()[30], 1);
  EXPECT_EQ(t.rateShift()[127], 1);
  EXPECT_EQ(t.keyPitch()[12], 8192);
  EXPECT_EQ(t.keyPitch()[1], 683);
  EXPECT_EQ(t.keyPitch()[127], 86699);
}

TEST(VoiceTableSet, GainAndPanTables) {
  VoiceTableSet t;
  EXPECT_EQ(t.gainCurve()[127], 1.0f);
  EXPECT_EQ(t.gainCurve()[63], 0.25f);
  const float* pan = t.panTable();
  for (int32_t i = 0; i <= 64; ++i) ASSERT_EQ(pan[i], 1.0f) << i;
  EXPECT_EQ(pan[128], 0.70710677f);  // centre: both sides read [128]
  EXPECT_NEAR(pan[191], 0.0122715f, 1e-6);
  for (int32_t i = 192; i < kPanTableSize; ++i) ASSERT_EQ(pan[i], 0.0f) << i;
  for (int32_t i = 65; i < 192; ++i) ASSERT_LT(pan[i], pan[i - 1]) << i;
}

TEST(VoiceTableSet, NoiseWaveFollowsTheSeededGenerator) {
  LegacyRandom r(1635);
  EXPECT_EQ(r.next(), 5377);
  EXPECT_EQ(r.next(), 17715);
  EXPECT_EQ(r.next(), 102);
  EXPECT_EQ(r.next(), 24355);

  VoiceTableSet t;
  const int32_t* noise = t.lfoWaveTable() + 3 * kLfoWaveLength;
  const int32_t pairs[4][2] = {{-5503, 1344}, {665, 4428}, {-8140, 25}, {3985, 6088}};
  for (int32_t n = 0; n < 4; ++n) {
    EXPECT_EQ(noise[2 * n], pairs[n][0]) << n;
    EXPECT_EQ(noise[2 * n + 1], pairs[n][1]) << n;
  }
}

TEST(VoiceTableSet, LfoWaveShapes) {
  VoiceTableSet t;
  const int32_t* w = t.lfoWaveTable();
  const int32_t* triangle = w;
  const int32_t* square = w + kLfoWaveLength;
  const int32_t* saw = w + 2 * kLfoWaveLength;
  // Bipolar column (even entries) and unipolar column (odd entries).
  EXPECT_EQ(triangle[2 * 0], 0);
  EXPECT_EQ(triangle[2 * 16], 4096);
  EXPECT_EQ(triangle[2 * 32], 8192);
  EXPECT_EQ(triangle[2 * 96], -8192);
  EXPECT_EQ(triangle[2 * 127], -256);
  EXPECT_EQ(triangle[2 * 64 + 1], 8192);
  EXPECT_EQ(triangle[2 * 127 + 1], 128);
  EXPECT_EQ(square[2 * 63], 8192);
  EXPECT_EQ(square[2 * 64], -8192);
  EXPECT_EQ(square[2 * 63 + 1], 0);
  EXPECT_EQ(square[2 * 64 + 1], 8192);
  EXPECT_EQ(saw[0], 8192);
  EXPECT_EQ(saw[2 * 127], 8192 - 128 * 127);
  EXPECT_EQ(saw[2 * 127 + 1], 64 * 127);
}

TEST(VoiceTableSet, EachTableIsBuiltOnceAndShared) {
  VoiceTableSet t;
  const float* first = t.expTableF();
  EXPECT_EQ(t.expTableF(), first);
  EXPECT_EQ(t.lfoWaveTable(), t.lfoWaveTable());
}

}  // namespace
}  // namespace ovri::korvane::synth
