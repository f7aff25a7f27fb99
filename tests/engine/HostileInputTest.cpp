// Stored fields may hold anything a saved state can carry (0..255, and the
// engine keeps them as read); events may come from a careless host. None of
// it may reach memory outside the engine. Run under AddressSanitizer to make
// these tests bite.
#include "EngineHarness.h"
#include "tonegen/LogCode.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ovri::korvane {
namespace {

using test::EngineHarness;
using namespace synth;

void fillTone(TonePreset& t, int32_t v) {
  t.key = t.pan = t.lfoWave = t.fl = t.strc = v;
  t.lfoFreq = v * 64;
  for (int32_t op = 0; op < kOperatorCount; ++op) {
    t.tlVelCtrl[op] = t.mul[op] = t.lms[op] = t.wave[op] = t.tl[op] = v;
    t.ar[op] = t.dr[op] = t.sl[op] = t.rr[op] = t.kf[op] = t.kfStart[op] = v;
    t.tune[op] = v * 64;
  }
}

bool allFinite(const EngineHarness& h, int32_t n) {
  for (int32_t c = 0; c < kChannelCount; ++c)
    for (int32_t i = 0; i < n; ++i)
      if (!std::isfinite(h.channel(c)[i])) return false;
  return true;
}

TEST(HostileInput, EventsWithOutOfRangeChannelOrControllerAreIgnored) {
  EngineHarness h;
  h.noteOn(16, 60, 100);
  h.noteOn(-1, 60, 100);
  h.cc(0, 128, 5);
  h.cc(0, -3, 5);
  h.cc(200, 7, 5);
  h.queue3(0xC0, 99, 5, 0, 0);
  h.queue3(0x95, 0, 60, 100, 0);  // a status with a channel nibble is no status
  h.render(64);
  EXPECT_EQ(h.synth->getActiveVoiceCount(), 0);
  h.synth->controlChange(0, 300, 1);
  h.synth->noteOn(40, 60, 100);
  h.synth->noteOff(40, 60, 0);
  h.synth->pitchBend(17, 0, 64);
  EXPECT_EQ(h.synth->getActiveVoiceCount(), 0);
}

class ExtremeFields : public ::testing::TestWithParam<int32_t> {};

TEST_P(ExtremeFields, EveryPartModeRendersSafely) {
  const int32_t v = GetParam();
  EngineHarness h;
  for (int32_t i = 0; i < kToneCount; ++i) fillTone(h.synth->getTonePreset(i), v);
  for (int32_t p = 0; p < 16; ++p) {
    PartState& part = h.synth->getPart(p);
    part.output = v;
    part.bendRange = v;
    part.controllers[1] = part.controllers[7] = part.controllers[10] = part.controllers[11] = v;
    part.pitchBend = v * 64;
    part.program = v;
    part.mode = 1 + p % 3;
  }
  for (int32_t i = 0; i < kSamplerPresetCount; ++i) {
    SamplerPreset& sp = h.synth->getSamplerPreset(i);
    sp.smplNum = sp.pan = sp.octv = sp.tl = sp.ar = sp.dr = sp.sl = sp.rr = v;
    sp.tune = v * 64;
  }
  // A slot whose play range and loop lie beyond its data.
  SampleData& slot = h.synth->getSampleData(v & 127);
  slot.samples = new int32_t[64];
  for (int32_t i = 0; i < 64; ++i) slot.samples[i] = toLogSample(std::sin(i * 0.3));
  slot.ownsData = 1;
  slot.length = 32;
  slot.channels = 2;
  slot.start = 0;
  slot.end = slot.loopEnd = 5000;
  slot.loopLength = 10;
  slot.loopTail = 10;
  slot.logRate = 130000;

  for (int32_t p = 0; p < 16; ++p)
    for (int32_t k = 0; k < 128; k += 9) h.noteOn(p, k, 127, k);
  h.render(256);
  h.synth->controlChange(0, 7, 127);
  h.synth->controlChange(0, 10, 0);
  h.synth->pitchBend14(1, 0);
  for (int32_t p = 0; p < 16; ++p) h.cc(p, 121, 0, 3);
  h.render(256);
  for (int32_t p = 0; p < 16; ++p)
    for (int32_t k = 0; k < 128; k += 9) h.noteOff(p, k, 5);
  h.render(256);
  EXPECT_TRUE(allFinite(h, 256));
}

INSTANTIATE_TEST_SUITE_P(Values, ExtremeFields, ::testing::Values(0, 127, 128, 200, 255));

TEST(HostileInput, ExtremeSampleRatesAndTunings) {
  for (float rate : {1.0f, 8000.0f, 192000.0f, 768000.0f}) {
    EngineHarness h(64, rate);
    h.synth->setMasterTune(rate < 10.0f ? 2.0f : 20000.0f);
    h.synth->getPart(0).bendRange = 127;
    h.synth->getPart(0).pitchBend = 0;
    h.noteOn(0, 127, 127);
    h.noteOn(0, 0, 1);
    h.render(64);
    EXPECT_TRUE(allFinite(h, 64)) << rate;
  }
}

}  // namespace
}  // namespace ovri::korvane
