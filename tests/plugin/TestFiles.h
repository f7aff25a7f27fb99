#pragma once

// Files for the plug-in tests: a scratch folder removed at the end of a
// test, WAV files written sample by sample, and the WAV fixtures of
// tests/data/wav.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace ovri::korvane::test {

// A fresh folder under the system's temporary folder, removed with all it
// holds when the object goes.
class TempDir {
public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) folder = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool valid() const { return !folder.empty(); }
  const std::string& path() const { return folder; }
  std::string file(const std::string& name) const { return folder + "/" + name; }

private:
  std::string folder;
};

inline std::string wavFixture(const std::string& name) { return std::string(KORVANE_WAV_FIXTURE_DIR) + "/" + name; }

inline bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

inline std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool writeWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

inline bool copyFileTo(const std::string& from, const std::string& to) {
  std::error_code error;
  return std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing, error);
}

// A 16-bit PCM WAV file of frames x channels samples, sample(frame, channel).
inline bool writeWav16(const std::string& path, int32_t frames, int32_t channels, uint32_t rate,
                       const std::function<int16_t(int32_t, int32_t)>& sample) {
  std::string bytes;
  auto u16 = [&bytes](uint32_t v) {
    bytes.push_back(static_cast<char>(v & 0xFF));
    bytes.push_back(static_cast<char>((v >> 8) & 0xFF));
  };
  auto u32 = [&u16](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  const uint32_t dataBytes = static_cast<uint32_t>(frames) * static_cast<uint32_t>(channels) * 2u;
  bytes += "RIFF";
  u32(4 + 8 + 16 + 8 + dataBytes);
  bytes += "WAVEfmt ";
  u32(16);
  u16(1);  // integer PCM
  u16(static_cast<uint32_t>(channels));
  u32(rate);
  u32(rate * static_cast<uint32_t>(channels) * 2u);
  u16(static_cast<uint32_t>(channels) * 2u);
  u16(16);
  bytes += "data";
  u32(dataBytes);
  for (int32_t f = 0; f < frames; ++f)
    for (int32_t c = 0; c < channels; ++c) u16(static_cast<uint16_t>(sample(f, c)));
  return writeWholeFile(path, bytes);
}

// A recognisable tone: a sawtooth of period 50 frames, the right channel
// at half the level of the left one.
inline bool writeSawWav(const std::string& path, int32_t frames, int32_t channels = 1, uint32_t rate = 44100) {
  return writeWav16(path, frames, channels, rate, [](int32_t f, int32_t c) {
    const int32_t v = (f % 50) * 1200 - 30000;
    return static_cast<int16_t>(c == 0 ? v : v / 2);
  });
}

}  // namespace ovri::korvane::test
