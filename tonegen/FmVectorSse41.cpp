// The FM run kernel for SSE4.1: four lanes, table reads one lane at a time
// (SSE has no gather). This file alone is compiled for SSE4.1 and shares
// nothing inline with the rest of the library.
#include "tonegen/FixedPoint.h"
#include "tonegen/FmStructures.h"
#include "tonegen/FmVector.h"

#include <smmintrin.h>

#include <type_traits>

namespace ovri::korvane::synth {

using namespace fixedpoint;

namespace {

// Every lane operation is inlined into the kernels.
#define KORVANE_LANE_OP __attribute__((always_inline)) inline

struct V {
  static constexpr int32_t kWidth = 4;
  using Int = __m128i;
  using Float = __m128;
  KORVANE_LANE_OP static Int load(const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  KORVANE_LANE_OP static Float loadF(const float* p) { return _mm_loadu_ps(p); }
  KORVANE_LANE_OP static void store(int32_t* p, Int v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  KORVANE_LANE_OP static void storeF(float* p, Float v) { _mm_storeu_ps(p, v); }
  KORVANE_LANE_OP static Int add(Int a, Int b) { return _mm_add_epi32(a, b); }
  KORVANE_LANE_OP static Int andBits(Int a, Int b) { return _mm_and_si128(a, b); }
  KORVANE_LANE_OP static Int xorBits(Int a, Int b) { return _mm_xor_si128(a, b); }
  KORVANE_LANE_OP static bool anyBits(Int a) { return _mm_testz_si128(a, a) == 0; }
  KORVANE_LANE_OP static Int shiftRight16(Int a) { return _mm_srli_epi32(a, kWaveIndexShift); }
  KORVANE_LANE_OP static Int shiftRight18(Int a) { return _mm_srai_epi32(a, kCurveShift); }
  KORVANE_LANE_OP static Int splat(int32_t v) { return _mm_set1_epi32(v); }
  KORVANE_LANE_OP static Int gather(const int32_t* table, Int index) {
    return _mm_set_epi32(table[_mm_extract_epi32(index, 3)], table[_mm_extract_epi32(index, 2)],
                         table[_mm_extract_epi32(index, 1)], table[_mm_cvtsi128_si32(index)]);
  }
  KORVANE_LANE_OP static Float gatherF(const float* table, Int index) {
    return _mm_set_ps(table[_mm_extract_epi32(index, 3)], table[_mm_extract_epi32(index, 2)],
                      table[_mm_extract_epi32(index, 1)], table[_mm_cvtsi128_si32(index)]);
  }
  KORVANE_LANE_OP static Float andF(Float a, Int mask) { return _mm_and_ps(a, _mm_castsi128_ps(mask)); }
  KORVANE_LANE_OP static Float addF(Float a, Float b) { return _mm_add_ps(a, b); }
  KORVANE_LANE_OP static Float mulF(Float a, Float b) { return _mm_mul_ps(a, b); }
  KORVANE_LANE_OP static Float zeroF() { return _mm_setzero_ps(); }

  // Blocks of four samples are turned lane-major (4 x 4 transpose), so
  // each lane adds them to its rows four at a time.
  KORVANE_LANE_OP static void addRows(FmLaneState& s, int32_t base, int32_t n) {
    int32_t k = 0;
    for (; k + 4 <= n; k += 4) {
      __m128 r0 = _mm_load_ps(s.out[k] + base);
      __m128 r1 = _mm_load_ps(s.out[k + 1] + base);
      __m128 r2 = _mm_load_ps(s.out[k + 2] + base);
      __m128 r3 = _mm_load_ps(s.out[k + 3] + base);
      _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
      const __m128 lane[4] = {r0, r1, r2, r3};
      for (int32_t l = 0; l < 4; ++l) {
        float* const left = s.left[base + l] + k;
        float* const right = s.right[base + l] + k;
        _mm_storeu_ps(left, _mm_add_ps(_mm_loadu_ps(left), _mm_mul_ps(lane[l], _mm_set1_ps(s.gainL[base + l]))));
        _mm_storeu_ps(right, _mm_add_ps(_mm_loadu_ps(right), _mm_mul_ps(lane[l], _mm_set1_ps(s.gainR[base + l]))));
      }
    }
    for (int32_t l = 0; l < 4; ++l) {
      float* const left = s.left[base + l];
      float* const right = s.right[base + l];
      for (int32_t j = k; j < n; ++j) left[j] += s.out[j][base + l] * s.gainL[base + l];
      for (int32_t j = k; j < n; ++j) right[j] += s.out[j][base + l] * s.gainR[base + l];
    }
  }
};

#undef KORVANE_LANE_OP

#include "tonegen/FmVectorKernel.inl"

}  // namespace

FmKernel fmKernelSse41(int32_t structure, bool steady) {
  return steady ? fmRunFor<true>(structure) : fmRunFor<false>(structure);
}

}  // namespace ovri::korvane::synth
