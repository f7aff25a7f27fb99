#pragma once

// korvane-render run as a user runs it: the command with its arguments,
// its exit status, what it printed, and the WAV files it wrote.
#include "tools/midi/MidiFile.h"

#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace ovri::korvane::test {

using midi::MidiFileWriter;
namespace fs = std::filesystem;

struct CommandResult {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Audio {
  SF_INFO info{};
  std::vector<float> samples;
  float peak() const {
    float p = 0.0f;
    for (float v : samples) p = std::max(p, std::fabs(v));
    return p;
  }
};

inline bool readWav(const std::string& path, Audio& audio) {
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &audio.info);
  if (file == nullptr) return false;
  audio.samples.resize(static_cast<size_t>(audio.info.frames * audio.info.channels));
  const sf_count_t got = sf_readf_float(file, audio.samples.data(), audio.info.frames);
  sf_close(file);
  return got == audio.info.frames;
}

inline bool sameAudio(const std::string& a, const std::string& b) {
  Audio x;
  Audio y;
  return readWav(a, x) && readWav(b, y) && x.samples == y.samples;
}

class RenderCommand : public ::testing::Test {
protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("korvane-render-test-" + std::to_string(::getpid()) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name());
    io = folder.string() + ".io";
    fs::create_directories(folder);
    fs::create_directories(io);
  }
  void TearDown() override {
    fs::remove_all(folder);
    fs::remove_all(io);
  }
  // The names in the test's folder (what a render left there).
  std::vector<std::string> folderContents() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string file(const std::string& name) const { return (folder / name).string(); }

  CommandResult render(const std::string& arguments) const {
    const std::string out = (io / "stdout.txt").string();
    const std::string err = (io / "stderr.txt").string();
    const std::string command =
        std::string("\"") + KORVANE_RENDER + "\" " + arguments + " > \"" + out + "\" 2> \"" + err + "\"";
    CommandResult run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = slurp(out);
    run.err = slurp(err);
    return run;
  }

  std::string write(const std::string& name, const MidiFileWriter& writer) const {
    const std::vector<uint8_t> bytes = writer.bytes();
    std::ofstream(file(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return file(name);
  }

  fs::path folder;
  fs::path io;  // the command's stdout and stderr
};

inline std::string fixture(const std::string& name) { return std::string(KORVANE_MIDI_FIXTURE_DIR) + "/" + name; }

}  // namespace ovri::korvane::test
