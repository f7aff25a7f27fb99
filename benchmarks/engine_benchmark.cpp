// Engine throughput: blocks of 256 samples at 48 kHz with N sounding FM
// voices spread over all sixteen parts and all sixteen render routines.
// Reports the real-time factor (audio time rendered per second of CPU) and
// the cost per voice-sample.
#include "benchmarks/HeldTones.h"
#include "engine/EngineRack.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace ovri::korvane;
using namespace ovri::korvane::synth;

constexpr float kRate = 48000.0f;
constexpr int32_t kBlock = 256;

void engineBlocks(benchmark::State& state) {
  const auto voiceCount = static_cast<int32_t>(state.range(0));
  EngineRack engine(kRate, kBlock);
  SynthesizerFM4* synth = engine.synth.get();
  synth->setPolyphony(voiceCount);
  ovri::korvane::bench::prepareHeldTones(*synth, true);
  for (int32_t p = 0; p < 16; ++p) {
    synth->programChange(p, p);
    synth->controlChange(p, 1, 40);
  }
  for (int32_t i = 0; i < voiceCount; ++i) synth->noteOn(i % 16, 24 + (i / 16) % 96, 100);

  std::vector<std::vector<float>> buffers(kChannelCount, std::vector<float>(kBlock));
  float* channels[kChannelCount];
  for (int32_t c = 0; c < kChannelCount; ++c) channels[c] = buffers[c].data();
  for (auto _ : state) {
    for (auto& b : buffers) std::fill(b.begin(), b.end(), 0.0f);
    engine.runBlock(channels, kBlock);
    benchmark::DoNotOptimize(buffers[0][kBlock - 1]);
  }
  if (synth->getActiveVoiceCount() != voiceCount) state.SkipWithError("voices ended during the run");
  const double blocks = static_cast<double>(state.iterations());
  state.counters["realtime_x"] =
      benchmark::Counter(blocks * kBlock / kRate, benchmark::Counter::kIsRate);
  state.counters["ns_per_voice_sample"] = benchmark::Counter(
      blocks * kBlock * voiceCount, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(engineBlocks)->Arg(128)->Arg(1024)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
