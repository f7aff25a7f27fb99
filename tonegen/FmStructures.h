#pragma once

#include <cstdint>

namespace ovri::korvane::synth {

// The eight operator connection structures (strc AND 7). "a > b" adds a's
// integer output to b's phase; "(a + b) > c" sums two modulators first;
// "[n]" marks a carrier, summed to the output. Operator 0 always feeds back
// into itself.
struct FmStructure {
  int32_t order[4];   // evaluation order within a sample
  uint32_t inputs[4]; // per operator: bit j set = operator j modulates it
  uint32_t carriers;  // bit n set = operator n is summed to the output
  bool operator3EndsVoice;  // operator 3 is the only carrier: its end ends the voice
};

constexpr FmStructure kFmStructures[8] = {
  // 0:  [0]  [1]  [2]  [3]
  {{0, 1, 2, 3}, {0, 0, 0, 0}, 0b1111, false},
  // 1:  0 > [1]  [2]  [3]
  {{0, 1, 2, 3}, {0, 0b0001, 0, 0}, 0b1110, false},
  // 2:  0 > [1], 0 > [2], 0 > [3]
  {{0, 1, 2, 3}, {0, 0b0001, 0b0001, 0b0001}, 0b1110, false},
  // 3:  0 > [1]   2 > [3]
  {{0, 1, 2, 3}, {0, 0b0001, 0, 0b0100}, 0b1010, false},
  // 4:  0 > 1, (1 + 2) > [3]
  {{0, 1, 2, 3}, {0, 0b0001, 0, 0b0110}, 0b1000, true},
  // 5:  1 > 2, (2 + 0) > [3]          evaluated 1, 2, 0, 3
  {{1, 2, 0, 3}, {0, 0, 0b0010, 0b0101}, 0b1000, true},
  // 6:  (0 + 1) > 2 > [3]
  {{0, 1, 2, 3}, {0, 0, 0b0011, 0b0100}, 0b1000, true},
  // 7:  0 > 1 > 2 > [3]
  {{0, 1, 2, 3}, {0, 0b0001, 0b0010, 0b0100}, 0b1000, true},
};

}  // namespace ovri::korvane::synth
