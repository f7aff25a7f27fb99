#include "EngineHarness.h"

#include <gtest/gtest.h>

namespace ovri::korvane {
namespace {

using test::EngineHarness;

// Every FM wave is silent at phase 0, so a note's first sample is exactly
// zero and its sound shows from the sample after its offset.
TEST(BlockRendering, NoteStartsAtItsSampleOffset) {
  EngineHarness h;
  h.noteOn(0, 69, 100, 100);
  h.render(256);
  for (int32_t i = 0; i < 100; ++i) {
    ASSERT_EQ(h.channel(0)[i], 0.0f) << i;
    ASSERT_EQ(h.channel(1)[i], 0.0f) << i;
  }
  EXPECT_EQ(h.firstSound(0, 256), 101);
}

TEST(BlockRendering, SoundingVoicesContinueAcrossBlocksWithoutEvents) {
  EngineHarness h;
  h.noteOn(0, 60, 100);
  h.render(64);
  h.render(64);
  EXPECT_EQ(h.firstSound(0, 64), 0);
  EXPECT_EQ(h.synth->getActiveVoiceCount(), 1);
}

// A DAW sends the note-off and the note-on of a repeated note at the same
// sample: the new note must keep sounding.
TEST(BlockRendering, EqualOffsetsRunInQueueOrder) {
  EngineHarness h;
  h.noteOn(0, 60, 100, 0);
  h.render(128);
  h.noteOff(0, 60, 64);
  h.noteOn(0, 60, 100, 64);
  h.render(128);
  int32_t held = 0;
  for (int32_t i = 0; i < h.synth->getPolyphony(); ++i)
    if ((h.synth->getVoice(i).stateByte & synth::kKeyHeld) != 0) ++held;
  EXPECT_EQ(held, 1);

  // A zero-length note (on, then off, at one sample) does not hang.
  h.noteOn(0, 72, 100, 10);
  h.noteOff(0, 72, 10);
  h.render(128);
  for (int32_t i = 0; i < h.synth->getPolyphony(); ++i) {
    const auto& v = h.synth->getVoice(i);
    if (v.key == 72 && v.part == 0) {
      EXPECT_EQ(v.stateByte & synth::kKeyHeld, 0);
    }
  }

  // A program change at the sample of a note reaches the part before the note.
  h.synth->getTonePreset(5).strc = 7;
  h.queue3(0xC0, 1, 5, 0, 20);
  h.noteOn(1, 60, 100, 20);
  h.render(128);
  EXPECT_EQ(h.synth->getPart(1).program, 5);
}

TEST(BlockRendering, ControllerQueuedAfterANoteButEarlierRunsFirst) {
  EngineHarness h;
  h.noteOn(0, 60, 100, 100);
  h.cc(0, 7, 0, 50);  // volume 0 before the note: the note is nearly silent
  h.render(256);
  EXPECT_EQ(h.synth->getPart(0).controllers[7], 0);
  float loudest = 0.0f;
  for (float v : h.channel(0)) loudest = std::max(loudest, std::abs(v));
  EXPECT_LT(loudest, 1e-4f);
}

TEST(BlockRendering, MutedPartsPortMaskAndSysExSwitchFilterEvents) {
  EngineHarness h;
  h.synth->setPartMode(2, synth::kModeMute);
  h.noteOn(2, 60, 100, 10);
  MidiEvent masked;
  masked.status = 0x90;
  masked.data1 = 60;
  masked.data2 = 100;
  h.queue.append(masked);
  h.queue.pool[h.queue.getCount() - 1].portMask = 0;
  h.sysex({0x7D, 0x10, 0x22, 0x00, 0x00, 0x00, 0x7F, 0xF7});
  h.render(64);
  EXPECT_EQ(h.synth->getActiveVoiceCount(), 0);
  EXPECT_FLOAT_EQ(h.synth->getMasterVolume(), 0.8f);
}

TEST(BlockRendering, EventsOutsideTheBlockAreClampedIntoIt) {
  EngineHarness h(64);
  h.noteOn(0, 60, 100, 5000);
  h.noteOn(0, 64, 100, -20);
  h.render(64);  // must neither write past the buffers nor lose the notes
  EXPECT_EQ(h.synth->getActiveVoiceCount(), 2);
}

TEST(BlockRendering, PartOutputRoutesVoicesToTheirChannelPair) {
  EngineHarness h;
  h.synth->setPartOutput(3, 5);
  h.noteOn(3, 60, 100);
  h.render(64);
  EXPECT_EQ(h.firstSound(0, 64), -1);
  EXPECT_GE(h.firstSound(10, 64), 0);
  EXPECT_GE(h.firstSound(11, 64), 0);

  h.synth->setPartOutput(3, 7);  // sounding notes move at once
  h.render(64);
  EXPECT_EQ(h.firstSound(10, 64), -1);
  EXPECT_EQ(h.firstSound(14, 64), 0);
}

}  // namespace
}  // namespace ovri::korvane
