// The sustained recordings: a choir singing "aah" and a breathy flute. Both
// are sums of harmonics that repeat exactly once per loop: every frequency
// in them (fundamentals, vibrato, level drift, the breath noise) makes a
// whole number of cycles in loopFrames samples. So the sound at the loop's
// end runs on into its start without a seam, and the loop can be as long as
// a second while the tone keeps moving inside it.
#include "tools/samples/SampleSynthesis.h"
#include "tools/samples/SynthesisBlocks.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace ovri::korvane::samples {

namespace {

// One singer or player: a harmonic tone with vibrato and a slow level
// drift, all periodic in the loop.
struct Voice {
  int32_t cycles;         // fundamental cycles per loop
  double vibratoDepth;    // peak frequency deviation, fraction of the fundamental
  int32_t vibratoCycles;  // vibrato cycles per loop
  double vibratoPhase;    // radians
  double drift;           // peak level change, fraction
  int32_t driftCycles;    // level drift cycles per loop
  double driftPhase;
  double level;
};

// A formant of the vocal tract as a two-pole resonance: gain 1 far below
// the centre, centre / bandwidth at the centre, falling as (centre / f)^2
// above it.
struct Formant {
  double centre, bandwidth;  // Hz
};

double resonance(const Formant& f, double frequency) {
  const double c2 = f.centre * f.centre;
  const double d = c2 - frequency * frequency;
  return c2 / std::sqrt(d * d + frequency * frequency * f.bandwidth * f.bandwidth);
}

// An open "aah" as higher voices sing it (centres and bandwidths in Hz).
const Formant kAah[] = {{800, 80}, {1150, 90}, {2900, 120}, {3900, 130}, {4950, 140}};

// Harmonic level of the "aah" at frequency f: a source falling by 6 dB an
// octave above 300 Hz, through the formants in cascade.
double aahLevel(double frequency) {
  double level = 1.0 / (1.0 + frequency / 300.0);
  for (const Formant& f : kAah) level *= resonance(f, frequency);
  return level;
}

// Harmonics fade out between 40% and 45% of the sample rate, so that none
// appears or vanishes abruptly as the vibrato moves it.
double bandLimit(double frequency, double rate) {
  return std::clamp((0.45 * rate - frequency) / (0.05 * rate), 0.0, 1.0);
}

// One loop of a voice, added into out (period = out.size() samples). The
// phase of the fundamental is 2 pi c t / P plus the integral of the
// vibrato, (c d / m) sin(2 pi m t / P + phi), so that both repeat after P.
// Harmonic h takes h times that phase plus a fixed phase of its own, and
// its level from levelAt(h x the momentary fundamental frequency).
template <typename LevelAt>
void addVoice(std::vector<double>& out, double rate, const Voice& v, const std::vector<double>& harmonicPhases,
              LevelAt levelAt) {
  const int32_t period = static_cast<int32_t>(out.size());
  const double fundamental = v.cycles * rate / period;
  std::vector<std::complex<double>> rotations(harmonicPhases.size());
  for (size_t h = 0; h < harmonicPhases.size(); ++h) rotations[h] = std::polar(1.0, harmonicPhases[h]);
  for (int32_t t = 0; t < period; ++t) {
    const double position = static_cast<double>(t) / period;
    const double vibrato = kTwoPi * v.vibratoCycles * position + v.vibratoPhase;
    const double phase = kTwoPi * v.cycles * position + v.cycles * v.vibratoDepth / v.vibratoCycles * std::sin(vibrato);
    const double frequency = fundamental * (1.0 + v.vibratoDepth * std::cos(vibrato));
    const double level =
        v.level * (1.0 + v.drift * std::sin(kTwoPi * v.driftCycles * position + v.driftPhase));
    const std::complex<double> step = std::polar(1.0, phase);
    std::complex<double> harmonic = 1.0;
    double sum = 0.0;
    for (size_t h = 1; h <= harmonicPhases.size(); ++h) {
      harmonic *= step;
      const double f = frequency * static_cast<double>(h);
      const double weight = bandLimit(f, rate);
      if (weight <= 0.0) break;
      sum += weight * levelAt(h, f) * (harmonic * rotations[h - 1]).imag();
    }
    out[static_cast<size_t>(t)] += level * sum;
  }
}

double rms(const std::vector<double>& v) {
  double sum = 0.0;
  for (double x : v) sum += x * x;
  return v.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(v.size()));
}

std::vector<double> randomPhases(Noise& noise, size_t count) {
  std::vector<double> phases(count);
  for (double& p : phases) p = kPi * noise.next();
  return phases;
}

// The breath of a voice: periodic noise through the first three formants.
struct BreathFilter {
  Bandpass f1, f2, f3;
  explicit BreathFilter(double rate) : f1(800, 300, rate), f2(1150, 300, rate), f3(2900, 600, rate) {}
  double process(double x) { return 0.5 * f1.process(x) + f2.process(x) + 0.7 * f3.process(x); }
};

// The breath of a flute: noise around the fundamental and a broad hiss.
struct FluteBreathFilter {
  Bandpass tone, hiss;
  FluteBreathFilter(double fundamental, double rate) : tone(fundamental, 250, rate), hiss(3000, 3500, rate) {}
  double process(double x) { return tone.process(x) + 0.4 * hiss.process(x); }
};

}  // namespace

