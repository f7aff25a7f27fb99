// The value tag columns of the field tables: every field of a record is
// reached by exactly one item of its editor page.
#include "tonegen/SoundFields.h"

#include <gtest/gtest.h>

#include <map>

namespace ovri::korvane::synth {
namespace {

TEST(SoundFields, EveryToneValueHasExactlyOneTagItem) {
  ToneParameters tone{};
  std::map<const int32_t*, int32_t> hits;  // field -> items reaching it
  for (int32_t item = 0; item <= 0xFF; ++item) {
    const TaggedField f = toneTaggedField(tone, item);
    if (f.value == nullptr) continue;
    ASSERT_GE(f.value, &tone.key);
    ASSERT_LE(f.value, &tone.kfStart[kOperatorCount - 1]);
    ++hits[f.value];
  }
  EXPECT_EQ(hits.size(), static_cast<size_t>(kToneValueCount));
  for (const auto& [field, count] : hits) EXPECT_EQ(count, 1);
  // Operator j's field k sits at 0x10 + 0x10 j + k; k 0 is wave, 2 tune.
  EXPECT_EQ(toneTaggedField(tone, 0x20).value, &tone.wave[1]);
  EXPECT_EQ(toneTaggedField(tone, 0x42).value, &tone.tune[3]);
  EXPECT_EQ(toneTaggedField(tone, 0x42).range, 16383);
  EXPECT_EQ(toneTaggedField(tone, 0x05).range, 15);  // strc: the editor reaches the LFO target bit
  EXPECT_EQ(toneTaggedField(tone, 0x1C).value, nullptr);
}

TEST(SoundFields, EverySamplerValueHasExactlyOneTagItem) {
  SamplerPreset preset;
  std::map<const int32_t*, int32_t> hits;
  for (int32_t item = 0; item <= 0xFF; ++item) {
    const TaggedField f = samplerTaggedField(preset, item);
    if (f.value != nullptr) ++hits[f.value];
  }
  EXPECT_EQ(hits.size(), static_cast<size_t>(kSamplerValueCount));
  for (const auto& [field, count] : hits) EXPECT_EQ(count, 1);
  EXPECT_EQ(samplerTaggedField(preset, 0x05).value, &preset.octv);
  EXPECT_EQ(samplerTaggedField(preset, 0x0B).value, &preset.rr);
}

}  // namespace
}  // namespace ovri::korvane::synth
