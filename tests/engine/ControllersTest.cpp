#include "engine/SynthesizerFM4.h"

#include <gtest/gtest.h>

namespace ovri::korvane {
namespace {

using synth::SynthesizerFM4;

struct Controllers : ::testing::Test {
  Controllers() {
    // No attack phase: notes are audible at once, so a release leaves a
    // releasing voice rather than ending a still silent one.
    for (int32_t t = 0; t < synth::kToneCount; ++t)
      for (int32_t op = 0; op < synth::kOperatorCount; ++op) s.getTonePreset(t).ar[op] = 127;
  }
  SynthesizerFM4 s{440.0f, 0.8f};
  void cc(int32_t n, int32_t v, int32_t ch = 0) { s.controlChange(ch, n, v); }
};

TEST_F(Controllers, Rpn0SetsAndStepsTheBendRange) {
  cc(101, 0);
  cc(100, 0);
  cc(6, 12);
  EXPECT_EQ(s.getPart(0).bendRange, 12);
  cc(96, 0);
  cc(96, 0);
  EXPECT_EQ(s.getPart(0).bendRange, 14);
  cc(38, 99);  // the LSB carries nothing for the bend range
  EXPECT_EQ(s.getPart(0).bendRange, 14);
  cc(6, 0);
  cc(97, 0);
  EXPECT_EQ(s.getPart(0).bendRange, 0);
  cc(6, 127);
  cc(96, 0);
  EXPECT_EQ(s.getPart(0).bendRange, 127);
}

TEST_F(Controllers, SelectionNeedsBothHalvesThenReselectsOnEveryWrite) {
  cc(100, 0);
  cc(6, 12);
  EXPECT_EQ(s.getPart(0).bendRange, 2);
  EXPECT_EQ(s.getPart(0).parameterSelector, 256);
  cc(101, 0);
  EXPECT_EQ(s.getPart(0).parameterSelector, 0);
  cc(100, 5);
  EXPECT_EQ(s.getPart(0).parameterSelector, 5);
  cc(101, 127);
  cc(100, 127);  // null number
  EXPECT_EQ(s.getPart(0).parameterSelector, 256);
}

TEST_F(Controllers, NrpnIsIgnoredUntilEnabled) {
  cc(99, 0);
  cc(98, 0);
  EXPECT_EQ(s.getPart(0).controllers[99], 0);
  EXPECT_EQ(s.getPart(0).controllers[98], 0);
  cc(99, 5);
  EXPECT_EQ(s.getPart(0).controllers[99], 0);  // not even stored
  cc(6, 119);
  EXPECT_FLOAT_EQ(s.getMasterVolume(), 0.8f);
}

TEST_F(Controllers, NrpnMasterVolumeAndPartModes) {
  s.setNrpnEnabled(true);
  cc(99, 0);
  cc(98, 0);
  cc(38, 119);
  EXPECT_FLOAT_EQ(s.getMasterVolume(), 0.8f);  // LSB alone does nothing
  cc(6, 119);
  EXPECT_FLOAT_EQ(s.getMasterVolume(), 0.5f);
  cc(6, 127);
  EXPECT_FLOAT_EQ(s.getMasterVolume(), 1.0f);

  s.noteOn(0, 60, 100);
  cc(98, 33);
  cc(6, 0);
  EXPECT_EQ(s.getPartMode(0), 0);
  EXPECT_EQ(s.getActiveVoiceCount(), 0);
  cc(6, 9);
  EXPECT_EQ(s.getPartMode(0), 3);
  cc(98, 32);
  cc(6, 2);
  EXPECT_EQ(s.getPartDefaultMode(0), 2);
}

TEST_F(Controllers, ResetAllControllersKeepsVolumePanAndRange) {
  cc(7, 90);
  cc(10, 30);
  cc(11, 50);
  cc(1, 70);
  s.pitchBend(0, 0, 0);
  cc(101, 0);
  cc(100, 0);
  cc(6, 7);
  cc(121, 0);
  const auto& p = s.getPart(0);
  EXPECT_EQ(p.controllers[7], 90);
  EXPECT_EQ(p.controllers[10], 30);
  EXPECT_EQ(p.controllers[11], 127);
  EXPECT_EQ(p.controllers[1], 0);
  EXPECT_EQ(p.pitchBend, 8192);
  EXPECT_EQ(p.bendRange, 7);
  EXPECT_EQ(p.parameterSelector, 256);
}

TEST_F(Controllers, AllNotesOffReleasesHeldVoicesAllSoundOffDampsEvenReleasing) {
  s.noteOn(0, 60, 100);  // voice 1
  s.noteOn(0, 62, 100);  // voice 2
  s.noteOff(0, 60, 0);
  cc(123, 0);
  EXPECT_EQ(s.getVoice(1).stateByte & 0x70, synth::kReleased);
  EXPECT_EQ(s.getVoice(2).stateByte & 0x70, synth::kReleased);
  cc(120, 0);
  EXPECT_EQ(s.getVoice(1).stateByte & 0x70, synth::kDamped);
  EXPECT_EQ(s.getVoice(1).part, -1);
  EXPECT_EQ(s.getVoice(2).stateByte & 0x70, synth::kDamped);
}

TEST_F(Controllers, ChannelMessagesUpdateThePart) {
  s.pitchBend(3, 0, 64);
  EXPECT_EQ(s.getPart(3).pitchBend, 8192);
  s.pitchBend14(3, 16383);
  EXPECT_EQ(s.getPart(3).pitchBend, 16383);
  s.channelPressure(3, 77);
  EXPECT_EQ(s.getPart(3).channelPressure, 77);
  s.noteOn(3, 60, 100);
  s.programChange(3, 9);  // the direct form damps the part's voices
  EXPECT_EQ(s.getPart(3).program, 9);
  EXPECT_EQ(s.getVoice(1).stateByte & synth::kDamped, synth::kDamped);
  cc(64, 127, 3);
  EXPECT_EQ(s.getPart(3).controllers[64], 127);
}

TEST_F(Controllers, SwitchingNrpnResetsPartRegisters) {
  cc(1, 50);
  cc(11, 20);
  cc(101, 0);
  cc(100, 0);
  s.setNrpnEnabled(true);
  const auto& p = s.getPart(0);
  EXPECT_EQ(p.controllers[1], 0);
  EXPECT_EQ(p.controllers[11], 127);
  EXPECT_EQ(p.rpnRegister, 0);
  EXPECT_EQ(p.parameterSelector, 256);
  s.setRpnEnabled(false);
  cc(101, 0);
  cc(100, 0);
  EXPECT_EQ(p.parameterSelector, 256);
}

}  // namespace
}  // namespace ovri::korvane
