// Voices rendered side by side in vector lanes against the same voices
// rendered one by one by the scalar routines: random tones, notes started,
// released and retuned at random positions, random block sizes, 1 to 1024
// voices, at every instruction set this processor has. The output rows
// and the voices' states must be identical.
#include "tests/tonegen/RandomTones.h"
#include "tests/tonegen/VoiceRig.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace ovri::korvane::synth::testing {
namespace {

// A pool of voices over one set of sound data.
struct Pool {
  explicit Pool(int32_t count) : voices(std::make_unique<Voice[]>(static_cast<size_t>(count))), count(count) {
    buildWaveMemory(waves.data());
    for (int32_t i = 0; i < count; ++i) {
      voices[i].attach(tables, parts, waves.data(), tones.get(), slots.get(), presets, 0.8f);
      voices[i].setRateConstants(rates);
    }
  }
  VoiceTableSet tables;
  std::vector<int32_t> waves = std::vector<int32_t>(kWaveMemorySize);
  PartState parts[kPartCount];
  std::unique_ptr<TonePreset[]> tones = std::make_unique<TonePreset[]>(kToneCount);
  std::unique_ptr<SampleData[]> slots = std::make_unique<SampleData[]>(kSampleSlotCount);
  SamplerPreset presets[kSamplerPresetCount];
  RateConstants rates = rateConstantsFor(48000.0, 440.0);
  std::unique_ptr<Voice[]> voices;
  int32_t count;
};

void compareLevels(uint32_t seed, int32_t voiceCount, VectorLevel level) {
  SCOPED_TRACE(::testing::Message() << "seed " << seed << ", voices " << voiceCount << ", level "
                                  << static_cast<int32_t>(level));
  std::mt19937 rng(seed);
  auto pick = [&rng](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
  Pool scalar(voiceCount), vector(voiceCount);
  for (int32_t program = 0; program < 16; ++program) {
    TonePreset tone;
    ovri::korvane::test::randomTone(tone, rng);
    if (program < 8) tone.strc = program + 8 * pick(0, 1);  // every structure, both LFO targets
    scalar.tones[program] = vector.tones[program] = tone;
  }
  for (int32_t p = 0; p < kPartCount; ++p) {
    PartState& part = scalar.parts[p];
    part.program = p;
    part.controllers[1] = pick(0, 127);
    part.pitchBend = pick(0, 16383);
    part.bendRange = pick(0, 24);
    vector.parts[p] = part;
  }
  const int32_t maxBlock = 300;
  std::vector<float> rowsA(static_cast<size_t>(2 * voiceCount * maxBlock));
  std::vector<float> rowsB(rowsA.size());
  std::vector<Voice*> groupA(voiceCount), groupB(voiceCount);
  std::vector<float*> leftsA(voiceCount), rightsA(voiceCount), leftsB(voiceCount), rightsB(voiceCount);

  for (int32_t block = 0; block < 40; ++block) {
    const int32_t n = pick(0, 2) == 0 ? pick(1, 8) : pick(9, maxBlock);
    std::fill(rowsA.begin(), rowsA.end(), 0.0f);
    std::fill(rowsB.begin(), rowsB.end(), 0.0f);
    for (int32_t i = 0; i < voiceCount; ++i) {
      scalar.voices[i].renderPosition = vector.voices[i].renderPosition = 0;
      leftsA[i] = rowsA.data() + static_cast<size_t>(2 * i * maxBlock);
      rightsA[i] = leftsA[i] + maxBlock;
      leftsB[i] = rowsB.data() + static_cast<size_t>(2 * i * maxBlock);
      rightsB[i] = leftsB[i] + maxBlock;
    }
    // Up to three stretches per block; between them voices start, release,
    // damp or follow a controller at their own positions.
    int32_t at = 0;
    for (int32_t stretch = 0; stretch < 3 && at < n; ++stretch) {
      const int32_t to = stretch == 2 ? n : pick(at, n);
      int32_t count = 0;
      for (int32_t i = 0; i < voiceCount; ++i) {
        Voice& a = scalar.voices[i];
        Voice& b = vector.voices[i];
        const int32_t event = pick(0, 11);
        const int32_t part = pick(0, 15);
        const int32_t key = pick(20, 100);
        const int32_t velocity = pick(1, 127);
        const int32_t value = pick(0, 127);
        for (Voice* v : {&a, &b}) {
          switch (event) {
            case 0:
              v->renderPosition = std::max(v->renderPosition, at);
              v->start(part, key, velocity);
              break;
            case 1: v->release(); break;
            case 2: v->damp(); break;
            case 3: v->modulationChanged(value); break;
            case 4: v->pitchBendChanged(value << 7); break;
            default: break;
          }
        }
        if (a.stateByte == 0) continue;
        a.renderUntilPosition(leftsA[i], rightsA[i], to);
        groupB[count] = &b;
        leftsB[count] = rowsB.data() + static_cast<size_t>(2 * i * maxBlock);
        rightsB[count] = leftsB[count] + maxBlock;
        ++count;
      }
      Voice::renderGroup(groupB.data(), leftsB.data(), rightsB.data(), count, to, level);
      at = to;
    }
    ASSERT_EQ(0, std::memcmp(rowsA.data(), rowsB.data(), rowsA.size() * sizeof(float))) << "block " << block;
    for (int32_t i = 0; i < voiceCount; ++i) {
      const Voice& a = scalar.voices[i];
      const Voice& b = vector.voices[i];
      ASSERT_EQ(a.stateByte, b.stateByte) << "voice " << i;
      ASSERT_EQ(a.renderPosition, b.renderPosition) << "voice " << i;
      for (int32_t op = 0; op < 4; ++op) {
        ASSERT_EQ(a.operatorState(op).phase, b.operatorState(op).phase) << "voice " << i;
        ASSERT_EQ(a.operatorState(op).egPosition, b.operatorState(op).egPosition) << "voice " << i;
      }
      ASSERT_EQ(a.lfo().lfoCounter, b.lfo().lfoCounter) << "voice " << i;
    }
  }
}

TEST(VectorRender, LanesMatchTheScalarRoutinesAtEveryLevel) {
  std::vector<VectorLevel> levels = {VectorLevel::Scalar};
  if (supportedVectorLevel() >= VectorLevel::Sse41) levels.push_back(VectorLevel::Sse41);
  if (supportedVectorLevel() >= VectorLevel::Avx2) levels.push_back(VectorLevel::Avx2);
  if (levels.size() == 1) GTEST_LOG_(INFO) << "no vector instruction set on this processor: scalar only";
  uint32_t seed = 1700;
  for (VectorLevel level : levels)
    for (int32_t voices : {1, 2, 5, 8, 9, 31, 128, 1024}) compareLevels(seed++, voices, level);
}

}  // namespace
}  // namespace ovri::korvane::synth::testing
