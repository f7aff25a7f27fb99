#pragma once

#include <cstdint>

namespace ovri::korvane::sampleimport {

// 4-bit DPCM over signed 8-bit samples. A code is sign + magnitude
// (bit 3 = negative, bits 0..2 = 0..7): the predictor moves by at most 7
// per sample. Two codes per byte, first sample in the low nibble; with
// two channels the low nibble is left and the high nibble right, each with
// its own predictor starting at 0.
//
// Both operations handle n samples in n >> 1 bytes: with an odd n the last
// sample is neither coded nor decoded. They do nothing unless channels is
// 1 or 2.

// samples[0..n) -> codes[0 .. n >> 1).
void encodeDpcm(uint8_t* codes, int32_t channels, const int8_t* samples, int32_t n);

// codes[0 .. n >> 1) -> samples[0 .. n & ~1); the predictor is kept within
// -128..127.
void decodeDpcm(const uint8_t* codes, int32_t channels, int8_t* samples, int32_t n);

}  // namespace ovri::korvane::sampleimport
