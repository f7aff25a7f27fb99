// The standalone's MIDI path as the JACK callback drives it: raw messages
// of one cycle become the events and parameter changes of the plug-in's
// process calls (the built bundle, through the host library), a parameter
// changing twice ends the block early, and nothing on that path allocates
// (this test program replaces operator new and delete to count).
#include "standalone/MidiToHost.h"
#include "tests/support/CountedAllocations.h"

#include "pluginterfaces/vst/ivstmidicontrollers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>


namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::standalone::MidiToHost;
using ovri::korvane::standalone::RawMidi;

struct StandaloneMidi : ::testing::Test {
  void SetUp() override {
    std::string error;
    module = PluginModule::load(KORVANE_TEST_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    instance = PluginInstance::create(*module, error);
    ovri::korvane::host::ProcessOptions options;
    options.maxBlockSize = 64;
    ASSERT_TRUE(instance && instance->start(options, error)) << error;
    ASSERT_NE(instance->midiMapping, nullptr);
  }
  ParamID mapped(int16 channel, CtrlNumber number) {
    ParamID id = 0;
    EXPECT_EQ(instance->midiMapping->getMidiControllerAssignment(0, channel, number, id), kResultTrue);
    return id;
  }
  float peak() {
    float p = 0.0f;
    for (int32 c = 0; c < 2; ++c)
      for (int32 i = 0; i < 64; ++i) p = std::max(p, std::fabs(instance->output(0, c)[i]));
    return p;
  }
  std::unique_ptr<PluginModule> module;
  std::unique_ptr<PluginInstance> instance;
};

TEST_F(StandaloneMidi, ACycleBecomesEventsAndChangesInBlocksWithoutAllocating) {
  MidiToHost midi(*instance);
  RawMidi posted;  // from the sequencer thread: plays at the cycle's start
  posted.size = 2;
  posted.bytes[0] = 0xc1;  // program change, channel 2
  posted.bytes[1] = 5;
  midi.post(posted);
  const ParamID program = mapped(1, kCtrlProgramChange), volumeId = mapped(0, 7), bend = mapped(0, kPitchBend);
  struct Message {
    uint32_t time;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Message> cycle = {
      {0, {0x90, 60, 100}},                    // note on, channel 1
      {3, {0xb0, 7, 100}},                     // volume
      {5, {0xe0, 0x00, 0x50}},                 // pitch bend
      {8, {0xf0, 0x7d, 0x10, 0x22, 0xf7}},     // system exclusive
      {20, {0xb0, 7, 90}},                     // volume again: a block of its own from sample 20
      {40, {0x90, 64, 0}},                     // note on with velocity 0: a note off
  };
  ovri::korvane::test::countAllocations = true;
  midi.beginCycle();
  for (const auto& m : cycle) midi.add(m.time, m.bytes.data(), m.bytes.size());
  const int32 firstEnd = midi.fillBlock(*instance, 0, 64);
  const int32 events = instance->events().getEventCount();
  const int32 changes = instance->changes().getParameterCount();
  const bool allChanges = instance->changes().contains(program) && instance->changes().contains(volumeId) &&
                          instance->changes().contains(bend);
  instance->process(firstEnd);
  const int32 secondEnd = midi.fillBlock(*instance, firstEnd, 64);
  const int32 laterEvents = instance->events().getEventCount();
  IParamValueQueue* volume = instance->changes().getParameterData(0);
  instance->process(secondEnd - firstEnd);
  ovri::korvane::test::countAllocations = false;

  EXPECT_EQ(ovri::korvane::test::countedAllocations.load(), 0);
  EXPECT_EQ(firstEnd, 20);
  EXPECT_EQ(secondEnd, 64);
  EXPECT_EQ(events, 2);  // the note on and the system exclusive
  EXPECT_EQ(changes, 3);  // the program change of channel 2, the volume, the bend
  EXPECT_TRUE(allChanges);
  EXPECT_EQ(laterEvents, 1);  // the note off, at 40 - 20
  ASSERT_NE(volume, nullptr);
  EXPECT_EQ(volume->getParameterId(), volumeId);
  int32 offset = -1;
  ParamValue value = -1;
  ASSERT_EQ(volume->getPoint(0, offset, value), kResultOk);
  EXPECT_EQ(offset, 0);
  EXPECT_DOUBLE_EQ(value, 90 / 127.0);
  EXPECT_GT(peak(), 0.0f);
  EXPECT_EQ(midi.dropped(), 0u);
}

TEST_F(StandaloneMidi, WhatDoesNotFitACycleIsDroppedAndCounted) {
  MidiToHost midi(*instance);
  midi.beginCycle();
  const uint8_t note[3] = {0x90, 60, 1};
  for (int i = 0; i < MidiToHost::kMaxPending + 3; ++i) midi.add(0, note, 3);
  const uint8_t tooLong[RawMidi::kMaxBytes + 1] = {0xf0};
  midi.add(0, tooLong, sizeof tooLong);
  EXPECT_EQ(midi.fillBlock(*instance, 0, 64), 64);
  EXPECT_EQ(instance->events().getEventCount(), MidiToHost::kMaxPending);
  EXPECT_EQ(midi.dropped(), 4u);
}

}  // namespace
