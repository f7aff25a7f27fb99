// How the processor turns what the host hands over into the engine's event
// queue, observed inside the engine (static plug-in core, no module).
#include "tests/plugin/ProcessorFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::MidiEvent;

constexpr ParamID kBypass = 0x01000001;

using ProcessorEventsTest = ovri::korvane::test::ProcessorFixture;

TEST_F(ProcessorEventsTest, MidiParametersBecomeChannelMessages) {
  changes.add(0x10307, 5, 1.0);             // channel 3, CC 7
  changes.add(0x10F81, 6, 0.5);             // channel 15, pitch bend
  changes.add(0x10282, 7, 5.0 / 127.0);     // channel 2, program 5
  changes.add(0x10480, 8, 1.0);             // channel 4, channel pressure
  changes.add(0x00001234, 9, 1.0);          // not a MIDI parameter
  changes.add(0x10001, 1, 0.0);             // channel 0, CC 1: every point counts
  changes.add(0x10001, 20, 64.0 / 127.0);
  process(kFrames);

  ASSERT_EQ(executed.size(), 6u);
  const struct {
    int32_t status, channel, data1, data2, offset;
  } expected[] = {{0xB0, 0, 1, 0, 1},    {0xB0, 3, 7, 127, 5}, {0xE0, 15, 0, 64, 6},
                  {0xC0, 2, 5, 0, 7},    {0xD0, 4, 127, 0, 8}, {0xB0, 0, 1, 64, 20}};
  for (size_t i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(queued(i).status, expected[i].status);
    EXPECT_EQ(queued(i).channel, expected[i].channel);
    EXPECT_EQ(queued(i).data1, expected[i].data1);
    EXPECT_EQ(queued(i).data2, expected[i].data2);
    EXPECT_EQ(queued(i).sampleOffset, expected[i].offset);
  }
  EXPECT_EQ(host->synth->getPart(4).channelPressure, 127);
}

TEST_F(ProcessorEventsTest, ParameterValuesReachThePartRecords) {
  changes.add(0x10307, 0, 1.0);
  changes.add(0x10381, 0, 0.5);
  changes.add(0x10382, 0, 9.0 / 127.0);
  process(64);
  const auto& part = host->synth->getPart(3);
  EXPECT_EQ(part.controllers[7], 127);
  EXPECT_EQ(part.pitchBend, 8192);
  EXPECT_EQ(part.program, 9);
}

TEST_F(ProcessorEventsTest, BypassIgnoresTheChangesAfterItInTheBlock) {
  const int32_t volumeBefore = host->synth->getPart(3).controllers[7];
  ASSERT_NE(volumeBefore, 127);
  changes.add(kBypass, 0, 1.0);
  changes.add(0x10307, 0, 1.0);
  events.addNoteOn(0, 0, 60, 1.0f);  // events are still queued
  process(64);
  EXPECT_TRUE(processor->isBypassed());
  EXPECT_EQ(host->synth->getPart(3).controllers[7], volumeBefore);
  EXPECT_EQ(host->queue->getCount(), 1);

  changes.add(kBypass, 0, 0.0);  // ends bypass: the queue is emptied first
  changes.add(0x10307, 0, 1.0);
  process(64);
  EXPECT_FALSE(processor->isBypassed());
  EXPECT_EQ(host->synth->getPart(3).controllers[7], 127);
  EXPECT_EQ(host->synth->getActiveVoiceCount(), 0);  // the note queued while bypassed never played
}

TEST_F(ProcessorEventsTest, NotesCarryRoundedVelocityAndDropBadChannelsAndKeys) {
  events.addNoteOn(3, 2, 60, 0.8f);
  events.addNoteOff(4, 2, 60, 0.5f);
  events.addNoteOn(5, 16, 60, 1.0f);   // channel outside the event bus
  events.addNoteOn(5, -1, 60, 1.0f);
  events.addNoteOn(5, 0, 128, 1.0f);   // no such key
  events.addNoteOn(6, 1, 61, 1.7f);    // velocity above 1 counts as 1
  process(0);
  ASSERT_EQ(executed.size(), 3u);
  EXPECT_EQ(queued(0).status, 0x90);
  EXPECT_EQ(queued(0).channel, 2);
  EXPECT_EQ(queued(0).data1, 60);
  EXPECT_EQ(queued(0).data2, 102);  // 0.8 * 127 + 0.5, truncated
  EXPECT_EQ(queued(1).status, 0x80);
  EXPECT_EQ(queued(1).data2, 0);
  EXPECT_EQ(queued(2).data2, 127);
}

TEST_F(ProcessorEventsTest, OffsetsOutsideTheBlockAreClampedIntoIt) {
  events.addNoteOn(-5, 0, 60, 1.0f);
  events.addNoteOn(70, 0, 62, 1.0f);
  changes.add(0x10007, 1000, 0.5);
  process(64);
  const auto list = lastBlockEvents();
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0]->data1, 60);
  EXPECT_EQ(list[0]->sampleOffset, 0);
  EXPECT_EQ(list[1]->sampleOffset, 63);
  EXPECT_EQ(list[2]->sampleOffset, 63);
}

