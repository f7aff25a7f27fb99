// A struck metal bar (a glockenspiel-like mallet sound): the bar's first
// three bending modes as decaying sines, and a short knock of the mallet.
// A free bar's modes do not lie on harmonics: they stand near 1, 2.76 and
// 5.40 times the lowest one, which is what makes a bar sound like metal
// rather than a string.
#include "tools/samples/SampleSynthesis.h"
#include "tools/samples/SynthesisBlocks.h"

#include <cmath>

namespace ovri::korvane::samples {

namespace {

struct Mode {
  double ratio;   // frequency / fundamental
  double level;
  double decay;   // seconds to fall by 60 dB
};

const Mode kModes[] = {{1.0, 1.0, 1.6}, {2.76, 0.30, 0.45}, {5.40, 0.10, 0.18}};

}  // namespace

Recording synthesizeMallet(const SampleFile& file) {
  const double rate = file.rate;
  const double fundamental = recordedPitch(file);
  Noise noise(0x3A11u);
  Bandpass knockFilter(1.5 * fundamental, 2000.0, rate);

  Recording out{file.rate, 1, std::vector<float>(static_cast<size_t>(file.frames))};
  const double fadeStart = file.frames - 0.2 * rate;
  for (int32_t t = 0; t < file.frames; ++t) {
    const double seconds = t / rate;
    double v = 0.0;
    for (const Mode& m : kModes) {
      const double frequency = m.ratio * fundamental;
      if (frequency >= 0.45 * rate) continue;
      // -60 dB after m.decay seconds: exp(-6.908 t / decay), ln(1000) = 6.908.
      v += m.level * std::exp(-6.908 * seconds / m.decay) * std::sin(kTwoPi * frequency * seconds);
    }
    // The mallet's contact: 1 ms of rise, a few ms of filtered knock.
    v *= riseCosine(seconds / 0.001);
    v += 0.25 * std::exp(-seconds / 0.004) * knockFilter.process(noise.next());
    const double fade = 1.0 - riseCosine((t - fadeStart) / (0.2 * rate));
    out.samples[static_cast<size_t>(t)] = static_cast<float>(fade * v);
  }
  normalize(out, kPeakLevel);
  return out;
}

}  // namespace ovri::korvane::samples
