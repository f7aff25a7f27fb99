#include "formats/SamplerPresetText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace ovri::korvane::formats {
namespace {

using synth::SamplerPreset;

std::vector<int32_t> fileOrderValues(const SamplerPreset& p) {
  return {p.smplNum, p.pan, p.octv, p.tune, p.tl, p.ar, p.dr, p.sl, p.rr};
}

TEST(SamplerPresetText, ExportThenImportReproducesEveryPreset) {
  std::vector<SamplerPreset> original(synth::kSamplerPresetCount);
  for (int i = 0; i < synth::kSamplerPresetCount; ++i) {
    SamplerPreset& p = original[i];
    char name[17];
    std::snprintf(name, sizeof(name), "Kit \"%03d\", ~ !  ", i);
    std::memcpy(p.presetName, name, 16);
    p.smplNum = 127 - i;
    p.pan = (i * 5) & 0x7F;
    p.octv = i & 0xF;
    p.tune = (i * 131) & 0x3FFF;
    p.tl = (i * 3) & 0x7F;
    p.ar = (i * 7) & 0x7F;
    p.dr = (i * 11) & 0x7F;
    p.sl = (i * 13) & 0x7F;
    p.rr = (i * 17) & 0x7F;
  }
  std::vector<SamplerPreset> restored(synth::kSamplerPresetCount);
  readSamplerPresets(writeSamplerPresets(original.data()), restored.data());
  for (int i = 0; i < synth::kSamplerPresetCount; ++i) {
    EXPECT_STREQ(restored[i].presetName, original[i].presetName) << "preset " << i;
    EXPECT_EQ(fileOrderValues(restored[i]), fileOrderValues(original[i])) << "preset " << i;
  }
}

TEST(SamplerPresetText, ExportWritesHeaderAndOneLinePerPreset) {
  const std::vector<SamplerPreset> presets(synth::kSamplerPresetCount);
  const std::string text = writeSamplerPresets(presets.data());
  const std::string header =
      "# @S(Sampler) 0 ~127, presetName(16 ASCII Chars), smplNum, pan, octv, tune, tl, ar, dr, sl, rr\n";
  ASSERT_EQ(text.substr(0, header.size()), header);
  const std::string first = "@S:0 \"                \" 0 64 8 8192 0 127 0 127 120\n";
  EXPECT_EQ(text.substr(header.size(), first.size()), first);
  EXPECT_NE(text.find("\n@S:127 \"                \" 0 64 8 8192 0 127 0 127 120\n"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 128);
}

TEST(SamplerPresetText, ValuesAboveTheirRangeWrapByTheFieldMask) {
  const auto records = parseSamplerPresets(
      "@S:4 \"0123456789abcdef\" 65535 65535 65535 65535 65535 65535 65535 65535 65535\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(fileOrderValues(records[0].values),
            (std::vector<int32_t>{0x7F, 0x7F, 0xF, 0x3FFF, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F}));
}

TEST(SamplerPresetText, ImportChangesOnlyTheNamedPresetsAndKeepsTheTerminatorByte) {
  std::vector<SamplerPreset> presets(synth::kSamplerPresetCount);
  presets[20].presetName[16] = 'Z';
  readSamplerPresets("@S:20 \"Twenty          \" 5 1 2 3 4 5 6 7 8\n", presets.data());
  EXPECT_EQ(std::string(presets[20].presetName, 17), "Twenty          Z");
  EXPECT_EQ(fileOrderValues(presets[20]), (std::vector<int32_t>{5, 1, 2, 3, 4, 5, 6, 7, 8}));
  const SamplerPreset untouched;
  for (int i = 0; i < synth::kSamplerPresetCount; ++i) {
    if (i == 20) continue;
    ASSERT_EQ(fileOrderValues(presets[i]), fileOrderValues(untouched)) << "preset " << i;
  }
}

}  // namespace
}  // namespace ovri::korvane::formats
