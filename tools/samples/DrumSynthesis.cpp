// One bar of drums, 16 steps at 120 bpm, made of four synthesised hits:
//
//   step   0  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15
//   kick   X                       X        X
//   snare              X                       X
//   hat          x                    x              x  x
//   open                     O
//
// The first half plays each hit alone, two steps apart, and every hit
// fades to silence within two steps, so slices of two steps from steps 0,
// 2, 4 and 6 hold the kick, the closed hi-hat, the snare and the open
// hi-hat by themselves. The last hit has ended before the bar does, so the
// bar loops without a seam.
#include "tools/samples/SampleSynthesis.h"
#include "tools/samples/SynthesisBlocks.h"

#include <algorithm>
#include <cmath>

namespace ovri::korvane::samples {

namespace {

// Every hit lasts at most this long and ends in a 20 ms fade.
constexpr double kHitSeconds = 2 * kDrumStepFrames / static_cast<double>(kDrumRate) - 0.005;

std::vector<double> withEnding(std::vector<double> hit, double rate) {
  const double fadeFrames = 0.02 * rate;
  const double fadeStart = static_cast<double>(hit.size()) - fadeFrames;
  for (size_t t = 0; t < hit.size(); ++t) hit[t] *= 1.0 - riseCosine((t - fadeStart) / fadeFrames);
  return hit;
}

// A sine falling from 160 Hz to 48 Hz in a few tens of milliseconds, with
// a click at its start.
std::vector<double> kick(double rate, Noise& noise) {
  std::vector<double> hit(static_cast<size_t>(kHitSeconds * rate));
  double phase = 0.0;
  OnePoleLowpass click(3000.0, rate);
  for (size_t t = 0; t < hit.size(); ++t) {
    const double s = t / rate;
    const double frequency = 48.0 + 112.0 * std::exp(-s / 0.03);
    phase += kTwoPi * frequency / rate;
    hit[t] = std::exp(-s / 0.045) * std::sin(phase) + 0.3 * std::exp(-s / 0.002) * click.process(noise.next());
  }
  return withEnding(hit, rate);
}

// Two drum-head tones under a burst of bright noise (the snares).
std::vector<double> snare(double rate, Noise& noise) {
  std::vector<double> hit(static_cast<size_t>(kHitSeconds * rate));
  OnePoleHighpass wires(1200.0, rate);
  OnePoleLowpass air(7000.0, rate);
  for (size_t t = 0; t < hit.size(); ++t) {
    const double s = t / rate;
    const double head = std::exp(-s / 0.04) * (0.6 * std::sin(kTwoPi * 185.0 * s) + 0.4 * std::sin(kTwoPi * 330.0 * s));
    const double snares = std::exp(-s / 0.055) * air.process(wires.process(noise.next()));
    hit[t] = 0.7 * head + snares;
  }
  return withEnding(hit, rate);
}

// Metal: six sines at unrelated high frequencies, and highpassed noise.
std::vector<double> hiHat(double rate, Noise& noise, double decay, double seconds) {
  static const double kPartials[] = {3150.0, 4170.0, 5390.0, 6660.0, 7830.0, 9120.0};
  std::vector<double> hit(static_cast<size_t>(seconds * rate));
  OnePoleHighpass bright(6000.0, rate);
  for (size_t t = 0; t < hit.size(); ++t) {
    const double s = t / rate;
    double metal = 0.0;
    for (double f : kPartials) metal += std::sin(kTwoPi * f * s + f);
    hit[t] = std::exp(-s / decay) * (bright.process(noise.next()) + 0.08 * metal);
  }
  return withEnding(hit, rate);
}

void place(std::vector<double>& bar, const std::vector<double>& hit, int32_t step, double level) {
  const size_t at = static_cast<size_t>(step) * kDrumStepFrames;
  for (size_t t = 0; t < hit.size() && at + t < bar.size(); ++t) bar[at + t] += level * hit[t];
}

}  // namespace

Recording synthesizeDrums(const SampleFile& file) {
  const double rate = file.rate;
  Noise noise(0xD2D2u);
  const std::vector<double> kickHit = kick(rate, noise);
  const std::vector<double> snareHit = snare(rate, noise);
  const std::vector<double> closedHat = hiHat(rate, noise, 0.018, 0.1);
  const std::vector<double> openHat = hiHat(rate, noise, 0.07, kHitSeconds);

  std::vector<double> bar(static_cast<size_t>(file.frames), 0.0);
  place(bar, kickHit, 0, 1.0);
  place(bar, closedHat, 2, 0.5);
  place(bar, snareHit, 4, 0.8);
  place(bar, openHat, 6, 0.45);
  place(bar, kickHit, 8, 1.0);
  place(bar, closedHat, 10, 0.5);
  place(bar, kickHit, 11, 0.8);
  place(bar, snareHit, 12, 0.8);
  place(bar, closedHat, 14, 0.5);
  place(bar, closedHat, 15, 0.35);

  Recording out{file.rate, 1, std::vector<float>(bar.size())};
  std::transform(bar.begin(), bar.end(), out.samples.begin(), [](double v) { return static_cast<float>(v); });
  normalize(out, kPeakLevel);
  return out;
}

}  // namespace ovri::korvane::samples
