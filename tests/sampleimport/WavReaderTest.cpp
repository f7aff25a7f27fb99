#include "sampleimport/WavReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "WavBuilder.h"
#include "WavFixtures.h"

namespace ovri::korvane::sampleimport {
namespace {

using test::WavBuilder;

void expectCleared(const WavInfo& info) {
  EXPECT_EQ(info.formatTag, 0);
  EXPECT_EQ(info.channels, 0);
  EXPECT_EQ(info.sampleRate, 0u);
  EXPECT_EQ(info.byteRate, 0u);
  EXPECT_EQ(info.blockAlign, 0);
  EXPECT_EQ(info.bitsPerSample, 0);
  EXPECT_EQ(info.frames, 0u);
  EXPECT_EQ(info.dataSize, 0u);
  EXPECT_EQ(info.file, nullptr);
  EXPECT_EQ(info.data, nullptr);
}

// Whatever the reader accepts must describe bytes inside the buffer.
void expectInside(const WavInfo& info, const uint8_t* bytes, size_t length) {
  if (info.data == nullptr) return;
  EXPECT_EQ(info.file, bytes);
  ASSERT_GE(info.data, bytes + 12);
  EXPECT_LE(static_cast<size_t>(info.data - bytes) + info.dataSize, length);
  ASSERT_GT(info.channels, 0);
  ASSERT_GE(info.bitsPerSample, 8);
  EXPECT_LE(uint64_t{info.frames} * info.channels * (info.bitsPerSample / 8u), info.dataSize);
}

// The buffer handed to the reader is a heap block of exactly its length, so
// the address sanitizer sees any read past the end.
WavInfo parseExact(const std::vector<uint8_t>& bytes, std::unique_ptr<uint8_t[]>& holder) {
  holder.reset(new uint8_t[bytes.size() ? bytes.size() : 1]);
  if (!bytes.empty()) std::memcpy(holder.get(), bytes.data(), bytes.size());
  return parseWav(holder.get(), bytes.size());
}

WavInfo parse(const std::vector<uint8_t>& bytes) { return parseWav(bytes.data(), bytes.size()); }

std::vector<uint8_t> mono16(int frames) {
  std::vector<int16_t> v;
  for (int i = 0; i < frames; ++i) v.push_back(static_cast<int16_t>(100 * i));
  return test::le16s(v);
}

// --- Fixture files ---------------------------------------------------------

struct FixtureRow {
  const char* file;
  uint16_t channels;
  uint32_t sampleRate;
  uint16_t bitsPerSample;
  uint32_t frames;
  size_t dataOffset;  // 0: refused, everything cleared
};

class WavFixtureTest : public ::testing::TestWithParam<FixtureRow> {};

TEST_P(WavFixtureTest, ReadsTheHeaderOrRefusesTheFile) {
  const FixtureRow& row = GetParam();
  const std::vector<uint8_t> bytes = test::readFixture(row.file);
  ASSERT_FALSE(bytes.empty()) << "missing fixture " << row.file;
  std::unique_ptr<uint8_t[]> holder;
  const WavInfo info = parseExact(bytes, holder);
  if (row.dataOffset == 0) {
    expectCleared(info);
    return;
  }
  EXPECT_EQ(info.formatTag, 1);
  EXPECT_EQ(info.channels, row.channels);
  EXPECT_EQ(info.sampleRate, row.sampleRate);
  EXPECT_EQ(info.bitsPerSample, row.bitsPerSample);
  EXPECT_EQ(info.frames, row.frames);
  EXPECT_EQ(info.file, holder.get());
  EXPECT_EQ(info.data, holder.get() + row.dataOffset);
  expectInside(info, holder.get(), bytes.size());
}

INSTANTIATE_TEST_SUITE_P(
    Files, WavFixtureTest,
    ::testing::Values(FixtureRow{"pcm8-mono.wav", 1, 22050, 8, 64, 44},
                      FixtureRow{"pcm16-stereo.wav", 2, 44100, 16, 32, 44},
                      FixtureRow{"pcm24-mono.wav", 1, 48000, 24, 16, 44},
                      FixtureRow{"pcm32-mono.wav", 1, 96000, 32, 16, 44},
                      // The reader takes any channel count; the importer refuses three.
                      FixtureRow{"three-channels.wav", 3, 44100, 16, 8, 44},
                      // LIST of 5 bytes + pad between "fmt " and "data": 12 + 24 + 14 + 8.
                      FixtureRow{"list-odd.wav", 1, 8000, 16, 8, 58},
                      // "fmt " of 18 bytes: the walk moves on by 26.
                      FixtureRow{"fmt18.wav", 1, 11025, 8, 10, 46},
                      // 12-bit samples: frames = size / (12 / 8) / 1, 16 bytes.
                      FixtureRow{"pcm12-mono.wav", 1, 8000, 12, 16, 44},
                      FixtureRow{"float32.wav", 0, 0, 0, 0, 0}, FixtureRow{"extensible24.wav", 0, 0, 0, 0, 0},
                      FixtureRow{"data-before-fmt.wav", 0, 0, 0, 0, 0},
                      FixtureRow{"riff-size-plus-one.wav", 0, 0, 0, 0, 0},
                      FixtureRow{"truncated.wav", 0, 0, 0, 0, 0}, FixtureRow{"data-past-end.wav", 0, 0, 0, 0, 0},
                      FixtureRow{"zero-channels.wav", 0, 0, 0, 0, 0}),
    [](const ::testing::TestParamInfo<FixtureRow>& info) {
      std::string name = info.param.file;
      name = name.substr(0, name.find('.'));
      for (char& c : name) {
        if (c == '-') c = '_';
      }
      return name;
    });

TEST(WavReaderFixtures, ConversionsReadTheStoredSamples) {
  std::unique_ptr<uint8_t[]> holder;
  const WavInfo stereo = parseExact(test::readFixture("pcm16-stereo.wav"), holder);
  const auto s8 = toSigned8(stereo);
  const auto s16 = toSigned16(stereo);
  ASSERT_TRUE(s8 && s16);
  for (int i = 0; i < 32; ++i) {
    EXPECT_EQ(s16[2 * i], test::pcm16Left(i));
    EXPECT_EQ(s16[2 * i + 1], test::pcm16Right(i));
    EXPECT_EQ(s8[2 * i + 1], static_cast<int8_t>(static_cast<uint16_t>(test::pcm16Right(i)) >> 8));
  }
  const WavInfo wide = parseExact(test::readFixture("pcm24-mono.wav"), holder);
  const auto w8 = toSigned8(wide);
  const auto w16 = toSigned16(wide);
  ASSERT_TRUE(w8 && w16);
  for (int i = 0; i < 16; ++i) {
    const auto b = test::pcm24Bytes(i);  // sample 0: 0x11 0x22 0x33
    EXPECT_EQ(w8[i], static_cast<int8_t>(b[2]));
    EXPECT_EQ(w16[i], static_cast<int16_t>(b[1] | (b[2] << 8)));
  }
  const WavInfo afterList = parseExact(test::readFixture("list-odd.wav"), holder);
  const auto l16 = toSigned16(afterList);
  ASSERT_TRUE(l16);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(l16[i], test::handmade16(i));
}

// --- Byte-level cases --------------------------------------------------------

TEST(WavReaderContainer, CanonicalStereoFileGivesItsFramesAndDataPosition) {
  const std::vector<uint8_t> bytes = WavBuilder().pcm(2, 44100, 16).data(mono16(2 * 100)).build();
  ASSERT_EQ(bytes.size(), 44u + 400u);
  const WavInfo info = parse(bytes);
  EXPECT_EQ(info.formatTag, 1);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.sampleRate, 44100u);
  EXPECT_EQ(info.byteRate, 44100u * 4);
  EXPECT_EQ(info.blockAlign, 4);
  EXPECT_EQ(info.frames, 100u);
  EXPECT_EQ(info.dataSize, 400u);
  EXPECT_EQ(info.data, bytes.data() + 44);
}

struct HostileRow {
  const char* what;
  std::vector<uint8_t> bytes;
};

std::vector<uint8_t> withU32(std::vector<uint8_t> bytes, size_t offset, uint32_t value) {
  if (bytes.size() < offset + 4) return bytes;
  for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
  return bytes;
}

std::vector<uint8_t> withByte(std::vector<uint8_t> bytes, size_t offset, uint8_t value) {
  bytes[offset] = value;
  return bytes;
}

// Each of these is refused with a cleared result.
std::vector<HostileRow> refusedFiles() {
  const std::vector<uint8_t> pcm = mono16(8);
  const std::vector<uint8_t> good = WavBuilder().pcm(1, 8000, 16).data(pcm).build();
  // A "fmt " declaring 40 bytes, cut after 24 of them.
  std::vector<uint8_t> cutFmt = WavBuilder().fmt(1, 1, 8000, 16, 40).build();
  cutFmt.resize(12 + 8 + 24);
  cutFmt = withU32(cutFmt, 4, static_cast<uint32_t>(cutFmt.size() - 8));
  return {
      {"empty", {}},
      {"shorter than 16 bytes", {'R', 'I', 'F', 'F', 7, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0, 0}},
      {"RIFF size one too large", WavBuilder().pcm(1, 8000, 16).data(pcm).build(1)},
      {"RIFF size one too small", WavBuilder().pcm(1, 8000, 16).data(pcm).build(-1)},
      {"RIFF size 0xFFFFFFFF", withU32(good, 4, 0xFFFFFFFFu)},
      {"not RIFF", withByte(good, 3, 'X')},
      {"not WAVE", withByte(good, 11, 'X')},
      {"chunk header cut by the end", WavBuilder().pcm(1, 8000, 16).data(pcm).raw({'L', 'I', 'S', 'T'}).build()},
      {"data before fmt", WavBuilder().data(pcm).pcm(1, 8000, 16).build()},
      {"data without fmt", WavBuilder().data(pcm).build()},
      {"float data", WavBuilder().fmt(3, 1, 8000, 32).data(pcm).build()},
      {"extensible data", WavBuilder().fmt(0xFFFE, 1, 8000, 16, 40).data(pcm).build()},
      {"zero channels", WavBuilder().pcm(0, 8000, 16).data(pcm).build()},
      {"4-bit depth", WavBuilder().pcm(1, 8000, 4).data(pcm).build()},
      {"0-bit depth", WavBuilder().pcm(1, 8000, 0).data(pcm).build()},
      {"data body past the end", WavBuilder().pcm(1, 8000, 16).chunkSized("data", 17, pcm).build()},
      {"data size + 8 wraps 32 bits",
       WavBuilder().pcm(1, 8000, 16).chunkSized("data", 0xFFFFFFF8u, pcm).build()},
      {"data size 0xFFFFFFFF", WavBuilder().pcm(1, 8000, 16).chunkSized("data", 0xFFFFFFFFu, pcm).build()},
      {"other chunk past the end", WavBuilder().pcm(1, 8000, 16).chunkSized("LIST", 100, {1, 2}).build()},
      {"other chunk size + 8 wraps 32 bits",
       WavBuilder().pcm(1, 8000, 16).chunkSized("LIST", 0xFFFFFFF8u, {}).data(pcm).build()},
      {"fmt fields past the end", WavBuilder().raw({'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0}).build()},
      {"fmt of size 2 with no room for its fields",
       WavBuilder().raw({'f', 'm', 't', ' ', 2, 0, 0, 0, 1, 0}).build()},
      {"fmt extension past the end", cutFmt},
      {"a later fmt widens the data", WavBuilder().pcm(1, 8000, 8).data(pcm).pcm(2, 8000, 32).build()},
      {"a later fmt drops the channels", WavBuilder().pcm(1, 8000, 16).data(pcm).pcm(0, 8000, 16).build()},
  };
}

TEST(WavReaderContainer, RefusesHostileFilesWithAClearedResult) {
  for (const HostileRow& row : refusedFiles()) {
    SCOPED_TRACE(row.what);
    std::unique_ptr<uint8_t[]> holder;
    expectCleared(parseExact(row.bytes, holder));
  }
}

TEST(WavReaderContainer, NullBytesAreRefused) { expectCleared(parseWav(nullptr, 100)); }

TEST(WavReaderChunks, OddDataChunkAtTheEndMayLackItsPadByte) {
  const std::vector<uint8_t> bytes = WavBuilder().pcm(1, 8000, 8).chunk("data", {1, 2, 3}, false).build();
  const WavInfo info = parse(bytes);
  ASSERT_NE(info.data, nullptr);
  EXPECT_EQ(info.frames, 3u);
}

TEST(WavReaderChunks, ShortFmtStillReadsSixteenFieldBytesAndMovesOnBy24) {
  // A "fmt " declaring 14 bytes: the walk reads the depth from the two bytes
  // after it and resumes 24 bytes after the chunk start.
  const std::vector<uint8_t> bytes = WavBuilder().fmt(1, 1, 8000, 16, 14).data(mono16(4)).build();
  const WavInfo info = parse(bytes);
  EXPECT_EQ(info.bitsPerSample, 16);
  EXPECT_EQ(info.data, bytes.data() + 12 + 24 + 8);
}

TEST(WavReaderChunks, LaterDataChunkReplacesTheEarlierOne) {
  const std::vector<uint8_t> bytes = WavBuilder().pcm(1, 8000, 16).data(mono16(4)).data(mono16(10)).build();
  const WavInfo info = parse(bytes);
  EXPECT_EQ(info.frames, 10u);
  EXPECT_EQ(info.dataSize, 20u);
  EXPECT_EQ(info.data, bytes.data() + 12 + 24 + 16 + 8);
}

TEST(WavReaderChunks, LaterFmtChangesTheFormatButNotTheFrames) {
  const std::vector<uint8_t> bytes = WavBuilder().pcm(2, 8000, 16).data(mono16(8)).pcm(1, 32000, 16).build();
  const WavInfo info = parse(bytes);
  ASSERT_NE(info.data, nullptr);
  EXPECT_EQ(info.channels, 1);
  EXPECT_EQ(info.sampleRate, 32000u);
  EXPECT_EQ(info.frames, 4u);  // counted for two channels
}

TEST(WavReaderChunks, EmptyDataChunkHasNoFrames) {
  const std::vector<uint8_t> bytes = WavBuilder().pcm(1, 8000, 16).data({}).build();
  const WavInfo info = parse(bytes);
  EXPECT_NE(info.data, nullptr);
  EXPECT_EQ(info.frames, 0u);
  ASSERT_TRUE(toSigned16(info));
}

TEST(WavReaderChunks, FileWithoutDataKeepsItsFormatButNoData) {
  const std::vector<uint8_t> bytes = WavBuilder().pcm(1, 8000, 16).build();
  const WavInfo info = parse(bytes);
  EXPECT_EQ(info.file, bytes.data());
  EXPECT_EQ(info.channels, 1);
  EXPECT_EQ(info.data, nullptr);
  EXPECT_FALSE(toSigned8(info));
}

TEST(WavReaderChunks, EveryPrefixOfAFileIsReadSafely) {
  // Cut after every byte; once with the original RIFF size (the container
  // check refuses), once with the size fixed to the cut (the chunk checks
  // must hold).
  for (const char* file : {"list-odd.wav", "fmt18.wav", "pcm16-stereo.wav", "float32.wav"}) {
    const std::vector<uint8_t> whole = test::readFixture(file);
    for (size_t length = 0; length < whole.size(); ++length) {
      SCOPED_TRACE(std::string(file) + " cut at " + std::to_string(length));
      std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
      std::unique_ptr<uint8_t[]> holder;
      expectCleared(parseExact(prefix, holder));
      if (length < 8) continue;
      prefix = withU32(prefix, 4, static_cast<uint32_t>(length - 8));
      const WavInfo info = parseExact(prefix, holder);
      expectInside(info, holder.get(), length);
      toSigned8(info);
      toSigned16(info);
    }
  }
}

// --- Conversions -------------------------------------------------------------

struct ConversionRow {
  uint16_t bits;
  std::vector<uint8_t> sample;
  int8_t signed8;
  int16_t signed16;
};

TEST(WavReaderConversions, TruncateToTheTopBytes) {
  const std::vector<ConversionRow> rows = {
      {8, {0x80}, 0, 0},
      {8, {0x00}, -128, -32768},
      {8, {0xFF}, 127, 32512},
      {16, {0x34, 0x12}, 0x12, 0x1234},
      {16, {0x00, 0x80}, -128, -32768},
      {16, {0xFF, 0xFF}, -1, -1},
      {24, {0x11, 0x22, 0x33}, 0x33, 0x3322},
      {24, {0xFF, 0xFF, 0x80}, -128, -32513},  // 0x80FF
      {32, {0x11, 0x22, 0x33, 0x44}, 0x44, 0x4433},
      {32, {0xFF, 0xFF, 0xFF, 0xFF}, -1, -1},
  };
  for (const ConversionRow& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.bits << " bits, first byte " << int{row.sample[0]});
    const std::vector<uint8_t> bytes = WavBuilder().pcm(1, 8000, row.bits).data(row.sample).build();
    const WavInfo info = parse(bytes);
    ASSERT_EQ(info.frames, 1u);
    const auto s8 = toSigned8(info);
    const auto s16 = toSigned16(info);
    ASSERT_TRUE(s8 && s16);
    EXPECT_EQ(s8[0], row.signed8);
    EXPECT_EQ(s16[0], row.signed16);
  }
}

TEST(WavReaderConversions, GiveNothingForOtherDepthsOrNoData) {
  for (uint16_t bits : {12, 20, 40, 64}) {
    const std::vector<uint8_t> bytes = WavBuilder().pcm(1, 8000, bits).data(mono16(8)).build();
    const WavInfo info = parse(bytes);
    ASSERT_NE(info.data, nullptr) << bits;
    EXPECT_FALSE(toSigned8(info)) << bits;
    EXPECT_FALSE(toSigned16(info)) << bits;
  }
  EXPECT_FALSE(toSigned8(WavInfo{}));
  EXPECT_FALSE(toSigned16(WavInfo{}));
}

TEST(WavReaderConversions, RefuseARecordClaimingMoreSamplesThanItsData) {
  const std::vector<uint8_t> bytes = WavBuilder().pcm(1, 8000, 16).data(mono16(4)).build();
  WavInfo info = parse(bytes);
  info.frames = 5;
  EXPECT_FALSE(toSigned8(info));
  EXPECT_FALSE(toSigned16(info));
  info.frames = 4;
  info.formatTag = 3;
  EXPECT_FALSE(toSigned16(info));
}

}  // namespace
}  // namespace ovri::korvane::sampleimport
