#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace ovri::korvane::render {

class LoudnessMeter;

// The kinds of output file, chosen by the output's extension (and
// --pcm24 for WAV). One table (OutputFile.cpp) gives each its extension,
// its name for the help text and how it is encoded:
//   .wav   32-bit float (WAVE_FORMAT_IEEE_FLOAT), or 24-bit integer
//          (WAVE_FORMAT_EXTENSIBLE); RF64 when the audio passes what a
//          RIFF file's 32-bit sizes hold (4 GB)
//   .flac  FLAC, 24-bit
//   .ogg   Ogg Vorbis
enum class OutputKind { WavFloat, WavPcm24, Flac, OggVorbis };

// The kind for a path's extension (case-insensitive); false for any other
// extension or none.
bool outputKindFor(const std::string& path, bool pcm24, OutputKind& kind);
// "wav, flac, ogg": the extensions outputKindFor takes.
std::string outputExtensions();
// Bytes per sample of the finished file at most (for the size checks).
int32_t outputBytesPerSample(OutputKind kind);
// Audio bytes a plain RIFF WAV file can hold; past it a WAV is written as RF64.
constexpr uint64_t kRiffAudioLimit = 0xFFFFFF00ull - 1024;

// What a finished file holds, for the report.
struct Level {
  double peak = 0.0;       // largest magnitude, 1.0 = full scale
  int64_t clipped = 0;     // samples at or above full scale
  int64_t samples = 0;     // all samples, every channel
  bool rf64 = false;       // written as RF64
};

// Decibels of a linear magnitude (-inf for 0).
double toDecibels(double magnitude);

// The text of an errno value ("No such file or directory").
std::string reasonOf(int error);

// One stereo output file, written in two passes so that the gain can
// depend on the whole render (normalising): the render goes into a raw
// float file beside the output (path + ".partial"), finish() encodes it
// with the gain applied into path + ".partial.enc", renames that over the
// output and removes the raw file. Until finish() succeeds an existing
// file at the output path stays as it was; a file that is never finished
// leaves nothing behind: the partial files are removed when the object
// goes (and by the signal handler, see Cleanup.h).
//
// Leading silence is counted, not written, so that an output that never
// sounds costs no disk space until it is finished.
class OutputFile {
public:
  OutputFile() = default;
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&& other) noexcept;

  // Creates the partial file; error names path and the reason. With
  // measureTruePeak the file's true peak is measured as it is written.
  bool open(const std::string& path, double sampleRate, bool measureTruePeak, std::string& error);
  bool write(const float* interleaved, int32_t frames);
  // Peak of what was written, before any gain.
  double rawPeak() const { return peak; }
  // True peak (linear, 4x oversampled) of what was written; the sample
  // peak when it was not measured.
  double truePeak() const;
  bool carriesSound() const { return sounded; }
  int64_t frames() const { return leadingFrames + writtenFrames; }
  bool finish(OutputKind kind, double gain, Level& level, std::string& error);
  // Removes the partial files without writing the output.
  void discard();
  const std::string& path() const { return finalPath; }

private:
  std::string finalPath;
  std::string partialPath;
  std::FILE* partial = nullptr;
  std::unique_ptr<LoudnessMeter> meter;
  int32_t rate = 0;
  double peak = 0.0;
  bool failed = false;
  bool sounded = false;
  int64_t leadingFrames = 0;  // silent frames before the first sound, not in the partial file
  int64_t writtenFrames = 0;
};

}  // namespace ovri::korvane::render
