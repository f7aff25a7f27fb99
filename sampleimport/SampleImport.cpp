// The WAV import: file bytes to a finished sample record.
#include "sampleimport/SampleImport.h"

#include <cstdint>
#include <memory>
#include <new>

#include "platform/fileio/RegularFile.h"
#include "sampleimport/Adpcm.h"
#include "sampleimport/Dpcm.h"
#include "sampleimport/WavReader.h"
#include "tonegen/LogCode.h"

namespace ovri::korvane::sampleimport {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kMaxChannels = 2;
constexpr double kFullScale8 = 128.0;     // 2^7
constexpr double kFullScale16 = 32768.0;  // 2^15

static_assert(kMaxWavFileBytes <= INT32_MAX, "sample counts of an accepted file fit in int32");

// Fills slot with count codes logSample(s[i] / fullScale) and the layout of
// the recording. False if the array cannot be allocated.
template <typename Sample>
bool storeDecoded(const Sample* s, int32_t count, double fullScale, const WavInfo& info, synth::SampleData& slot) {
  int32_t* codes = new (std::nothrow) int32_t[static_cast<size_t>(count)];
  if (codes == nullptr) return false;
  for (int32_t i = 0; i < count; ++i) codes[i] = toLogSample(s[i] / fullScale);
  slot.clear();
  slot.samples = codes;
  slot.ownsData = 1;
  slot.channels = info.channels;
  slot.length = static_cast<int32_t>(info.frames);
  return true;
}

// DPCM: the top 8 bits of each sample through the encoder and back. With an
// odd sample count the last sample keeps its 8-bit value.
bool importDpcm(const WavInfo& info, synth::SampleData& slot) {
  const std::unique_ptr<int8_t[]> s = toSigned8(info);
  if (!s) return false;
  const int32_t n = static_cast<int32_t>(info.channels * info.frames);
  const std::unique_ptr<uint8_t[]> codes(new (std::nothrow) uint8_t[static_cast<size_t>(n >> 1)]);
  if (!codes) return false;
  encodeDpcm(codes.get(), info.channels, s.get(), n);
  decodeDpcm(codes.get(), info.channels, s.get(), n);
  return storeDecoded(s.get(), n, kFullScale8, info, slot);
}

// ADPCM: the top 16 bits of each sample through the encoder and back, in
// (channels x frames) >> 1 bytes.
bool importAdpcm(const WavInfo& info, synth::SampleData& slot) {
  const std::unique_ptr<int16_t[]> s = toSigned16(info);
  if (!s) return false;
  const int32_t n = static_cast<int32_t>(info.channels * info.frames);
  const int32_t byteCount = n >> 1;
  const std::unique_ptr<uint8_t[]> codes(new (std::nothrow) uint8_t[static_cast<size_t>(byteCount)]);
  if (!codes) return false;
  encodeAdpcm(s.get(), info.channels, n, codes.get(), byteCount);
  decodeAdpcm(codes.get(), byteCount, info.channels, s.get(), n);
  return storeDecoded(s.get(), n, kFullScale16, info, slot);
}

}  // namespace

bool readFileBytes(const std::string& path, std::vector<uint8_t>& out) {
  return fileio::readRegularFile(path, out.max_size(), out) == fileio::ReadResult::kRead;
}

WavLoadResult decodeWav(const uint8_t* bytes, size_t length, ImportMode mode, synth::SampleData& out) {
  if (length > kMaxWavFileBytes) return WavLoadResult::Refused;
  const WavInfo info = parseWav(bytes, length);
  if (info.data == nullptr || info.channels > kMaxChannels || info.formatTag != kFormatPcm) {
    return WavLoadResult::Refused;
  }

  // Built apart and handed over at the end, so a refusal leaves out as it
  // was.
  synth::SampleData slot;
  switch (mode) {
    case ImportMode::Pcm: {
      const bool stored = setFromPcm(slot, info.data, static_cast<int32_t>(info.frames), info.channels,
                                     info.bitsPerSample, info.bitsPerSample != 8);
      // An unsupported depth leaves the slot empty but is still an import;
      // only running out of memory refuses.
      if (!stored && isPcmDepth(info.bitsPerSample)) return WavLoadResult::Refused;
      break;
    }
    case ImportMode::Dpcm:
      if (!importDpcm(info, slot)) return WavLoadResult::Refused;
      break;
    case ImportMode::Adpcm:
      if (!importAdpcm(info, slot)) return WavLoadResult::Refused;
      break;
    default:
      return WavLoadResult::Refused;
  }

  // In every mode: the file's rate, and the whole recording played once.
  slot.sampleRate = static_cast<float>(info.sampleRate);
  slot.logRate = logPitchUnitsF(slot.sampleRate);
  slot.pitchOffset = slot.logRate - slot.logPitch;
  slot.start = 0;
  slot.end = slot.loopEnd = slot.length;
  slot.loopLength = slot.loopTail = 0;
  out.takeFrom(slot);
  return WavLoadResult::Loaded;
}

WavLoadResult loadWavFile(const std::string& path, ImportMode mode, synth::SampleData& out,
                          size_t maxDecodedBytes) {
  std::vector<uint8_t> bytes;
  switch (fileio::readRegularFile(path, kMaxWavFileBytes, bytes)) {
    case fileio::ReadResult::kRead:
      break;
    case fileio::ReadResult::kTooLarge:
      return WavLoadResult::Refused;
    default:
      return WavLoadResult::CannotOpen;
  }
  const WavInfo info = parseWav(bytes.data(), bytes.size());
  if (info.data != nullptr && decodedBytes(info.frames, info.channels) > maxDecodedBytes) return WavLoadResult::Refused;
  return decodeWav(bytes.data(), bytes.size(), mode, out);
}

}  // namespace ovri::korvane::sampleimport
