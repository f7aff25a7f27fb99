// Golden render: a fixed sequence through the whole engine, compared by a
// hash of every output sample. The engine is integer arithmetic with a
// single-precision output stage built without contraction, so the output is
// the same on every compiler and machine.
//
// When a change is MEANT to change the sound (a fix in the tone generator's
// arithmetic, a new default), regenerate the reference and say why in the
// commit message:
//     KORVANE_UPDATE_GOLDEN=1 ./build/tests/engine/engine_tests --gtest_filter='Golden*'
// An optimisation, a refactoring or a build change must never need that.
#include "EngineHarness.h"
#include "tonegen/LogCode.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace ovri::korvane {
namespace {

using test::EngineHarness;
using namespace synth;

const std::string kReferenceFile = std::string(KORVANE_GOLDEN_DIR) + "/engine_render.txt";

void setupTone(TonePreset& t, int32_t i) {
  t.strc = i;              // all sixteen render routines
  t.fl = 40 + 5 * i;       // feedback from strong to mild
  t.lfoWave = i & 3;
  t.lfoFreq = 600 + 900 * i;
  for (int32_t op = 0; op < kOperatorCount; ++op) {
    t.wave[op] = (i + op) & 7;
    t.mul[op] = (op * 3 + i) & 15;
    t.tune[op] = 8192 + (op - 1) * 40;
    t.tl[op] = op == 3 ? 0 : 20 + 6 * op;
    t.tlVelCtrl[op] = (i + op) & 7;
    t.lms[op] = (i * 5 + op) & 15;
    t.ar[op] = i % 4 == 0 ? 127 : 100 + op * 6;
    t.dr[op] = 60 + 4 * op;
    t.sl[op] = (i * 7 + op * 11) & 63;
    t.rr[op] = 80 + 10 * op;
    t.kf[op] = op & 3;
    t.kfStart[op] = 40 + 4 * i;
  }
}

void fillSample(SampleData& d, int32_t channels, int32_t frames, double freq) {
  d.samples = new int32_t[static_cast<size_t>(frames * channels)];
  d.ownsData = 1;
  for (int32_t f = 0; f < frames; ++f)
    for (int32_t c = 0; c < channels; ++c)
      d.samples[f * channels + c] = toLogSample(0.8 * std::sin(6.283185307179586 * freq * (c + 1) * f / 44100.0) *
                                                (1.0 - static_cast<double>(f) / frames));
  d.length = frames;
  d.channels = channels;
  d.sampleRate = 44100.0f;
  d.logRate = logPitchUnitsF(d.sampleRate);
  d.start = 0;
  d.end = frames;
}

uint64_t renderReferenceSequence() {
  EngineHarness h(256, 48000.0f);
  SynthesizerFM4& s = *h.synth;
  for (int32_t i = 0; i < 16; ++i) setupTone(s.getTonePreset(i), i);
  setupTone(s.getTonePreset(128 + 36), 7);
  s.getTonePreset(128 + 36).key = 30;
  s.getTonePreset(128 + 38).pan = 20;
  setupTone(s.getTonePreset(128 + 38), 11);
  s.setPartMode(9, kModePercussion);
  s.setPartMode(10, kModeSampler);
  s.setPartOutput(10, 1);
  fillSample(s.getSampleData(0), 1, 9000, 330.0);
  fillSample(s.getSampleData(1), 2, 7000, 220.0);
  SampleData& looped = s.getSampleData(1);
  looped.loopEnd = 6000;
  looped.loopLength = 2000;
  looped.loopTail = 0;
  s.getSamplerPreset(60).smplNum = 0;
  s.getSamplerPreset(62).smplNum = 1;
  s.getSamplerPreset(62).octv = 9;
  s.getSamplerPreset(62).ar = 90;
  s.getSamplerPreset(62).sl = 20;
  s.getSamplerPreset(62).dr = 70;

  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  auto absorb = [&](int32_t n) {
    for (int32_t c = 0; c < kChannelCount; ++c)
      for (int32_t i = 0; i < n; ++i) {
        uint32_t bits;
        std::memcpy(&bits, &h.channel(c)[i], 4);
        for (int32_t b = 0; b < 4; ++b) {
          hash ^= (bits >> (8 * b)) & 0xFF;
          hash *= 1099511628211ull;
        }
      }
  };

  for (int32_t block = 0; block < 300; ++block) {
    const int32_t t = block % 60;
    if (t == 0) {
      for (int32_t p = 0; p < 8; ++p) {
        h.queue3(0xC0, p, (p + block / 60 * 8) & 15, 0, 3 * p);
        h.noteOn(p, 48 + 5 * p, 40 + 12 * p, 3 * p + 1);
        h.cc(p, 1, 30 + 10 * p, 7);
      }
      h.noteOn(9, 36, 120, 17);
      h.noteOn(9, 38, 90, 200);
      h.noteOn(10, 60, 100, 50);
      h.noteOn(10, 62, 64, 51);
    }
    if (t == 10) {
      for (int32_t p = 0; p < 8; ++p) h.queue3(0xE0, p, 0, 64 + 8 * (p - 4), 100);
      h.cc(2, 10, 10, 5);
      h.cc(3, 11, 60, 6);
      h.queue3(0xE0, 10, 0x7F, 70, 9);
    }
    if (t == 30) {
      for (int32_t p = 0; p < 8; ++p) h.noteOff(p, 48 + 5 * p, 128);
      h.noteOff(9, 36, 0);
      h.noteOff(10, 60, 0);
      h.noteOff(10, 62, 255);
    }
    if (t == 45) h.cc(1, 120, 0, 0);
    h.render(256);
    absorb(256);
  }
  return hash;
}

TEST(GoldenRender, FixedSequenceMatchesReference) {
  const uint64_t hash = renderReferenceSequence();
  char text[32];
  std::snprintf(text, sizeof text, "%016" PRIx64, hash);
  const char* update = std::getenv("KORVANE_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(kReferenceFile) << text << "\n";
    GTEST_SKIP() << "reference rewritten: " << text;
  }
  std::ifstream in(kReferenceFile);
  std::string expected;
  in >> expected;
  ASSERT_FALSE(expected.empty()) << "no reference in " << kReferenceFile;
  EXPECT_EQ(std::string(text), expected) << "the engine's output changed";
}

}  // namespace
}  // namespace ovri::korvane
