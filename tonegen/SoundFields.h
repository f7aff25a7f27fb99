#pragma once

// One description of each sound record: every field of the tone preset (its
// tone-wide fields and the twelve fields of each operator) and of the sampler
// preset, with the column each outside format needs. System-exclusive
// reception, the preset text, the system-exclusive text export, the value
// tags and the state image all read their field order, widths and masks from
// here, so a field is described once.
//
// Columns of a row:
//   name      the field's name in the text file headers ("tlVelCtrl" for tlVelCtrl_0..3)
//   member    where the record holds it
//   default   value after setDefaults()
//   bytes     1: a value of up to 7 bits (u8 in the state image, one sysex address);
//             2: a 14-bit value (u16 in the state image, two sysex addresses:
//                LSB writes bits 0-6, MSB bits 7-13, each keeping the other half)
//   sysex     system-exclusive address of the value (operator rows: offset from
//             the operator's base address, see kToneSysExOperatorBase)
//   rxMask    ANDed with a received sysex byte before it is stored; kAsSent
//             stores the byte as it is; unused for 14-bit rows
//   txMask    ANDed with the value by the sysex text export before it is
//             written (14-bit rows: split into two 7-bit bytes instead)
//   textMask  ANDed with a value read from preset text (values are written as stored)
//   tag       value tag item on the record's editor page (operator rows: the
//             low nibble k of item 0x10 + 0x10 j + k)
//   range     R of the value tag: n = (int)(v x R + 0.5), answer n / R
//
// Record order (the row order of the tables) is the order of the preset text
// values and of the state image fields: the tone-wide rows, then the twelve
// operator rows for operator 0, then for operator 1, 2 and 3. System
// exclusive orders by address, the value tags by item; each name is given
// above with its row.
//
// Where the formats differ, by design of each format:
//   tone lfoWave   rx 0x3, tx 0x7, text 0x3, tag R 3
//   tone strc      rx 0x7, tx 0x7, text 0x7, tag R 15 (the editor sets bit 3, LFO to attenuation)
//   operator wave  rx 0x7, tx 0x7, text 0x7F, tag R 7
//   operator kf    rx 0x3, tx 0x7F, text 0x3, tag R 3
//   fields sent as bytes (key, pan, fl, tl, ar, dr, sl, rr, kfStart, smplNum):
//                  rx as sent, tx and text 0x7F
//   value tag items follow neither the record order nor the sysex order.

#include "tonegen/SoundData.h"

#include <cstddef>
#include <cstdint>

