// Cost of the tone generator's render routines per voice-sample: the
// sixteen FM routines (strc 0..15) and the two sampler readers. A few
// voices render blocks of 256 samples at 48 kHz, each into a pair of its
// own, one after the other (level 0, scalar) or side by side in vector
// lanes (level 1 SSE4.1, 2 AVX2; a level the processor lacks runs as the
// best it has, and its row says so); the counter "voice_sample" reads as
// time per voice-sample.
#include "engine/SynthesizerFM4.h"
#include "tonegen/LogCode.h"
#include "tonegen/SoundData.h"
#include "tonegen/VoiceTableSet.h"
#include "tonegen/VoiceUnitFM4.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace ovri::korvane;
using namespace ovri::korvane::synth;
using Voice = SynthesizerFM4::VoiceUnitFM4;

constexpr double kRate = 48000.0;
constexpr int32_t kBlock = 256;
constexpr int32_t kVoices = 16;

RateConstants rateConstants() {
  RateConstants rc;
  rc.samplePitchBase = 131072 - logPitchUnits(kRate);
  rc.pitchBase = 221184 - logPitchUnits(kRate) + logPitchUnits(std::pow(2.0, -5.75) * 440.0);
  rc.rateBase = logPitchUnits(1073741824.0 / (256.0 * kRate));
  rc.dampRate = static_cast<int32_t>(1073741824.0 / (kRate * 0.001953125) + 0.5);
  rc.lfoStepUnit = static_cast<int32_t>(65540.00024415553 / std::max(1.0, kRate * 0.03125 * 0.0078125) + 0.5);
  return rc;
}

// Sound data and voices, as the engine would hold them.
struct Bench {
  VoiceTableSet tables;
  std::vector<int32_t> waves = std::vector<int32_t>(kWaveMemorySize);
  PartState parts[kPartCount];
  std::unique_ptr<TonePreset[]> tones = std::make_unique<TonePreset[]>(kToneCount);
  std::unique_ptr<SampleData[]> slots = std::make_unique<SampleData[]>(kSampleSlotCount);
  SamplerPreset presets[kSamplerPresetCount];
  std::vector<int32_t> sampleCodes;
  std::unique_ptr<Voice[]> voices = std::make_unique<Voice[]>(kVoices);
  std::vector<float> rows = std::vector<float>(2 * kVoices * kBlock);
  VectorLevel level = VectorLevel::Scalar;

  Bench() {
    buildWaveMemory(waves.data());
    const RateConstants rc = rateConstants();
    for (int32_t i = 0; i < kVoices; ++i) {
      voices[i].attach(tables, parts, waves.data(), tones.get(), slots.get(), presets, 0.8f);
      voices[i].setRateConstants(rc);
    }
    parts[0].controllers[1] = 40;  // some LFO depth
  }

  // A sustained tone: every operator sounding, LFO running.
  void fmTone(int32_t strc) {
    TonePreset& t = tones[0];
    t.strc = strc;
    t.fl = 20;
    t.lfoFreq = 3000;
    const int32_t wave[4] = {0, 5, 0, 7}, mul[4] = {1, 2, 3, 1};
    for (int32_t op = 0; op < 4; ++op) {
      t.wave[op] = wave[op];
      t.mul[op] = mul[op];
      t.tl[op] = op == 3 ? 0 : 24;
      t.lms[op] = 4;
      t.ar[op] = 120;
      t.dr[op] = 40;
      t.sl[op] = 8;
    }
  }

  // One second of a 440 Hz sine, looped over its last half.
  void sample(int32_t channels) {
    const int32_t frames = 48000;
    sampleCodes.assign(static_cast<size_t>(frames * channels), 0);
    for (int32_t f = 0; f < frames; ++f)
      for (int32_t c = 0; c < channels; ++c)
        sampleCodes[static_cast<size_t>(f * channels + c)] = toLogSample(0.5 * std::sin(6.283185307179586 * 440.0 * f / 48000.0));
    SampleData& d = slots[0];
    d.samples = sampleCodes.data();
    d.length = frames;
    d.channels = channels;
    d.sampleRate = 48000.0f;
    d.logRate = logPitchUnitsF(48000.0f);
    d.start = 0;
    d.end = d.loopEnd = frames;
    d.loopLength = d.loopTail = frames / 2;
    presets[60].smplNum = 0;
    presets[60].tune = 8192 + 1000;  // not exactly one frame per sample
    presets[60].sl = 0;              // sustain at full level: the note never ends
  }

