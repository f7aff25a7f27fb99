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
// Each song is rendered for at most its first kSongSeconds, at the
// plug-in's own level (--no-normalize).
//
// With --reference SF2 every channel is also rendered alone by FluidSynth
// with that SoundFont (reverb and chorus off), and the balance is
// compared: per family, the loudness of its channels against the mix of
// their own song, ours and the reference's, their difference (dB; > 0:
// the family stands out more in ours), and both spectral centroids.
// --releases adds the release of every family's first program (time to
// -30 dB after the note-off), ours and the reference's.
// Usage: gm-level-check [--render PATH] [--keep DIR] [--reference SF2 [--releases]] song.mid...
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

// One channel of a song, up to kSongSeconds, as a Standard MIDI File in
// 2000 ticks a second (tempo 0.5 s a quarter, 1000 ticks a quarter).
bool writeChannel(const MidiSong& song, int32_t channel, const std::string& path) {
  using ovri::korvane::midi::MidiFileWriter;
  MidiFileWriter writer(0, 1000);
  const int32_t track = writer.addTrack();
  writer.tempo(track, 0, 500000);
  bool notes = false;
  for (const auto& e : song.events) {
    if (e.status == 0xF0 || e.channel() != channel) continue;
    if (e.sample >= static_cast<int64_t>(kSongSeconds * kRate)) break;
    const int64_t tick = static_cast<int64_t>(std::llround(e.sample / kRate * 2000.0));
    const bool twoBytes = e.kind() == 0xC0 || e.kind() == 0xD0;
    if (twoBytes) writer.channelMessage(track, tick, e.status, e.data1);
    else writer.channelMessage(track, tick, e.status, e.data1, e.data2);
    notes |= e.kind() == 0x90 && e.data2 > 0;
  }
  if (!notes) return false;
  // The player ends only once every voice is silent: nothing may hang on.
  const int64_t end = static_cast<int64_t>(kSongSeconds) * 2000;
  writer.channelMessage(track, end, static_cast<uint8_t>(0xB0 | channel), 64, 0);
  writer.channelMessage(track, end, static_cast<uint8_t>(0xB0 | channel), 123, 0);
  writer.channelMessage(track, end, static_cast<uint8_t>(0xB0 | channel), 120, 0);
  const std::vector<uint8_t> bytes = writer.bytes();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return true;
}

bool readSong(const std::string& path, MidiSong& song) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string error;
  return ovri::korvane::midi::readMidiFile(bytes.data(), bytes.size(), kRate, song, error);
}

// The balance of one family: channel loudness against its song's mix.
struct Balance {
  double ours = 0.0;       // sum of (channel dB - mix dB), ours
  double reference = 0.0;  // the same, the reference's
  int32_t channels = 0;
  Spectrum oursSpectrum;
  Spectrum referenceSpectrum;
};

// Milliseconds from the note-off (at offSeconds) until the level falls
// 30 dB below the last 50 ms before it (10 ms RMS windows); -1 if never.
double releaseMs(const std::vector<float>& stereo, double offSeconds) {
  const size_t window = static_cast<size_t>(kRate / 100);
  auto power = [&](size_t frame, size_t frames) {
    double sum = 0.0;
    for (size_t i = frame; i < frame + frames && 2 * i + 1 < stereo.size(); ++i)
      sum += double(stereo[2 * i]) * stereo[2 * i] + double(stereo[2 * i + 1]) * stereo[2 * i + 1];
    return sum / static_cast<double>(2 * frames);
  };
  const size_t off = static_cast<size_t>(offSeconds * kRate);
  const double before = db(power(off - 5 * window, 5 * window));
  for (size_t frame = off; frame + window <= stereo.size() / 2; frame += window)
    if (db(power(frame, window)) < before - 30.0) return (frame + window - off) / kRate * 1000.0;
  return -1.0;
}

