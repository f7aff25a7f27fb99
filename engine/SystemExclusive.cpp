// System-exclusive parameter writes of the FM4 module.
//
// Message (payload after F0):  7D 10 22 aa bb cc v0 v1 ... F7
//   7D 10 22  manufacturer, device and model ID (must match the engine's)
//   aa        block, bb index, cc first address; values go to cc, cc+1, ...
//
//   aa    block                  bb                         addresses
//   0x00  system                 must be 0                  0 master volume, 1 master tune
//   0x02  part                   part (low 4 bits)          0 default mode, 1 mode
//   0x04  instrument tone        program 0..127             0..95
//   0x05  percussion tone        key 0..127 (tone 128+key)  0..95
//   0x06  sampler preset         preset 0..127              0..25
//
// Tone block:
//   0-15 name   16-24 reserved   25 key   26 pan   27 lfoWave&3
//   28,29 lfoFreq (LSB, MSB)   30 fl   31 strc&7   32-34 reserved
//   operator n at 35 + 16n:
//     +0 tlVelCtrl&7  +1 mul&15  +2,+3 tune (LSB, MSB)  +4 lms&15  +5 wave&7
//     +6 tl  +7 ar  +8 dr  +9 sl  +10 rr  +11 kf&3  +12 kfStart  +13..+15 reserved
//   (operator 3 ends at 95 with kfStart)
//
// Sampler block:
//   0-15 name  16 smplNum  17 pan  18 octv&15  19,20 tune (LSB, MSB)
//   21 tl  22 ar  23 dr  24 sl  25 rr
//
// A 14-bit pair: the LSB address writes bits 0-6 and keeps bits 7-13, the
// MSB address writes bits 7-13 and keeps bits 0-6. Reserved addresses
// consume a value. Surplus values past the block's last address are ignored;
// a message that ends early keeps what it wrote.
#include "engine/SynthesizerFM4.h"

namespace ovri::korvane::synth {

namespace {
constexpr int32_t kBlockSystem = 0x00;
constexpr int32_t kBlockPart = 0x02;
constexpr int32_t kBlockInstrumentTone = 0x04;
constexpr int32_t kBlockPercussionTone = 0x05;
constexpr int32_t kBlockSampler = 0x06;

constexpr int32_t kLastSystemAddress = 1;
constexpr int32_t kLastPartAddress = 1;
constexpr int32_t kLastToneAddress = 95;
constexpr int32_t kLastSamplerAddress = 25;

constexpr int32_t kToneOperatorBase = 35;
constexpr int32_t kToneOperatorStride = 16;

int32_t withLsb(int32_t old, int32_t value) { return (old & 0x3F80) | (value & 0x7F); }
int32_t withMsb(int32_t old, int32_t value) { return ((value & 0x7F) << 7) | (old & 0x7F); }
}  // namespace

void SynthesizerFM4::onSystemExclusive(MidiEvent& event) {
  const uint8_t* d = event.sysexData;
  const int32_t length = event.sysexLength < kSysExCapacity ? event.sysexLength : kSysExCapacity;
  if (length < 8) return;
  if (d[0] != manufacturerId || d[1] != deviceId || d[2] != modelId) return;
  const int32_t block = d[3];
  const int32_t index = d[4];
  const int32_t first = d[5];

  int32_t last;
  switch (block) {
    case kBlockSystem:
      if (index != 0) return;
      last = kLastSystemAddress;
      break;
    case kBlockPart:
      last = kLastPartAddress;
      break;
    case kBlockInstrumentTone:
    case kBlockPercussionTone:
      if (index >= 128) return;  // no such tone in the block
      last = kLastToneAddress;
      break;
    case kBlockSampler:
      if (index >= kSamplerPresetCount) return;
      last = kLastSamplerAddress;
      break;
    default:
      return;
  }
  if (first > last) return;

  int32_t position = 6;
  int32_t address = first;
  do {
    const int32_t value = d[position];
    switch (block) {
      case kBlockSystem: writeSystemBlock(address, value); break;
      case kBlockPart: writePartBlock(index & 15, address, value); break;
      case kBlockInstrumentTone: writeToneBlock(tonePresets[index], address, value); break;
      case kBlockPercussionTone: writeToneBlock(tonePresets[kPercussionToneBase + index], address, value); break;
      default: writeSamplerBlock(samplerPresets[index], address, value); break;
    }
    ++position;
    ++address;
  } while (position < length - 1 && address <= last);
}

void SynthesizerFM4::writeSystemBlock(int32_t address, int32_t value) {
  if (address == 0) {
    if (value <= 127) setMasterVolume(volumeTable[value]);  // 7-bit: larger values name no volume step
  } else {
    setMasterTune((value - 64) * 0.5f + 440.0f);  // 408.0 .. 471.5 Hz in 0.5 Hz steps; silences all voices
  }
}

void SynthesizerFM4::writePartBlock(int32_t part, int32_t address, int32_t value) {
  if (address == 0)
    setPartDefaultMode(part, value);
  else
    setPartMode(part, value);
}

void SynthesizerFM4::writeToneBlock(TonePreset& tone, int32_t address, int32_t value) {
  if (address < kPresetNameLength) {
    tone.presetName[address] = static_cast<char>(value);
    return;
  }
  switch (address) {
    case 25: tone.key = value; return;
    case 26: tone.pan = value; return;
    case 27: tone.lfoWave = value & 3; return;
    case 28: tone.lfoFreq = withLsb(tone.lfoFreq, value); return;
    case 29: tone.lfoFreq = withMsb(tone.lfoFreq, value); return;
    case 30: tone.fl = value; return;
    case 31: tone.strc = value & 7; return;
    default: break;
  }
  if (address < kToneOperatorBase) return;  // reserved
  const int32_t op = (address - kToneOperatorBase) / kToneOperatorStride;
  const int32_t offset = (address - kToneOperatorBase) % kToneOperatorStride;
  int32_t** fields = tone.operatorFields + op * kOperatorFieldCount;
  // Offsets 0..12 map to the operator's twelve fields; tune takes two.
  switch (offset) {
    case 0: *fields[0] = value & 7; break;                  // tlVelCtrl
    case 1: *fields[1] = value & 15; break;                 // mul
    case 2: *fields[2] = withLsb(*fields[2], value); break; // tune LSB
    case 3: *fields[2] = withMsb(*fields[2], value); break; // tune MSB
    case 4: *fields[3] = value & 15; break;                 // lms
    case 5: *fields[4] = value & 7; break;                  // wave
    case 6: case 7: case 8: case 9: case 10:                // tl, ar, dr, sl, rr
      *fields[offset - 1] = value;
      break;
    case 11: *fields[10] = value & 3; break;                // kf
    case 12: *fields[11] = value; break;                    // kfStart
    default: break;                                         // reserved
  }
}

void SynthesizerFM4::writeSamplerBlock(SamplerPreset& preset, int32_t address, int32_t value) {
  if (address < kPresetNameLength) {
    preset.presetName[address] = static_cast<char>(value);
    return;
  }
  switch (address) {
    case 16: preset.smplNum = value; break;
    case 17: preset.pan = value; break;
    case 18: preset.octv = value & 15; break;
    case 19: preset.tune = withLsb(preset.tune, value); break;
    case 20: preset.tune = withMsb(preset.tune, value); break;
    case 21: preset.tl = value; break;
    case 22: preset.ar = value; break;
    case 23: preset.dr = value; break;
    case 24: preset.sl = value; break;
    case 25: preset.rr = value; break;
    default: break;
  }
}

}  // namespace ovri::korvane::synth
