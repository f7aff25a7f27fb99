#include "sampleimport/Adpcm.h"

#include <algorithm>

#include "sampleimport/NibblePacking.h"

namespace ovri::korvane::sampleimport {

namespace {

// The predictor moves by (step x kDifference[code]) >> 3: magnitude q
// stands for a difference of q to q + 1 quarter steps, and 2q + 1 eighths
// is the middle of that interval; bit 3 negates.
constexpr int32_t kDifference[16] = {1, 3, 5, 7, 9, 11, 13, 15, -1, -3, -5, -7, -9, -11, -13, -15};

// The step is then scaled by kStepFactor[code] / 64: x 0.89 for the four
// smallest magnitudes, x 1.20, 1.59, 2.0 and 2.39 for 4..7, whatever the
// sign.
constexpr int32_t kStepFactor[16] = {57, 57, 57, 57, 77, 102, 128, 153, 57, 57, 57, 57, 77, 102, 128, 153};

constexpr int32_t kStepFactorShift = 6;  // kStepFactor in 1/64
constexpr int32_t kDifferenceShift = 3;  // kDifference in 1/8 step
constexpr int32_t kMinStep = 127;
constexpr int32_t kMaxStep = 24576;
constexpr int32_t kInitialStep = kMinStep;
constexpr uint8_t kNegative = 8;         // bit 3 of a code
constexpr int32_t kMaxMagnitude = 7;

// The shifts below divide signed products rounding toward minus infinity.
static_assert((-1 >> 1) == -1, "arithmetic right shift of negative values");

struct AdpcmCodec {
  struct State {
    int32_t predictor = 0;        // 16-bit sample units
    int32_t step = kInitialStep;  // kMinStep..kMaxStep
  };

  static void adapt(State& state, uint8_t code) {
    state.step = std::clamp((state.step * kStepFactor[code]) >> kStepFactorShift, kMinStep, kMaxStep);
  }

  // q = min(trunc(4 |d| / step), 7). A move overshoots the sample by at
  // most step / 8, or falls short while the step grows, so the unclamped
  // predictor stays within 32768 + 15 x 24576 / 8 of zero and every
  // product here fits in 32 bits.
  static uint8_t encode(State& state, int16_t v) {
    const int32_t d = v - state.predictor;
    const int32_t q = std::min(4 * (d < 0 ? -d : d) / state.step, kMaxMagnitude);
    const uint8_t code = static_cast<uint8_t>(q | (d < 0 ? kNegative : 0));
    state.predictor += (state.step * kDifference[code]) >> kDifferenceShift;
    adapt(state, code);
    return code;
  }

  static int16_t decode(State& state, uint8_t code) {
    const int32_t moved = state.predictor + ((state.step * kDifference[code]) >> kDifferenceShift);
    state.predictor = std::clamp(moved, -32768, 32767);
    adapt(state, code);
    return static_cast<int16_t>(state.predictor);
  }
};

}  // namespace

void encodeAdpcm(const int16_t* samples, int32_t channels, int32_t n, uint8_t* codes, int32_t byteCount) {
  if (samples == nullptr || codes == nullptr) return;
  detail::encodeNibbles<AdpcmCodec>(samples, n, channels == 2, codes, byteCount);
}

void decodeAdpcm(const uint8_t* codes, int32_t byteCount, int32_t channels, int16_t* samples, int32_t n) {
  if ((channels != 1 && channels != 2) || codes == nullptr || samples == nullptr) return;
  detail::decodeNibbles<AdpcmCodec>(codes, byteCount, channels == 2, samples, n);
}

}  // namespace ovri::korvane::sampleimport
