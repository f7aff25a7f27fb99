// Processor cost per block as a host pays it: KorvaneVSTProcessor::process
// with 256-sample blocks at 48 kHz into sixteen stereo outputs, N voices
// sounding on all sixteen parts and outputs, optionally with a load of
// controller parameter changes in every block. Reports the real-time
// factor (audio seconds rendered per second of CPU); the time column is the
// cost of one block.
#include "benchmarks/HeldTones.h"
#include "host/HostEventList.h"
#include "host/HostParameterChanges.h"
#include "plugin/KorvaneVSTProcessor.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace ovri::korvane::synth;

constexpr double kRate = 48000.0;
constexpr int32 kBlock = 256;

void processorBlocks(benchmark::State& state) {
  const auto voices = static_cast<int32>(state.range(0));
  const auto changesPerBlock = static_cast<int32>(state.range(1));

  auto* processor = new KorvaneVSTProcessor;
  processor->initialize(nullptr);
  ProcessSetup setup{kRealtime, kSample32, kBlock, kRate};
  processor->setupProcessing(setup);
  processor->setActive(true);
  SynthesizerFM4& synth = *processor->getEngineHost()->synth;
  ovri::korvane::bench::prepareHeldTones(synth, true);

  std::vector<float> storage(32 * kBlock);
  std::vector<float*> pointers(32);
  AudioBusBuffers buses[16] = {};
  for (int32 i = 0; i < 32; ++i) pointers[i] = storage.data() + i * kBlock;
  for (int32 b = 0; b < 16; ++b) {
    buses[b].numChannels = 2;
    buses[b].channelBuffers32 = pointers.data() + 2 * b;
  }
  ovri::korvane::host::HostEventList events;
  ovri::korvane::host::HostParameterChanges changes;
  ProcessData data{};
  data.symbolicSampleSize = kSample32;
  data.numSamples = kBlock;
  data.numOutputs = 16;
  data.outputs = buses;
  data.inputEvents = &events;
  data.inputParameterChanges = &changes;

  for (int32 p = 0; p < 16; ++p) {
    synth.setPartOutput(p, p);
    changes.add(0x10000 + p * 256 + 0x82, 0, p / 127.0);  // program p
  }
  for (int32 i = 0; i < voices; ++i)
    events.addNoteOn(i % kBlock, static_cast<int16>(i % 16), static_cast<int16>(24 + (i / 16) % 96), 0.8f);
  processor->process(data);
  events.clear();
  changes.clear();

  int64_t block = 0;
  for (auto _ : state) {
    changes.clear();
    for (int32 i = 0; i < changesPerBlock; ++i)  // modulation, volume, expression, pan sweeps
      changes.add(0x10000 + (i % 16) * 256 + (1 + 6 * ((i / 16) % 4)), (i * 7) % kBlock,
                  ((block + i) % 128) / 127.0);
    processor->process(data);
    benchmark::DoNotOptimize(storage[kBlock - 1]);
    ++block;
  }
  state.counters["voices"] = synth.getActiveVoiceCount();
  state.counters["realtime_factor"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kBlock / kRate, benchmark::Counter::kIsRate);

  processor->setActive(false);
  processor->terminate();
  processor->release();
}

BENCHMARK(processorBlocks)->Args({0, 0})->Args({128, 0})->Args({128, 64})->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
