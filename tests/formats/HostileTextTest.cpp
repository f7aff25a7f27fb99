// Text that no writer produces: binary junk, huge lines and numbers, zero
// bytes. The readers must neither crash nor read records that do not match.
#include "formats/PresetTextGrammar.h"
#include "formats/SampleDataParameterText.h"
#include "formats/SamplerPresetText.h"
#include "formats/TonePresetText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace ovri::korvane::formats {
namespace {

std::string toneRecord(int slot, const std::string& separator = " ") {
  std::string out = "@I:" + std::to_string(slot) + separator + "\"Tone Name 16 chr\"";
  for (int i = 0; i < 54; ++i) out += separator + "1";
  return out + "\n";
}

struct Counts {
  std::size_t tones, samplers, sampleData;
};

Counts parseAll(const std::string& text) {
  return {parseTonePresets(text).size(), parseSamplerPresets(text).size(),
          parseSampleDataParameters(text).size()};
}

TEST(HostileText, BinaryJunkIsIgnored) {
  uint32_t seed = 1;
  std::string junk;
  for (int i = 0; i < 200000; ++i) {
    seed = seed * 1103515245u + 12345u;
    junk += static_cast<char>(seed >> 16);
    if (i % 997 == 0) junk += "\n@I:";
    if (i % 991 == 0) junk += "\n@:1 2 3 4 5 ";
  }
  const Counts counts = parseAll(junk);
  EXPECT_EQ(counts.tones, 0u);
  EXPECT_EQ(counts.samplers, 0u);
  EXPECT_EQ(counts.sampleData, 0u);
}

TEST(HostileText, HugeRunsInsideARecordDoNotMatchAndLaterRecordsStillDo) {
  const std::string huge(1 << 20, '9');
  const std::string separators(1 << 20, ',');
  const std::string texts[] = {
      "@I:" + huge + " \"Tone Name 16 chr\" 1\n",
      "@I:1 \"Tone Name 16 chr\" " + huge + "\n",
      "@I:1" + separators + "\"Tone Name 16 chr\" 1\n",
      std::string(1 << 20, ' ') + toneRecord(1),
      "@:1 0 1 0 0 " + huge + "." + huge + "\n",
      "@:1 0 1 0 0 1." + huge + "\n",
      "@S:1 \"Tone Name 16 chr\"" + std::string(1 << 20, '\n'),
      std::string(1 << 20, '\n'),
  };
  for (const std::string& text : texts) {
    const Counts counts = parseAll(text + toneRecord(7) + "@:7 0 1 0 0 1.0\n");
    EXPECT_EQ(counts.tones, 1u);
    EXPECT_EQ(counts.samplers, 0u);
    EXPECT_EQ(counts.sampleData, 1u);
  }
}

TEST(HostileText, RecordLongerThanTheLimitIsNotRead) {
  std::string wide = toneRecord(3, std::string(10, ' '));
  ASSERT_LT(wide.size(), kMaxRecordLength);
  EXPECT_EQ(parseTonePresets(wide).size(), 1u);
  std::string tooWide = toneRecord(3, std::string(20, ' '));
  ASSERT_GT(tooWide.size(), kMaxRecordLength);
  EXPECT_EQ(parseTonePresets(tooWide).size(), 0u);
}

}  // namespace
}  // namespace ovri::korvane::formats