TEST_F(ProcessorEventsTest, SystemExclusiveDropsTheLeadingF0AndKeeps256Bytes) {
  std::vector<uint8_t> message(300);
  message[0] = 0xF0;
  for (size_t i = 1; i < message.size(); ++i) message[i] = static_cast<uint8_t>(i & 0x7F);
  message.back() = 0xF7;
  events.addSysEx(0, message.data(), static_cast<uint32_t>(message.size()));
  const uint8_t shortMessage[] = {0xF0, 0x7D, 0x10, 0x22, 0x02, 0x09, 0x01, 0x02, 0xF7};
  events.addSysEx(1, shortMessage, sizeof shortMessage);
  events.addSysEx(2, shortMessage, 1);  // F0 alone
  process(0);

  ASSERT_EQ(executed.size(), 3u);
  const MidiEvent& big = queued(0);
  EXPECT_EQ(big.status, 0xF0);
  EXPECT_EQ(big.channel, 0);
  ASSERT_EQ(big.sysexLength, 256);
  EXPECT_TRUE(std::equal(big.sysexData, big.sysexData + 256, message.begin() + 1));
  const MidiEvent& small = queued(1);
  ASSERT_EQ(small.sysexLength, 8);
  EXPECT_EQ(small.sysexData[0], 0x7D);
  EXPECT_EQ(small.sysexData[7], 0xF7);
  EXPECT_EQ(queued(2).sysexLength, 0);
}

TEST_F(ProcessorEventsTest, TheQueueHolds512EventsAndDropsTheRest) {
  for (int32 i = 0; i < 513; ++i) events.addNoteOn(0, 0, i % 128, 1.0f);
  process(0);  // a block of no samples executes its events
  ASSERT_EQ(executed.size(), 512u);
  EXPECT_EQ(queued(511).data1, 511 % 128);
}

// More events than the queue holds in one block: controller points give
// way (the last point of each controller stays), note-offs never do.
TEST_F(ProcessorEventsTest, AFullQueueKeepsEveryNoteOffAndTheLastPointOfEachController) {
  const struct {
    const char* what;
    int32_t bendPoints, volumePoints, noteOffs;
  } cases[] = {
      {"600 bend points and a note-off", 600, 0, 1},
      {"bends and volumes crowding 40 note-offs", 400, 400, 40},
      {"700 note-offs, more than the queue", 0, 0, 700},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (int32_t n = 0; n < c.noteOffs; ++n) events.addNoteOn(0, static_cast<int16_t>(n / 128), n % 128, 1.0f);
    process(kFrames);
    for (int32_t i = 0; i < c.bendPoints; ++i) changes.add(0x10081, i * kFrames / 1000, (i % 100) / 100.0);
    for (int32_t i = 0; i < c.volumePoints; ++i) changes.add(0x10007, i * kFrames / 1000, (i % 127) / 127.0);
    if (c.bendPoints > 0) changes.add(0x10081, kFrames - 1, 0.5);
    if (c.volumePoints > 0) changes.add(0x10007, kFrames - 1, 20.0 / 127.0);
    for (int32_t n = 0; n < c.noteOffs; ++n) events.addNoteOff(kFrames - 1, static_cast<int16_t>(n / 128), n % 128);
    process(kFrames);
    size_t offs = 0;
    for (const MidiEvent* e : executed) offs += e->status == 0x80;
    process(kFrames);  // what did not fit comes at the start of the next block
    for (const MidiEvent* e : executed) offs += e->status == 0x80;
    EXPECT_EQ(offs, static_cast<size_t>(c.noteOffs));
    if (c.bendPoints > 0) {
      EXPECT_EQ(host->synth->getPart(0).pitchBend, 8192);
    }
    if (c.volumePoints > 0) {
      EXPECT_EQ(host->synth->getPart(0).controllers[7], 20);
    }
    int32_t held = 0;
    for (int32_t v = 0; v < host->synth->getPolyphony(); ++v)
      held += (host->synth->getVoice(v).stateByte & ovri::korvane::synth::kKeyHeld) != 0;
    EXPECT_EQ(held, 0) << "no note hangs";
    events.clear();
    changes.clear();
  }
}

TEST_F(ProcessorEventsTest, PartOnAnOutputWithoutBuffersRendersIntoScratch) {
  host->synth->setPartOutput(0, 5);
  connectOutputs(2);  // as some hosts do: only the first two outputs are real
  events.addNoteOn(0, 0, 69, 1.0f);
  process(kFrames);
  EXPECT_EQ(host->synth->getActiveVoiceCount(), 1);
  EXPECT_TRUE(silent());  // output 6 is not connected; 1 and 2 stay clean
}

TEST_F(ProcessorEventsTest, OneChannelOutputGetsItsLeftSide) {
  host->synth->setPartOutput(0, 1);
  buses[1].numChannels = 1;
  events.addNoteOn(0, 0, 69, 1.0f);
  process(kFrames);
  bool leftSounds = false;
  for (int32 i = 0; i < kFrames; ++i) leftSounds |= pointers[2][i] != 0.0f;
  EXPECT_TRUE(leftSounds);
  for (int32 i = 0; i < kFrames; ++i) ASSERT_EQ(pointers[3][i], 0.0f);  // not handed over: untouched
}

}  // namespace
