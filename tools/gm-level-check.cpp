// gm-level-check: renders General MIDI songs with korvane-render (factory
// set, General MIDI layout, one stem per MIDI channel) and prints what a
// listener would notice about levels and balance:
//   per song:   peak of the mix (dBFS), samples at or above full scale, the
//               loudest 100 ms (RMS, dBFS), the drum channel's spectral
//               centroid (Hz);
//   per family: loudness while playing (RMS over the 100 ms windows in
//               which the channel sounds above -50 dBFS, dBFS) and
//               spectral centroid, over all songs; a channel counts for the
//               family of its first program change (channel 10: drums).
// Each song is rendered for at most its first kSongSeconds.
// Usage: gm-level-check [--render PATH] [--keep DIR] song.mid...
// scripts/gm-level-check.sh fetches the songs and runs it.
#include "tools/midi/MidiFile.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#ifndef KORVANE_RENDER
#define KORVANE_RENDER "korvane-render"
#endif

namespace {

namespace fs = std::filesystem;
using ovri::korvane::midi::MidiSong;

constexpr double kRate = 44100.0;
constexpr size_t kWindow = 4410;      // 100 ms
constexpr double kActiveDb = -50.0;   // a window above this counts as playing
constexpr size_t kFftSize = 2048;
constexpr int32_t kDrumChannel = 9;
constexpr int32_t kSongSeconds = 120;

const char* const kFamilies[] = {"piano",  "chrom. perc", "organ",    "guitar",   "bass",   "strings",
                                 "ensemble", "brass",     "reed",     "pipe",     "synth lead", "synth pad",
                                 "synth fx", "ethnic",    "percussive", "sound fx", "drums"};
constexpr int32_t kDrumFamily = 16;

double db(double power) { return power > 0.0 ? 10.0 * std::log10(power) : -200.0; }

// In-place radix-2 FFT of a power-of-two length.
void fft(std::vector<std::complex<double>>& x) {
  const size_t n = x.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (size_t length = 2; length <= n; length <<= 1) {
    const std::complex<double> step = std::polar(1.0, -2.0 * M_PI / static_cast<double>(length));
    for (size_t i = 0; i < n; i += length) {
      std::complex<double> w = 1.0;
      for (size_t k = 0; k < length / 2; ++k) {
        const std::complex<double> a = x[i + k];
        const std::complex<double> b = x[i + k + length / 2] * w;
        x[i + k] = a + b;
        x[i + k + length / 2] = a - b;
        w *= step;
      }
    }
  }
}

// Long-term magnitude spectrum of the sounding frames, summed.
struct Spectrum {
  std::vector<double> magnitude = std::vector<double>(kFftSize / 2, 0.0);
  void add(const std::vector<float>& stereo) {
    std::vector<std::complex<double>> frame(kFftSize);
    const size_t frames = stereo.size() / 2;
    for (size_t start = 0; start + kFftSize <= frames; start += kFftSize) {
      double energy = 0.0;
      for (size_t i = 0; i < kFftSize; ++i) {
        const double v = 0.5 * (stereo[2 * (start + i)] + stereo[2 * (start + i) + 1]);
        const double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * static_cast<double>(i) / kFftSize);
        frame[i] = v * hann;
        energy += v * v;
      }
      if (db(energy / kFftSize) < kActiveDb) continue;
      fft(frame);
      for (size_t k = 1; k < kFftSize / 2; ++k) magnitude[k] += std::abs(frame[k]);
    }
  }
  double centroid() const {
    double weighted = 0.0;
    double total = 0.0;
    for (size_t k = 1; k < magnitude.size(); ++k) {
      weighted += magnitude[k] * k * kRate / kFftSize;
      total += magnitude[k];
    }
    return total > 0.0 ? weighted / total : 0.0;
  }
};

struct Loudness {
  double power = 0.0;  // sum of window powers while playing
  double windows = 0.0;
  double peak = 0.0;   // largest magnitude
  void add(const std::vector<float>& stereo) {
    for (float v : stereo) peak = std::max(peak, static_cast<double>(std::fabs(v)));
    for (size_t start = 0; start + kWindow * 2 <= stereo.size(); start += kWindow * 2) {
      double sum = 0.0;
      for (size_t i = 0; i < kWindow * 2; ++i) sum += double(stereo[start + i]) * stereo[start + i];
      const double p = sum / (kWindow * 2);
      if (db(p) < kActiveDb) continue;
      power += p;
      windows += 1.0;
    }
  }
  double dbfs() const { return windows > 0.0 ? db(power / windows) : -200.0; }
};

bool readStereo(const std::string& path, std::vector<float>& samples) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr || info.channels != 2) {
    if (file != nullptr) sf_close(file);
    return false;
  }
  samples.resize(static_cast<size_t>(info.frames) * 2);
  const sf_count_t got = sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  return got == info.frames;
}

