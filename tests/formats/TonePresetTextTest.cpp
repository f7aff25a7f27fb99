#include "formats/TonePresetText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace ovri::korvane::formats {
namespace {

using synth::TonePreset;

// The 54 fields of a tone in the order the file lists them.
std::vector<int32_t*> fileOrderFields(synth::ToneParameters& t) {
  std::vector<int32_t*> f = {&t.key, &t.pan, &t.lfoWave, &t.lfoFreq, &t.fl, &t.strc};
  for (int op = 0; op < 4; ++op)
    for (int32_t* x : {&t.tlVelCtrl[op], &t.mul[op], &t.tune[op], &t.lms[op], &t.wave[op], &t.tl[op],
                       &t.ar[op], &t.dr[op], &t.sl[op], &t.rr[op], &t.kf[op], &t.kfStart[op]})
      f.push_back(x);
  return f;
}

std::vector<int32_t> fileOrderValues(const synth::ToneParameters& tone) {
  synth::ToneParameters copy = tone;
  std::vector<int32_t> values;
  for (int32_t* field : fileOrderFields(copy)) values.push_back(*field);
  return values;
}

// Field masks in file order, as a reader stores them.
const std::vector<int32_t> kMasks = [] {
  std::vector<int32_t> m = {0x7F, 0x7F, 0x3, 0x3FFF, 0x7F, 0x7};
  for (int op = 0; op < 4; ++op)
    for (int32_t x : {0x7, 0xF, 0x3FFF, 0xF, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x3, 0x7F}) m.push_back(x);
  return m;
}();

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// Every tone gets its own name (with a quote and the printable extremes) and
// its own in-range value in every field.
std::vector<TonePreset> variedTones() {
  std::vector<TonePreset> tones(synth::kToneCount);
  uint32_t seed = 12345;
  for (int i = 0; i < synth::kToneCount; ++i) {
    char name[17];
    std::snprintf(name, sizeof(name), "~\"Tone %03d , x  ", i);
    std::memcpy(tones[i].presetName, name, 16);
    const std::vector<int32_t*> fields = fileOrderFields(tones[i]);
    for (std::size_t f = 0; f < fields.size(); ++f) {
      seed = seed * 1664525u + 1013904223u;
      *fields[f] = static_cast<int32_t>(seed >> 8) & kMasks[f];
    }
  }
  return tones;
}

TEST(TonePresetText, ExportThenImportReproducesEveryTone) {
  const std::vector<TonePreset> original = variedTones();
  std::vector<TonePreset> restored(synth::kToneCount);
  readTonePresets(writeTonePresets(original.data()), restored.data());
  for (int i = 0; i < synth::kToneCount; ++i) {
    EXPECT_STREQ(restored[i].presetName, original[i].presetName) << "tone " << i;
    EXPECT_EQ(fileOrderValues(restored[i]), fileOrderValues(original[i])) << "tone " << i;
  }
}

TEST(TonePresetText, ExportWritesHeaderAndOneLinePerTone) {
  const std::vector<TonePreset> tones(synth::kToneCount);
  const std::vector<std::string> text = lines(writeTonePresets(tones.data()));
  ASSERT_EQ(text.size(), 5u + 256u);
  EXPECT_EQ(text[0], "# @I (Insturument) 0 ~ 255, presetName(16 ASCII Chars), key, pan, lfoWave, lfoFreq, fl, strc,");
  for (int op = 0; op < 4; ++op) {
    const std::string n = std::to_string(op);
    EXPECT_EQ(text[1 + op], "#" + std::string(27, ' ') + "tlVelCtrl_" + n + ", mul_" + n + ", tune_" + n +
                                ", lms_" + n + ", wave_" + n + ", tl_" + n + ", ar_" + n + ", dr_" + n +
                                ", sl_" + n + ", rr_" + n + ", kf_" + n + ", kfStart_" + n +
                                (op < 3 ? "," : ""));
  }
  const std::string op = " 0 1 8192 0 0 0 124 100 0 120 0 48";
  EXPECT_EQ(text[5], "@I:0 \"                \" 64 64 0 2048 127 0" + op + op + op + op);
  EXPECT_EQ(text[5 + 255].substr(0, 8), "@I:255 \"");
  EXPECT_EQ(writeTonePresets(tones.data()).back(), '\n');
}

TEST(TonePresetText, ValuesAboveTheirRangeWrapByTheFieldMask) {
  std::string line = "@I:0 \"0123456789abcdef\"";
  for (int i = 0; i < 54; ++i) line += " 65535";
  const auto records = parseTonePresets(line + "\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(fileOrderValues(records[0].values), kMasks);

  std::string key200 = "@I:1 \"0123456789abcdef\" 200";
  for (int i = 0; i < 53; ++i) key200 += " 0";
  const auto keyRecords = parseTonePresets(key200);
  ASSERT_EQ(keyRecords.size(), 1u);
  EXPECT_EQ(keyRecords[0].values.key, 72);  // 200 & 0x7F
}

TEST(TonePresetText, StructureTwelveIsWrittenAsTwelveAndReadAsFour) {
  std::vector<TonePreset> tones(synth::kToneCount);
  tones[3].strc = 12;
  const std::string text = writeTonePresets(tones.data());
  EXPECT_NE(text.find("@I:3 \"                \" 64 64 0 2048 127 12 "), std::string::npos);
  std::vector<TonePreset> restored(synth::kToneCount);
  readTonePresets(text, restored.data());
  EXPECT_EQ(restored[3].strc, 4);
}

TEST(TonePresetText, NameCutShortByAZeroByteIsWrittenShortAndNotReadBack) {
  std::vector<TonePreset> tones(synth::kToneCount);
  std::memcpy(tones[9].presetName, "Short\0name here.", 16);
  tones[9].key = 10;
  const std::string text = writeTonePresets(tones.data());
  EXPECT_NE(text.find("@I:9 \"Short\" 10 "), std::string::npos);

  std::vector<TonePreset> restored(synth::kToneCount);
  restored[9].key = 99;
  readTonePresets(text, restored.data());
  EXPECT_EQ(restored[9].key, 99);  // the line did not match
  EXPECT_EQ(restored[10].key, 64);
}

TEST(TonePresetText, ImportChangesOnlyTheNamedTonesAndTheLastRecordOfASlotWins) {
  std::string first = "@I:130 \"Percussion key 2\"";
  std::string second = "@I:130 \"Second record   \"";
  for (int i = 0; i < 54; ++i) {
    first += " 1";
    second += " 2";
  }
  std::vector<TonePreset> tones(synth::kToneCount);
  readTonePresets("# header\n" + first + "\n" + second + "\n", tones.data());
  EXPECT_STREQ(tones[130].presetName, "Second record   ");
  EXPECT_EQ(tones[130].key, 2);
  EXPECT_EQ(tones[130].kfStart[3], 2);
  const TonePreset untouched;
  for (int i = 0; i < synth::kToneCount; ++i) {
    if (i == 130) continue;
    ASSERT_EQ(fileOrderValues(tones[i]), fileOrderValues(untouched)) << "tone " << i;
    ASSERT_STREQ(tones[i].presetName, untouched.presetName) << "tone " << i;
  }
}

TEST(TonePresetText, ApplyCopiesSixteenNameCharactersWithoutTerminatorAndMasks) {
  ToneRecord record;
  record.slot = 5;
  std::memcpy(record.values.presetName, "ABCDEFGHIJKLMNOP", 17);
  record.values.key = 0x1FF;
  record.values.tune[2] = 0x7FFF;
  TonePreset tone;
  tone.presetName[16] = 'Z';  // marks the byte after the name
  applyTonePreset(record, tone);
  EXPECT_EQ(std::string(tone.presetName, 17), "ABCDEFGHIJKLMNOPZ");
  EXPECT_EQ(tone.key, 0x7F);
  EXPECT_EQ(tone.tune[2], 0x3FFF);
}

}  // namespace
}  // namespace ovri::korvane::formats