  ~Bench() { slots[0].samples = nullptr; }

  void startAll(bool sampler) {
    for (int32_t i = 0; i < kVoices; ++i) {
      if (sampler)
        voices[i].startSample(0, 60, 100);
      else
        voices[i].start(0, 48 + 3 * i, 100);
    }
  }

  void renderBlock() {
    std::fill(rows.begin(), rows.end(), 0.0f);
    Voice* group[kVoices];
    float* lefts[kVoices];
    float* rights[kVoices];
    int32_t count = 0;
    for (int32_t i = 0; i < kVoices; ++i) {
      Voice& v = voices[i];
      v.renderPosition = 0;
      if (v.stateByte == 0) continue;
      group[count] = &v;
      lefts[count] = rows.data() + 2 * i * kBlock;
      rights[count] = lefts[count] + kBlock;
      ++count;
    }
    Voice::renderGroup(group, lefts, rights, count, kBlock, level);
  }
};

void setLevel(benchmark::State& state, Bench& bench, int64_t requested) {
  const VectorLevel level = std::min(static_cast<VectorLevel>(requested), supportedVectorLevel());
  bench.level = level;
  static const char* const names[] = {"scalar", "sse4.1", "avx2"};
  state.SetLabel(names[static_cast<int32_t>(level)]);
}

void run(benchmark::State& state, Bench& bench, bool sampler) {
  bench.startAll(sampler);
  for (int32_t i = 0; i < 64; ++i) bench.renderBlock();  // past the attack
  for (auto _ : state) {
    bench.renderBlock();
    benchmark::DoNotOptimize(bench.rows.data());
    benchmark::ClobberMemory();
  }
  const double voiceSamples = static_cast<double>(state.iterations()) * kVoices * kBlock;
  state.counters["voice_sample"] = benchmark::Counter(voiceSamples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(static_cast<int64_t>(voiceSamples));
}

void fmRoutine(benchmark::State& state) {
  Bench bench;
  bench.fmTone(static_cast<int32_t>(state.range(0)));
  setLevel(state, bench, state.range(1));
  run(state, bench, false);
}
BENCHMARK(fmRoutine)->ArgsProduct({benchmark::CreateDenseRange(0, 15, 1), {0, 1, 2}})->ArgNames({"strc", "level"});

// The same routines while every envelope moves quickly (notes restarted
// each block, so always in a fast attack) and the LFO steps every 12
// samples: the per-sample checks run far more often.
void fmRoutineMoving(benchmark::State& state) {
  Bench bench;
  bench.fmTone(static_cast<int32_t>(state.range(0)));
  bench.tones[0].lfoFreq = static_cast<int32_t>(state.range(1));
  setLevel(state, bench, state.range(2));
  for (int32_t op = 0; op < 4; ++op) bench.tones[0].ar[op] = 96;
  for (auto _ : state) {
    bench.startAll(false);
    bench.renderBlock();
    benchmark::DoNotOptimize(bench.rows.data());
    benchmark::ClobberMemory();
  }
  const double voiceSamples = static_cast<double>(state.iterations()) * kVoices * kBlock;
  state.counters["voice_sample"] = benchmark::Counter(voiceSamples, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetItemsProcessed(static_cast<int64_t>(voiceSamples));
}
BENCHMARK(fmRoutineMoving)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 15, 1), {16383}, {0, 1, 2}})
    ->ArgNames({"strc", "lfoFreq", "level"});

void samplerRoutine(benchmark::State& state) {
  Bench bench;
  bench.sample(static_cast<int32_t>(state.range(0)));
  run(state, bench, true);
}
BENCHMARK(samplerRoutine)->Arg(1)->Arg(2)->ArgName("channels");

}  // namespace

BENCHMARK_MAIN();
