#pragma once

#include <cstdint>

namespace ovri::korvane::plugin {

// A 16-byte class ID built from four 32-bit words in COM order, the layout
// hosts on every platform know these IDs by:
//   bytes  0- 3  word 1, little-endian
//   bytes  4- 5  high 16 bits of word 2, little-endian
//   bytes  6- 7  low 16 bits of word 2, little-endian
//   bytes  8-11  word 3, big-endian
//   bytes 12-15  word 4, big-endian
struct ClassUid {
  char bytes[16];
};

constexpr ClassUid comOrderUid(uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4) {
  return ClassUid{{
      static_cast<char>(w1 & 0xFF), static_cast<char>((w1 >> 8) & 0xFF),
      static_cast<char>((w1 >> 16) & 0xFF), static_cast<char>((w1 >> 24) & 0xFF),
      static_cast<char>((w2 >> 16) & 0xFF), static_cast<char>((w2 >> 24) & 0xFF),
      static_cast<char>(w2 & 0xFF), static_cast<char>((w2 >> 8) & 0xFF),
      static_cast<char>((w3 >> 24) & 0xFF), static_cast<char>((w3 >> 16) & 0xFF),
      static_cast<char>((w3 >> 8) & 0xFF), static_cast<char>(w3 & 0xFF),
      static_cast<char>((w4 >> 24) & 0xFF), static_cast<char>((w4 >> 16) & 0xFF),
      static_cast<char>((w4 >> 8) & 0xFF), static_cast<char>(w4 & 0xFF),
  }};
}

// B0 F8 E1 AB 94 4B 50 49 A3 0D 68 9D EE 29 4B 38
inline constexpr ClassUid kProcessorUid = comOrderUid(0xABE1F8B0, 0x4B944950, 0xA30D689D, 0xEE294B38);
// EB 95 FF 58 E7 14 36 4C BF 81 29 2F 0E A4 72 7E
inline constexpr ClassUid kControllerUid = comOrderUid(0x58FF95EB, 0x14E74C36, 0xBF81292F, 0x0EA4727E);

// Registration data of the module's two classes.
inline constexpr const char* kVendorName = "Ovri Audio";
inline constexpr const char* kVendorUrl = "https://ovri.example";
inline constexpr const char* kVendorEmail = "";
inline constexpr const char* kProcessorName = "Korvane Synth FM4";
inline constexpr const char* kControllerName = "Korvane Synth FM4 Controller";
inline constexpr const char* kProcessorSubCategories = "Instrument|Synth";
inline constexpr const char* kClassVersion = "23.1.5";
inline constexpr const char* kClassSdkVersion = "VST 3.7.3";

// Host parameter ids. A MIDI parameter has bit 16 set, the channel in bits
// 8..11 and in the low byte the controller number (0..127),
// kChannelPressure, kPitchBend or kProgramChange:
//   0x1 0c nn   c = channel 0..15, nn = controller / 0x80 / 0x81 / 0x82
constexpr uint32_t kBypassParamId = 0x01000001;
constexpr uint32_t kMidiParamFlag = 0x10000;
constexpr uint32_t kChannelPressureNumber = 0x80;
constexpr uint32_t kPitchBendNumber = 0x81;
constexpr uint32_t kProgramChangeNumber = 0x82;
constexpr uint32_t kMidiChannelCount = 16;

constexpr uint32_t midiParamId(uint32_t channel, uint32_t number) {
  return kMidiParamFlag + (channel & 0xF) * 256 + number;
}

// Units: the controller unit, then one program unit per channel whose id
// is also the id of its program list (the 128 instrument tones).
constexpr int32_t kControllerUnitId = 0x10000;
constexpr int32_t kProgramUnitBase = 0x100000;

// Buses: "out 1" is the main output, the others auxiliary.
constexpr int32_t kOutputBusCount = 16;
constexpr int32_t kProgramCount = 128;

}  // namespace ovri::korvane::plugin
