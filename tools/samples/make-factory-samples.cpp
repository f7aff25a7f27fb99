// make-factory-samples: writes the factory sampler set.
//
//   make-factory-samples --samples DIR   the recordings as 16-bit WAV files
//                                        (the build does this into the
//                                        build tree: presets/samples/)
//   make-factory-samples --text DIR      FactorySampler.txt ("@S" records)
//                                        and FactorySampleData.txt ("@:"
//                                        records), committed in presets/
//
// Both come from the table in FactorySampleSet.cpp; the tests check that
// the committed text files are what --text writes now.
#include "formats/TextFile.h"
#include "tools/samples/FactorySampleSet.h"
#include "tools/samples/SampleSynthesis.h"

#include <sndfile.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

using namespace ovri::korvane::samples;

bool writeWav(const std::string& path, const Recording& recording) {
  SF_INFO info{};
  info.samplerate = recording.rate;
  info.channels = recording.channels;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    std::fprintf(stderr, "make-factory-samples: cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  const std::vector<int16_t> pcm = toPcm16(recording);
  const sf_count_t written = sf_writef_short(file, pcm.data(), recording.frames());
  sf_close(file);
  if (written != recording.frames()) {
    std::fprintf(stderr, "make-factory-samples: writing %s failed\n", path.c_str());
    return false;
  }
  return true;
}

bool writeSamples(const std::string& dir) {
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  for (const SampleFile& file : sampleFiles()) {
    const Recording recording = synthesize(file);
    if (recording.rate != file.rate || recording.channels != file.channels || recording.frames() != file.frames) {
      std::fprintf(stderr, "make-factory-samples: %s came out as %d Hz, %d channels, %d frames, not as listed\n",
                   file.name, recording.rate, recording.channels, recording.frames());
      return false;
    }
    if (!writeWav(dir + "/" + file.name, recording)) return false;
  }
  return true;
}

bool writeText(const std::string& dir) {
  const std::string sampler = dir + "/" + kSamplerPresetFile;
  const std::string data = dir + "/" + kSampleDataFile;
  for (const auto& [path, text] : {std::pair{sampler, samplerPresetText()}, std::pair{data, sampleDataParameterText()}}) {
    if (!ovri::korvane::formats::writeTextFile(path, text)) {
      std::fprintf(stderr, "make-factory-samples: cannot write %s\n", path.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  bool done = false;
  for (int i = 1; i < argc; ++i) {
    const bool samples = std::strcmp(argv[i], "--samples") == 0;
    const bool text = std::strcmp(argv[i], "--text") == 0;
    if ((!samples && !text) || i + 1 >= argc) {
      std::fprintf(stderr, "usage: make-factory-samples [--samples DIR] [--text DIR]\n");
      return 2;
    }
    const std::string dir = argv[++i];
    if (!(samples ? writeSamples(dir) : writeText(dir))) return 1;
    done = true;
  }
  if (!done) {
    std::fprintf(stderr, "usage: make-factory-samples [--samples DIR] [--text DIR]\n");
    return 2;
  }
  return 0;
}
