// A plucked string by a delay-line loop: one period of noise, shaped like
// a pick's stroke, circulates through a delay as long as the string's
// period; each round trip it passes a two-point average (the string losing
// its highs) and a loss factor, so the tone darkens as it dies away. A
// first-order allpass in the loop supplies the fraction of a sample that
// the period needs beyond the whole delay.
#include "tools/samples/SampleSynthesis.h"
#include "tools/samples/SynthesisBlocks.h"

#include <cmath>

namespace ovri::korvane::samples {

namespace {

// The delay of the loop, in samples at low frequencies: whole delay + 0.5
// (the average) + (1 - c) / (1 + c) (the allpass with coefficient c). The
// allpass part is kept within 0.1..1.1, where its delay is nearly flat.
struct LoopTuning {
  int32_t delay;
  double allpass;
};

LoopTuning tune(double period) {
  const double rest = period - 0.5;
  int32_t whole = static_cast<int32_t>(std::floor(rest));
  double fraction = rest - whole;
  if (fraction < 0.1) {
    whole -= 1;
    fraction += 1.0;
  }
  return {whole, (1.0 - fraction) / (1.0 + fraction)};
}

}  // namespace

Recording synthesizePluck(const SampleFile& file) {
  const double rate = file.rate;
  const double frequency = recordedPitch(file);
  const double period = rate / frequency;
  const LoopTuning loop = tune(period);
  Noise noise(0x9A1Cu);

  // The stroke: one period of noise, softened by a lowpass (a round pick)
  // and combed at an eighth of the string (the point where it is plucked).
  const int32_t strokeLength = static_cast<int32_t>(period);
  std::vector<double> stroke(static_cast<size_t>(strokeLength));
  OnePoleLowpass soft(1800.0, rate);
  for (double& v : stroke) v = soft.process(noise.next());
  const int32_t pickOffset = strokeLength / 8;
  for (int32_t i = strokeLength - 1; i >= pickOffset; --i)
    stroke[static_cast<size_t>(i)] -= stroke[static_cast<size_t>(i - pickOffset)];

  // Loss per round trip: the fundamental falls by 40 dB in 1.2 s.
  const double loss = std::pow(0.01, 1.0 / (frequency * 1.2));

  std::vector<double> line(static_cast<size_t>(loop.delay), 0.0);
  size_t at = 0;
  double previous = 0.0;                   // the last sample out of the delay
  double allpassIn = 0.0, allpassOut = 0.0;  // the allpass's state
  OnePoleHighpass dcBlock(20.0, rate);

  Recording out{file.rate, 1, std::vector<float>(static_cast<size_t>(file.frames))};
  const double fadeStart = file.frames - 0.25 * rate;
  for (int32_t t = 0; t < file.frames; ++t) {
    const double delayed = line[at];
    const double averaged = loss * 0.5 * (delayed + previous);
    previous = delayed;
    const double tuned = loop.allpass * averaged + allpassIn - loop.allpass * allpassOut;
    allpassIn = averaged;
    allpassOut = tuned;
    const double excitation = t < strokeLength ? stroke[static_cast<size_t>(t)] : 0.0;
    const double y = tuned + excitation;
    line[at] = y;
    at = at + 1 == line.size() ? 0 : at + 1;

    // The recording ends silent: a quarter-second fade at its end.
    const double fade = 1.0 - riseCosine((t - fadeStart) / (0.25 * rate));
    out.samples[static_cast<size_t>(t)] = static_cast<float>(fade * dcBlock.process(y));
  }
  normalize(out, kPeakLevel);
  return out;
}

}  // namespace ovri::korvane::samples
