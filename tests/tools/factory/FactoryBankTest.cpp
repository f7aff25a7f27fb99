// The factory bank's records and the committed bank file.
#include "formats/TonePresetText.h"
#include "tools/factory/FactoryTones.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace ovri::korvane {
namespace {

using synth::ToneParameters;

constexpr int32_t kFirstDrumKey = 35;
constexpr int32_t kLastDrumKey = 81;
const std::string kEmptyDrumKeyName = "Empty Drum Key  ";

std::vector<synth::TonePreset> factoryBank() {
  std::vector<synth::TonePreset> tones(synth::kToneCount);
  factory::buildFactoryTones(tones.data());
  return tones;
}

std::string nameOf(const synth::TonePreset& tone) { return std::string(tone.presetName, synth::kPresetNameLength); }

// The 54 values of a tone in file order.
std::vector<int32_t> valuesOf(const ToneParameters& t) {
  std::vector<int32_t> v = {t.key, t.pan, t.lfoWave, t.lfoFreq, t.fl, t.strc};
  for (int32_t i = 0; i < synth::kOperatorCount; ++i) {
    for (int32_t x : {t.tlVelCtrl[i], t.mul[i], t.tune[i], t.lms[i], t.wave[i], t.tl[i], t.ar[i], t.dr[i], t.sl[i],
                      t.rr[i], t.kf[i], t.kfStart[i]})
      v.push_back(x);
  }
  return v;
}

std::string readBankFile() {
  std::ifstream in(KORVANE_FACTORY_BANK, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(FactoryBank, InstrumentNamesAreSixteenPrintableCharactersAndDistinct) {
  const auto tones = factoryBank();
  std::set<std::string> names;
  for (int32_t p = 0; p < 128; ++p) {
    const std::string name = nameOf(tones[p]);
    EXPECT_EQ(tones[p].presetName[synth::kPresetNameLength], '\0') << p;
    for (char c : name) EXPECT_TRUE(c >= 0x20 && c <= 0x7E && c != '"') << p << " '" << name << "'";
    EXPECT_NE(name.find_first_not_of(' '), std::string::npos) << p;
    EXPECT_NE(name[0], ' ') << p;
    names.insert(name);
  }
  EXPECT_EQ(names.size(), 128u);
}

TEST(FactoryBank, NoTwoInstrumentsShareTheirSoundValues) {
  const auto tones = factoryBank();
  std::set<std::vector<int32_t>> sounds;
  for (int32_t p = 0; p < 128; ++p) EXPECT_TRUE(sounds.insert(valuesOf(tones[p])).second) << "program " << p;
}

// Every value lies in its field's range, so that system exclusive, the
// editor and the tone text keep it as it is (the text stores strc & 7).
TEST(FactoryBank, EveryValueIsWithinItsFieldsRange) {
  const auto tones = factoryBank();
  for (int32_t t = 0; t < synth::kToneCount; ++t) {
    const synth::TonePreset& tone = tones[t];
    SCOPED_TRACE(t);
    EXPECT_TRUE(tone.key >= 0 && tone.key <= 127 && tone.pan >= 0 && tone.pan <= 127);
    EXPECT_TRUE(tone.lfoWave >= 0 && tone.lfoWave <= 3 && tone.lfoFreq >= 0 && tone.lfoFreq <= 16383);
    EXPECT_TRUE(tone.fl >= 0 && tone.fl <= 127 && tone.strc >= 0 && tone.strc <= 7);
    for (int32_t i = 0; i < synth::kOperatorCount; ++i) {
      EXPECT_TRUE(tone.tlVelCtrl[i] >= 0 && tone.tlVelCtrl[i] <= 7);
      EXPECT_TRUE(tone.mul[i] >= 0 && tone.mul[i] <= 15);
      EXPECT_TRUE(tone.tune[i] >= 0 && tone.tune[i] <= 16383);
      EXPECT_TRUE(tone.lms[i] >= 0 && tone.lms[i] <= 15 && tone.wave[i] >= 0 && tone.wave[i] <= 7);
      EXPECT_TRUE(tone.kf[i] >= 0 && tone.kf[i] <= 3);
      for (int32_t v : {tone.tl[i], tone.ar[i], tone.dr[i], tone.sl[i], tone.rr[i], tone.kfStart[i]})
        EXPECT_TRUE(v >= 0 && v <= 127);
    }
  }
}

TEST(FactoryBank, DrumKeysHoldDrumsAndOtherPercussionKeysTheQuietBlip) {
  const auto tones = factoryBank();
  std::set<std::string> drumNames;
  for (int32_t key = 0; key < 128; ++key) {
    const synth::TonePreset& tone = tones[synth::kPercussionToneBase + key];
    if (key >= kFirstDrumKey && key <= kLastDrumKey) {
      EXPECT_NE(nameOf(tone), kEmptyDrumKeyName) << key;
      drumNames.insert(nameOf(tone));
    } else {
      EXPECT_EQ(nameOf(tone), kEmptyDrumKeyName) << key;
      EXPECT_EQ(tone.key, key);
      EXPECT_EQ(tone.pan, 64);
    }
  }
  EXPECT_EQ(drumNames.size(), static_cast<size_t>(kLastDrumKey - kFirstDrumKey + 1));
}

// presets/FactoryTones.txt is what make-factory-bank writes now: rebuild it
// with "cmake --build <dir> --target factory-bank" after changing the bank.
TEST(FactoryBankFile, EqualsWhatTheGeneratorWrites) {
  const auto tones = factoryBank();
  const std::string file = readBankFile();
  ASSERT_FALSE(file.empty()) << "cannot read " << KORVANE_FACTORY_BANK;
  EXPECT_TRUE(file == formats::writeTonePresets(tones.data()))
      << "presets/FactoryTones.txt is out of date: build the factory-bank target";
}

TEST(FactoryBankFile, ReadsBackIntoExactlyTheBuiltRecords) {
  const auto built = factoryBank();
  const std::string file = readBankFile();

  const std::vector<formats::ToneRecord> records = formats::parseTonePresets(file);
  ASSERT_EQ(records.size(), static_cast<size_t>(synth::kToneCount));
  for (int32_t i = 0; i < synth::kToneCount; ++i) EXPECT_EQ(records[i].slot, i);

  std::vector<synth::TonePreset> imported(synth::kToneCount);  // defaults, as after a reset
  formats::readTonePresets(file, imported.data());
  for (int32_t i = 0; i < synth::kToneCount; ++i) {
    EXPECT_EQ(std::memcmp(imported[i].presetName, built[i].presetName, synth::kPresetNameLength + 1), 0) << i;
    EXPECT_EQ(valuesOf(imported[i]), valuesOf(built[i])) << "tone " << i;
  }
}

}  // namespace
}  // namespace ovri::korvane
