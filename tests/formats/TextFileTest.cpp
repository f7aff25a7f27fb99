#include "formats/TextFile.h"
#include "formats/TonePresetText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ovri::korvane::formats {
namespace {

namespace fs = std::filesystem;

class TextFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() / (std::string("korvane_formats_") + info->name() + "_" +
                                           std::to_string(std::random_device()()));
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path(const char* name) const { return (folder_ / name).string(); }

  void writeBytes(const std::string& file, const std::string& bytes) const {
    std::ofstream out(file, std::ios::binary);
    out << bytes;
  }

  fs::path folder_;
};

TEST_F(TextFileTest, ReadingEndsEveryLineWithANewline) {
  writeBytes(path("a.txt"), "first\nsecond");
  EXPECT_EQ(readTextFile(path("a.txt")), std::optional<std::string>("first\nsecond\n"));
  writeBytes(path("empty.txt"), "");
  EXPECT_EQ(readTextFile(path("empty.txt")), std::optional<std::string>(""));
}

TEST_F(TextFileTest, FileWithCrLfLineEndsIsReadAndItsRecordsFound) {
  std::string record = "@I:3 \"CRLF tone name  \"";
  for (int i = 0; i < 54; ++i) record += i % 6 == 5 ? "\r\n 1" : ", 1";
  writeBytes(path("crlf.txt"), "# header\r\n" + record + "\r\n");
  const std::optional<std::string> text = readTextFile(path("crlf.txt"));
  ASSERT_TRUE(text.has_value());
  std::vector<synth::TonePreset> tones(synth::kToneCount);
  readTonePresets(*text, tones.data());
  EXPECT_STREQ(tones[3].presetName, "CRLF tone name  ");
  EXPECT_EQ(tones[3].key, 1);
  EXPECT_EQ(tones[3].kfStart[3], 1);
}

TEST_F(TextFileTest, WritingReplacesTheWholeFileAndReadsBack) {
  writeBytes(path("b.txt"), std::string(1000, 'x'));
  EXPECT_TRUE(writeTextFile(path("b.txt"), "one\ntwo\n"));
  EXPECT_EQ(readTextFile(path("b.txt")), std::optional<std::string>("one\ntwo\n"));
}

TEST_F(TextFileTest, MissingFileOrFolderFails) {
  EXPECT_EQ(readTextFile(path("missing.txt")), std::nullopt);
  EXPECT_FALSE(writeTextFile(path("no_such_folder/out.txt"), "text\n"));
  EXPECT_FALSE(fs::exists(path("no_such_folder")));
}

}  // namespace
}  // namespace ovri::korvane::formats
