// setFromPcm: integer PCM sample bytes to logSample codes.
#include <cstddef>
#include <cstdint>
#include <new>

#include "sampleimport/LittleEndian.h"
#include "sampleimport/SampleImport.h"
#include "tonegen/LogCode.h"

namespace ovri::korvane::sampleimport {

namespace {

constexpr float kDefaultSampleRate = 44100.0f;  // Hz, until the importer sets the file's rate

// Full scale of each depth; unsigned samples are centred on it first.
constexpr double kFullScale8 = 128.0;          // 2^7
constexpr double kFullScale16 = 32768.0;       // 2^15
constexpr double kFullScale24 = 8388608.0;     // 2^23
constexpr double kFullScale32 = 2147483648.0;  // 2^31

// codes[i] = logSample(amplitude(sample i)) for count samples of
// bytesPerSample bytes each.
template <typename Amplitude>
void storeCodes(int32_t* codes, const uint8_t* p, size_t count, size_t bytesPerSample, Amplitude amplitude) {
  for (size_t i = 0; i < count; ++i, p += bytesPerSample) codes[i] = toLogSample(amplitude(p));
}

void convert(int32_t* codes, const uint8_t* p, size_t count, int32_t bits, bool isSigned) {
  using namespace detail;
  switch (bits) {
    case 8:
      if (isSigned) {
        storeCodes(codes, p, count, 1, [](const uint8_t* b) { return asSigned8(b[0]) / kFullScale8; });
      } else {
        storeCodes(codes, p, count, 1, [](const uint8_t* b) { return (b[0] - kFullScale8) / kFullScale8; });
      }
      break;
    case 16:
      if (isSigned) {
        storeCodes(codes, p, count, 2, [](const uint8_t* b) { return asSigned16(readU16(b)) / kFullScale16; });
      } else {
        storeCodes(codes, p, count, 2, [](const uint8_t* b) { return (readU16(b) - kFullScale16) / kFullScale16; });
      }
      break;
    case 24:
      if (isSigned) {
        storeCodes(codes, p, count, 3, [](const uint8_t* b) { return asSigned24(readU24(b)) / kFullScale24; });
      } else {
        storeCodes(codes, p, count, 3, [](const uint8_t* b) { return (readU24(b) - kFullScale24) / kFullScale24; });
      }
      break;
    case 32:
      if (isSigned) {
        storeCodes(codes, p, count, 4, [](const uint8_t* b) { return asSigned32(readU32(b)) / kFullScale32; });
      } else {
        storeCodes(codes, p, count, 4, [](const uint8_t* b) { return (readU32(b) - kFullScale32) / kFullScale32; });
      }
      break;
    default:
      break;
  }
}

}  // namespace

bool isPcmDepth(int32_t bitsPerSample) {
  return bitsPerSample == 8 || bitsPerSample == 16 || bitsPerSample == 24 || bitsPerSample == 32;
}

bool setFromPcm(synth::SampleData& D, const uint8_t* bytes, int32_t frames, int32_t channels,
                int32_t bitsPerSample, bool isSigned) {
  D.clear();
  if (!isPcmDepth(bitsPerSample) || frames < 0 || channels < 1) return false;
  const uint64_t count = static_cast<uint64_t>(frames) * static_cast<uint64_t>(channels);
  if (count > SIZE_MAX / sizeof(int32_t) || (bytes == nullptr && count > 0)) return false;

  int32_t* codes = new (std::nothrow) int32_t[static_cast<size_t>(count)];
  if (codes == nullptr) return false;
  convert(codes, bytes, static_cast<size_t>(count), bitsPerSample, isSigned);

  D.samples = codes;
  D.ownsData = 1;
  D.channels = channels;
  D.length = frames;
  D.sampleRate = kDefaultSampleRate;
  D.logRate = logPitchUnitsF(kDefaultSampleRate);
  D.pitchOffset = D.logRate - D.logPitch;
  D.start = 0;
  D.end = D.loopEnd = frames;
  return true;
}

}  // namespace ovri::korvane::sampleimport