// The family of every channel: its first program change (program 0 if it
// has none); channel 10 is the drum kit.
std::array<int32_t, 16> channelFamilies(const std::string& path) {
  std::array<int32_t, 16> family{};
  std::array<bool, 16> seen{};
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  MidiSong song;
  std::string error;
  if (ovri::korvane::midi::readMidiFile(bytes.data(), bytes.size(), kRate, song, error)) {
    for (const auto& e : song.events) {
      if (e.kind() != 0xC0 || seen[e.channel()]) continue;
      seen[e.channel()] = true;
      family[e.channel()] = e.data1 / 8;
    }
  }
  family[kDrumChannel] = kDrumFamily;
  return family;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // a line per song as it is done
  std::string render = KORVANE_RENDER;
  std::string keep;
  std::vector<std::string> songs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--render" || arg == "--keep") && i + 1 < argc) {
      (arg == "--render" ? render : keep) = argv[++i];
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "usage: gm-level-check [--render PATH] [--keep DIR] song.mid...\n");
      return 2;
    } else {
      songs.push_back(arg);
    }
  }
  if (songs.empty()) {
    std::fprintf(stderr, "usage: gm-level-check [--render PATH] [--keep DIR] song.mid...\n");
    return 2;
  }
  const fs::path work = keep.empty() ? fs::temp_directory_path() / ("gm-level-check-" + std::to_string(::getpid()))
                                     : fs::path(keep);
  fs::create_directories(work);

  std::map<int32_t, Loudness> familyLoudness;
  std::map<int32_t, Spectrum> familySpectrum;
  int failures = 0;
  int clippingSongs = 0;
  std::printf("%-44s %8s %8s %9s %9s %9s\n", "song", "seconds", "peak dB", "clipped", "loud100ms", "drums Hz");
  for (const std::string& song : songs) {
    const std::string name = fs::path(song).stem().string();
    const std::string output = (work / (name + ".wav")).string();
    const std::string command = "\"" + render + "\" --stems --part-outputs --length " + std::to_string(kSongSeconds) + " \"" + song + "\" \"" + output +
                                "\" > \"" + (work / (name + ".log")).string() + "\" 2>&1";
    if (std::system(command.c_str()) != 0) {
      std::printf("%-44s render failed: see %s\n", name.c_str(), (work / (name + ".log")).c_str());
      ++failures;
      continue;
    }
    const std::array<int32_t, 16> family = channelFamilies(song);
    std::vector<float> mix;
    std::vector<float> stem;
    Spectrum drums;
    for (int32_t channel = 0; channel < 16; ++channel) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, "_out%02d.wav", channel + 1);
      const std::string stemPath = (work / (name + suffix)).string();
      if (!readStereo(stemPath, stem)) continue;
      if (mix.size() < stem.size()) mix.resize(stem.size(), 0.0f);
      for (size_t i = 0; i < stem.size(); ++i) mix[i] += stem[i];
      familyLoudness[family[channel]].add(stem);
      familySpectrum[family[channel]].add(stem);
      if (channel == kDrumChannel) drums.add(stem);
      if (keep.empty()) fs::remove(stemPath);
    }
    double peak = 0.0;
    long long clipped = 0;
    for (float v : mix) {
      peak = std::max(peak, static_cast<double>(std::fabs(v)));
      clipped += std::fabs(v) >= 1.0f;
    }
    double loudest = 0.0;
    for (size_t start = 0; start + 2 * kWindow <= mix.size(); start += kWindow) {  // 50 % overlap
      double sum = 0.0;
      for (size_t i = 0; i < 2 * kWindow; ++i) sum += double(mix[start + i]) * mix[start + i];
      loudest = std::max(loudest, sum / (2 * kWindow));
    }
    clippingSongs += clipped > 0;
    std::printf("%-44s %8.1f %8.2f %9lld %9.2f %9.0f\n", name.c_str(), mix.size() / 2 / kRate,
                20.0 * std::log10(std::max(peak, 1e-10)), clipped, db(loudest), drums.centroid());
  }
  std::printf("\n%-12s %12s %9s %12s %10s\n", "family", "loudness dB", "peak dB", "centroid Hz", "seconds");
  for (const auto& [f, loudness] : familyLoudness) {
    if (loudness.windows == 0.0) continue;
    std::printf("%-12s %12.2f %9.2f %12.0f %10.1f\n", kFamilies[f], loudness.dbfs(), 20.0 * std::log10(loudness.peak),
                familySpectrum[f].centroid(),
                loudness.windows * kWindow / kRate);
  }
  std::printf("\n%zu songs, %d clipping, %d failed\n", songs.size(), clippingSongs, failures);
  if (keep.empty()) fs::remove_all(work);
  return failures > 0 ? 1 : 0;
}
