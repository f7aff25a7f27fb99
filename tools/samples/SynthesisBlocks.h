#pragma once

// Small building blocks of the sample synthesis: a noise source, one-pole
// and two-pole filters, envelopes. Double precision throughout; nothing here
// runs in the plug-in.

#include <cmath>
#include <cstdint>
#include <vector>

namespace ovri::korvane::samples {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// White noise in -1..1 from a 32-bit xorshift generator (shifts 13, 17, 5):
// the same sequence for a seed on every platform.
class Noise {
public:
  explicit Noise(uint32_t seed) : state(seed != 0 ? seed : 0x9E3779B9u) {}
  double next() {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return static_cast<double>(state) / 2147483648.0 - 1.0;  // 2^31: 0..2^32-1 onto -1..1
  }

private:
  uint32_t state;
};

// y[n] = y[n-1] + a (x[n] - y[n-1]) with a = 1 - exp(-2 pi fc / fs).
class OnePoleLowpass {
public:
  OnePoleLowpass(double cutoff, double rate) : a(1.0 - std::exp(-kTwoPi * cutoff / rate)) {}
  double process(double x) { return y += a * (x - y); }

private:
  double a;
  double y = 0.0;
};

// The input minus its one-pole lowpass.
class OnePoleHighpass {
public:
  OnePoleHighpass(double cutoff, double rate) : low(cutoff, rate) {}
  double process(double x) { return x - low.process(x); }

private:
  OnePoleLowpass low;
};

// Two-pole resonator (constant peak gain 1 at the centre): bandpass of
// centre fc and bandwidth bw, both in Hz, from the usual biquad design with
// Q = fc / bw.
class Bandpass {
public:
  Bandpass(double centre, double bandwidth, double rate) {
    const double w = kTwoPi * centre / rate;
    const double alpha = std::sin(w) * bandwidth / (2.0 * centre);
    const double a0 = 1.0 + alpha;
    b0 = alpha / a0;
    a1 = -2.0 * std::cos(w) / a0;
    a2 = (1.0 - alpha) / a0;
  }
  double process(double x) {
    const double y = b0 * (x - x2) - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }

private:
  double b0 = 0.0, a1 = 0.0, a2 = 0.0;
  double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};

// Half a cosine from 0 up to 1 as t goes from 0 to 1; 1 beyond.
inline double riseCosine(double t) { return t >= 1.0 ? 1.0 : (t <= 0.0 ? 0.0 : 0.5 - 0.5 * std::cos(kPi * t)); }

// Noise that repeats exactly every `period` samples, shaped by a filter:
// white noise of one period is run through the filter several times over
// and the last pass is kept, so the filter's state at the wrap equals its
// state at the start (to far below 16-bit resolution).
template <typename Filter>
std::vector<double> periodicNoise(int32_t period, Noise& noise, Filter filter, int32_t passes = 4) {
  std::vector<double> white(static_cast<size_t>(period));
  for (double& v : white) v = noise.next();
  std::vector<double> out(white.size());
  for (int32_t pass = 0; pass < passes; ++pass)
    for (size_t i = 0; i < white.size(); ++i) out[i] = filter.process(white[i]);
  return out;
}

}  // namespace ovri::korvane::samples
