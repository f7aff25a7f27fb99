// Which lines of a preset text are read as records: one row per input text,
// with the slots that the reader returns for it, in order.
#include "formats/SampleDataParameterText.h"
#include "formats/SamplerPresetText.h"
#include "formats/TonePresetText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ovri::korvane::formats {
namespace {

constexpr const char* kName = "Tone Name 16 chr";  // 16 characters

// count values 1, 2, 3, ... each preceded by separator.
std::string numbers(int count, const std::string& separator = " ") {
  std::string out;
  for (int i = 1; i <= count; ++i) out += separator + std::to_string(i);
  return out;
}

std::string toneLine(const std::string& slot, const std::string& name = kName, int count = 54) {
  return "@I:" + slot + " \"" + name + "\"" + numbers(count) + "\n";
}

std::string samplerLine(const std::string& slot, const std::string& name = kName, int count = 9) {
  return "@S:" + slot + " \"" + name + "\"" + numbers(count) + "\n";
}

struct GrammarRow {
  const char* label;
  std::string text;
  std::vector<int32_t> slots;
};

template <typename Record>
std::vector<int32_t> slotsOf(const std::vector<Record>& records) {
  std::vector<int32_t> slots;
  for (const Record& r : records) slots.push_back(r.slot);
  return slots;
}

TEST(PresetTextGrammar, ToneRecordsMatchOnlyTheirExactForm) {
  std::string multiLine = "@I:7\r\n\"" + std::string(kName) + "\"\r\n";
  for (int line = 0; line < 9; ++line) multiLine += numbers(6) + "\r\n";

  const std::vector<GrammarRow> rows = {
      {"writer form", toneLine("7"), {7}},
      {"indented, commas with blanks as separators",
       "  \t@I:7,\"" + std::string(kName) + "\"" + numbers(54, ", ") + "\n", {7}},
      {"comma directly after each field", "@I:7,\"" + std::string(kName) + "\"" + numbers(54, ",") + "\n", {7}},
      {"continued over several CRLF lines", multiLine, {7}},
      {"leading zeros in the slot", toneLine("007"), {7}},
      {"last slot", toneLine("255"), {255}},
      {"slot 256 is skipped", toneLine("256"), {}},
      {"minus sign before the slot", toneLine("-1"), {}},
      {"53 numbers", toneLine("7", kName, 53), {}},
      {"55 numbers", toneLine("7", kName, 55), {7}},
      {"15-character name", toneLine("7", "Tone Name 15 ch"), {}},
      {"17-character name", toneLine("7", "Tone Name 17 chrs"), {}},
      {"quote inside the name", toneLine("7", "Tone \"Name\" 16 c"), {7}},
      {"tab inside the name", toneLine("7", "Tone\tName 16 chr"), {}},
      {"non-ASCII byte inside the name", toneLine("7", "Tone Name 16 ch\xE9"), {}},
      {"zero byte inside the name", toneLine("7", std::string("Tone Name", 9) + std::string(1, '\0') + " 16 ch"),
       {}},
      {"name not separated from the slot", "@I:7\"" + std::string(kName) + "\"" + numbers(54) + "\n", {}},
      {"number glued to the name", "@I:7 \"" + std::string(kName) + "\"1" + numbers(54) + "\n", {}},
      {"text before the marker", "x " + toneLine("7"), {}},
      {"comment line", "# " + toneLine("7"), {}},
      {"marker after a carriage return alone", "# note\r" + toneLine("7"), {}},
      {"marker without its colon", "@I7 \"" + std::string(kName) + "\"" + numbers(54) + "\n", {}},
      {"lower-case marker", "@i:7 \"" + std::string(kName) + "\"" + numbers(54) + "\n", {}},
      {"blank between marker and slot", toneLine(" 7"), {}},
      {"sampler marker", samplerLine("7"), {}},
      {"records on following lines, any order", toneLine("9") + "\n# x\n" + toneLine("2"), {9, 2}},
      {"second record on the first one's line",
       "@I:1 \"" + std::string(kName) + "\"" + numbers(54) + " " + toneLine("2"), {1}},
      {"no line end after the last record", toneLine("4").substr(0, toneLine("4").size() - 1), {4}},
      {"slot too large for an int", toneLine("99999999999") + toneLine("3"), {3}},
      {"value too large for an int",
       "@I:5 \"" + std::string(kName) + "\"" + numbers(53) + " 2147483648\n" + toneLine("3"), {3}},
      {"largest int value", "@I:5 \"" + std::string(kName) + "\"" + numbers(53) + " 2147483647\n", {5}},
      {"empty text", "", {}},
  };
  for (const GrammarRow& row : rows)
    EXPECT_EQ(slotsOf(parseTonePresets(row.text)), row.slots) << row.label;
}

TEST(PresetTextGrammar, SamplerRecordsMatchOnlyTheirExactForm) {
  const std::vector<GrammarRow> rows = {
      {"writer form", samplerLine("12"), {12}},
      {"indented, commas with blanks as separators",
       " @S:12, \"" + std::string(kName) + "\"" + numbers(9, ", ") + "\n", {12}},
      {"last slot", samplerLine("127"), {127}},
      {"slot 128 is skipped", samplerLine("128"), {}},
      {"8 numbers", samplerLine("12", kName, 8), {}},
      {"10 numbers", samplerLine("12", kName, 10), {12}},
      {"15-character name", samplerLine("12", "Tone Name 15 ch"), {}},
      {"tone marker", toneLine("12"), {}},
      {"slot too large for an int", samplerLine("4294967296") + samplerLine("1"), {1}},
  };
  for (const GrammarRow& row : rows)
    EXPECT_EQ(slotsOf(parseSamplerPresets(row.text)), row.slots) << row.label;
}

TEST(PresetTextGrammar, SampleDataRecordsNeedFourPointsAndAPitchWithAPoint) {
  const std::vector<GrammarRow> rows = {
      {"writer form", "@:3 0 100 10 90 440.000000\n", {3}},
      {"indented, commas as separators", "\t @:3,0, 100,\t10,90 ,440.5\n", {3}},
      {"over two lines", "@:3 0 100\r\n10 90 440.5\r\n", {3}},
      {"last slot", "@:127 0 1 0 0 1.0\n", {127}},
      {"slot 128 is skipped", "@:128 0 1 0 0 1.0\n", {}},
      {"pitch without a point", "@:3 0 100 10 90 440\n", {}},
      {"pitch beginning with the point", "@:3 0 100 10 90 .5\n", {}},
      {"pitch ending with the point", "@:3 0 100 10 90 440.\n", {}},
      {"a point in a frame number", "@:3 0 100.0 10 90 440.0\n", {}},
      {"three points", "@:3 0 100 10 440.0\n", {}},
      {"text after the pitch", "@:3 0 100 10 90 440.0 x 7\n", {3}},
      {"blank after the marker", "@: 3 0 100 10 90 440.0\n", {}},
      {"minus sign in a point", "@:3 0 -100 10 90 440.0\n", {}},
      {"slot too large for an int", "@:99999999999 0 1 0 0 1.0\n@:2 0 1 0 0 1.0\n", {2}},
      {"pitch too large for a float", "@:3 0 1 0 0 " + std::string(40, '9') + ".0\n@:2 0 1 0 0 1.0\n",
       {2}},
  };
  for (const GrammarRow& row : rows)
    EXPECT_EQ(slotsOf(parseSampleDataParameters(row.text)), row.slots) << row.label;
}

TEST(PresetTextGrammar, FiftyFifthToneNumberIsIgnored) {
  const auto records = parseTonePresets(toneLine("7", kName, 55));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].values.kfStart[3], 54);  // the 54th number, not 55
}

TEST(PresetTextGrammar, NameKeepsItsBlanksAndQuotes) {
  const auto records = parseTonePresets(toneLine("7", " \"Quoted\" name\" "));
  ASSERT_EQ(records.size(), 1u);
  EXPECT_STREQ(records[0].values.presetName, " \"Quoted\" name\" ");
}

TEST(PresetTextGrammar, SampleDataFieldsAreReadInOrder) {
  const auto records = parseSampleDataParameters("@:3, 5, 100, 10, 90, 261.625580\n");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].slot, 3);
  EXPECT_EQ(records[0].start, 5);
  EXPECT_EQ(records[0].end, 100);
  EXPECT_EQ(records[0].loopStart, 10);
  EXPECT_EQ(records[0].loopEnd, 90);
  EXPECT_DOUBLE_EQ(records[0].pitch, 261.62558);
}

}  // namespace
}  // namespace ovri::korvane::formats
