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
// The tone and sampler blocks hold the name at addresses 0-15 and each value
// at the sysex address of its row in SoundFields.h (operator j of a tone at
// 35 + 16j + the row's offset), stored ANDed with the row's rxMask.
// Addresses that no row names are reserved.
//
// A 14-bit pair: the LSB address writes bits 0-6 and keeps bits 7-13, the
// MSB address writes bits 7-13 and keeps bits 0-6. Reserved addresses
// consume a value. Surplus values past the block's last address are ignored;
// a message that ends early keeps what it wrote.
#include "engine/SynthesizerFM4.h"

#include "tonegen/SoundFields.h"

namespace ovri::korvane::synth {

namespace {
constexpr int32_t kBlockSystem = 0x00;
constexpr int32_t kBlockPart = 0x02;
constexpr int32_t kBlockInstrumentTone = 0x04;
constexpr int32_t kBlockPercussionTone = 0x05;
constexpr int32_t kBlockSampler = 0x06;

constexpr int32_t kLastSystemAddress = 1;
constexpr int32_t kLastPartAddress = 1;

int32_t withLsb(int32_t old, int32_t value) { return (old & 0x3F80) | (value & 0x7F); }
int32_t withMsb(int32_t old, int32_t value) { return ((value & 0x7F) << 7) | (old & 0x7F); }

// Stores a value at a cell that names a field (reserved cells store nothing).
void storeCell(int32_t& field, SysExCell::Kind kind, int32_t rxMask, int32_t value) {
  switch (kind) {
    case SysExCell::kValue: field = value & rxMask; break;
    case SysExCell::kLsb: field = withLsb(field, value); break;
    case SysExCell::kMsb: field = withMsb(field, value); break;
    default: break;
  }
}
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
      last = kToneSysExLastAddress;
      break;
    case kBlockSampler:
      if (index >= kSamplerPresetCount) return;
      last = kSamplerSysExLastAddress;
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
  const SysExCell& cell = toneSysExCell(address);
  if (cell.kind == SysExCell::kNameChar)
    tone.presetName[cell.row] = static_cast<char>(value);
  else if (cell.kind != SysExCell::kReserved)
    storeCell(toneCellValue(tone, cell), cell.kind, toneCellRxMask(cell), value);
}

void SynthesizerFM4::writeSamplerBlock(SamplerPreset& preset, int32_t address, int32_t value) {
  const SysExCell& cell = samplerSysExCell(address);
  if (cell.kind == SysExCell::kNameChar)
    preset.presetName[cell.row] = static_cast<char>(value);
  else if (cell.kind != SysExCell::kReserved)
    storeCell(preset.*kSamplerFields[cell.row].member, cell.kind, kSamplerFields[cell.row].rxMask, value);
}

}  // namespace ovri::korvane::synth
