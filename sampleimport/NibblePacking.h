#pragma once

#include <cstdint>

namespace ovri::korvane::sampleimport::detail {

// Packing shared by the 4-bit codecs: two codes per byte, sample 2b in the
// low nibble of byte b and sample 2b + 1 in the high nibble.
//
//   byte b:  7    4 3    0
//           [ high ][ low ]     two channels: low = left, high = right,
//                               each channel with its own state;
//                               one channel: one state for both, in order
//
// A walk stops when n samples are done or byteCount bytes are used,
// whichever comes first. When the last sample falls in a low nibble, that
// byte carries it alone (high nibble 0). A Codec provides
//   struct State;   (default-constructed = the state at rest)
//   static uint8_t encode(State&, Sample);   returns the 4-bit code
//   static Sample decode(State&, uint8_t code);

template <typename Codec, typename Sample>
void encodeNibbles(const Sample* samples, int32_t n, bool twoChannels, uint8_t* codes, int32_t byteCount) {
  typename Codec::State states[2];
  typename Codec::State& low = states[0];
  typename Codec::State& high = states[twoChannels ? 1 : 0];
  int32_t done = 0;
  for (int32_t b = 0; b < byteCount && done < n; ++b) {
    const uint8_t lowCode = Codec::encode(low, samples[done++]);
    if (done == n) {
      codes[b] = lowCode;
      return;
    }
    const uint8_t highCode = Codec::encode(high, samples[done++]);
    codes[b] = static_cast<uint8_t>((highCode << 4) | lowCode);
  }
}

template <typename Codec, typename Sample>
void decodeNibbles(const uint8_t* codes, int32_t byteCount, bool twoChannels, Sample* samples, int32_t n) {
  typename Codec::State states[2];
  typename Codec::State& low = states[0];
  typename Codec::State& high = states[twoChannels ? 1 : 0];
  int32_t done = 0;
  for (int32_t b = 0; b < byteCount && done < n; ++b) {
    samples[done++] = Codec::decode(low, static_cast<uint8_t>(codes[b] & 0x0F));
    if (done == n) return;
    samples[done++] = Codec::decode(high, static_cast<uint8_t>(codes[b] >> 4));
  }
}

}  // namespace ovri::korvane::sampleimport::detail
