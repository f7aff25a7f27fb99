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

struct V {
  static constexpr int32_t kWidth = 4;
  using Int = __m128i;
  using Float = __m128;
  static Int load(const int32_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
  static Float loadF(const float* p) { return _mm_loadu_ps(p); }
  static void store(int32_t* p, Int v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
  static void storeF(float* p, Float v) { _mm_storeu_ps(p, v); }
  static Int add(Int a, Int b) { return _mm_add_epi32(a, b); }
  static Int andBits(Int a, Int b) { return _mm_and_si128(a, b); }
  static Int shiftRight16(Int a) { return _mm_srli_epi32(a, kWaveIndexShift); }
  static Int shiftRight18(Int a) { return _mm_srai_epi32(a, kCurveShift); }
  static Int splat(int32_t v) { return _mm_set1_epi32(v); }
  static Int gather(const int32_t* table, Int index) {
    return _mm_set_epi32(table[_mm_extract_epi32(index, 3)], table[_mm_extract_epi32(index, 2)],
                         table[_mm_extract_epi32(index, 1)], table[_mm_cvtsi128_si32(index)]);
  }
  static Float gatherF(const float* table, Int index) {
    return _mm_set_ps(table[_mm_extract_epi32(index, 3)], table[_mm_extract_epi32(index, 2)],
                      table[_mm_extract_epi32(index, 1)], table[_mm_cvtsi128_si32(index)]);
  }
  static Float andF(Float a, Int mask) { return _mm_and_ps(a, _mm_castsi128_ps(mask)); }
  static Float addF(Float a, Float b) { return _mm_add_ps(a, b); }
  static Float mulF(Float a, Float b) { return _mm_mul_ps(a, b); }
  static Float zeroF() { return _mm_setzero_ps(); }
};

#include "tonegen/FmVectorKernel.inl"

}  // namespace

FmKernel fmKernelSse41(int32_t structure, bool steady) {
  return steady ? fmRunFor<true>(structure) : fmRunFor<false>(structure);
}

}  // namespace ovri::korvane::synth
