#pragma once

// A processor initialised and active at 44.1 kHz with 256-sample blocks,
// driven as a host drives it: parameter changes and events in, sixteen
// stereo outputs out (static plug-in core, no module).
#include "host/HostEventList.h"
#include "host/HostParameterChanges.h"
#include "plugin/KorvaneVSTProcessor.h"
#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

#include <vector>

namespace ovri::korvane::test {

using namespace Steinberg;
using namespace Steinberg::Vst;
using host::HostEventList;
using host::HostParameterChanges;

class ProcessorFixture : public ::testing::Test {
protected:
  void SetUp() override {
    processor = new KorvaneVSTProcessor;
    ASSERT_EQ(processor->initialize(nullptr), kResultOk);
    ProcessSetup setup{kRealtime, kSample32, kFrames, 44100.0};
    ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
    ASSERT_EQ(processor->setActive(true), kResultOk);
    host = processor->getEngineHost();
    storage.assign(32 * kFrames, 0.0f);
    pointers.resize(32);
    for (int32 i = 0; i < 32; ++i) pointers[i] = storage.data() + i * kFrames;
    connectOutputs(16);
    data.symbolicSampleSize = kSample32;
    data.numOutputs = 16;
    data.outputs = buses;
    data.inputEvents = &events;
    data.inputParameterChanges = &changes;
  }
  void TearDown() override {
    processor->setActive(false);
    processor->terminate();
    processor->release();
  }
  // Buses from `count` on get no buffers.
  void connectOutputs(int32 count) {
    for (int32 b = 0; b < 16; ++b) {
      buses[b].numChannels = b < count ? 2 : 0;
      buses[b].channelBuffers32 = b < count ? pointers.data() + 2 * b : nullptr;
    }
  }
  void process(int32 samples) {
    data.numSamples = samples;
    EXPECT_EQ(processor->process(data), kResultOk);
    executed = lastBlockEvents();
    events.clear();
    changes.clear();
  }
  // The events the last block executed, in order.
  const MidiEvent& queued(size_t index) const { return *executed.at(index); }
  // The rack's event list of the last block that rendered.
  std::vector<const MidiEvent*> lastBlockEvents() const {
    std::vector<const MidiEvent*> list;
    for (const MidiEvent* e = host->rack->head.next; e != nullptr; e = e->next) list.push_back(e);
    return list;
  }
  // The processor's saved state, and a state loaded into it.
  std::vector<uint8_t> saved() {
    MemoryStream stream;
    EXPECT_EQ(processor->getState(&stream), kResultOk);
    const auto* bytes = reinterpret_cast<const uint8_t*>(stream.getData());
    return std::vector<uint8_t>(bytes, bytes + stream.getSize());
  }
  tresult load(const std::vector<uint8_t>& image) {
    MemoryStream stream;
    int32 written = 0;
    stream.write(const_cast<uint8_t*>(image.data()), static_cast<int32>(image.size()), &written);
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    return processor->setState(&stream);
  }
  bool silent() const {
    for (float x : storage)
      if (x != 0.0f) return false;
    return true;
  }

  static constexpr int32 kFrames = 256;
  KorvaneVSTProcessor* processor = nullptr;
  EngineHost* host = nullptr;
  std::vector<float> storage;
  std::vector<float*> pointers;
  AudioBusBuffers buses[16] = {};
  ProcessData data{};
  std::vector<const MidiEvent*> executed;
  HostEventList events;
  HostParameterChanges changes;
};

}  // namespace ovri::korvane::test
