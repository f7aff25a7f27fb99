// The sixteen FM render routines: connection graphs, carrier sums, voice
// end rules and exact output.
#include "VoiceRig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace ovri::korvane::synth::testing {
namespace {


// Four distinct operators: waves, multiples, levels and envelopes differ.
void distinctOperators(TonePreset& t) {
  const int32_t wave[4] = {0, 5, 2, 7}, mul[4] = {1, 3, 2, 1}, tl[4] = {20, 30, 10, 0};
  const int32_t ar[4] = {120, 127, 110, 100}, dr[4] = {60, 70, 50, 40}, sl[4] = {4, 8, 0, 12};
  for (int32_t op = 0; op < 4; ++op) {
    t.wave[op] = wave[op];
    t.mul[op] = mul[op];
    t.tl[op] = tl[op];
    t.ar[op] = ar[op];
    t.dr[op] = dr[op];
    t.sl[op] = sl[op];
    t.tune[op] = 8192 + 37 * op;
  }
}

// The tone with operator from[i] moved to slot i.
TonePreset permuted(const TonePreset& source, const int32_t (&from)[4]) {
  TonePreset t(source);
  for (int32_t op = 0; op < 4; ++op)
    for (const OperatorField& field : kOperatorFields) (t.*field.member)[op] = (source.*field.member)[from[op]];
  return t;
}

struct Rendered {
  std::vector<float> left, right;
  int32_t stateByte;
};

// Plays the tone at key 60 for n samples (from sample `skip` on), one block.
Rendered play(const TonePreset& tone, int32_t n, int32_t skip = 0) {
  VoiceRig rig;
  rig.tones[0] = tone;
  rig.voice.start(0, 60, 100);
  if (skip > 0) rig.render(skip);
  rig.render(n);
  return {rig.left, rig.right, rig.voice.stateByte};
}

TEST(FmAlgorithm, ChainWithFeedbackMatchesTheOperatorFormula) {
  VoiceRig rig;
  TonePreset& t = rig.steadyTone();
  t.strc = 7;
  t.fl = 40;
  const int32_t mul[4] = {1, 2, 3, 1}, wave[4] = {0, 6, 7, 5}, tl[4] = {10, 24, 16, 0};
  for (int32_t op = 0; op < 4; ++op) {
    t.mul[op] = mul[op];
    t.wave[op] = wave[op];
    t.tl[op] = tl[op];
  }
  rig.voice.start(0, 57, 127);
  const int32_t n = 2000;
  rig.render(n);

  const int32_t* expI = rig.tables.expTableI();
  const float* expF = rig.tables.expTableF();
  const int32_t fb = rig.tables.levelTable()[40];
  for (int32_t s = 0; s < n; ++s) {
    int32_t p[4];
    const int32_t* w[4];
    for (int32_t op = 0; op < 4; ++op) {
      const uint32_t inc = static_cast<uint32_t>(rig.voice.operatorState(op).phaseInc);
      p[op] = static_cast<int32_t>(((static_cast<uint32_t>(s) * inc) & 0x7FFFFFF) >> 16);
      w[op] = rig.waves.data() + 2048 * wave[op];
    }
    const int32_t m0 = expI[w[0][(p[0] + expI[w[0][p[0]] + fb]) & 2047] + 64 * tl[0]];
    const int32_t m1 = expI[w[1][(p[1] + m0) & 2047] + 64 * tl[1]];
    const int32_t m2 = expI[w[2][(p[2] + m1) & 2047] + 64 * tl[2]];
    const float out = expF[w[3][(p[3] + m2) & 2047] + 64 * tl[3]];
    ASSERT_EQ(rig.left[static_cast<size_t>(s)], out * rig.voice.mix().gainL) << s;
    ASSERT_EQ(rig.right[static_cast<size_t>(s)], out * rig.voice.mix().gainR) << s;
  }
}

TEST(FmAlgorithm, ParallelCarriersAddInEvaluationOrder) {
  VoiceRig rig;
  TonePreset& t = rig.steadyTone();
  t.strc = 0;
  t.fl = 255;  // no feedback
  for (int32_t op = 0; op < 4; ++op) t.mul[op] = op + 1;
  rig.voice.start(0, 60, 127);
  rig.render(500);
  const float* expF = rig.tables.expTableF();
  for (int32_t s = 0; s < 500; ++s) {
    float out = 0.0f;
    for (int32_t op = 0; op < 4; ++op) {
      const uint32_t inc = static_cast<uint32_t>(rig.voice.operatorState(op).phaseInc);
      out += expF[rig.waves[((static_cast<uint32_t>(s) * inc) & 0x7FFFFFF) >> 16]];
    }
    ASSERT_EQ(rig.left[static_cast<size_t>(s)], out * rig.voice.mix().gainL) << s;
  }
}

// Graphs that are the same up to a renumbering of operators give identical
// output when operator 0's feedback is off (fl 128 or more).
TEST(FmAlgorithm, RenumberedGraphsRenderIdentically) {
  TonePreset base;
  distinctOperators(base);
  base.fl = 200;
  struct Case {
    int32_t strc, otherStrc;
    int32_t from[4];
  };
  const Case cases[] = {
      {5, 4, {1, 2, 0, 3}},  // 1 > 2, (2 + 0) > 3  ==  0 > 1, (1 + 2) > 3
      {3, 3, {2, 3, 0, 1}},  // 0 > 1, 2 > 3 with the pairs swapped
      {6, 6, {1, 0, 2, 3}},  // (0 + 1) > 2 > 3 with 0 and 1 swapped
      {13, 12, {1, 2, 0, 3}},
  };
  for (const Case& c : cases) {
    TonePreset a(base);
    a.strc = c.strc;
    TonePreset b = permuted(base, c.from);
    b.strc = c.otherStrc;
    const Rendered ra = play(a, 6000), rb = play(b, 6000);
    EXPECT_EQ(ra.left, rb.left) << c.strc;
    EXPECT_EQ(ra.right, rb.right) << c.strc;
  }
}

// Ends operators in the first few samples: level 127, sustain at silence.
void endEarly(TonePreset& t, int32_t op) {
  t.tl[op] = 127;
  t.ar[op] = 127;
  t.sl[op] = 1;
  t.dr[op] = 127;
}

TEST(FmAlgorithm, SilentOperatorsLeaveTheGraph) {
  TonePreset base;
  distinctOperators(base);
  base.fl = 60;
  // strc 7 with operator 0 ended reads operator 1 unmodulated: 1 > 2 > 3,
  // the same as strc 6.
  TonePreset chain(base), fan(base);
  chain.strc = 7;
  fan.strc = 6;
  endEarly(chain, 0);
  endEarly(fan, 0);
  EXPECT_EQ(play(chain, 4000, 8).left, play(fan, 4000, 8).left);

  // strc 2 feeds operators 1, 2 and 3 from one output: with 2 and 3 ended
  // it is 0 > 1 (strc 1), and with 1 and 3 ended it is 0 > 2.
  TonePreset two(base), one(base);
  two.strc = 2;
  one.strc = 1;
  endEarly(two, 2), endEarly(two, 3), endEarly(one, 2), endEarly(one, 3);
  EXPECT_EQ(play(two, 4000, 8).left, play(one, 4000, 8).left);
  TonePreset twoVia2(base);
  twoVia2.strc = 2;
  endEarly(twoVia2, 1), endEarly(twoVia2, 3);
  TonePreset oneVia1 = permuted(twoVia2, {0, 2, 1, 3});
  oneVia1.strc = 1;
  EXPECT_EQ(play(twoVia2, 4000, 8).left, play(oneVia1, 4000, 8).left);

  // strc 0 with only operator 2 sounding is operator 2 alone: the same
  // as that operator as the unmodulated last carrier of strc 7.
  TonePreset solo(base);
  solo.strc = 0;
  endEarly(solo, 0), endEarly(solo, 1), endEarly(solo, 3);
  TonePreset alone = permuted(solo, {0, 1, 3, 2});
  alone.strc = 7;
  const Rendered s = play(solo, 4000, 8), a = play(alone, 4000, 8);
  EXPECT_EQ(s.left, a.left);
  EXPECT_NE(s.left, std::vector<float>(4000, 0.0f));
}

TEST(FmAlgorithm, AmplitudeRoutinesMatchPitchRoutinesWithoutModulation) {
  TonePreset base;
  distinctOperators(base);
  base.lfoFreq = 9000;
  for (int32_t strc = 0; strc < 8; ++strc) {
    TonePreset pitch(base), amplitude(base);
    pitch.strc = strc;
    amplitude.strc = strc + 8;
    EXPECT_EQ(play(pitch, 3000).left, play(amplitude, 3000).left) << strc;  // lms 0: no LFO either way
  }
}

TEST(FmAlgorithm, OnlyCarrierOperator3EndsTheVoiceInStructures4To7) {
  for (int32_t strc : {3, 7, 11, 15}) {
    VoiceRig rig;
    TonePreset& t = rig.steadyTone();
    t.strc = strc;
    for (int32_t op = 0; op < 3; ++op) t.rr[op] = 30;  // slow release
    t.rr[3] = 110;                                       // operator 3 finishes first
    rig.voice.start(0, 60, 127);
    rig.render(64);
    rig.voice.release();
    rig.render(20000);
    const bool chain = (strc & 7) == 7;
    if (chain) {
      EXPECT_EQ(rig.voice.stateByte, 0) << strc;
      const int32_t stop = rig.voice.renderPosition;
      ASSERT_GT(stop, 0);
      ASSERT_LT(stop, 20000);
      for (size_t i = static_cast<size_t>(stop); i < rig.left.size(); ++i) ASSERT_EQ(rig.left[i], 0.0f) << i;
    } else {
      EXPECT_EQ(rig.voice.stateByte, kReleased | 0x7) << strc;  // operators 0..2 still release
    }
  }
}

TEST(FmAlgorithm, BlockBoundariesDoNotChangeTheOutput) {
  TonePreset t;
  distinctOperators(t);
  t.strc = 12;
  t.lfoFreq = 12000;
  for (int32_t op = 0; op < 4; ++op) t.lms[op] = 9;
  VoiceRig whole, split;
  whole.tones[0] = split.tones[0] = t;
  whole.parts[0].controllers[1] = split.parts[0].controllers[1] = 90;
  whole.voice.start(0, 64, 90);
  split.voice.start(0, 64, 90);
  whole.render(3000);
  split.renderOneByOne(3000);
  EXPECT_EQ(whole.left, split.left);
  EXPECT_EQ(whole.right, split.right);
}

TEST(FmAlgorithm, RenderingUpToTheCurrentPositionWritesNothing) {
  VoiceRig rig;
  rig.steadyTone();
  rig.voice.start(0, 60, 127);
  std::vector<float> l(16, 0.0f), r(16, 0.0f);
  rig.voice.renderPosition = 10;
  rig.voice.renderUntilPosition(l.data(), r.data(), 10);
  EXPECT_EQ(rig.voice.renderPosition, 10);
  EXPECT_EQ(l, std::vector<float>(16, 0.0f));
  EXPECT_EQ(rig.voice.operatorState(0).phase, 0u);
}

// Exact output of every routine for one rich tone. If a change of the
// arithmetic is intended, run the test, check the new sound, and replace
// the table with the values it prints.
TEST(FmAlgorithm, GoldenRenders) {
  const uint32_t golden[16][2] = {
      {0x2DCAFFE2u, 0xE5283C35u}, {0x7E50BA4Au, 0x93174A0Cu}, {0xF5E9B73Bu, 0xBA6C4BD6u},
      {0x1591008Au, 0xE1F77EB4u}, {0xF0EE460Fu, 0x59EE0388u}, {0x9EE523F6u, 0x753929D1u},
      {0x98F7B274u, 0xF132F1CDu}, {0xF22ED943u, 0x0CAA95D9u}, {0x33EB9BCBu, 0x1CA5245Fu},
      {0x2805B5F4u, 0xD29B8357u}, {0x004CFA16u, 0xF2850593u}, {0xEEED791Cu, 0x04FDDFE8u},
      {0x0366690Eu, 0xEEA145B3u}, {0x05685459u, 0x4BC0D121u}, {0xD307D249u, 0x836E29EBu},
      {0x5D5B82D0u, 0xB2D91CE6u},
  };
  bool allMatch = true;
  std::string table;
  for (int32_t strc = 0; strc < 16; ++strc) {
    VoiceRig rig(0.8f);
    TonePreset& t = rig.tones[5];
    distinctOperators(t);
    t.strc = strc;
    t.fl = 30;
    t.lfoWave = strc & 3;
    t.lfoFreq = 3000 + 500 * strc;
    for (int32_t op = 0; op < 4; ++op) {
      t.lms[op] = 3 + op;
      t.kf[op] = op & 3;
      t.tlVelCtrl[op] = op + 2;
    }
    rig.parts[1].program = 5;
    rig.parts[1].controllers[1] = 70;
    rig.parts[1].controllers[10] = 40;
    rig.parts[1].pitchBend = 9000;
    rig.voice.start(1, 66, 96);
    rig.render(6000);
    std::vector<float> l = rig.left, r = rig.right;
    rig.voice.release();
    rig.render(6000);
    l.insert(l.end(), rig.left.begin(), rig.left.end());
    r.insert(r.end(), rig.right.begin(), rig.right.end());
    const uint32_t hl = hashBits(l), hr = hashBits(r);
    if (hl != golden[strc][0] || hr != golden[strc][1]) allMatch = false;
    char row[64];
    std::snprintf(row, sizeof row, "      {0x%08Xu, 0x%08Xu},\n", hl, hr);
    table += row;
  }
  EXPECT_TRUE(allMatch) << "rendered hashes:\n" << table;
}

}  // namespace
}  // namespace ovri::korvane::synth::testing
