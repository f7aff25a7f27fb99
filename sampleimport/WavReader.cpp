// RIFF/WAVE container walk and the conversions of integer PCM sample bytes
// to fixed-width signed values.
//
// Layout read here (all values little-endian, offsets from the first byte
// of the file or of the chunk):
//
//   file   0  "RIFF"            chunk   0  identifier (4 ASCII bytes)
//          4  u32 size = length - 8         4  u32 size of the body
//          8  "WAVE"                        8  body, size bytes, then one pad
//         12  first chunk                      byte when size is odd
//
//   "fmt " 8  u16 formatTag     (1 = integer PCM)
//         10  u16 channels
//         12  u32 sampleRate
//         16  u32 byteRate
//         20  u16 blockAlign
//         22  u16 bitsPerSample
//         24  extension (size > 16), skipped
//
//   "data" 8  samples, interleaved by channel, bitsPerSample / 8 bytes each
//
// Positions are 64-bit: a 32-bit size plus the 8-byte header can pass 2^32.
#include "sampleimport/WavReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "sampleimport/LittleEndian.h"

namespace ovri::korvane::sampleimport {

namespace {

constexpr uint64_t kChunkHeaderBytes = 8;      // identifier + size
constexpr uint64_t kRiffHeaderBytes = 12;      // "RIFF", size, "WAVE"
constexpr size_t kMinimumFileBytes = 16;       // shortest file looked at
constexpr uint64_t kFmtFieldBytes = 16;        // formatTag .. bitsPerSample
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kMinimumBits = 8;

using detail::asSigned16;
using detail::asSigned8;
using detail::readU16;
using detail::readU32;

bool hasId(const uint8_t* p, const char (&id)[5]) { return std::memcmp(p, id, 4) == 0; }

bool formatUsable(const WavInfo& info) { return info.channels != 0 && info.bitsPerSample >= kMinimumBits; }

// Shared frame of both conversions: checks the record, allocates
// channels x frames values and stores convert(sample bytes, bytes per
// sample) for each. Null for no integer PCM data, an unsupported depth,
// more samples than the data chunk holds (possible only for a record that
// parseWav did not produce) or a failed allocation.
template <typename T, typename Convert>
std::unique_ptr<T[]> convertSamples(const WavInfo& info, Convert convert) {
  if (info.file == nullptr || info.data == nullptr || info.formatTag != kFormatPcm || info.channels == 0) {
    return nullptr;
  }
  const uint16_t bits = info.bitsPerSample;
  if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return nullptr;
  const size_t bytesPerSample = bits / 8u;
  const uint64_t count = static_cast<uint64_t>(info.frames) * info.channels;
  if (count * bytesPerSample > info.dataSize || count > SIZE_MAX / sizeof(T)) return nullptr;

  std::unique_ptr<T[]> out(new (std::nothrow) T[static_cast<size_t>(count)]);
  if (!out) return nullptr;
  const uint8_t* p = info.data;
  for (uint64_t n = 0; n < count; ++n, p += bytesPerSample) out[n] = convert(p, bytesPerSample);
  return out;
}

}  // namespace

// The walk, chunk by chunk from byte 12:
//   "data": refused (cleared, walk stops) unless an integer PCM "fmt " with
//           at least one channel and 8 bits came first and the body lies
//           inside the file; a later "data" replaces an earlier one.
//   "fmt ": its 16 field bytes must lie inside the file (even when size is
//           smaller); the position advances by 24 for size <= 16, else by
//           size + 8. A "fmt " after "data" changes the format but not
//           frames.
//   other:  skipped; the body must lie inside the file.
// An odd size is followed by a pad byte; a missing pad byte at the very end
// is tolerated. A header cut by the end of the file refuses the file.
// At the end, the format in effect must still describe the data chunk's
// frames within its size (a late "fmt " may not widen it) or the result is
// cleared.
WavInfo parseWav(const uint8_t* bytes, size_t length) {
  WavInfo info;
  if (bytes == nullptr || length < kMinimumFileBytes) return info;
  if (!hasId(bytes, "RIFF") || !hasId(bytes + 8, "WAVE")) return info;
  if (static_cast<uint64_t>(readU32(bytes + 4)) + kChunkHeaderBytes != length) return info;

  info.file = bytes;
  const uint64_t end = length;
  uint64_t pos = kRiffHeaderBytes;
  while (pos < end) {
    if (end - pos < kChunkHeaderBytes) return WavInfo{};
    const uint8_t* chunk = bytes + pos;
    const uint32_t size = readU32(chunk + 4);
    const uint64_t bodyEnd = pos + kChunkHeaderBytes + size;

    if (hasId(chunk, "data")) {
      if (info.formatTag != kFormatPcm || !formatUsable(info) || bodyEnd > end) return WavInfo{};
      info.dataSize = size;
      info.frames = size / (info.bitsPerSample / 8u) / info.channels;
      info.data = chunk + kChunkHeaderBytes;
      pos = bodyEnd;
    } else if (hasId(chunk, "fmt ")) {
      if (pos + kChunkHeaderBytes + std::max<uint64_t>(size, kFmtFieldBytes) > end) return WavInfo{};
      info.formatTag = readU16(chunk + 8);
      info.channels = readU16(chunk + 10);
      info.sampleRate = readU32(chunk + 12);
      info.byteRate = readU32(chunk + 16);
      info.blockAlign = readU16(chunk + 20);
      info.bitsPerSample = readU16(chunk + 22);
      pos = size <= kFmtFieldBytes ? pos + kChunkHeaderBytes + kFmtFieldBytes : bodyEnd;
    } else {
      if (bodyEnd > end) return WavInfo{};
      pos = bodyEnd;
    }
    if (size & 1u) ++pos;  // RIFF pad byte
  }

  if (info.data != nullptr) {
    const bool fits = formatUsable(info) && static_cast<uint64_t>(info.frames) * info.channels *
                                                    (info.bitsPerSample / 8u) <= info.dataSize;
    if (!fits) return WavInfo{};
  }
  return info;
}

// Byte taken per depth (sample bytes little-endian, b0 lowest):
//   8 bits: b0 - 128   16 bits: b1   24 bits: b2   32 bits: b3
std::unique_ptr<int8_t[]> toSigned8(const WavInfo& info) {
  return convertSamples<int8_t>(info, [](const uint8_t* p, size_t bytesPerSample) {
    if (bytesPerSample == 1) return static_cast<int8_t>(p[0] - 128);
    return asSigned8(p[bytesPerSample - 1]);
  });
}

// Bytes taken per depth:
//   8 bits: b0 x 256 - 32768   16 bits: b0 b1   24 bits: b1 b2   32 bits: b2 b3
std::unique_ptr<int16_t[]> toSigned16(const WavInfo& info) {
  return convertSamples<int16_t>(info, [](const uint8_t* p, size_t bytesPerSample) {
    if (bytesPerSample == 1) return static_cast<int16_t>(p[0] * 256 - 32768);
    return asSigned16(readU16(p + bytesPerSample - 2));
  });
}

}  // namespace ovri::korvane::sampleimport
