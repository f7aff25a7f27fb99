#include "sampleimport/SampleImport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "WavBuilder.h"
#include "WavFixtures.h"
#include "tonegen/LogCode.h"

namespace ovri::korvane::sampleimport {
namespace {

using synth::SampleData;
using test::WavBuilder;

constexpr int32_t kLogRate44100 = 126390;  // trunc(log2f(44100) x 8192 + 0.5)
constexpr ImportMode kAllModes[] = {ImportMode::Pcm, ImportMode::Dpcm, ImportMode::Adpcm};

std::vector<int32_t> codesOf(const SampleData& d) {
  if (d.samples == nullptr) return {};
  return std::vector<int32_t>(d.samples, d.samples + static_cast<size_t>(d.length) * d.channels);
}

std::vector<int32_t> logCodes(const std::vector<double>& amplitudes) {
  std::vector<int32_t> out;
  for (double x : amplitudes) out.push_back(toLogSample(x));
  return out;
}

WavLoadResult decode(const std::vector<uint8_t>& bytes, ImportMode mode, SampleData& out) {
  return decodeWav(bytes.data(), bytes.size(), mode, out);
}

// A record with recognisable contents, to see that a refusal leaves it be.
void fillSentinel(SampleData& d) {
  const uint8_t bytes[] = {0x10, 0x20, 0x30};
  ASSERT_TRUE(setFromPcm(d, bytes, 3, 1, 8, false));
  d.pitch = 261.5f;
  d.loopLength = 2;
}

void expectSentinel(const SampleData& d) {
  EXPECT_EQ(codesOf(d), logCodes({(0x10 - 128) / 128.0, (0x20 - 128) / 128.0, (0x30 - 128) / 128.0}));
  EXPECT_EQ(d.pitch, 261.5f);
  EXPECT_EQ(d.loopLength, 2);
}

// What every import leaves besides the samples.
void expectImportLayout(const SampleData& d, int32_t channels, int32_t frames, float rate) {
  EXPECT_EQ(d.ownsData, 1);
  ASSERT_NE(d.samples, nullptr);
  EXPECT_EQ(d.channels, channels);
  EXPECT_EQ(d.length, frames);
  EXPECT_EQ(d.sampleRate, rate);
  EXPECT_EQ(d.logRate, logPitchUnitsF(rate));
  EXPECT_EQ(d.pitch, 0.0f);
  EXPECT_EQ(d.logPitch, 0);
  EXPECT_EQ(d.pitchOffset, d.logRate);
  EXPECT_EQ(d.start, 0);
  EXPECT_EQ(d.end, frames);
  EXPECT_EQ(d.loopEnd, frames);
  EXPECT_EQ(d.loopLength, 0);
  EXPECT_EQ(d.loopTail, 0);
  for (int32_t code : codesOf(d)) {
    ASSERT_GE(code, 0);
    ASSERT_LE(code, kLogSilence + 1);
  }
}

// --- setFromPcm --------------------------------------------------------------

struct PcmRow {
  int32_t bits;
  bool isSigned;
  std::vector<uint8_t> bytes;
  std::vector<int32_t> codes;
};

TEST(SetFromPcm, EachDepthAndSignednessScalesToFullScale) {
  const std::vector<PcmRow> rows = {
      // 0x80 is silence, 0xC0 half scale (512 = 2 x 256), 0x00 full scale negative.
      {8, false, {0x80, 0xC0, 0x00, 0xFF}, {8192, 512, 1, 6}},
      {8, true, {0x40, 0xC0, 0x80, 0x00}, {512, 513, 1, 8192}},
      {16, true, {0x00, 0x80, 0x00, 0x40, 0x00, 0x00, 0x01, 0x00}, {1, 512, 8192, 7680}},
      {16, false, {0x00, 0x80, 0x00, 0xC0, 0x00, 0x00}, {8192, 512, 1}},
      {24, true, {0x00, 0x00, 0x40, 0x00, 0x00, 0x80, 0x00, 0x00, 0xC0}, {512, 1, 513}},
      {24, false, {0x00, 0x00, 0xC0, 0x00, 0x00, 0x80}, {512, 8192}},
      {32, true, {0, 0, 0, 0x40, 0, 0, 0, 0x80, 0, 0, 0, 0}, {512, 1, 8192}},
      {32, false, {0, 0, 0, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, {512, 0, 1}},
  };
  for (const PcmRow& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.bits << (row.isSigned ? " signed" : " unsigned"));
    SampleData d;
    const int32_t frames = static_cast<int32_t>(row.codes.size());
    ASSERT_TRUE(setFromPcm(d, row.bytes.data(), frames, 1, row.bits, row.isSigned));
    EXPECT_EQ(codesOf(d), row.codes);
  }
}

TEST(SetFromPcm, FillsTheRecordAt44100WithoutALoop) {
  SampleData d;
  const std::vector<uint8_t> bytes = test::le16s({-32768, 0, 16384, -16384, 1, 2});
  ASSERT_TRUE(setFromPcm(d, bytes.data(), 3, 2, 16, true));
  expectImportLayout(d, 2, 3, 44100.0f);
  EXPECT_EQ(d.logRate, kLogRate44100);
  EXPECT_EQ(codesOf(d), logCodes({-1.0, 0.0, 0.5, -0.5, 1 / 32768.0, 2 / 32768.0}));
}

TEST(SetFromPcm, UnsupportedDepthLeavesTheRecordEmpty) {
  SampleData d;
  fillSentinel(d);
  const uint8_t bytes[8] = {};
  for (int32_t bits : {0, 4, 12, 20, 64}) {
    EXPECT_FALSE(setFromPcm(d, bytes, 2, 1, bits, true)) << bits;
    EXPECT_EQ(d.samples, nullptr);
    EXPECT_EQ(d.ownsData, 0);
    EXPECT_EQ(d.length, 0);
    EXPECT_EQ(d.logRate, 0);
    EXPECT_EQ(d.pitchOffset, 0);
    EXPECT_EQ(d.end, 0);
    EXPECT_EQ(d.loopEnd, 0);
    EXPECT_EQ(d.sampleRate, 0.0f);
  }
  EXPECT_FALSE(setFromPcm(d, bytes, -1, 1, 16, true));
  EXPECT_FALSE(setFromPcm(d, bytes, 2, 0, 16, true));
  EXPECT_FALSE(setFromPcm(d, nullptr, 2, 1, 16, true));
  EXPECT_EQ(d.samples, nullptr);
}

// --- decodeWav: PCM ------------------------------------------------------------

TEST(DecodeWavPcm, EightBitMonoFileKeepsItsRateAndValues) {
  SampleData d;
  ASSERT_EQ(decode(test::readFixture("pcm8-mono.wav"), ImportMode::Pcm, d), WavLoadResult::Loaded);
  expectImportLayout(d, 1, 64, 22050.0f);
  std::vector<double> x;
  for (int i = 0; i < 64; ++i) x.push_back((test::pcm8Byte(i) - 128) / 128.0);
  EXPECT_EQ(codesOf(d), logCodes(x));
  EXPECT_EQ(d.samples[32], kLogSilence);  // byte 0x80
  EXPECT_EQ(d.samples[48], 512);          // byte 0xC0
}

TEST(DecodeWavPcm, SixteenBitStereoFileIsInterleaved) {
  SampleData d;
  ASSERT_EQ(decode(test::readFixture("pcm16-stereo.wav"), ImportMode::Pcm, d), WavLoadResult::Loaded);
  expectImportLayout(d, 2, 32, 44100.0f);
  EXPECT_EQ(d.logRate, kLogRate44100);
  std::vector<double> x;
  for (int i = 0; i < 32; ++i) {
    x.push_back(test::pcm16Left(i) / 32768.0);
    x.push_back(test::pcm16Right(i) / 32768.0);
  }
  EXPECT_EQ(codesOf(d), logCodes(x));
  EXPECT_EQ(d.samples[0], 1);  // -32768 is full scale negative
}

TEST(DecodeWavPcm, WideDepthsAreSigned) {
  SampleData d24, d32;
  ASSERT_EQ(decode(test::readFixture("pcm24-mono.wav"), ImportMode::Pcm, d24), WavLoadResult::Loaded);
  ASSERT_EQ(decode(test::readFixture("pcm32-mono.wav"), ImportMode::Pcm, d32), WavLoadResult::Loaded);
  // A positive and a negative sample of each.
  EXPECT_EQ(d24.samples[0], toLogSample(0x332211 / 8388608.0));
  EXPECT_EQ(d24.samples[11], toLogSample((0xEE2D1C - 0x1000000) / 8388608.0));
  EXPECT_EQ(d32.samples[0], toLogSample((0x80201000 - 4294967296.0) / 2147483648.0));
  EXPECT_EQ(d32.samples[8], toLogSample(0x08281808 / 2147483648.0));
}

TEST(DecodeWavPcm, UnsupportedDepthImportsAnEmptySlot) {
  SampleData d;
  fillSentinel(d);
  ASSERT_EQ(decode(test::readFixture("pcm12-mono.wav"), ImportMode::Pcm, d), WavLoadResult::Loaded);
  EXPECT_EQ(d.samples, nullptr);
  EXPECT_EQ(d.length, 0);
  EXPECT_EQ(d.end, 0);
  EXPECT_EQ(d.sampleRate, 8000.0f);
  EXPECT_EQ(d.pitch, 0.0f);
}

// --- decodeWav: DPCM and ADPCM ------------------------------------------------

TEST(DecodeWavDpcm, StoresWhatTheCodecPlaysBack) {
  // The 8-bit ramp 0, 20, 40, 60 (unsigned bytes 128 + v).
  SampleData d;
  const auto ramp = WavBuilder().pcm(1, 44100, 8).data({128, 148, 168, 188}).build();
  ASSERT_EQ(decode(ramp, ImportMode::Dpcm, d), WavLoadResult::Loaded);
  expectImportLayout(d, 1, 4, 44100.0f);
  EXPECT_EQ(codesOf(d), logCodes({0.0, 7 / 128.0, 14 / 128.0, 21 / 128.0}));
  EXPECT_EQ(d.samples[0], kLogSilence);

  // Odd count: the last sample keeps its value.
  const auto odd = WavBuilder().pcm(1, 44100, 8).data({128, 148, 168}).build();
  ASSERT_EQ(decode(odd, ImportMode::Dpcm, d), WavLoadResult::Loaded);
  EXPECT_EQ(codesOf(d), logCodes({0.0, 7 / 128.0, 40 / 128.0}));
}

TEST(DecodeWavDpcm, WorksOnTheTopByteOfWiderSamples) {
  SampleData d;
  const auto ramp16 = WavBuilder().pcm(1, 32000, 16).data(test::le16s({0x00AB, 0x14AB, 0x28AB, 0x3CAB})).build();
  ASSERT_EQ(decode(ramp16, ImportMode::Dpcm, d), WavLoadResult::Loaded);
  expectImportLayout(d, 1, 4, 32000.0f);
  EXPECT_EQ(codesOf(d), logCodes({0.0, 7 / 128.0, 14 / 128.0, 21 / 128.0}));
}

TEST(DecodeWavAdpcm, StoresWhatTheCodecPlaysBack) {
  SampleData d;
  const auto ones = WavBuilder().pcm(1, 22050, 16).data(test::le16s(std::vector<int16_t>(6, 1000))).build();
  ASSERT_EQ(decode(ones, ImportMode::Adpcm, d), WavLoadResult::Loaded);
  expectImportLayout(d, 1, 6, 22050.0f);
  std::vector<double> x;
  for (int v : {238, 806, 1077, 996, 1067, 1003}) x.push_back(v / 32768.0);
  EXPECT_EQ(codesOf(d), logCodes(x));
}

TEST(DecodeWavAdpcm, StereoFileKeepsASilentLeftSilent) {
  std::vector<int16_t> frames;
  for (int i = 0; i < 50; ++i) {
    frames.push_back(0);
    frames.push_back(static_cast<int16_t>(i % 2 ? 25000 : -25000));
  }
  SampleData d;
  ASSERT_EQ(decode(WavBuilder().pcm(2, 44100, 16).data(test::le16s(frames)).build(), ImportMode::Adpcm, d),
            WavLoadResult::Loaded);
  expectImportLayout(d, 2, 50, 44100.0f);
  for (int i = 0; i < 50; ++i) {
    // |x| <= 16 / 32768: at least 2 x 256 x 11 steps below full scale.
    EXPECT_GE(d.samples[2 * i] & ~1, 2 * 256 * 11) << i;
  }
  EXPECT_LT(d.samples[99] & ~1, 2 * 256 * 2);  // the right channel is loud
}

TEST(DecodeWavCodecs, EveryFixtureImportsInEveryMode) {
  struct Row {
    const char* file;
    int32_t channels;
    int32_t frames;
    float rate;
  };
  for (const Row& row : {Row{"pcm8-mono.wav", 1, 64, 22050.0f}, Row{"pcm16-stereo.wav", 2, 32, 44100.0f},
                         Row{"pcm24-mono.wav", 1, 16, 48000.0f}, Row{"pcm32-mono.wav", 1, 16, 96000.0f},
                         Row{"list-odd.wav", 1, 8, 8000.0f}, Row{"fmt18.wav", 1, 10, 11025.0f}}) {
    const std::vector<uint8_t> bytes = test::readFixture(row.file);
    for (ImportMode mode : kAllModes) {
      SCOPED_TRACE(::testing::Message() << row.file << " mode " << static_cast<int>(mode));
      SampleData d;
      ASSERT_EQ(decode(bytes, mode, d), WavLoadResult::Loaded);
      expectImportLayout(d, row.channels, row.frames, row.rate);
    }
  }
}

TEST(DecodeWavCodecs, CodecImportOfAnUnsupportedDepthIsRefused) {
  const std::vector<uint8_t> bytes = test::readFixture("pcm12-mono.wav");
  for (ImportMode mode : {ImportMode::Dpcm, ImportMode::Adpcm}) {
    SampleData d;
    fillSentinel(d);
    EXPECT_EQ(decode(bytes, mode, d), WavLoadResult::Refused);
    expectSentinel(d);
  }
}

// --- decodeWav: refusals -----------------------------------------------------

TEST(DecodeWavRefusals, UnacceptableFilesLeaveTheRecordAlone) {
  for (const char* file : {"float32.wav", "extensible24.wav", "three-channels.wav", "data-before-fmt.wav",
                           "riff-size-plus-one.wav", "truncated.wav", "data-past-end.wav", "zero-channels.wav"}) {
    const std::vector<uint8_t> bytes = test::readFixture(file);
    ASSERT_FALSE(bytes.empty()) << file;
    for (ImportMode mode : kAllModes) {
      SCOPED_TRACE(::testing::Message() << file << " mode " << static_cast<int>(mode));
      SampleData d;
      fillSentinel(d);
      EXPECT_EQ(decode(bytes, mode, d), WavLoadResult::Refused);
      expectSentinel(d);
    }
  }
}

TEST(DecodeWavRefusals, FileWithoutDataOrWithAnUnknownModeIsRefused) {
  SampleData d;
  fillSentinel(d);
  EXPECT_EQ(decode(WavBuilder().pcm(1, 8000, 16).build(), ImportMode::Pcm, d), WavLoadResult::Refused);
  const auto good = test::readFixture("pcm8-mono.wav");
  EXPECT_EQ(decode(good, static_cast<ImportMode>(3), d), WavLoadResult::Refused);
  EXPECT_EQ(decode(good, static_cast<ImportMode>(-1), d), WavLoadResult::Refused);
  expectSentinel(d);
}

TEST(DecodeWavRefusals, OversizedInputIsRefusedUnread) {
  SampleData d;
  const uint8_t small[16] = {};
  EXPECT_EQ(decodeWav(small, kMaxWavFileBytes + 1, ImportMode::Pcm, d), WavLoadResult::Refused);
  EXPECT_EQ(d.samples, nullptr);
}

TEST(DecodeWav, ReplacesWhatTheRecordHeld) {
  SampleData d;
  fillSentinel(d);
  ASSERT_EQ(decode(test::readFixture("pcm16-stereo.wav"), ImportMode::Adpcm, d), WavLoadResult::Loaded);
  expectImportLayout(d, 2, 32, 44100.0f);  // pitch and loop of the old contents are gone
}

TEST(DecodeWav, EmptyDataChunkImportsNoFrames) {
  for (ImportMode mode : kAllModes) {
    SampleData d;
    ASSERT_EQ(decode(WavBuilder().pcm(2, 44100, 16).data({}).build(), mode, d), WavLoadResult::Loaded);
    EXPECT_EQ(d.length, 0);
    EXPECT_EQ(d.end, 0);
  }
}

// --- Files -----------------------------------------------------------------------

TEST(LoadWavFile, ReadsTheFileAndImportsIt) {
  SampleData fromFile, fromBytes;
  ASSERT_EQ(loadWavFile(test::fixturePath("pcm16-stereo.wav"), ImportMode::Dpcm, fromFile), WavLoadResult::Loaded);
  ASSERT_EQ(decode(test::readFixture("pcm16-stereo.wav"), ImportMode::Dpcm, fromBytes), WavLoadResult::Loaded);
  EXPECT_EQ(codesOf(fromFile), codesOf(fromBytes));
  expectImportLayout(fromFile, 2, 32, 44100.0f);
}

TEST(LoadWavFile, MissingFileOrDirectoryCannotBeOpened) {
  SampleData d;
  fillSentinel(d);
  EXPECT_EQ(loadWavFile(test::fixturePath("no-such-file.wav"), ImportMode::Pcm, d), WavLoadResult::CannotOpen);
  EXPECT_EQ(loadWavFile(KORVANE_WAV_FIXTURE_DIR, ImportMode::Pcm, d), WavLoadResult::CannotOpen);
  expectSentinel(d);
}

TEST(LoadWavFile, RefusedFileLeavesTheRecordAlone) {
  SampleData d;
  fillSentinel(d);
  EXPECT_EQ(loadWavFile(test::fixturePath("float32.wav"), ImportMode::Pcm, d), WavLoadResult::Refused);
  expectSentinel(d);
}

TEST(LoadWavFile, FileOverTheSizeLimitIsRefusedWithoutReadingIt) {
  const std::filesystem::path path = std::filesystem::path(::testing::TempDir()) / "korvane-oversized.wav";
  { std::ofstream(path, std::ios::binary) << "RIFF"; }
  std::filesystem::resize_file(path, kMaxWavFileBytes + 1);  // sparse: no disk space used
  SampleData d;
  EXPECT_EQ(loadWavFile(path.string(), ImportMode::Pcm, d), WavLoadResult::Refused);
  std::filesystem::remove(path);
}

TEST(ReadFileBytes, ReadsEveryByteOrReportsFailure) {
  std::vector<uint8_t> bytes = {1, 2, 3};
  ASSERT_TRUE(readFileBytes(test::fixturePath("fmt18.wav"), bytes));
  EXPECT_EQ(bytes, test::readFixture("fmt18.wav"));
  EXPECT_FALSE(readFileBytes(test::fixturePath("no-such-file.wav"), bytes));
  EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace ovri::korvane::sampleimport
