#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace ovri::korvane::sampleimport {

// What the reader found in a RIFF/WAVE file held in memory. It points into
// the caller's bytes and never copies them. All fields are zero (pointers
// null) when the file is refused; a container that passes but has no
// usable "data" chunk leaves data null.
struct WavInfo {
  uint16_t formatTag = 0;      // "fmt " offset 8; 1 = integer PCM
  uint16_t channels = 0;       // "fmt " offset 10
  uint32_t sampleRate = 0;     // "fmt " offset 12, Hz
  uint32_t byteRate = 0;       // "fmt " offset 16
  uint16_t blockAlign = 0;     // "fmt " offset 20
  uint16_t bitsPerSample = 0;  // "fmt " offset 22
  uint32_t frames = 0;         // dataSize / (bitsPerSample / 8) / channels
  uint32_t dataSize = 0;       // size field of the "data" chunk, bytes
  const uint8_t* file = nullptr;  // first byte of the file; null when refused
  const uint8_t* data = nullptr;  // first sample byte (the "data" body)
};

// Reads the container of a whole WAV file. Accepted: "RIFF" whose size
// field + 8 is exactly `length`, form "WAVE", every chunk header and body
// inside the file, and a "data" chunk that follows an integer PCM "fmt "
// chunk with at least one channel and at least 8 bits per sample.
// Anything else gives a cleared result (see WavReader.cpp for the walk).
WavInfo parseWav(const uint8_t* bytes, size_t length);

// The sample bytes as channels x frames interleaved signed 8-bit values
// (the top byte of each sample; 8-bit files are unsigned and are recentred).
// Null when there is no integer PCM data or the depth is not 8, 16, 24 or
// 32 bits.
std::unique_ptr<int8_t[]> toSigned8(const WavInfo& info);

// The same as signed 16-bit values (the top two bytes of each sample; 8-bit
// values are scaled by 256). Null in the same cases as toSigned8.
std::unique_ptr<int16_t[]> toSigned16(const WavInfo& info);

}  // namespace ovri::korvane::sampleimport
