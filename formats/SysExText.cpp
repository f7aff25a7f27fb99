#include "formats/SysExText.h"

#include "tonegen/SoundFields.h"

#include <cstdint>

namespace ovri::korvane::formats {

namespace {

using synth::SysExCell;

constexpr const char* kToneHeaderLines[] = {
    "# F0 7D 10 21 aa bb cc datas... F7",
    "# SysExStatus, MnufactureID(Universal), DeviceID, ModelID, DataOffsetAdress[abc], Datas..., EOX",
    "# aa[04(Instrument)] [05(Percussion)], bb[00-7f(Inst:program)(Perc:key Number)], cc[offset address]",
    "# key, pan, lfoWave, lfoFreq, fl, strc,",
    "# tlVelCtrl_0, mul_0, tune_0, lms_0, wave_0, tl_0, ar_0, dr_0, sl_0, rr_0, kf_0, kfStart_0,",
    "# tlVelCtrl_1, mul_1, tune_1, lms_1, wave_1, tl_1, ar_1, dr_1, sl_1, rr_1, kf_1, kfStart_1,",
    "# tlVelCtrl_2, mul_2, tune_2, lms_2, wave_2, tl_2, ar_2, dr_2, sl_2, rr_2, kf_2, kfStart_2,",
    "# tlVelCtrl_3, mul_3, tune_3, lms_3, wave_3, tl_3, ar_3, dr_3, sl_3, rr_3, kf_3, kfStart_3",
};
// The sampler export repeats the first three tone lines, then this one.
constexpr const char* kSamplerFieldLine =
    "# key, pan, lfoWave, lfoFreq, fl, strc, tlVelCtrl_0, mul_0, tune_0, lms_0, wave_0, tl_0, ar_0, "
    "dr_0, sl_0, rr_0, kf_0, kfStart_0, tlVelCtrl_1, mul_1, tune_1, lms_1, wave_1, tl_1, ar_1, dr_1, "
    "sl_1, rr_1, kf_1, kfStart_1";

// A data byte: a blank and two lower-case hexadecimal digits.
void appendDataByte(std::string& out, int32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += ' ';
  out += kDigits[(value >> 4) & 0xF];
  out += kDigits[value & 0xF];
}

void appendLine(std::string& out, const char* line) {
  out += line;
  out += '\n';
}

// The byte a cell of a block carries: the value ANDed with its row's txMask,
// one 7-bit half of a 14-bit value, or 00 at a reserved address.
int32_t cellByte(SysExCell::Kind kind, int32_t value, int32_t txMask) {
  switch (kind) {
    case SysExCell::kValue: return value & txMask;
    case SysExCell::kLsb: return value & 0x7F;
    case SysExCell::kMsb: return (value >> 7) & 0x7F;
    default: return 0;
  }
}

// The messages start at the first value of each block: key, smplNum.
constexpr int32_t kToneFirstAddress = 0x19;
constexpr int32_t kSamplerFirstAddress = 0x10;
static_assert(synth::kToneFields[0].sysexAddress == kToneFirstAddress);
static_assert(synth::kSamplerFields[0].sysexAddress == kSamplerFirstAddress);

}  // namespace

// Tone preset message, 79 bytes: addresses 25..95 of a tone block, each
// byte as cellByte() gives it (reserved addresses 32-34 and those after each
// operator's kfStart as 00).
//
//   F0 7D 10 21           status, manufacturer, device, model
//   04 | 05               block: instrument program (tones 0..127) | percussion key (128..255)
//   bb                    tone index & 7F
//   19                    first address written
//   7 bytes               key  pan  lfoWave  lfoFreq (LSB, MSB)  fl  strc
//   16 bytes x 4 ops      00 00 00 (reserved)  tlVelCtrl  mul  tune (LSB, MSB)  lms  wave
//                         tl  ar  dr  sl  rr  kf  kfStart
//   F7                    end of exclusive
std::string writeToneSysExText(const synth::TonePreset* tones) {
  std::string out;
  out.reserve(synth::kToneCount * 240 + 800);
  for (const char* line : kToneHeaderLines) appendLine(out, line);
  for (int32_t i = 0; i < synth::kToneCount; ++i) {
    out += "F0 7D 10 21";
    out += i < synth::kPercussionToneBase ? " 04" : " 05";
    appendDataByte(out, i & 0x7F);
    out += " 19";
    for (int32_t address = kToneFirstAddress; address <= synth::kToneSysExLastAddress; ++address) {
      const SysExCell& cell = synth::toneSysExCell(address);
      const bool holdsValue = cell.kind != SysExCell::kReserved;
      appendDataByte(out, holdsValue ? cellByte(cell.kind, synth::toneCellValue(tones[i], cell),
                                                synth::toneCellTxMask(cell))
                                     : 0);
    }
    out += " F7\n";
  }
  return out;
}

// Sampler preset message, 18 bytes: addresses 16..25 of a sampler block.
//
//   F0 7D 10 21 06        status, manufacturer, device, model, block: sampler preset
//   bb                    preset index & 7F
//   10                    first address written
//   10 bytes              smplNum  pan  octv  tune (LSB, MSB)  tl  ar  dr  sl  rr
//   F7                    end of exclusive
std::string writeSamplerSysExText(const synth::SamplerPreset* presets) {
  std::string out;
  out.reserve(synth::kSamplerPresetCount * 60 + 600);
  for (int32_t line = 0; line < 3; ++line) appendLine(out, kToneHeaderLines[line]);
  appendLine(out, kSamplerFieldLine);
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i) {
    out += "F0 7D 10 21 06";
    appendDataByte(out, i & 0x7F);
    out += " 10";
    for (int32_t address = kSamplerFirstAddress; address <= synth::kSamplerSysExLastAddress; ++address) {
      const SysExCell& cell = synth::samplerSysExCell(address);
      const synth::SamplerField& row = synth::kSamplerFields[cell.row];
      appendDataByte(out, cell.kind == SysExCell::kReserved
                              ? 0
                              : cellByte(cell.kind, presets[i].*row.member, row.txMask));
    }
    out += " F7\n";
  }
  return out;
}

}  // namespace ovri::korvane::formats
