// The committed sampler preset and sample data parameter files against the
// table they are generated from, and the key map that table describes.
#include "formats/SampleDataParameterText.h"
#include "formats/SamplerPresetText.h"
#include "formats/TextFile.h"
#include "plugin/EditorProtocol.h"
#include "tools/samples/FactorySampleSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

namespace {

namespace fileactions = ovri::korvane::protocol::fileactions;

namespace samples = ovri::korvane::samples;
namespace formats = ovri::korvane::formats;

const char* const kRegenerate = "regenerate with: cmake --build <build dir> --target factory-sampler-text";

std::string committed(const char* name) {
  const auto text = formats::readTextFile(std::string(KORVANE_PRESET_DIR) + "/" + name);
  EXPECT_TRUE(text.has_value()) << name << " is missing from presets/";
  return text.value_or("");
}

const samples::SampleSlot* findSlot(int32_t slot) {
  for (const samples::SampleSlot& s : samples::sampleSlots())
    if (s.slot == slot) return &s;
  return nullptr;
}

// Cents between the key's frequency and what the preset plays the slot at.
double centsOff(int32_t key, const ovri::korvane::synth::SamplerPreset& preset) {
  const samples::SampleSlot* slot = findSlot(preset.smplNum);
  const double recorded = samples::recordedPitch(samples::sampleFiles()[static_cast<size_t>(slot->file)]);
  const double octaves = (preset.octv - 8) + (preset.tune - 8192) / 8192.0;
  return 1200.0 * std::log2(recorded * std::exp2(octaves) / samples::keyFrequency(key));
}

TEST(FactorySamplerText, TheCommittedSamplerPresetsAreWhatTheGeneratorWrites) {
  EXPECT_EQ(committed(samples::kSamplerPresetFile), samples::samplerPresetText()) << kRegenerate;
}

TEST(FactorySamplerText, TheCommittedSampleDataParametersAreWhatTheGeneratorWrites) {
  EXPECT_EQ(committed(samples::kSampleDataFile), samples::sampleDataParameterText()) << kRegenerate;
}

TEST(FactorySamplerText, TheSamplerPresetsReadBackIntoTheKeyMap) {
  const auto records = formats::parseSamplerPresets(committed(samples::kSamplerPresetFile));
  const auto presets = samples::samplerPresets();
  ASSERT_EQ(records.size(), 128u);
  for (const formats::SamplerRecord& r : records) {
    SCOPED_TRACE(r.slot);
    const auto& p = presets[static_cast<size_t>(r.slot)];
    EXPECT_EQ(std::memcmp(r.values.presetName, p.presetName, 16), 0);
    EXPECT_EQ(r.values.smplNum, p.smplNum);
    EXPECT_EQ(r.values.pan, p.pan);
    EXPECT_EQ(r.values.octv, p.octv);
    EXPECT_EQ(r.values.tune, p.tune);
    EXPECT_EQ(r.values.tl, p.tl);
    EXPECT_EQ(r.values.ar, p.ar);
    EXPECT_EQ(r.values.dr, p.dr);
    EXPECT_EQ(r.values.sl, p.sl);
    EXPECT_EQ(r.values.rr, p.rr);
  }
}

TEST(FactorySamplerText, TheSampleDataParametersReadBackIntoTheSlots) {
  const auto records = formats::parseSampleDataParameters(committed(samples::kSampleDataFile));
  ASSERT_EQ(records.size(), 128u);
  for (const formats::SampleParamRecord& r : records) {
    SCOPED_TRACE(r.slot);
    const samples::SampleSlot* s = findSlot(r.slot);
    if (s == nullptr) {
      EXPECT_EQ(r.start, 0);
      EXPECT_EQ(r.end, 0);
      EXPECT_EQ(r.loopEnd, 0);
      EXPECT_EQ(r.pitch, 0.0);
      continue;
    }
    EXPECT_EQ(r.start, s->start);
    EXPECT_EQ(r.end, s->end);
    EXPECT_EQ(r.loopStart, s->loopStart);
    EXPECT_EQ(r.loopEnd, s->loopEnd);
    EXPECT_NEAR(r.pitch, samples::recordedPitch(samples::sampleFiles()[static_cast<size_t>(s->file)]), 1e-3);
  }
}

TEST(FactoryKeyMap, EveryKeyOfAMelodicZonePlaysAtItsOwnPitch) {
  const auto presets = samples::samplerPresets();
  int32_t melodic = 0;
  for (int32_t key = 0; key < 128; ++key) {
    const auto& p = presets[static_cast<size_t>(key)];
    const samples::SampleSlot* slot = findSlot(p.smplNum);
    if (slot == nullptr || samples::sampleFiles()[static_cast<size_t>(slot->file)].rootKey < 0) continue;
    ++melodic;
    // One tune step is 1200 / 8192 cents; rounding leaves at most half.
    EXPECT_LT(std::fabs(centsOff(key, p)), 0.08) << "key " << key;
  }
  EXPECT_EQ(melodic, 4 * 24) << "pluck, choir, flute and glockenspiel, two octaves each";
}

TEST(FactoryKeyMap, KeysOutsideTheMapNameTheSlotTheSetLeavesEmpty) {
  EXPECT_EQ(findSlot(samples::kSilentSlot), nullptr);
  const auto presets = samples::samplerPresets();
  int32_t mapped = 0;
  for (const auto& p : presets) {
    if (p.smplNum == samples::kSilentSlot) continue;
    ++mapped;
    EXPECT_NE(findSlot(p.smplNum), nullptr) << "preset names slot " << p.smplNum << ", which the set does not fill";
    EXPECT_NE(p.presetName[0], ' ') << "a mapped preset has a name";
  }
  EXPECT_EQ(mapped, 4 * 24 + 14);
}

TEST(FactoryKeyMap, PlaybackPointsLieInsideTheirRecordings) {
  for (const samples::SampleSlot& s : samples::sampleSlots()) {
    SCOPED_TRACE(s.slot);
    const samples::SampleFile& file = samples::sampleFiles()[static_cast<size_t>(s.file)];
    EXPECT_LT(s.start, s.end);
    EXPECT_LE(s.end, file.frames);
    if (s.loopEnd > s.loopStart) {
      EXPECT_LE(s.start, s.loopStart);
      EXPECT_EQ(s.loopEnd, s.end) << "loops end at the end, so they run on through the release";
    } else {
      EXPECT_EQ(s.loopStart, 0);
      EXPECT_EQ(s.loopEnd, 0);
    }
  }
}

TEST(FactoryLoadOrder, TonesThenPresetsThenEverySampleThenTheirParameters) {
  const auto imports = samples::factoryImports("P", "S");
  ASSERT_EQ(imports.size(), samples::sampleSlots().size() + 3);
  EXPECT_EQ(imports.front().tag, fileactions::kImportTones);
  EXPECT_EQ(imports.front().path, "P/FactoryTones.txt");
  EXPECT_EQ(imports[1].tag, fileactions::kImportSamplerPresets);
  EXPECT_EQ(imports.back().tag, fileactions::kImportSampleParameters) << "parameters are checked against loaded lengths";
  std::set<int32_t> slots;
  for (size_t i = 2; i + 1 < imports.size(); ++i) {
    EXPECT_EQ(imports[i].tag & 0xF000, 0x2000);
    EXPECT_EQ(imports[i].path.rfind("S/", 0), 0u);
    slots.insert(imports[i].tag & 0x7F);
  }
  EXPECT_EQ(slots.size(), samples::sampleSlots().size()) << "each slot filled once";
  // The drum bar goes through the ADPCM codec, the other recordings as PCM.
  EXPECT_EQ(imports[2 + 4].tag, 0x2304);
  EXPECT_EQ(imports[2].tag, 0x2100);
}

}  // namespace
