#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "sampleimport/Adpcm.h"
#include "sampleimport/Dpcm.h"

namespace ovri::korvane::sampleimport {
namespace {

// Runs samples through the DPCM encoder and decoder as the importer does:
// n >> 1 bytes, decoded back into the same buffer.
std::vector<int8_t> dpcmRoundTrip(std::vector<int8_t> s, int32_t channels, std::vector<uint8_t>* codesOut = nullptr) {
  const int32_t n = static_cast<int32_t>(s.size());
  std::vector<uint8_t> codes(static_cast<size_t>(n >> 1), 0xEE);
  encodeDpcm(codes.data(), channels, s.data(), n);
  decodeDpcm(codes.data(), channels, s.data(), n);
  if (codesOut) *codesOut = codes;
  return s;
}

std::vector<int16_t> adpcmRoundTrip(std::vector<int16_t> s, int32_t channels,
                                    std::vector<uint8_t>* codesOut = nullptr) {
  const int32_t n = static_cast<int32_t>(s.size());
  std::vector<uint8_t> codes(static_cast<size_t>(n >> 1), 0xEE);
  encodeAdpcm(s.data(), channels, n, codes.data(), n >> 1);
  decodeAdpcm(codes.data(), n >> 1, channels, s.data(), n);
  if (codesOut) *codesOut = codes;
  return s;
}

// --- DPCM ------------------------------------------------------------------

TEST(Dpcm, RampIsFollowedAtMostSevenPerSample) {
  std::vector<uint8_t> codes;
  EXPECT_EQ(dpcmRoundTrip({0, 20, 40, 60}, 1, &codes), (std::vector<int8_t>{0, 7, 14, 21}));
  EXPECT_EQ(codes, (std::vector<uint8_t>{0x70, 0x77}));
}

TEST(Dpcm, OddCountLeavesTheLastSampleUncoded) {
  std::vector<uint8_t> codes;
  EXPECT_EQ(dpcmRoundTrip({0, 20, 40}, 1, &codes), (std::vector<int8_t>{0, 7, 40}));
  EXPECT_EQ(codes.size(), 1u);
  EXPECT_EQ(dpcmRoundTrip({55}, 1), (std::vector<int8_t>{55}));
}

TEST(Dpcm, NegativeCodesStepDown) {
  const uint8_t codes[] = {0xFF};
  int8_t s[2] = {99, 99};
  decodeDpcm(codes, 1, s, 2);
  EXPECT_EQ(s[0], -7);
  EXPECT_EQ(s[1], -14);
}

TEST(Dpcm, DecoderClampsTheSampleRange) {
  std::vector<uint8_t> down(20, 0xFF);  // 40 steps of -7
  std::vector<int8_t> s(40);
  decodeDpcm(down.data(), 1, s.data(), 40);
  EXPECT_EQ(s[17], -126);
  EXPECT_EQ(s[18], -128);
  EXPECT_EQ(s[39], -128);
  std::vector<uint8_t> up(20, 0x77);
  decodeDpcm(up.data(), 1, s.data(), 40);
  EXPECT_EQ(s[17], 126);
  EXPECT_EQ(s[18], 127);
  EXPECT_EQ(s[39], 127);
}

TEST(Dpcm, StereoChannelsKeepTheirOwnPredictors) {
  // Left climbs 0, 10, 20; right sits at -3.
  std::vector<uint8_t> codes;
  const std::vector<int8_t> out = dpcmRoundTrip({0, -3, 10, -3, 20, -3}, 2, &codes);
  EXPECT_EQ(out, (std::vector<int8_t>{0, -3, 7, -3, 14, -3}));
  EXPECT_EQ(codes, (std::vector<uint8_t>{0xB0, 0x07, 0x07}));
}

TEST(Dpcm, OtherChannelCountsDoNothing) {
  for (int32_t channels : {0, 3, -1}) {
    std::vector<int8_t> s = {0, 20, 40, 60};
    std::vector<uint8_t> codes(2, 0xEE);
    encodeDpcm(codes.data(), channels, s.data(), 4);
    EXPECT_EQ(codes, (std::vector<uint8_t>{0xEE, 0xEE})) << channels;
    decodeDpcm(codes.data(), channels, s.data(), 4);
    EXPECT_EQ(s, (std::vector<int8_t>{0, 20, 40, 60})) << channels;
  }
}

// --- ADPCM -------------------------------------------------------------------

TEST(Adpcm, SilenceAlternatesAroundZeroWithTheSmallestStep) {
  std::vector<uint8_t> codes;
  const std::vector<int16_t> out = adpcmRoundTrip(std::vector<int16_t>(6, 0), 1, &codes);
  EXPECT_EQ(codes, (std::vector<uint8_t>{0x80, 0x80, 0x80}));
  // Moves of +15 / -16 are (127 x 1) >> 3 and (127 x -1) >> 3: the step
  // stays 127.
  EXPECT_EQ(out, (std::vector<int16_t>{15, -1, 14, -2, 13, -3}));
}

TEST(Adpcm, ConstantSignalIsApproachedThenTracked) {
  EXPECT_EQ(adpcmRoundTrip(std::vector<int16_t>(6, 1000), 1),
            (std::vector<int16_t>{238, 806, 1077, 996, 1067, 1003}));
}

TEST(Adpcm, StereoSilentLeftStaysSilentBesideALoudRight) {
  std::vector<int16_t> in;
  for (int i = 0; i < 64; ++i) {
    in.push_back(0);
    in.push_back(static_cast<int16_t>(i % 2 ? 30000 : -30000));
  }
  const std::vector<int16_t> out = adpcmRoundTrip(in, 2);
  // The left channel decodes exactly as mono silence does.
  const std::vector<int16_t> silence = adpcmRoundTrip(std::vector<int16_t>(64, 0), 1);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(out[2 * i], silence[i]) << i;
    EXPECT_LE(std::abs(out[2 * i]), 16) << i;
  }
  // And the right one does move.
  EXPECT_GT(std::abs(out[127]), 10000);
}

TEST(Adpcm, SineIsTrackedClosely) {
  std::vector<int16_t> in;
  for (int i = 0; i < 2000; ++i) in.push_back(static_cast<int16_t>(std::lround(16000.0 * std::sin(i * 0.05))));
  const std::vector<int16_t> out = adpcmRoundTrip(in, 1);
  int worst = 0;
  for (int i = 100; i < 2000; ++i) worst = std::max(worst, std::abs(out[i] - in[i]));
  EXPECT_LT(worst, 1000);  // within 3 % of full scale once the step has adapted
}

TEST(Adpcm, DecoderClampsTheSampleRange) {
  std::vector<uint8_t> up(50, 0x77);
  std::vector<int16_t> s(100);
  decodeAdpcm(up.data(), 50, 1, s.data(), 100);
  EXPECT_EQ(s[99], 32767);
  std::vector<uint8_t> down(50, 0xFF);
  decodeAdpcm(down.data(), 50, 1, s.data(), 100);
  EXPECT_EQ(s[99], -32768);
}

TEST(Adpcm, ExtremeInputDoesNotRunAway) {
  // Full-scale square wave: the unclamped encoder must still land the
  // decoded signal near the input.
  std::vector<int16_t> in;
  for (int i = 0; i < 400; ++i) in.push_back((i / 50) % 2 ? int16_t{32767} : int16_t{-32768});
  const std::vector<int16_t> out = adpcmRoundTrip(in, 1);
  EXPECT_LT(std::abs(out[99] - 32767), 4000);
  EXPECT_LT(std::abs(out[149] + 32768), 4000);
}

TEST(Adpcm, StopsAtTheByteCountOrTheSampleCount) {
  const std::vector<int16_t> in(8, 1000);
  // Byte count short of the samples: only 4 samples coded and decoded.
  std::vector<uint8_t> codes(4, 0xEE);
  encodeAdpcm(in.data(), 1, 8, codes.data(), 2);
  EXPECT_EQ(codes[2], 0xEE);
  std::vector<int16_t> out(8, 5);
  decodeAdpcm(codes.data(), 2, 1, out.data(), 8);
  EXPECT_EQ(out, (std::vector<int16_t>{238, 806, 1077, 996, 5, 5, 5, 5}));

  // Odd sample count with room to spare: the last sample sits alone in the
  // low nibble of the last byte.
  std::vector<uint8_t> room(4, 0xEE);
  encodeAdpcm(in.data(), 1, 3, room.data(), 4);
  EXPECT_EQ(room[1], 0x01);
  EXPECT_EQ(room[2], 0xEE);
  std::vector<int16_t> three(4, 5);
  decodeAdpcm(room.data(), 4, 1, three.data(), 3);
  EXPECT_EQ(three, (std::vector<int16_t>{238, 806, 1077, 5}));
}

TEST(Adpcm, OddCountLeavesTheLastSampleUncodedInTheImportLayout) {
  const std::vector<int16_t> out = adpcmRoundTrip({1000, 1000, 1000, 1000, 1000}, 1);
  EXPECT_EQ(out, (std::vector<int16_t>{238, 806, 1077, 996, 1000}));
}

TEST(Adpcm, EncoderCodesOtherChannelCountsAsMono) {
  const std::vector<int16_t> in = {1000, -500, 1000, -500, 300, 0};
  std::vector<uint8_t> mono(3), three(3), zero(3);
  encodeAdpcm(in.data(), 1, 6, mono.data(), 3);
  encodeAdpcm(in.data(), 3, 6, three.data(), 3);
  encodeAdpcm(in.data(), 0, 6, zero.data(), 3);
  EXPECT_EQ(three, mono);
  EXPECT_EQ(zero, mono);
  std::vector<int16_t> s(6, 7);
  decodeAdpcm(mono.data(), 3, 3, s.data(), 6);  // the decoder refuses 3
  EXPECT_EQ(s, std::vector<int16_t>(6, 7));
}

}  // namespace
}  // namespace ovri::korvane::sampleimport
