#pragma once

#include <cstdint>

namespace ovri::korvane::sampleimport {

// 4-bit ADPCM over signed 16-bit samples. A code is sign + magnitude
// (bit 3 = negative, bits 0..2 = quantised difference in quarter steps);
// each channel keeps a predictor (starts 0) and an adaptive step (starts
// 127, kept within 127..24576). Packing as for DPCM: two codes per byte,
// first sample low; with two channels left low, right high, each with its
// own state.
//
// Each operation stops when n samples are done or byteCount bytes are
// used, whichever comes first; when the last sample falls in a low nibble,
// its byte carries it alone.

// samples[0..n) -> codes[0..byteCount). Any channel count other than 2 is
// coded as one channel. The encoder's predictor is not clamped.
void encodeAdpcm(const int16_t* samples, int32_t channels, int32_t n, uint8_t* codes, int32_t byteCount);

// codes[0..byteCount) -> samples[0..n); the predictor is kept within
// -32768..32767. Does nothing unless channels is 1 or 2.
void decodeAdpcm(const uint8_t* codes, int32_t byteCount, int32_t channels, int16_t* samples, int32_t n);

}  // namespace ovri::korvane::sampleimport
