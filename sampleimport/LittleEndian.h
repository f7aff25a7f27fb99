#pragma once

#include <cstdint>

namespace ovri::korvane::sampleimport::detail {

// Little-endian reads from a byte buffer, and two's complement
// reinterpretations spelled out (no implementation-defined narrowing).

inline uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t readU24(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
}

inline uint32_t readU32(const uint8_t* p) { return readU24(p) | (static_cast<uint32_t>(p[3]) << 24); }

inline int8_t asSigned8(uint8_t b) { return static_cast<int8_t>(b < 0x80u ? b : b - 0x100); }

inline int16_t asSigned16(uint16_t u) { return static_cast<int16_t>(u < 0x8000u ? u : u - 0x10000); }

inline int32_t asSigned24(uint32_t u) {
  return u < 0x800000u ? static_cast<int32_t>(u) : static_cast<int32_t>(u) - 0x1000000;
}

inline int32_t asSigned32(uint32_t u) {
  return u < 0x80000000u ? static_cast<int32_t>(u) : static_cast<int32_t>(static_cast<int64_t>(u) - 0x100000000);
}

}  // namespace ovri::korvane::sampleimport::detail
