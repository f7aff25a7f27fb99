#pragma once

#include <cstdint>

#if defined(_MSC_VER)
#include <intrin.h>
#endif

namespace ovri::korvane::synth {

// Index of the lowest set bit of a non-zero word.
inline int32_t lowestBit(uint64_t word) {
#if defined(_MSC_VER)
  unsigned long index = 0;
  _BitScanForward64(&index, word);
  return static_cast<int32_t>(index);
#else
  return __builtin_ctzll(word);
#endif
}

// One bit per voice of a pool of up to Capacity voices (a multiple of 64).
// Searches and walks go word by word, so their cost grows with the pool
// divided by 64 plus the voices found, never with every voice of the pool.
template <int32_t Capacity> struct VoiceBitSet {
  static constexpr int32_t kWords = Capacity / 64;
  static_assert(Capacity > 0 && Capacity % 64 == 0, "whole words");

  uint64_t words[kWords] = {};

  static uint64_t bit(int32_t i) { return uint64_t{1} << (i & 63); }
  bool test(int32_t i) const { return (words[i >> 6] & bit(i)) != 0; }
  void set(int32_t i) { words[i >> 6] |= bit(i); }
  void clear(int32_t i) { words[i >> 6] &= ~bit(i); }
  void assign(int32_t i, bool on) { on ? set(i) : clear(i); }
  void fill(bool on) {
    for (uint64_t& w : words) w = on ? ~uint64_t{0} : 0;
  }

  // The lowest set bit in [from, to), or -1.
  int32_t findFirst(int32_t from, int32_t to) const {
    if (from >= to) return -1;
    int32_t w = from >> 6;
    const int32_t last = (to - 1) >> 6;
    uint64_t bits = words[w] & (~uint64_t{0} << (from & 63));
    for (;;) {
      if (bits != 0) {
        const int32_t i = (w << 6) + lowestBit(bits);
        return i < to ? i : -1;
      }
      if (++w > last) return -1;
      bits = words[w];
    }
  }
};

// Calls fn(i) in ascending order for every bit below count of the words
// that word(w) yields (w = 0, 1, ...). Each word is read once before its
// bits are visited, so fn may change the bit sets for the index it is
// called with.
template <typename Word, typename Fn> void forEachVoiceBit(int32_t count, Word word, Fn fn) {
  const int32_t words = (count + 63) >> 6;
  for (int32_t w = 0; w < words; ++w) {
    uint64_t bits = word(w);
    if (w == words - 1 && (count & 63) != 0) bits &= (uint64_t{1} << (count & 63)) - 1;
    while (bits != 0) {
      fn((w << 6) + lowestBit(bits));
      bits &= bits - 1;
    }
  }
}

}  // namespace ovri::korvane::synth