// The release of the first program of every family: middle C at velocity
// 100 held for a second, ours and the reference's.
void printReleases(const std::string& render, const std::string& reference, const fs::path& work) {
  using ovri::korvane::midi::MidiFileWriter;
  std::printf("\nrelease to -30 dB after the note-off (middle C, velocity 100, held 1 s), ms\n");
  std::printf("%-12s %8s %10s %11s\n", "family", "program", "ours", "reference");
  for (int32_t family = 0; family < 16; ++family) {
    const uint8_t program = static_cast<uint8_t>(family * 8);
    MidiFileWriter writer(0, 1000);
    const int32_t track = writer.addTrack();
    writer.tempo(track, 0, 500000);
    writer.channelMessage(track, 0, 0xC0, program);
    writer.channelMessage(track, 0, 0x90, 60, 100);
    writer.channelMessage(track, 2000, 0x80, 60, 0);
    writer.channelMessage(track, 8000, 0xB0, 7, 100);  // the song goes on for 3 s after the note-off
    const std::string midi = (work / "release.mid").string();
    const std::vector<uint8_t> bytes = writer.bytes();
    std::ofstream(midi, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const std::string ours = (work / "release.wav").string();
    const std::string refWav = (work / "release.ref.wav").string();
    std::vector<float> a;
    std::vector<float> b;
    const bool gotOurs = std::system(("\"" + render + "\" --no-normalize --no-progress \"" + midi + "\" \"" + ours +
                                      "\" > /dev/null 2>&1").c_str()) == 0 && readStereo(ours, a);
    const bool gotRef = std::system(("fluidsynth -ni -q -R 0 -C 0 -r 44100 -F \"" + refWav + "\" \"" + reference +
                                     "\" \"" + midi + "\" > /dev/null 2>&1").c_str()) == 0 && readStereo(refWav, b);
    std::printf("%-12s %8d %10.0f %11.0f\n", kFamilies[family], program, gotOurs ? releaseMs(a, 1.0) : -1.0,
                gotRef ? releaseMs(b, 1.0) : -1.0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // a line per song as it is done
  std::string render = KORVANE_RENDER;
  std::string keep;
  std::string reference;
  bool releases = false;
  std::vector<std::string> songs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--render" || arg == "--keep" || arg == "--reference") && i + 1 < argc) {
      (arg == "--render" ? render : arg == "--keep" ? keep : reference) = argv[++i];
    } else if (arg == "--releases") {
      releases = true;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "usage: gm-level-check [--render PATH] [--keep DIR] [--reference SF2 [--releases]] song.mid...\n");
      return 2;
    } else {
      songs.push_back(arg);
    }
  }
  if (songs.empty() && !(releases && !reference.empty())) {
    std::fprintf(stderr, "usage: gm-level-check [--render PATH] [--keep DIR] [--reference SF2 [--releases]] song.mid...\n");
    return 2;
  }
  const fs::path work = keep.empty() ? fs::temp_directory_path() / ("gm-level-check-" + std::to_string(::getpid()))
                                     : fs::path(keep);
  fs::create_directories(work);

  std::map<int32_t, Loudness> familyLoudness;
  std::map<int32_t, Spectrum> familySpectrum;
  std::map<int32_t, Balance> balance;
  int failures = 0;
  int clippingSongs = 0;
  std::printf("%-44s %8s %8s %9s %9s %9s\n", "song", "seconds", "peak dB", "clipped", "loud100ms", "drums Hz");
  for (const std::string& song : songs) {
    const std::string name = fs::path(song).stem().string();
    const std::string output = (work / (name + ".wav")).string();
    const std::string command = "\"" + render + "\" --no-normalize --no-progress --stems --part-outputs --length " + std::to_string(kSongSeconds) + " \"" + song + "\" \"" + output +
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
    Spectrum referenceDrums;
    std::array<Loudness, 16> oursChannel{};
    std::array<Loudness, 16> referenceChannel{};
    std::array<Spectrum, 16> oursChannelSpectrum{};
    std::array<Spectrum, 16> referenceChannelSpectrum{};
    std::array<bool, 16> compared{};
    std::vector<float> referenceMix;
    MidiSong parsed;
    const bool withReference = !reference.empty() && readSong(song, parsed);
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
      if (!withReference) continue;
      oursChannel[static_cast<size_t>(channel)].add(stem);
      oursChannelSpectrum[static_cast<size_t>(channel)].add(stem);
      const std::string channelSong = (work / (name + suffix + ".mid")).string();
      const std::string referenceWav = (work / (name + suffix + ".ref.wav")).string();
      if (!writeChannel(parsed, channel, channelSong)) continue;
      const std::string play = "fluidsynth -ni -q -R 0 -C 0 -r 44100 -F \"" + referenceWav + "\" \"" + reference +
                               "\" \"" + channelSong + "\" > /dev/null 2>&1";
      // Kept reference renders (--keep) are used again.
      if ((!fs::exists(referenceWav) && std::system(play.c_str()) != 0) || !readStereo(referenceWav, stem)) continue;
      if (stem.size() > static_cast<size_t>(2 * kSongSeconds * kRate)) stem.resize(static_cast<size_t>(2 * kSongSeconds * kRate));
      if (referenceMix.size() < stem.size()) referenceMix.resize(stem.size(), 0.0f);
      for (size_t i = 0; i < stem.size(); ++i) referenceMix[i] += stem[i];
      referenceChannel[static_cast<size_t>(channel)].add(stem);
      referenceChannelSpectrum[static_cast<size_t>(channel)].add(stem);
      if (channel == kDrumChannel) referenceDrums.add(stem);
      compared[static_cast<size_t>(channel)] = true;
      if (keep.empty()) {
        fs::remove(channelSong);
        fs::remove(referenceWav);
      }
    }
    if (withReference) {
      Loudness oursMix;
      Loudness referenceMixLoudness;
      oursMix.add(mix);
      referenceMixLoudness.add(referenceMix);
      for (size_t channel = 0; channel < 16; ++channel) {
        if (!compared[channel] || oursChannel[channel].windows == 0.0 || referenceChannel[channel].windows == 0.0) continue;
        Balance& b = balance[family[channel]];
        b.ours += oursChannel[channel].dbfs() - oursMix.dbfs();
        b.reference += referenceChannel[channel].dbfs() - referenceMixLoudness.dbfs();
        b.channels += 1;
        for (size_t k = 0; k < b.oursSpectrum.magnitude.size(); ++k) {
          b.oursSpectrum.magnitude[k] += oursChannelSpectrum[channel].magnitude[k];
          b.referenceSpectrum.magnitude[k] += referenceChannelSpectrum[channel].magnitude[k];
        }
      }
      std::printf("%-44s reference: drums centroid %.0f Hz (ours %.0f Hz)\n", name.c_str(), referenceDrums.centroid(),
                  drums.centroid());
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
  if (!balance.empty()) {
    std::printf("\nagainst the reference (channel loudness minus its song's mix, dB, averaged over channels)\n");
    std::printf("%-12s %9s %10s %11s %9s %12s %13s\n", "family", "channels", "ours dB", "reference", "ours-ref",
                "centroid Hz", "reference Hz");
    for (auto& [f, b] : balance) {
      const double ours = b.ours / b.channels;
      const double ref = b.reference / b.channels;
      std::printf("%-12s %9d %10.2f %11.2f %+9.2f %12.0f %13.0f\n", kFamilies[f], b.channels, ours, ref, ours - ref,
                  b.oursSpectrum.centroid(), b.referenceSpectrum.centroid());
    }
  }
  if (releases && !reference.empty()) printReleases(render, reference, work);
  std::printf("\n%zu songs, %d clipping, %d failed\n", songs.size(), clippingSongs, failures);
  if (keep.empty()) fs::remove_all(work);
  return failures > 0 ? 1 : 0;
}
