// Cost of one 64-sample block with a full voice pool and a burst of events:
// how the block time grows with the events and with the pool. Every voice
// holds its note for the whole run (no attack, full sustain), spread over
// the sixteen parts. Arguments: pool size, sounding voices, event scenario.
#include "benchmarks/HeldTones.h"
#include "engine/EngineRack.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

using namespace ovri::korvane;
using namespace ovri::korvane::synth;

constexpr float kRate = 48000.0f;
constexpr int32_t kBlock = 64;

enum Scenario : int32_t {
  kNoEvents,
  kNoteOffs,     // 16 note-offs at 16 distinct offsets (the keys are struck again between blocks)
  kControllers,  // 80 controller changes at one offset: CC 1, 7, 10, 11 and pitch bend on every part
  kNoteOns,      // 512 note-ons at one offset, each stealing a held voice
};

// The engine rack with every part playing one of the 16 render routines.
struct Rig : EngineRack {
  explicit Rig(int32_t poolSize, int32_t sounding) : EngineRack(kRate, kBlock) {
    synth->setPolyphony(poolSize);
    ovri::korvane::bench::prepareHeldTones(*synth, false);
    for (int32_t p = 0; p < 16; ++p) synth->programChange(p, p);
    for (int32_t i = 0; i < sounding; ++i) synth->noteOn(i % 16, keyOf(i), 100);
    for (int32_t c = 0; c < kChannelCount; ++c) channels[c] = buffers[c].data();
  }
  static int32_t keyOf(int32_t i) { return 24 + (i / 16) % 96; }

  void run() {
    for (auto& b : buffers) std::fill(b.begin(), b.end(), 0.0f);
    rack.runBlock(channels, kBlock);
  }

  std::vector<std::vector<float>> buffers = std::vector<std::vector<float>>(kChannelCount, std::vector<float>(kBlock));
  float* channels[kChannelCount];
};

void voicePoolBlock(benchmark::State& state) {
  const auto poolSize = static_cast<int32_t>(state.range(0));
  const auto sounding = static_cast<int32_t>(state.range(1));
  const auto scenario = static_cast<Scenario>(state.range(2));
  Rig rig(poolSize, sounding);
  int32_t round = 0;
  for (auto _ : state) {
    ++round;
    switch (scenario) {
      case kNoEvents:
        break;
      case kNoteOffs:
        for (int32_t n = 0; n < 16; ++n) rig.queue3(0x80, n, Rig::keyOf(16 * (round % 4)), 0, 4 * n);
        break;
      case kControllers:
        for (int32_t p = 0; p < 16; ++p) {
          rig.queue3(0xB0, p, 1, round & 63, 32);
          rig.queue3(0xB0, p, 7, 100 + (round & 7), 32);
          rig.queue3(0xB0, p, 10, 60 + (round & 7), 32);
          rig.queue3(0xB0, p, 11, 120 + (round & 7), 32);
          rig.queue3(0xE0, p, 0, 60 + (round & 7), 32);
        }
        break;
      case kNoteOns:
        for (int32_t n = 0; n < 512; ++n) rig.queue3(0x90, n % 16, Rig::keyOf(n), 100, 32);
        break;
    }
    rig.run();
    benchmark::DoNotOptimize(rig.buffers[0][kBlock - 1]);
    if (scenario == kNoteOffs) {
      // Strike the released keys again, outside the measured time.
      state.PauseTiming();
      for (int32_t n = 0; n < 16; ++n) rig.synth->noteOn(n, Rig::keyOf(16 * (round % 4)), 100);
      state.ResumeTiming();
    }
  }
  if (rig.synth->getActiveVoiceCount() != sounding) state.SkipWithError("the pool did not stay full");
}

}  // namespace

BENCHMARK(voicePoolBlock)
    ->ArgNames({"pool", "sounding", "scenario"})
    ->ArgsProduct({{1024}, {1024}, {kNoEvents, kNoteOffs, kControllers, kNoteOns}})
    ->ArgsProduct({{128}, {128}, {kNoEvents, kNoteOffs, kControllers, kNoteOns}})
    ->ArgsProduct({{1024}, {128}, {kNoEvents, kControllers}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
