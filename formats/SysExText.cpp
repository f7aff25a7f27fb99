#include "formats/SysExText.h"

#include <cstdint>

namespace ovri::korvane::formats {

namespace {

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

}  // namespace

// Tone preset message, 79 bytes (address 25..95 of a tone block):
//
//   F0 7D 10 21           status, manufacturer, device, model
//   04 | 05               block: instrument program (tones 0..127) | percussion key (128..255)
//   bb                    tone index & 7F
//   19                    first address written
//   7 bytes               key&7F  pan&7F  lfoWave&7  lfoFreq&7F  (lfoFreq>>7)&7F  fl&7F  strc&7
//   16 bytes x 4 ops      00 00 00 (reserved)  tlVelCtrl&7  mul&F  tune&7F  (tune>>7)&7F  lms&F
//                         wave&7  tl&7F  ar&7F  dr&7F  sl&7F  rr&7F  kf&7F  kfStart&7F
//   F7                    end of exclusive
std::string writeToneSysExText(const synth::TonePreset* tones) {
  std::string out;
  out.reserve(synth::kToneCount * 240 + 800);
  for (const char* line : kToneHeaderLines) appendLine(out, line);
  for (int32_t i = 0; i < synth::kToneCount; ++i) {
    const synth::TonePreset& t = tones[i];
    out += "F0 7D 10 21";
    out += i < synth::kPercussionToneBase ? " 04" : " 05";
    appendDataByte(out, i & 0x7F);
    out += " 19";
    for (int32_t value : {t.key & 0x7F, t.pan & 0x7F, t.lfoWave & 0x7, t.lfoFreq & 0x7F,
                          (t.lfoFreq >> 7) & 0x7F, t.fl & 0x7F, t.strc & 0x7})
      appendDataByte(out, value);
    for (int32_t op = 0; op < synth::kOperatorCount; ++op) {
      out += " 00 00 00";
      for (int32_t value : {t.tlVelCtrl[op] & 0x7, t.mul[op] & 0xF, t.tune[op] & 0x7F,
                            (t.tune[op] >> 7) & 0x7F, t.lms[op] & 0xF, t.wave[op] & 0x7,
                            t.tl[op] & 0x7F, t.ar[op] & 0x7F, t.dr[op] & 0x7F, t.sl[op] & 0x7F,
                            t.rr[op] & 0x7F, t.kf[op] & 0x7F, t.kfStart[op] & 0x7F})
        appendDataByte(out, value);
    }
    out += " F7\n";
  }
  return out;
}

// Sampler preset message, 18 bytes (address 16..25 of a sampler block):
//
//   F0 7D 10 21 06        status, manufacturer, device, model, block: sampler preset
//   bb                    preset index & 7F
//   10                    first address written
//   10 bytes              smplNum&7F  pan&7F  octv&F  tune&7F  (tune>>7)&7F  tl&7F  ar&7F
//                         dr&7F  sl&7F  rr&7F
//   F7                    end of exclusive
std::string writeSamplerSysExText(const synth::SamplerPreset* presets) {
  std::string out;
  out.reserve(synth::kSamplerPresetCount * 60 + 600);
  for (int32_t line = 0; line < 3; ++line) appendLine(out, kToneHeaderLines[line]);
  appendLine(out, kSamplerFieldLine);
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i) {
    const synth::SamplerPreset& p = presets[i];
    out += "F0 7D 10 21 06";
    appendDataByte(out, i & 0x7F);
    out += " 10";
    for (int32_t value : {p.smplNum & 0x7F, p.pan & 0x7F, p.octv & 0xF, p.tune & 0x7F,
                          (p.tune >> 7) & 0x7F, p.tl & 0x7F, p.ar & 0x7F, p.dr & 0x7F,
                          p.sl & 0x7F, p.rr & 0x7F})
      appendDataByte(out, value);
    out += " F7\n";
  }
  return out;
}

}  // namespace ovri::korvane::formats
