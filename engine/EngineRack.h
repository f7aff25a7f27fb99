#pragma once

#include "engine/MidiController.h"
#include "engine/MidiEvent.h"
#include "engine/ModuleRack.h"
#include "engine/SynthesizerFM4.h"

#include <cstdint>
#include <memory>

namespace ovri::korvane {

// The FM4 engine as one module rack plays it, block by block: the event
// queue in slot 0 and the synthesizer in slot 1. What the test harness,
// the benchmarks and the demo tool build; the plug-in's engine host sets
// up the same rack in its own way (it hands it between threads).
class EngineRack {
public:
  static constexpr int32_t kQueueSlot = 0;
  static constexpr int32_t kSynthSlot = 1;

  explicit EngineRack(float sampleRate = 48000.0f, int32_t blockSize = 256, float masterTune = 440.0f,
                      float masterVolume = 0.8f)
      : synth(std::make_unique<synth::SynthesizerFM4>(masterTune, masterVolume)) {
    rack.setSampleRate(sampleRate);
    rack.attach(kQueueSlot, &queue);
    rack.attach(kSynthSlot, synth.get());
    rack.setBlockSize(blockSize);
  }
  ~EngineRack() {
    rack.attach(kQueueSlot, nullptr);
    rack.attach(kSynthSlot, nullptr);
  }
  EngineRack(const EngineRack&) = delete;
  EngineRack& operator=(const EngineRack&) = delete;

  // Queues a channel message of up to three bytes for the next block.
  void queue3(int32_t status, int32_t channel, int32_t data1, int32_t data2, int32_t offset) {
    MidiEvent e;
    e.status = status;
    e.channel = channel;
    e.data1 = data1;
    e.data2 = data2;
    e.sampleOffset = offset;
    queue.append(e);
  }
  // Renders one block into channels (kChannelCount buffers of n samples,
  // which the engine adds into).
  void runBlock(float* const* channels, int32_t n) { rack.runBlock(channels, n); }

  ModuleRack rack;
  util::MidiController queue;
  std::unique_ptr<synth::SynthesizerFM4> synth;
};

}  // namespace ovri::korvane
