// The FM run kernel for AVX2: eight lanes. This file alone is compiled for
// AVX2 and shares nothing inline with the rest of the library; it is only
// called where the processor has AVX2.
#include "tonegen/FixedPoint.h"
#include "tonegen/FmStructures.h"
#include "tonegen/FmVector.h"

#include <immintrin.h>

#include <type_traits>

namespace ovri::korvane::synth {

using namespace fixedpoint;

namespace {

// Every lane operation is inlined into the kernels.
#define KORVANE_LANE_OP __attribute__((always_inline)) inline

struct V {
  static constexpr int32_t kWidth = 8;
  using Int = __m256i;
  using Float = __m256;
  KORVANE_LANE_OP static Int load(const int32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
  KORVANE_LANE_OP static Float loadF(const float* p) { return _mm256_loadu_ps(p); }
  KORVANE_LANE_OP static void store(int32_t* p, Int v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
  KORVANE_LANE_OP static void storeF(float* p, Float v) { _mm256_storeu_ps(p, v); }
  KORVANE_LANE_OP static Int add(Int a, Int b) { return _mm256_add_epi32(a, b); }
  KORVANE_LANE_OP static Int andBits(Int a, Int b) { return _mm256_and_si256(a, b); }
  KORVANE_LANE_OP static Int xorBits(Int a, Int b) { return _mm256_xor_si256(a, b); }
  KORVANE_LANE_OP static bool anyBits(Int a) { return _mm256_testz_si256(a, a) == 0; }
  KORVANE_LANE_OP static Int shiftRight16(Int a) { return _mm256_srli_epi32(a, kWaveIndexShift); }
  KORVANE_LANE_OP static Int shiftRight18(Int a) { return _mm256_srai_epi32(a, kCurveShift); }
  KORVANE_LANE_OP static Int splat(int32_t v) { return _mm256_set1_epi32(v); }
  // Table reads lane by lane: the indices (a curve's may be negative)
  // leave in pairs through two 64-bit moves per half, the values come back
  // through inserts. On the processor measured (AMD, family 25) this is quicker
  // than the gather instruction.
  KORVANE_LANE_OP static void indexPairs(Int index, uint64_t& a, uint64_t& b, uint64_t& c, uint64_t& d) {
    const __m128i lo = _mm256_castsi256_si128(index);
    const __m128i hi = _mm256_extracti128_si256(index, 1);
    a = static_cast<uint64_t>(_mm_cvtsi128_si64(lo));
    b = static_cast<uint64_t>(_mm_extract_epi64(lo, 1));
    c = static_cast<uint64_t>(_mm_cvtsi128_si64(hi));
    d = static_cast<uint64_t>(_mm_extract_epi64(hi, 1));
  }
  // The low (high = 0) or high index of a pair, as signed.
  KORVANE_LANE_OP static int32_t laneIndex(uint64_t pair, int32_t high) {
    return static_cast<int32_t>(static_cast<uint32_t>(high != 0 ? pair >> 32 : pair));
  }
  KORVANE_LANE_OP static Int gather(const int32_t* table, Int index) {
    uint64_t a, b, c, d;
    indexPairs(index, a, b, c, d);
    auto at = [table](uint64_t pair, int32_t high) {
      return table[laneIndex(pair, high)];
    };
    __m128i r0 = _mm_cvtsi32_si128(at(a, 0));
    r0 = _mm_insert_epi32(r0, at(a, 1), 1);
    r0 = _mm_insert_epi32(r0, at(b, 0), 2);
    r0 = _mm_insert_epi32(r0, at(b, 1), 3);
    __m128i r1 = _mm_cvtsi32_si128(at(c, 0));
    r1 = _mm_insert_epi32(r1, at(c, 1), 1);
    r1 = _mm_insert_epi32(r1, at(d, 0), 2);
    r1 = _mm_insert_epi32(r1, at(d, 1), 3);
    return _mm256_inserti128_si256(_mm256_castsi128_si256(r0), r1, 1);
  }
  KORVANE_LANE_OP static Float gatherF(const float* table, Int index) {
    uint64_t a, b, c, d;
    indexPairs(index, a, b, c, d);
    auto at = [table](uint64_t pair, int32_t high) {
      return _mm_load_ss(table + laneIndex(pair, high));
    };
    __m128 r0 = at(a, 0);
    r0 = _mm_insert_ps(r0, at(a, 1), 0x10);
    r0 = _mm_insert_ps(r0, at(b, 0), 0x20);
    r0 = _mm_insert_ps(r0, at(b, 1), 0x30);
    __m128 r1 = at(c, 0);
    r1 = _mm_insert_ps(r1, at(c, 1), 0x10);
    r1 = _mm_insert_ps(r1, at(d, 0), 0x20);
    r1 = _mm_insert_ps(r1, at(d, 1), 0x30);
    return _mm256_insertf128_ps(_mm256_castps128_ps256(r0), r1, 1);
  }
  KORVANE_LANE_OP static Float andF(Float a, Int mask) { return _mm256_and_ps(a, _mm256_castsi256_ps(mask)); }
  KORVANE_LANE_OP static Float addF(Float a, Float b) { return _mm256_add_ps(a, b); }
  KORVANE_LANE_OP static Float mulF(Float a, Float b) { return _mm256_mul_ps(a, b); }
  KORVANE_LANE_OP static Float zeroF() { return _mm256_setzero_ps(); }

  // Blocks of eight samples are turned lane-major (8 x 8 transpose), so
  // each lane adds them to its rows eight at a time (then four, then one).
  KORVANE_LANE_OP static void addRows(FmLaneState& s, int32_t base, int32_t n) {
    int32_t k = 0;
    for (; k + 8 <= n; k += 8) {
      __m256 r[8], u[8];
      for (int32_t j = 0; j < 8; ++j) r[j] = _mm256_load_ps(s.out[k + j] + base);
      for (int32_t j = 0; j < 8; j += 2) {
        u[j] = _mm256_unpacklo_ps(r[j], r[j + 1]);
        u[j + 1] = _mm256_unpackhi_ps(r[j], r[j + 1]);
      }
      for (int32_t j = 0; j < 8; j += 4) {
        r[j] = _mm256_shuffle_ps(u[j], u[j + 2], 0x44);
        r[j + 1] = _mm256_shuffle_ps(u[j], u[j + 2], 0xEE);
        r[j + 2] = _mm256_shuffle_ps(u[j + 1], u[j + 3], 0x44);
        r[j + 3] = _mm256_shuffle_ps(u[j + 1], u[j + 3], 0xEE);
      }
      // r[0..3]: lanes 0, 1, 2, 3 (low half) and 4, 5, 6, 7 (high half) of
      // samples 0..3; r[4..7] the same of samples 4..7.
      for (int32_t j = 0; j < 4; ++j) {
        u[j] = _mm256_permute2f128_ps(r[j], r[j + 4], 0x20);
        u[j + 4] = _mm256_permute2f128_ps(r[j], r[j + 4], 0x31);
      }
      for (int32_t l = 0; l < 8; ++l) {
        float* const left = s.left[base + l] + k;
        float* const right = s.right[base + l] + k;
        _mm256_storeu_ps(left, _mm256_add_ps(_mm256_loadu_ps(left), _mm256_mul_ps(u[l], _mm256_set1_ps(s.gainL[base + l]))));
        _mm256_storeu_ps(right, _mm256_add_ps(_mm256_loadu_ps(right), _mm256_mul_ps(u[l], _mm256_set1_ps(s.gainR[base + l]))));
      }
    }
    if (k + 4 <= n) {
      // Four samples: the first half of the transpose leaves lane l in the
      // low half of r[l] and lane l + 4 in its high half.
      __m256 r[4], u[4];
      for (int32_t j = 0; j < 4; ++j) r[j] = _mm256_load_ps(s.out[k + j] + base);
      u[0] = _mm256_unpacklo_ps(r[0], r[1]);
      u[1] = _mm256_unpackhi_ps(r[0], r[1]);
      u[2] = _mm256_unpacklo_ps(r[2], r[3]);
      u[3] = _mm256_unpackhi_ps(r[2], r[3]);
      r[0] = _mm256_shuffle_ps(u[0], u[2], 0x44);
      r[1] = _mm256_shuffle_ps(u[0], u[2], 0xEE);
      r[2] = _mm256_shuffle_ps(u[1], u[3], 0x44);
      r[3] = _mm256_shuffle_ps(u[1], u[3], 0xEE);
      for (int32_t l = 0; l < 8; ++l) {
        const __m128 lane = l < 4 ? _mm256_castps256_ps128(r[l]) : _mm256_extractf128_ps(r[l - 4], 1);
        float* const left = s.left[base + l] + k;
        float* const right = s.right[base + l] + k;
        _mm_storeu_ps(left, _mm_add_ps(_mm_loadu_ps(left), _mm_mul_ps(lane, _mm_set1_ps(s.gainL[base + l]))));
        _mm_storeu_ps(right, _mm_add_ps(_mm_loadu_ps(right), _mm_mul_ps(lane, _mm_set1_ps(s.gainR[base + l]))));
      }
      k += 4;
    }
    for (int32_t l = 0; l < 8; ++l) {
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

FmKernel fmKernelAvx2(int32_t structure, bool steady) {
  return steady ? fmRunFor<true>(structure) : fmRunFor<false>(structure);
}

}  // namespace ovri::korvane::synth
