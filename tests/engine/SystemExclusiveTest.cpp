#include "engine/SynthesizerFM4.h"

#include <gtest/gtest.h>

#include <vector>

namespace ovri::korvane {
namespace {

using synth::SynthesizerFM4;

struct SystemExclusive : ::testing::Test {
  SystemExclusive() { s.setReceiveSysEx(true); }
  // Sends the bytes after F0 (the closing F7 included).
  void send(std::vector<uint8_t> bytes) { s.systemExclusive(bytes.data(), static_cast<int32_t>(bytes.size())); }
  SynthesizerFM4 s{440.0f, 0.8f};
};

TEST_F(SystemExclusive, SystemBlock) {
  send({0x7D, 0x10, 0x22, 0x00, 0x00, 0x00, 0x7F, 0xF7});
  EXPECT_FLOAT_EQ(s.getMasterVolume(), 1.0f);
  s.noteOn(0, 60, 100);
  send({0x7D, 0x10, 0x22, 0x00, 0x00, 0x01, 0x40, 0xF7});
  EXPECT_FLOAT_EQ(s.getMasterTune(), 440.0f);
  EXPECT_EQ(s.getActiveVoiceCount(), 0);
  send({0x7D, 0x10, 0x22, 0x00, 0x00, 0x00, 119, 0x00, 0xF7});  // volume and tune in one message
  EXPECT_FLOAT_EQ(s.getMasterVolume(), 0.5f);
  EXPECT_FLOAT_EQ(s.getMasterTune(), 408.0f);
  send({0x7D, 0x10, 0x22, 0x00, 0x01, 0x00, 0x7F, 0xF7});  // bb must be 0
  EXPECT_FLOAT_EQ(s.getMasterVolume(), 0.5f);
  send({0x7D, 0x10, 0x22, 0x00, 0x00, 0x00, 0xC8, 0xF7});  // no volume step 200
  EXPECT_FLOAT_EQ(s.getMasterVolume(), 0.5f);
}

TEST_F(SystemExclusive, PartBlockUsesTheLowFourBitsOfThePart) {
  s.noteOn(3, 60, 100);
  send({0x7D, 0x10, 0x22, 0x02, 0x03, 0x01, 0x02, 0xF7});
  EXPECT_EQ(s.getPartMode(3), 2);
  EXPECT_EQ(s.getActiveVoiceCount(), 0);
  send({0x7D, 0x10, 0x22, 0x02, 0x13, 0x01, 0x03, 0xF7});
  EXPECT_EQ(s.getPartMode(3), 3);
  send({0x7D, 0x10, 0x22, 0x02, 0x04, 0x00, 0x09, 0x00, 0xF7});
  EXPECT_EQ(s.getPartDefaultMode(4), 3);
  EXPECT_EQ(s.getPartMode(4), 0);
}

TEST_F(SystemExclusive, ToneBlockFieldsAndMasks) {
  std::vector<uint8_t> rename = {0x7D, 0x10, 0x22, 0x05, 0x24, 0x00};
  for (char c : std::string("Kick Drum 36    ")) rename.push_back(static_cast<uint8_t>(c));
  rename.push_back(0xF7);
  send(rename);
  EXPECT_STREQ(s.getTonePreset(164).presetName, "Kick Drum 36    ");

  send({0x7D, 0x10, 0x22, 0x04, 0x00, 0x24, 0x05, 0xF7});
  EXPECT_EQ(s.getTonePreset(0).mul[0], 5);
  send({0x7D, 0x10, 0x22, 0x04, 0x00, 0x24, 0x15, 0xF7});
  EXPECT_EQ(s.getTonePreset(0).mul[0], 5);

  // 28/29: LFO rate as a 7-bit pair; 31: structure masked to 3 bits.
  send({0x7D, 0x10, 0x22, 0x04, 0x07, 0x1C, 0x01, 0x7F, 0x05, 0x0F, 0xF7});
  EXPECT_EQ(s.getTonePreset(7).lfoFreq, 0x3F81);
  EXPECT_EQ(s.getTonePreset(7).fl, 5);
  EXPECT_EQ(s.getTonePreset(7).strc, 7);
  send({0x7D, 0x10, 0x22, 0x04, 0x07, 0x1C, 0x00, 0xF7});  // LSB alone keeps the MSB
  EXPECT_EQ(s.getTonePreset(7).lfoFreq, 0x3F80);

  // Operator 2's tune (37 + 32 = 69, 70) and wave.
  send({0x7D, 0x10, 0x22, 0x04, 0x01, 69, 0x11, 0x22, 0x03, 0x0E, 0xF7});
  EXPECT_EQ(s.getTonePreset(1).tune[2], (0x22 << 7) | 0x11);
  EXPECT_EQ(s.getTonePreset(1).lms[2], 3);
  EXPECT_EQ(s.getTonePreset(1).wave[2], 6);

  // From 94: kf and kfStart of operator 3, the third value is surplus.
  send({0x7D, 0x10, 0x22, 0x04, 0x02, 94, 0x07, 0x33, 0x44, 0xF7});
  EXPECT_EQ(s.getTonePreset(2).kf[3], 3);
  EXPECT_EQ(s.getTonePreset(2).kfStart[3], 0x33);
}

TEST_F(SystemExclusive, SamplerBlock) {
  send({0x7D, 0x10, 0x22, 0x06, 0x09, 16, 0x05, 0x20, 0x1A, 0x00, 0x40, 0x11, 0xF7});
  const auto& p = s.getSamplerPreset(9);
  EXPECT_EQ(p.smplNum, 5);
  EXPECT_EQ(p.pan, 0x20);
  EXPECT_EQ(p.octv, 0x0A);
  EXPECT_EQ(p.tune, 0x40 << 7);
  EXPECT_EQ(p.tl, 0x11);
  send({0x7D, 0x10, 0x22, 0x06, 0x80, 16, 0x05, 0xF7});  // no sampler preset 128
  EXPECT_EQ(s.getSamplerPreset(0).smplNum, 0);
}

TEST_F(SystemExclusive, ForeignShortOrDisabledMessagesChangeNothing) {
  send({0x7D, 0x10, 0x21, 0x04, 0x00, 0x24, 0x05, 0xF7});  // model 0x21
  send({0x7D, 0x10, 0x22, 0x04, 0x00, 0x00, 0xF7});        // 7 bytes
  send({0x7D, 0x10, 0x22, 0x04, 0x00, 96, 0x05, 0xF7});    // past the last address
  send({0x7D, 0x10, 0x22, 0x03, 0x00, 0x00, 0x05, 0xF7});  // no block 3
  EXPECT_EQ(s.getTonePreset(0).mul[0], 1);
  EXPECT_EQ(s.getTonePreset(0).presetName[0], ' ');
  s.setReceiveSysEx(false);
  send({0x7D, 0x10, 0x22, 0x04, 0x00, 0x24, 0x05, 0xF7});
  EXPECT_EQ(s.getTonePreset(0).mul[0], 1);
  s.setReceiveSysEx(true);
  s.setModelId(0x21 | 0x80);  // low 7 bits
  EXPECT_EQ(s.getModelId(), 0x21);
  send({0x7D, 0x10, 0x21, 0x04, 0x00, 0x24, 0x05, 0xF7});
  EXPECT_EQ(s.getTonePreset(0).mul[0], 5);
}

}  // namespace
}  // namespace ovri::korvane
