#include "formats/SysExText.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace ovri::korvane::formats {
namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::vector<std::string> bytesOf(const std::string& line) {
  std::vector<std::string> out;
  std::istringstream in(line);
  for (std::string byte; in >> byte;) out.push_back(byte);
  return out;
}

const std::vector<std::string> kToneHeader = {
    "# F0 7D 10 21 aa bb cc datas... F7",
    "# SysExStatus, MnufactureID(Universal), DeviceID, ModelID, DataOffsetAdress[abc], Datas..., EOX",
    "# aa[04(Instrument)] [05(Percussion)], bb[00-7f(Inst:program)(Perc:key Number)], cc[offset address]",
    "# key, pan, lfoWave, lfoFreq, fl, strc,",
    "# tlVelCtrl_0, mul_0, tune_0, lms_0, wave_0, tl_0, ar_0, dr_0, sl_0, rr_0, kf_0, kfStart_0,",
    "# tlVelCtrl_1, mul_1, tune_1, lms_1, wave_1, tl_1, ar_1, dr_1, sl_1, rr_1, kf_1, kfStart_1,",
    "# tlVelCtrl_2, mul_2, tune_2, lms_2, wave_2, tl_2, ar_2, dr_2, sl_2, rr_2, kf_2, kfStart_2,",
    "# tlVelCtrl_3, mul_3, tune_3, lms_3, wave_3, tl_3, ar_3, dr_3, sl_3, rr_3, kf_3, kfStart_3",
};

TEST(SysExText, ToneExportHasHeaderAndOneCompleteMessagePerTone) {
  const std::vector<synth::TonePreset> tones(synth::kToneCount);
  const std::vector<std::string> text = lines(writeToneSysExText(tones.data()));
  ASSERT_EQ(text.size(), 8u + 256u);
  EXPECT_EQ(std::vector<std::string>(text.begin(), text.begin() + 8), kToneHeader);

  const std::string op = " 00 00 00 00 01 00 40 00 00 00 7c 64 00 78 00 30";
  EXPECT_EQ(text[8], "F0 7D 10 21 04 00 19 40 40 00 00 10 7f 00" + op + op + op + op + " F7");
  EXPECT_EQ(text[8 + 127].substr(0, 20), "F0 7D 10 21 04 7f 19");
  EXPECT_EQ(text[8 + 128].substr(0, 20), "F0 7D 10 21 05 00 19");
  EXPECT_EQ(text[8 + 255].substr(0, 20), "F0 7D 10 21 05 7f 19");
  for (std::size_t i = 8; i < text.size(); ++i) {
    const std::vector<std::string> bytes = bytesOf(text[i]);
    ASSERT_EQ(bytes.size(), 79u) << "line " << i;
    EXPECT_EQ(bytes.back(), "F7");
  }
}

TEST(SysExText, ToneValuesAreMaskedSplitAndLowerCase) {
  std::vector<synth::TonePreset> tones(synth::kToneCount);
  synth::TonePreset& t = tones[1];
  t.lfoFreq = 8192;
  t.strc = 12;
  t.lfoWave = 0xFF;     // & 7
  t.key = 10;           // "0a"
  t.tune[3] = 0x3FFF;   // 7f 7f
  t.kf[3] = 0xFF;       // & 7F
  t.wave[3] = 0xF;      // & 7
  const std::vector<std::string> bytes = bytesOf(lines(writeToneSysExText(tones.data()))[9]);
  ASSERT_EQ(bytes.size(), 79u);
  EXPECT_EQ(bytes[5], "01");
  EXPECT_EQ(bytes[7], "0a");
  EXPECT_EQ(bytes[9], "07");   // lfoWave
  EXPECT_EQ(bytes[10], "00");  // lfoFreq low 7 bits
  EXPECT_EQ(bytes[11], "40");  // lfoFreq bits 7-13
  EXPECT_EQ(bytes[13], "04");  // strc 12 & 7
  const std::size_t op3 = 14 + 3 * 16 + 3;  // after the three reserved bytes
  EXPECT_EQ(bytes[op3 + 2], "7f");
  EXPECT_EQ(bytes[op3 + 3], "7f");
  EXPECT_EQ(bytes[op3 + 5], "07");   // wave
  EXPECT_EQ(bytes[op3 + 11], "7f");  // kf
}

TEST(SysExText, SamplerExportHasHeaderAndOneCompleteMessagePerPreset) {
  std::vector<synth::SamplerPreset> presets(synth::kSamplerPresetCount);
  presets[5].tune = 0x1234;
  presets[5].octv = 0x1F;
  const std::vector<std::string> text = lines(writeSamplerSysExText(presets.data()));
  ASSERT_EQ(text.size(), 4u + 128u);
  EXPECT_EQ(std::vector<std::string>(text.begin(), text.begin() + 3),
            std::vector<std::string>(kToneHeader.begin(), kToneHeader.begin() + 3));
  EXPECT_EQ(text[3],
            "# key, pan, lfoWave, lfoFreq, fl, strc, tlVelCtrl_0, mul_0, tune_0, lms_0, wave_0, tl_0, ar_0, "
            "dr_0, sl_0, rr_0, kf_0, kfStart_0, tlVelCtrl_1, mul_1, tune_1, lms_1, wave_1, tl_1, ar_1, dr_1, "
            "sl_1, rr_1, kf_1, kfStart_1");
  EXPECT_EQ(text[4], "F0 7D 10 21 06 00 10 00 40 08 00 40 00 7f 00 7f 78 F7");
  EXPECT_EQ(text[4 + 5], "F0 7D 10 21 06 05 10 00 40 0f 34 24 00 7f 00 7f 78 F7");
  EXPECT_EQ(text[4 + 127].substr(0, 20), "F0 7D 10 21 06 7f 10");
  for (std::size_t i = 4; i < text.size(); ++i) EXPECT_EQ(bytesOf(text[i]).size(), 18u) << "line " << i;
}

}  // namespace
}  // namespace ovri::korvane::formats
