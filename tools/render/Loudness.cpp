#include "tools/render/Loudness.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ovri::korvane::render {

struct LoudnessMeter::State {
  ebur128_state* meter = nullptr;
  ~State() {
    if (meter != nullptr) ebur128_destroy(&meter);
  }
};

LoudnessMeter::LoudnessMeter(double sampleRate, bool truePeakOnly) : state(std::make_unique<State>()) {
  const int mode = truePeakOnly ? EBUR128_MODE_TRUE_PEAK : (EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
  state->meter = ebur128_init(2, static_cast<unsigned long>(sampleRate), mode);
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const float* interleaved, int32_t frames) {
  if (state->meter != nullptr && frames > 0) ebur128_add_frames_float(state->meter, interleaved, static_cast<size_t>(frames));
}

double LoudnessMeter::integrated() const {
  double value = -std::numeric_limits<double>::infinity();
  if (state->meter == nullptr || ebur128_loudness_global(state->meter, &value) != EBUR128_SUCCESS) return -HUGE_VAL;
  return value;
}

double LoudnessMeter::range() const {
  double value = 0.0;
  if (state->meter == nullptr || ebur128_loudness_range(state->meter, &value) != EBUR128_SUCCESS) return 0.0;
  return value;
}

double LoudnessMeter::truePeak() const {
  double result = 0.0;
  for (unsigned channel = 0; state->meter != nullptr && channel < 2; ++channel) {
    double value = 0.0;
    if (ebur128_true_peak(state->meter, channel, &value) == EBUR128_SUCCESS) result = std::max(result, value);
  }
  return result;
}

NormalizeGain normalizeGain(double integratedLufs, double truePeak) {
  NormalizeGain result;
  if (!std::isfinite(integratedLufs)) return result;
  result.gainDb = std::min(kTargetLufs - integratedLufs, kMaxNormalizeGainDb);
  if (truePeak > 0.0) {
    const double room = kCeilingDbtp - 20.0 * std::log10(truePeak);
    if (room < result.gainDb) {
      result.gainDb = room;
      result.limitedByPeak = true;
    }
  }
  return result;
}

}  // namespace ovri::korvane::render
