#include "formats/SampleDataParameterText.h"

#include "tonegen/LogCode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace ovri::korvane::formats {
namespace {

using synth::SampleData;

std::unique_ptr<SampleData[]> makeSlots() { return std::make_unique<SampleData[]>(synth::kSampleSlotCount); }

// A slot as a WAV import leaves it: length frames, no loop, points spanning
// the whole recording (no sample values are needed by the text files).
void prepare(SampleData& slot, int32_t length, int32_t logRate = 0) {
  slot.length = length;
  slot.start = 0;
  slot.end = length;
  slot.loopEnd = length;
  slot.logRate = logRate;
}

// start, end, loopEnd, loopLength, loopTail
using Points = std::array<int32_t, 5>;

Points pointsOf(const SampleData& s) { return {s.start, s.end, s.loopEnd, s.loopLength, s.loopTail}; }

TEST(SampleDataParameterText, ExportThenImportReproducesPointsAndPitches) {
  auto original = makeSlots();
  auto restored = makeSlots();
  for (int i = 0; i < synth::kSampleSlotCount; ++i) {
    if (i % 8 == 7) continue;  // some empty slots
    const int32_t length = 1000 + i * 977;
    prepare(original[i], length, 120000 + i);
    prepare(restored[i], length, 120000 + i);
    SampleData& s = original[i];
    s.start = i;
    s.end = length - i;
    if (i % 3 != 0) {  // looped; every other loop ends at end
      s.loopEnd = i % 2 ? s.end : s.end - 10;
      s.loopLength = 100 + i;
      s.loopTail = s.loopEnd == s.end ? s.loopLength : 0;
    } else {
      s.loopEnd = s.end;
    }
    s.pitch = 100.0f + static_cast<float>(i) * 61.37f;
  }
  readSampleDataParameters(writeSampleDataParameters(original.get()), restored.get());
  for (int i = 0; i < synth::kSampleSlotCount; ++i) {
    EXPECT_EQ(pointsOf(restored[i]), pointsOf(original[i])) << "slot " << i;
    EXPECT_FLOAT_EQ(restored[i].pitch, original[i].pitch) << "slot " << i;
    EXPECT_EQ(restored[i].logPitch, logPitchUnitsF(original[i].pitch)) << "slot " << i;
    EXPECT_EQ(restored[i].pitchOffset, restored[i].logRate - restored[i].logPitch) << "slot " << i;
  }
}

TEST(SampleDataParameterText, ExportWritesHeaderLoopPointsAndFixedPitch) {
  auto slots = makeSlots();
  prepare(slots[1], 5000);
  slots[1].start = 10;
  slots[1].end = 4000;
  slots[1].loopEnd = 3000;
  slots[1].loopLength = 1000;
  slots[1].pitch = 27.5f;
  prepare(slots[2], 5000);  // no loop: loop points written as 0
  slots[2].pitch = 440.0f;
  const std::string text = writeSampleDataParameters(slots.get());
  const std::string expectedStart =
      "# SampleData Parameters\n"
      "# @:SampleDataNum(0-127), PlayBackStartPoint, PlayBackEndPoint, LoopStartPoint, LoopEndPoint, "
      "Pitch(0.0-x Hz)\n"
      "@:0 0 0 0 0 0.000000\n"
      "@:1 10 4000 2000 3000 27.500000\n"
      "@:2 0 5000 0 0 440.000000\n"
      "@:3 0 0 0 0 0.000000\n";
  EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 128);
  EXPECT_NE(text.find("\n@:127 0 0 0 0 0.000000\n"), std::string::npos);
}

struct ApplyRow {
  const char* label;
  Points before;
  SampleParamRecord record;  // slot, start, end, loopStart, loopEnd, pitch
  Points after;
};