namespace ovri::korvane::synth {

constexpr int32_t kAsSent = ~0;  // rxMask: every bit, the received byte is stored unchanged

// One row of a record's field table. Member is a pointer to an int32 member
// of the record, or for operator rows to its int32[kOperatorCount] member.
template <typename Member>
struct SoundField {
  const char* name;
  Member member;
  int32_t defaultValue;
  int32_t bytes;
  int32_t sysexAddress;
  int32_t rxMask;
  int32_t txMask;
  int32_t textMask;
  int32_t tagItem;
  int32_t tagRange;
};

using ToneField = SoundField<int32_t ToneParameters::*>;
using OperatorField = SoundField<int32_t (ToneParameters::*)[kOperatorCount]>;
using SamplerField = SoundField<int32_t SamplerPreset::*>;

// Tone block: the name at sysex addresses 0-15 (16-24 reserved), the
// tone-wide fields at 25-31 (32-34 reserved), operator j at
// kToneSysExOperatorBase + kToneSysExOperatorStride x j + the row's offset;
// operator 3 ends with kfStart at 95.
constexpr int32_t kSysExNameAddress = 0;  // both blocks: 16 name characters
constexpr int32_t kToneSysExOperatorBase = 35;
constexpr int32_t kToneSysExOperatorStride = 16;
constexpr int32_t kToneSysExLastAddress = 95;
constexpr int32_t kSamplerSysExLastAddress = 25;

// Tone page value tags: operator j, field k at item kToneTagOperatorBase +
// kToneTagOperatorStride x j + k.
constexpr int32_t kToneTagOperatorBase = 0x10;
constexpr int32_t kToneTagOperatorStride = 0x10;

// clang-format off
//   name       member                     default  bytes  sysex rxMask   txMask  textMask  tag   range
inline constexpr ToneField kToneFields[] = {
    {"key",     &ToneParameters::key,          64,     1,    25, kAsSent, 0x7F,   0x7F,     0x03,   127},
    {"pan",     &ToneParameters::pan,          64,     1,    26, kAsSent, 0x7F,   0x7F,     0x04,   127},
    {"lfoWave", &ToneParameters::lfoWave,       0,     1,    27, 0x3,     0x7,    0x3,      0x07,     3},
    {"lfoFreq", &ToneParameters::lfoFreq,    2048,     2,    28, 0x3FFF,  0x3FFF, 0x3FFF,   0x08, 16383},
    {"fl",      &ToneParameters::fl,          127,     1,    30, kAsSent, 0x7F,   0x7F,     0x06,   127},
    {"strc",    &ToneParameters::strc,          0,     1,    31, 0x7,     0x7,    0x7,      0x05,    15},
};

//   name         member                       default  bytes  sysex rxMask   txMask  textMask  tag  range
inline constexpr OperatorField kOperatorFields[] = {
    {"tlVelCtrl", &ToneParameters::tlVelCtrl,       0,     1,     0, 0x7,     0x7,    0x7,      0x4,     7},
    {"mul",       &ToneParameters::mul,             1,     1,     1, 0xF,     0xF,    0xF,      0x1,    15},
    {"tune",      &ToneParameters::tune,         8192,     2,     2, 0x3FFF,  0x3FFF, 0x3FFF,   0x2, 16383},
    {"lms",       &ToneParameters::lms,             0,     1,     4, 0xF,     0xF,    0xF,      0x3,    15},
    {"wave",      &ToneParameters::wave,            0,     1,     5, 0x7,     0x7,    0x7F,     0x0,     7},
    {"tl",        &ToneParameters::tl,              0,     1,     6, kAsSent, 0x7F,   0x7F,     0x5,   127},
    {"ar",        &ToneParameters::ar,            124,     1,     7, kAsSent, 0x7F,   0x7F,     0x6,   127},
    {"dr",        &ToneParameters::dr,            100,     1,     8, kAsSent, 0x7F,   0x7F,     0x7,   127},
    {"sl",        &ToneParameters::sl,              0,     1,     9, kAsSent, 0x7F,   0x7F,     0x8,   127},
    {"rr",        &ToneParameters::rr,            120,     1,    10, kAsSent, 0x7F,   0x7F,     0x9,   127},
    {"kf",        &ToneParameters::kf,              0,     1,    11, 0x3,     0x7F,   0x3,      0xA,     3},
    {"kfStart",   &ToneParameters::kfStart,        48,     1,    12, kAsSent, 0x7F,   0x7F,     0xB,   127},
};

//   name       member                    default  bytes  sysex rxMask   txMask  textMask  tag   range
inline constexpr SamplerField kSamplerFields[] = {
    {"smplNum", &SamplerPreset::smplNum,       0,     1,    16, kAsSent, 0x7F,   0x7F,     0x03,   127},
    {"pan",     &SamplerPreset::pan,          64,     1,    17, kAsSent, 0x7F,   0x7F,     0x04,   127},
    {"octv",    &SamplerPreset::octv,          8,     1,    18, 0xF,     0xF,    0xF,      0x05,    15},
    {"tune",    &SamplerPreset::tune,       8192,     2,    19, 0x3FFF,  0x3FFF, 0x3FFF,   0x06, 16383},
    {"tl",      &SamplerPreset::tl,            0,     1,    21, kAsSent, 0x7F,   0x7F,     0x07,   127},
    {"ar",      &SamplerPreset::ar,          127,     1,    22, kAsSent, 0x7F,   0x7F,     0x08,   127},
    {"dr",      &SamplerPreset::dr,            0,     1,    23, kAsSent, 0x7F,   0x7F,     0x09,   127},
    {"sl",      &SamplerPreset::sl,          127,     1,    24, kAsSent, 0x7F,   0x7F,     0x0A,   127},
    {"rr",      &SamplerPreset::rr,          120,     1,    25, kAsSent, 0x7F,   0x7F,     0x0B,   127},
};
// clang-format on

constexpr int32_t kToneFieldCount = static_cast<int32_t>(sizeof(kToneFields) / sizeof(kToneFields[0]));
constexpr int32_t kSamplerFieldCount = static_cast<int32_t>(sizeof(kSamplerFields) / sizeof(kSamplerFields[0]));
static_assert(sizeof(kOperatorFields) / sizeof(kOperatorFields[0]) == kOperatorFieldCount);

// Values of a record besides its name: 6 + 4 x 12 for a tone, 9 for a sampler preset.
constexpr int32_t kToneValueCount = kToneFieldCount + kOperatorCount * kOperatorFieldCount;
constexpr int32_t kSamplerValueCount = kSamplerFieldCount;

// Sum of the bytes column of a table.
template <typename Row, std::size_t N> constexpr int32_t valueBytesOf(const Row (&rows)[N]) {
  int32_t sum = 0;
  for (const Row& row : rows) sum += row.bytes;
  return sum;
}

// Bytes of one record in the state image: name, then the values at their widths.
constexpr int32_t kToneImageBytes =
    kPresetNameLength + valueBytesOf(kToneFields) + kOperatorCount * valueBytesOf(kOperatorFields);
constexpr int32_t kSamplerImageBytes = kPresetNameLength + valueBytesOf(kSamplerFields);
static_assert(kToneImageBytes == 75 && kSamplerImageBytes == 26);

// Calls visit(value, row) for each value of a tone in record order, value
// being an int32_t& (const when tone is const) and row the ToneField or
// OperatorField it belongs to; stops at and returns the first false visit.
template <typename Tone, typename Visit> bool forEachToneValue(Tone& tone, Visit&& visit) {
  for (const ToneField& row : kToneFields)
    if (!visit(tone.*row.member, row)) return false;
  for (int32_t j = 0; j < kOperatorCount; ++j)
    for (const OperatorField& row : kOperatorFields)
      if (!visit((tone.*row.member)[j], row)) return false;
  return true;
}

// The same over the values of a sampler preset.
template <typename Preset, typename Visit> bool forEachSamplerValue(Preset& preset, Visit&& visit) {
  for (const SamplerField& row : kSamplerFields)
    if (!visit(preset.*row.member, row)) return false;
  return true;
}

// What one address of a tone or sampler sysex block writes.
struct SysExCell {
  enum Kind : uint8_t { kReserved, kNameChar, kValue, kLsb, kMsb };
  static constexpr int8_t kNoOperator = -1;
  Kind kind = kReserved;
  int8_t row = 0;               // kNameChar: character index; otherwise the row of the value
  int8_t op = kNoOperator;      // tone block: operator 0..3 of an operator row
};

// The cell of a tone block address 0..kToneSysExLastAddress, of a sampler
// block address 0..kSamplerSysExLastAddress. Table lookups: no allocation.
const SysExCell& toneSysExCell(int32_t address);
const SysExCell& samplerSysExCell(int32_t address);

// The value a cell of kind kValue, kLsb or kMsb names in a record, and the
// row it belongs to.
int32_t& toneCellValue(ToneParameters& tone, const SysExCell& cell);
int32_t toneCellValue(const ToneParameters& tone, const SysExCell& cell);
int32_t toneCellRxMask(const SysExCell& cell);
int32_t toneCellTxMask(const SysExCell& cell);

}  // namespace ovri::korvane::synth
