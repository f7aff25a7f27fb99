#pragma once

#include <cstdint>

namespace ovri::korvane {

constexpr int32_t kSysExCapacity = 256;  // payload bytes an event can carry

// Status values of MidiMessage::status (without the channel nibble).
namespace midi {
constexpr int32_t kNoteOff = 0x80;
constexpr int32_t kNoteOn = 0x90;
constexpr int32_t kControlChange = 0xB0;
constexpr int32_t kProgramChange = 0xC0;
constexpr int32_t kChannelPressure = 0xD0;
constexpr int32_t kPitchBend = 0xE0;
constexpr int32_t kSystemExclusive = 0xF0;
}  // namespace midi
constexpr int32_t kDefaultPortMask = 0xFFFF;

// One MIDI message: status without its channel nibble, the channel and the
// two data bytes, plus the system-exclusive payload (the bytes after F0, up
// to and including the closing F7).
class MidiMessage {
public:
  virtual ~MidiMessage() = default;
  virtual void reset();

  int32_t status = 0x80;  // 0x80, 0x90, ... 0xF0
  int32_t channel = 0;    // 0..15 = part index
  int32_t data1 = 0;      // key, controller, program, pressure or bend LSB
  int32_t data2 = 0;      // velocity, controller value or bend MSB
  int32_t sysexLength = 0;
  uint8_t sysexData[kSysExCapacity] = {};
};

// A message placed in time: the routing mask, the link of the block's event
// list and the sample offset inside the block. The rack's list head is a
// MidiEvent too.
class MidiEvent : public MidiMessage {
public:
  void reset() override;

  int32_t portMask = kDefaultPortMask;
  MidiEvent* next = nullptr;
  int32_t sampleOffset = 0;
};

}  // namespace ovri::korvane
