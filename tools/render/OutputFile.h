#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace ovri::korvane::render {

// Sample format of a finished WAV file: 32-bit float as
// WAVE_FORMAT_IEEE_FLOAT, 24-bit integer as WAVE_FORMAT_EXTENSIBLE.
enum class SampleFormat { Float32, Pcm24 };

// What a finished file holds, for the report.
struct Level {
  double peak = 0.0;       // largest magnitude, 1.0 = full scale
  int64_t clipped = 0;     // samples at or above full scale
  int64_t samples = 0;     // all samples, every channel
};

// Decibels of a linear magnitude (-inf for 0).
double toDecibels(double magnitude);

// One stereo output file, written in two passes so that the gain can
// depend on the whole render (normalising): the render goes into a raw
// float file beside the output (path + ".partial"), finish() converts it
// into the WAV file with the gain applied and removes it. A file that is
// never finished leaves nothing behind: the partial file is removed when
// the object goes, and the WAV file is only created by finish().
class OutputFile {
public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&& other) noexcept;

  bool open(const std::string& path, double sampleRate, std::string& error);
  bool write(const float* interleaved, int32_t frames);
  // Peak of what was written, before any gain.
  double rawPeak() const { return peak; }
  bool finish(SampleFormat format, double gain, Level& level, std::string& error);
  const std::string& path() const { return finalPath; }

private:
  void discard();

  std::string finalPath;
  std::string partialPath;
  std::FILE* partial = nullptr;
  int32_t rate = 0;
  double peak = 0.0;
  bool failed = false;
};

}  // namespace ovri::korvane::render
