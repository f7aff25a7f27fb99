#include "tools/render/OutputFile.h"

#include "tools/render/Cleanup.h"
#include "tools/render/Loudness.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

namespace ovri::korvane::render {

namespace {
constexpr int32_t kChannels = 2;
constexpr size_t kChunkFrames = 16384;  // frames per conversion step in finish()

// The output kinds: extension, bytes per sample at most, libsndfile format
// (0: the float WAV writer below).
struct KindRow {
  OutputKind kind;
  const char* extension;
  int32_t bytesPerSample;
  int sndfileFormat;
};
constexpr KindRow kKinds[] = {
    {OutputKind::WavFloat, "wav", 4, 0},
    {OutputKind::WavPcm24, "wav", 3, SF_FORMAT_WAVEX | SF_FORMAT_PCM_24},
    {OutputKind::Flac, "flac", 3, SF_FORMAT_FLAC | SF_FORMAT_PCM_24},
    {OutputKind::OggVorbis, "ogg", 4, SF_FORMAT_OGG | SF_FORMAT_VORBIS},
};

const KindRow& rowOf(OutputKind kind) {
  for (const KindRow& row : kKinds)
    if (row.kind == kind) return row;
  return kKinds[0];
}
}  // namespace

bool outputKindFor(const std::string& path, bool pcm24, OutputKind& kind) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const KindRow& row : kKinds) {
    if (extension != row.extension) continue;
    if (row.kind == OutputKind::WavFloat && pcm24) continue;
    if (row.kind == OutputKind::WavPcm24 && !pcm24) continue;
    kind = row.kind;
    return true;
  }
  return false;
}

std::string outputExtensions() {
  std::string list;
  for (const KindRow& row : kKinds) {
    const std::string name = std::string(".") + row.extension;
    if (list.find(name) == std::string::npos) list += (list.empty() ? "" : ", ") + name;
  }
  return list;
}

int32_t outputBytesPerSample(OutputKind kind) { return rowOf(kind).bytesPerSample; }

double toDecibels(double magnitude) {
  return magnitude > 0.0 ? 20.0 * std::log10(magnitude) : -std::numeric_limits<double>::infinity();
}

std::string reasonOf(int error) { return std::strerror(error); }

OutputFile::~OutputFile() { discard(); }

OutputFile::OutputFile(OutputFile&& other) noexcept
    : finalPath(std::move(other.finalPath)),
      partialPath(std::move(other.partialPath)),
      partial(std::exchange(other.partial, nullptr)),
      meter(std::move(other.meter)),
      rate(other.rate),
      peak(other.peak),
      failed(other.failed),
      sounded(other.sounded),
      leadingFrames(other.leadingFrames),
      writtenFrames(other.writtenFrames) {
  other.partialPath.clear();
}

void OutputFile::discard() {
  if (partial != nullptr) std::fclose(partial);
  partial = nullptr;
  if (!partialPath.empty()) std::remove(partialPath.c_str());
  partialPath.clear();
}

bool OutputFile::open(const std::string& path, double sampleRate, bool measureTruePeak, std::string& error) {
  discard();
  finalPath = path;
  partialPath = path + ".partial";
  rate = static_cast<int32_t>(sampleRate);
  peak = 0.0;
  failed = false;
  sounded = false;
  leadingFrames = 0;
  writtenFrames = 0;
  removeOnSignal(partialPath);
  partial = std::fopen(partialPath.c_str(), "w+b");
  if (partial == nullptr) {
    error = "cannot write " + path + ": " + reasonOf(errno);
    partialPath.clear();
    return false;
  }
  meter.reset();
  if (measureTruePeak) meter = std::make_unique<LoudnessMeter>(sampleRate, true);
  return true;
}

bool OutputFile::write(const float* interleaved, int32_t frames) {
  const size_t count = static_cast<size_t>(frames) * kChannels;
  if (!sounded) {
    sounded = std::any_of(interleaved, interleaved + count, [](float v) { return v != 0.0f; });
    if (!sounded) {
      leadingFrames += frames;
      return !failed;
    }
  }
  for (size_t i = 0; i < count; ++i) peak = std::max(peak, static_cast<double>(std::fabs(interleaved[i])));
  // The meter starts from silence: leading silence left out changes nothing.
  if (meter != nullptr) meter->add(interleaved, frames);
  if (partial == nullptr || std::fwrite(interleaved, sizeof(float), count, partial) != count) failed = true;
  writtenFrames += frames;
  return !failed;
}

double OutputFile::truePeak() const { return meter != nullptr ? std::max(peak, meter->truePeak()) : peak; }

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

bool OutputFile::finish(OutputKind kind, double gain, Level& level, std::string& error) {
  level = Level{};
  if (partial == nullptr || failed || std::fflush(partial) != 0) {
    error = "cannot write " + finalPath + ".partial: " + reasonOf(errno ? errno : EIO);
    discard();
    return false;
  }
  const KindRow& row = rowOf(kind);
  const uint64_t audioBytes = static_cast<uint64_t>(frames()) * kChannels * static_cast<uint64_t>(row.bytesPerSample);
  const bool wav = kind == OutputKind::WavFloat || kind == OutputKind::WavPcm24;
  level.rf64 = wav && audioBytes > kRiffAudioLimit;
  std::rewind(partial);
  const std::string encodedPath = finalPath + ".partial.enc";
  removeOnSignal(encodedPath);
  FloatWavFile floatFile;
  SNDFILE* sndFile = nullptr;
  bool ok = true;
  errno = 0;
  if (kind == OutputKind::WavFloat && !level.rf64) {
    ok = floatFile.open(encodedPath, rate);
  } else {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = kChannels;
    info.format = level.rf64 ? (SF_FORMAT_RF64 | (kind == OutputKind::WavFloat ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24))
                             : row.sndfileFormat;
    sndFile = sf_open(encodedPath.c_str(), SFM_WRITE, &info);
    ok = sndFile != nullptr;
    // Integer output saturates at full scale instead of wrapping around.
    if (ok) sf_command(sndFile, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  }
  if (!ok) {
    error = "cannot write " + finalPath + ": " + (errno != 0 ? reasonOf(errno) : std::string(sf_strerror(nullptr)));
    std::remove(encodedPath.c_str());
    discard();
    return false;
  }
  std::vector<float> chunk(kChunkFrames * kChannels);
  auto put = [&](const float* samples, size_t count) {
    const sf_count_t n = static_cast<sf_count_t>(count / kChannels);
    return sndFile != nullptr ? sf_writef_float(sndFile, samples, n) == n : floatFile.write(samples, count);
  };
  // The leading silence first, then the partial file with the gain.
  for (int64_t left = leadingFrames; left > 0 && ok;) {
    const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(kChunkFrames)));
    std::fill_n(chunk.begin(), n * kChannels, 0.0f);
    ok = put(chunk.data(), n * kChannels);
    level.samples += static_cast<int64_t>(n * kChannels);
    left -= static_cast<int64_t>(n);
  }
  while (ok) {
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
    ok = put(chunk.data(), got);
  }
  const int writeError = errno;
  if (std::ferror(partial)) ok = false;
  if (sndFile != nullptr ? sf_close(sndFile) != 0 : !floatFile.close()) ok = false;
  discard();
  if (ok && std::rename(encodedPath.c_str(), finalPath.c_str()) != 0) ok = false;
  if (!ok) {
    error = "cannot write " + finalPath + ": " + reasonOf(errno != 0 ? errno : (writeError != 0 ? writeError : EIO));
    std::remove(encodedPath.c_str());
  }
  return ok;
}

}  // namespace ovri::korvane::render
