#include "sampleimport/Dpcm.h"

#include <algorithm>

#include "sampleimport/NibblePacking.h"

namespace ovri::korvane::sampleimport {

namespace {

// Step added to the predictor for each 4-bit code, in 8-bit sample units:
// the code read as sign (bit 3) and magnitude (bits 0..2).
constexpr int8_t kDpcmStep[16] = {0, 1, 2, 3, 4, 5, 6, 7, 0, -1, -2, -3, -4, -5, -6, -7};
constexpr uint8_t kNegative = 8;  // bit 3 of a code
constexpr int32_t kMaxMagnitude = 7;

struct DpcmCodec {
  struct State {
    int32_t predictor = 0;  // 8-bit sample units
  };

  // The predictor moves toward v by at most |v - predictor|, so it stays
  // within the range of the samples and needs no clamp here.
  static uint8_t encode(State& state, int8_t v) {
    const int32_t d = v - state.predictor;
    const uint8_t code = static_cast<uint8_t>((d < 0 ? kNegative : 0) | std::min(d < 0 ? -d : d, kMaxMagnitude));
    state.predictor += kDpcmStep[code];
    return code;
  }

  static int8_t decode(State& state, uint8_t code) {
    state.predictor = std::clamp(state.predictor + kDpcmStep[code], -128, 127);
    return static_cast<int8_t>(state.predictor);
  }
};

}  // namespace

void encodeDpcm(uint8_t* codes, int32_t channels, const int8_t* samples, int32_t n) {
  if ((channels != 1 && channels != 2) || codes == nullptr || samples == nullptr || n < 2) return;
  detail::encodeNibbles<DpcmCodec>(samples, n, channels == 2, codes, n >> 1);
}

void decodeDpcm(const uint8_t* codes, int32_t channels, int8_t* samples, int32_t n) {
  if ((channels != 1 && channels != 2) || codes == nullptr || samples == nullptr || n < 2) return;
  detail::decodeNibbles<DpcmCodec>(codes, n >> 1, channels == 2, samples, n);
}

}  // namespace ovri::korvane::sampleimport
