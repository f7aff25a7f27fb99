#include "tools/render/OutputFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace ovri::korvane::render {

namespace {
constexpr int32_t kChannels = 2;
constexpr size_t kChunkFrames = 16384;  // frames per conversion step in finish()
}  // namespace

double toDecibels(double magnitude) {
  return magnitude > 0.0 ? 20.0 * std::log10(magnitude) : -std::numeric_limits<double>::infinity();
}

OutputFile::~OutputFile() { discard(); }

OutputFile::OutputFile(OutputFile&& other) noexcept
    : finalPath(std::move(other.finalPath)),
      partialPath(std::move(other.partialPath)),
      partial(std::exchange(other.partial, nullptr)),
      rate(other.rate),
      peak(other.peak),
      failed(other.failed) {
  other.partialPath.clear();
}

void OutputFile::discard() {
  if (partial != nullptr) std::fclose(partial);
  partial = nullptr;
  if (!partialPath.empty()) std::remove(partialPath.c_str());
  partialPath.clear();
}

bool OutputFile::open(const std::string& path, double sampleRate, std::string& error) {
  discard();
  finalPath = path;
  partialPath = path + ".partial";
  rate = static_cast<int32_t>(sampleRate);
  peak = 0.0;
  failed = false;
  partial = std::fopen(partialPath.c_str(), "w+b");
  if (partial == nullptr) {
    partialPath.clear();
    error = "cannot write " + path + ".partial";
    return false;
  }
  return true;
}

bool OutputFile::write(const float* interleaved, int32_t frames) {
  const size_t count = static_cast<size_t>(frames) * kChannels;
  for (size_t i = 0; i < count; ++i) peak = std::max(peak, static_cast<double>(std::fabs(interleaved[i])));
  if (partial == nullptr || std::fwrite(interleaved, sizeof(float), count, partial) != count) failed = true;
  return !failed;
}

namespace {

// Stereo 32-bit float WAV: WAVE_FORMAT_IEEE_FLOAT with the 18-byte fmt
// chunk (cbSize 0) and the fact chunk that non-PCM formats carry:
//   "RIFF" size "WAVE"
//   "fmt " 18   tag 3, channels, rate, bytes/s, block align, 32 bits, cbSize 0
//   "fact" 4    frames
//   "data" size samples
// Readers take this form without complaint; the extensible form of float
// data makes some of them warn that the fmt chunk lacks its extension.
class FloatWavFile {
public:
  bool open(const std::string& path, int32_t rate) {
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    this->rate = rate;
    return writeHeader();
  }
  bool write(const float* samples, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      uint32_t bits = 0;
      std::memcpy(&bits, &samples[i], 4);
      put32(bits);
    }
    frames += count / kChannels;
    return std::ferror(file) == 0;
  }
  // Writes the final sizes into the header and closes the file.
  bool close() {
    bool ok = std::fflush(file) == 0 && std::fseek(file, 0, SEEK_SET) == 0 && writeHeader();
    ok = std::fclose(file) == 0 && ok;
    file = nullptr;
    return ok;
  }
  ~FloatWavFile() {
    if (file != nullptr) std::fclose(file);
  }

private:
  void put32(uint32_t v) {
    const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    std::fwrite(bytes, 1, 4, file);
  }
  void put16(uint32_t v) {
    const uint8_t bytes[2] = {uint8_t(v), uint8_t(v >> 8)};
    std::fwrite(bytes, 1, 2, file);
  }
  void tag(const char* fourCc) { std::fwrite(fourCc, 1, 4, file); }
  bool writeHeader() {
    constexpr uint32_t kBlockAlign = kChannels * 4;
    const uint64_t dataBytes = frames * kBlockAlign;
    tag("RIFF");
    put32(static_cast<uint32_t>(4 + (8 + 18) + (8 + 4) + 8 + dataBytes));
    tag("WAVE");
    tag("fmt ");
    put32(18);
    put16(3);  // WAVE_FORMAT_IEEE_FLOAT
    put16(kChannels);
    put32(static_cast<uint32_t>(rate));
    put32(static_cast<uint32_t>(rate) * kBlockAlign);
    put16(kBlockAlign);
    put16(32);
    put16(0);  // cbSize: no extension
    tag("fact");
    put32(4);
    put32(static_cast<uint32_t>(frames));
    tag("data");
    put32(static_cast<uint32_t>(dataBytes));
    return std::ferror(file) == 0;
  }

  std::FILE* file = nullptr;
  int32_t rate = 0;
  uint64_t frames = 0;
};

}  // namespace

bool OutputFile::finish(SampleFormat format, double gain, Level& level, std::string& error) {
  level = Level{};
  if (partial == nullptr || failed || std::fflush(partial) != 0) {
    error = "cannot write " + partialPath + " (disk full?)";
    discard();
    return false;
  }
  // RIFF sizes are 32-bit.
  const long partialBytes = std::ftell(partial);
  const uint64_t bytesPerSample = format == SampleFormat::Pcm24 ? 3 : 4;
  if (partialBytes < 0 || static_cast<uint64_t>(partialBytes) / 4 * bytesPerSample > 0xFFFFFF00ull) {
    error = "cannot write " + finalPath + ": more audio than a WAV file holds (4 GB)";
    discard();
    return false;
  }
  std::rewind(partial);
  FloatWavFile floatFile;
  SNDFILE* pcmFile = nullptr;
  bool ok = true;
  if (format == SampleFormat::Float32) {
    ok = floatFile.open(finalPath, rate);
  } else {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = kChannels;
    info.format = SF_FORMAT_WAVEX | SF_FORMAT_PCM_24;
    pcmFile = sf_open(finalPath.c_str(), SFM_WRITE, &info);
    ok = pcmFile != nullptr;
    // Integer output saturates at full scale instead of wrapping around.
    if (ok) sf_command(pcmFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  }
  if (!ok) {
    error = "cannot write " + finalPath;
    discard();
    return false;
  }
  std::vector<float> chunk(kChunkFrames * kChannels);
  for (;;) {
    const size_t got = std::fread(chunk.data(), sizeof(float), chunk.size(), partial);
    if (got == 0) break;
    for (size_t i = 0; i < got; ++i) {
      const float v = static_cast<float>(chunk[i] * gain);
      chunk[i] = v;
      const double magnitude = std::fabs(v);
      level.peak = std::max(level.peak, magnitude);
      if (magnitude >= 1.0) ++level.clipped;
    }
    level.samples += static_cast<int64_t>(got);
    const sf_count_t frames = static_cast<sf_count_t>(got / kChannels);
    if (pcmFile != nullptr ? sf_writef_float(pcmFile, chunk.data(), frames) != frames : !floatFile.write(chunk.data(), got)) {
      ok = false;
      break;
    }
  }
  if (std::ferror(partial)) ok = false;
  if (pcmFile != nullptr ? sf_close(pcmFile) != 0 : !floatFile.close()) ok = false;
  discard();
  if (!ok) {
    error = "cannot write " + finalPath;
    std::remove(finalPath.c_str());
  }
  return ok;
}

}  // namespace ovri::korvane::render
