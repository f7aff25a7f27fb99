// The factory bank played in the engine: every program and every drum
// sounds, stays below clipping and ends; the programs are of like loudness.
// Rendered at 48 kHz in 256-sample blocks at the engine's master volume of
// 0.8, part volume 100 and expression 127, as the plug-in starts.
#include "tests/engine/EngineHarness.h"
#include "tools/factory/FactoryTones.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <vector>

namespace ovri::korvane {
namespace {

constexpr int32_t kBlock = 256;
constexpr float kRate = 48000.0f;
constexpr int32_t kBlocksPerSecond = 188;  // 48000 / 256, rounded up
constexpr int32_t kDrumPart = 9;
constexpr int32_t kVelocity = 100;
constexpr float kAudible = 0.01f;  // -40 dBFS
constexpr int32_t kLoudnessWindow = 19;  // blocks: about 100 ms

// What a note (or chord) did.
struct Take {
  float peak = 0.0f;            // largest |sample| on either channel
  double loudestDb = -200.0;    // loudest ~100 ms of the left channel, dBFS RMS
  int32_t blocksToSilence = -1; // blocks from the release (or the start) until no voice sounds; -1 = never
};

class FactoryPlay : public ::testing::Test {
protected:
  // A fresh engine holding the factory bank for every take.
  Take play(int32_t part, int32_t program, std::initializer_list<int32_t> keys, int32_t holdBlocks,
            int32_t maxBlocks) {
    test::EngineHarness h(kBlock, kRate);
    for (int32_t i = 0; i < synth::kToneCount; ++i) h.synth->getTonePreset(i) = bank[i];
    if (part == kDrumPart) h.synth->setPartMode(kDrumPart, synth::kModePercussion);
    else h.queue3(0xC0, part, program, 0, 0);
    for (int32_t key : keys) h.noteOn(part, key, kVelocity);

    Take take;
    std::vector<double> energy;
    const int32_t releaseAt = holdBlocks < 0 ? 0 : holdBlocks;
    for (int32_t b = 0; b < releaseAt + maxBlocks; ++b) {
      if (b == holdBlocks)
        for (int32_t key : keys) h.noteOff(part, key);
      h.render(kBlock);
      double e = 0.0;
      for (int32_t i = 0; i < kBlock; ++i) {
        const float l = h.channel(0)[i];
        take.peak = std::max({take.peak, std::fabs(l), std::fabs(h.channel(1)[i])});
        e += double{l} * l;
      }
      energy.push_back(e);
      if (b >= releaseAt && h.synth->getActiveVoiceCount() == 0) {
        take.blocksToSilence = b + 1 - releaseAt;
        break;
      }
    }
    for (size_t start = 0; start + kLoudnessWindow <= energy.size(); ++start) {
      double sum = 0.0;
      for (int32_t i = 0; i < kLoudnessWindow; ++i) sum += energy[start + i];
      const double rms = std::sqrt(sum / (kLoudnessWindow * kBlock));
      if (rms > 0.0) take.loudestDb = std::max(take.loudestDb, 20.0 * std::log10(rms));
    }
    return take;
  }

  std::vector<synth::TonePreset> bank = [] {
    std::vector<synth::TonePreset> tones(synth::kToneCount);
    factory::buildFactoryTones(tones.data());
    return tones;
  }();
};

TEST_F(FactoryPlay, EveryProgramSoundsStaysBelowClippingAndEndsAfterItsRelease) {
  for (int32_t program = 0; program < 128; ++program) {
    const Take take = play(0, program, {60}, kBlocksPerSecond / 2, 4 * kBlocksPerSecond);
    EXPECT_GT(take.peak, kAudible) << "program " << program << " is silent";
    EXPECT_LT(take.peak, 1.0f) << "program " << program;
    EXPECT_NE(take.blocksToSilence, -1) << "program " << program << " still sounds 4 s after its release";
  }
}

// The loudest 100 ms of middle C held for a second at velocity 100 lies
// within 10 dB of the bank's median for every program: no program drowns or
// vanishes when a song changes program.
TEST_F(FactoryPlay, ProgramsAreOfSimilarLoudness) {
  std::vector<double> loudness;
  for (int32_t program = 0; program < 128; ++program)
    loudness.push_back(play(0, program, {60}, kBlocksPerSecond, kBlocksPerSecond).loudestDb);
  std::vector<double> sorted = loudness;
  std::nth_element(sorted.begin(), sorted.begin() + 64, sorted.end());
  const double median = sorted[64];
  for (int32_t program = 0; program < 128; ++program)
    EXPECT_NEAR(loudness[program], median, 10.0) << "program " << program;
}

TEST_F(FactoryPlay, FourNoteChordsOnEveryProgramStayBelowClipping) {
  for (int32_t program = 0; program < 128; ++program) {
    const float middle = play(0, program, {60, 64, 67, 72}, kBlocksPerSecond, 2 * kBlocksPerSecond).peak;
    const float low = play(0, program, {36, 43, 48, 52}, kBlocksPerSecond, 2 * kBlocksPerSecond).peak;
    EXPECT_LT(middle, 1.0f) << "program " << program;
    EXPECT_LT(low, 1.0f) << "program " << program;
  }
}

// Drums die away by themselves while the key is held, as struck
// instruments do; the other percussion keys give a short, quiet blip.
TEST_F(FactoryPlay, EveryDrumSoundsAndDiesAwayWhileHeld) {
  for (int32_t key = 0; key < 128; ++key) {
    const Take take = play(kDrumPart, 0, {key}, -1, 6 * kBlocksPerSecond);
    const bool drum = key >= 35 && key <= 81;
    if (drum) {
      EXPECT_GT(take.peak, kAudible) << "drum key " << key << " is silent";
    }
    EXPECT_LT(take.peak, drum ? 1.0f : 0.1f) << "key " << key;
    EXPECT_NE(take.blocksToSilence, -1) << "key " << key << " still sounds after 6 s";
  }
}

}  // namespace
}  // namespace ovri::korvane