TEST(SampleDataParameterText, PointsAndLoopAreCheckedAgainstTheSlot) {
  constexpr int32_t kLength = 1000;
  const Points whole = {0, 1000, 1000, 0, 0};
  const std::vector<ApplyRow> rows = {
      {"loop ending at end has a tail", whole, {0, 100, 900, 200, 900, 1.0}, {100, 900, 900, 700, 700}},
      {"loop ending before end has no tail", whole, {0, 100, 900, 200, 800, 1.0}, {100, 900, 800, 600, 0}},
      {"loop starting at start", whole, {0, 100, 900, 100, 900, 1.0}, {100, 900, 900, 800, 800}},
      {"end equal to the length, no loop", {5, 10, 10, 0, 0}, {0, 0, 1000, 0, 0, 1.0}, whole},
      {"end beyond the length keeps the points, loop against them", {10, 500, 500, 0, 0},
       {0, 0, 1001, 100, 500, 1.0}, {10, 500, 500, 400, 400}},
      {"start not before end keeps the points", {10, 500, 500, 0, 0}, {0, 600, 600, 100, 400, 1.0},
       {10, 500, 400, 300, 0}},
      {"loop start before start clears the loop", {10, 500, 400, 300, 0}, {0, 5, 2000, 8, 400, 1.0},
       {10, 500, 500, 0, 0}},
      {"loop end beyond end clears the loop", whole, {0, 100, 900, 200, 901, 1.0}, {100, 900, 900, 0, 0}},
      {"empty loop clears the loop", {10, 500, 400, 300, 0}, {0, 0, 2000, 300, 300, 1.0},
       {10, 500, 500, 0, 0}},
      {"all zero loop points mean no loop", {10, 500, 400, 300, 0}, {0, 0, 2000, 0, 0, 1.0},
       {10, 500, 500, 0, 0}},
  };
  for (const ApplyRow& row : rows) {
    SampleData slot;
    slot.length = kLength;
    slot.start = row.before[0];
    slot.end = row.before[1];
    slot.loopEnd = row.before[2];
    slot.loopLength = row.before[3];
    slot.loopTail = row.before[4];
    applySampleDataParameters(row.record, slot);
    EXPECT_EQ(pointsOf(slot), row.after) << row.label;
  }
}

TEST(SampleDataParameterText, PitchSetsLogPitchAndOffset) {
  SampleData slot;
  slot.logRate = 128000;
  applySampleDataParameters({0, 0, 0, 0, 0, 440.0}, slot);
  EXPECT_EQ(slot.pitch, 440.0f);
  EXPECT_EQ(slot.logPitch, 71937);  // log2(440) * 8192 = 71936.9
  EXPECT_EQ(slot.pitchOffset, 128000 - 71937);
  for (double low : {1.0, 0.5, 0.0}) {
    applySampleDataParameters({0, 0, 0, 0, 0, low}, slot);
    EXPECT_EQ(slot.logPitch, 0) << low;
    EXPECT_EQ(slot.pitchOffset, 128000) << low;
  }
}

TEST(SampleDataParameterText, EmptySlotTakesOnlyThePitch) {
  auto slots = makeSlots();
  readSampleDataParameters("@:4 0 100 10 90 261.5\n", slots.get());
  EXPECT_EQ(pointsOf(slots[4]), (Points{0, 0, 0, 0, 0}));
  EXPECT_EQ(slots[4].pitch, 261.5f);
}

TEST(SampleDataParameterText, RecordThatDoesNotMatchChangesNothing) {
  auto slots = makeSlots();
  prepare(slots[4], 1000, 120000);
  slots[4].pitch = 220.0f;
  slots[4].logPitch = 1;
  slots[4].pitchOffset = 2;
  readSampleDataParameters("@:4 0 100 10 90 440\n@:128 0 100 10 90 440.0\n", slots.get());
  EXPECT_EQ(pointsOf(slots[4]), (Points{0, 1000, 1000, 0, 0}));
  EXPECT_EQ(slots[4].pitch, 220.0f);
  EXPECT_EQ(slots[4].logPitch, 1);
  EXPECT_EQ(slots[4].pitchOffset, 2);
}

}  // namespace
}  // namespace ovri::korvane::formats
