#pragma once

// The fixture files of tests/data/wav and the sample formulas that
// make-fixtures.sh wrote into them (change both together).

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ovri::korvane::sampleimport::test {

inline std::string fixturePath(const std::string& name) { return std::string(KORVANE_WAV_FIXTURE_DIR) + "/" + name; }

// Read with the standard library, apart from the code under test.
inline std::vector<uint8_t> readFixture(const std::string& name) {
  std::ifstream in(fixturePath(name), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// pcm8-mono.wav, 64 frames at 22050 Hz: unsigned byte 4i.
inline uint8_t pcm8Byte(int i) { return static_cast<uint8_t>(4 * i); }

// pcm16-stereo.wav, 32 frames at 44100 Hz.
inline int16_t pcm16Left(int i) { return static_cast<int16_t>(-32768 + 2048 * i); }
inline int16_t pcm16Right(int i) { return static_cast<int16_t>(-1000 * i); }

// pcm24-mono.wav, 16 frames at 48000 Hz, bytes low to high.
inline std::array<uint8_t, 3> pcm24Bytes(int i) {
  return {static_cast<uint8_t>(0x11 + i), static_cast<uint8_t>(0x22 + i), static_cast<uint8_t>(0x33 + 0x11 * i)};
}

// pcm32-mono.wav, 16 frames at 96000 Hz, bytes low to high.
inline std::array<uint8_t, 4> pcm32Bytes(int i) {
  return {static_cast<uint8_t>(i), static_cast<uint8_t>(0x10 + i), static_cast<uint8_t>(0x20 + i),
          static_cast<uint8_t>(0x80 + 0x11 * i)};
}

// The handmade 16-bit files (list-odd.wav, pcm12-mono.wav and the refused
// ones): 8 mono samples 1000i. fmt18.wav holds the first 10 bytes of
// pcm8-mono's data.
inline int16_t handmade16(int i) { return static_cast<int16_t>(1000 * i); }

}  // namespace ovri::korvane::sampleimport::test
