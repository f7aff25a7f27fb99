// The FM run kernel for AVX2: eight lanes, table reads as gathers. This
// file alone is compiled for AVX2 and shares nothing inline with the rest
// of the library; it is only called where the processor has AVX2.
#include "tonegen/FixedPoint.h"
#include "tonegen/FmStructures.h"
#include "tonegen/FmVector.h"

#include <immintrin.h>

#include <type_traits>

namespace ovri::korvane::synth {

using namespace fixedpoint;

namespace {

struct V {
  static constexpr int32_t kWidth = 8;
  using Int = __m256i;
  using Float = __m256;
  static Int load(const int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  static Float loadF(const float* p) { return _mm256_loadu_ps(p); }
  static void store(int32_t* p, Int v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
  static void storeF(float* p, Float v) { _mm256_storeu_ps(p, v); }
  static Int add(Int a, Int b) { return _mm256_add_epi32(a, b); }
  static Int andBits(Int a, Int b) { return _mm256_and_si256(a, b); }
  static Int shiftRight16(Int a) { return _mm256_srli_epi32(a, kWaveIndexShift); }
  static Int shiftRight18(Int a) { return _mm256_srai_epi32(a, kCurveShift); }
  static Int splat(int32_t v) { return _mm256_set1_epi32(v); }
  static Int gather(const int32_t* table, Int index) {
    alignas(32) int32_t i[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(i), index);
    return _mm256_setr_epi32(table[i[0]], table[i[1]], table[i[2]], table[i[3]], table[i[4]], table[i[5]], table[i[6]],
                             table[i[7]]);
  }
  static Float gatherF(const float* table, Int index) {
    alignas(32) int32_t i[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(i), index);
    return _mm256_setr_ps(table[i[0]], table[i[1]], table[i[2]], table[i[3]], table[i[4]], table[i[5]], table[i[6]],
                          table[i[7]]);
  }
  static Float andF(Float a, Int mask) { return _mm256_and_ps(a, _mm256_castsi256_ps(mask)); }
  static Float addF(Float a, Float b) { return _mm256_add_ps(a, b); }
  static Float mulF(Float a, Float b) { return _mm256_mul_ps(a, b); }
  static Float zeroF() { return _mm256_setzero_ps(); }
};

#include "tonegen/FmVectorKernel.inl"

}  // namespace

FmKernel fmKernelAvx2(int32_t structure, bool steady) {
  return steady ? fmRunFor<true>(structure) : fmRunFor<false>(structure);
}

}  // namespace ovri::korvane::synth