Recording synthesizeChoir(const SampleFile& file) {
  const double rate = file.rate;
  const int32_t period = file.loopFrames;
  const int32_t loopStart = file.frames - period;
  const int32_t cycles = static_cast<int32_t>(std::lround(recordedPitch(file) * period / rate));
  Noise noise(0xC401Au);

  // Three singers a side, a few cents apart (one cycle per loop is 1.4
  // cents at C4), each with a vibrato of its own between 4.2 and 5.8 Hz.
  const Voice singers[2][3] = {
      {{cycles - 1, 0.0045, 6, 0.0, 0.12, 1, 0.3, 1.0},
       {cycles, 0.0055, 7, 1.9, 0.10, 2, 2.1, 0.9},
       {cycles + 1, 0.0040, 5, 4.0, 0.15, 1, 4.4, 0.8}},
      {{cycles + 1, 0.0050, 6, 3.1, 0.12, 2, 1.0, 1.0},
       {cycles - 1, 0.0045, 7, 5.2, 0.10, 1, 3.3, 0.9},
       {cycles, 0.0060, 5, 0.7, 0.15, 1, 5.5, 0.8}},
  };
  std::vector<double> loops[2];
  for (int32_t side = 0; side < 2; ++side) {
    loops[side].assign(static_cast<size_t>(period), 0.0);
    for (const Voice& v : singers[side])
      addVoice(loops[side], rate, v, randomPhases(noise, 40), [](size_t, double f) { return aahLevel(f); });
    // Breath 24 dB below the voices.
    const std::vector<double> breath = periodicNoise(period, noise, BreathFilter(rate));
    const double scale = 0.063 * rms(loops[side]) / std::max(rms(breath), 1e-12);
    for (size_t i = 0; i < breath.size(); ++i) loops[side][i] += scale * breath[i];
  }

  // The choir comes in over a quarter of a second and holds; from
  // loopStart on the recording is the loop itself.
  Recording out{file.rate, 2, std::vector<float>(static_cast<size_t>(file.frames) * 2)};
  const double attack = 0.25 * rate;
  for (int32_t t = 0; t < file.frames; ++t) {
    const double envelope = t < loopStart ? riseCosine(t / attack) : 1.0;
    for (int32_t side = 0; side < 2; ++side)
      out.samples[2 * static_cast<size_t>(t) + side] =
          static_cast<float>(envelope * loops[side][static_cast<size_t>(t % period)]);
  }
  normalize(out, kPeakLevel);
  return out;
}

Recording synthesizeFlute(const SampleFile& file) {
  const double rate = file.rate;
  const int32_t period = file.loopFrames;
  const int32_t loopStart = file.frames - period;
  const double pitch = recordedPitch(file);
  const int32_t cycles = static_cast<int32_t>(std::lround(pitch * period / rate));
  Noise noise(0xF1D7Eu);

  // A strong fundamental, weak upper harmonics; the vibrato moves the
  // level more than the pitch, as a player's breath does.
  static const double kHarmonics[] = {1.0, 0.42, 0.20, 0.11, 0.06, 0.035, 0.02, 0.012, 0.008};
  const Voice player = {cycles, 0.0030, 3, 0.0, 0.10, 3, 0.0, 1.0};
  std::vector<double> loop(static_cast<size_t>(period), 0.0);
  addVoice(loop, rate, player, std::vector<double>(std::size(kHarmonics), 0.0),
           [](size_t h, double) { return kHarmonics[h - 1]; });

  // Breath 18 dB below the tone, swelling with the vibrato.
  const std::vector<double> breath = periodicNoise(period, noise, FluteBreathFilter(pitch, rate));
  const double scale = 0.126 * rms(loop) / std::max(rms(breath), 1e-12);
  for (int32_t t = 0; t < period; ++t) {
    const double swell = 1.0 + 0.3 * std::sin(kTwoPi * player.vibratoCycles * t / period);
    loop[static_cast<size_t>(t)] += scale * swell * breath[static_cast<size_t>(t)];
  }

  // The attack: the tone rises in 80 ms under a short chiff of noise an
  // octave up, which has gone before the loop begins.
  std::vector<double> chiff(static_cast<size_t>(loopStart), 0.0);
  Bandpass chiffFilter(2.0 * pitch, 900.0, rate);
  const double chiffLevel = 1.5 * rms(loop);
  for (int32_t t = 0; t < loopStart; ++t) {
    const double seconds = t / rate;
    const double fadeOut = 1.0 - riseCosine((seconds - 0.12) / 0.1);
    chiff[static_cast<size_t>(t)] = chiffLevel * std::exp(-seconds / 0.03) * fadeOut * chiffFilter.process(noise.next());
  }

  Recording out{file.rate, 1, std::vector<float>(static_cast<size_t>(file.frames))};
  const double attack = 0.08 * rate;
  for (int32_t t = 0; t < file.frames; ++t) {
    double v = loop[static_cast<size_t>(t % period)];
    if (t < loopStart) v = riseCosine(t / attack) * v + chiff[static_cast<size_t>(t)];
    out.samples[static_cast<size_t>(t)] = static_cast<float>(v);
  }
  normalize(out, kPeakLevel);
  return out;
}

}  // namespace ovri::korvane::samples
