#include "tonegen/SoundData.h"

#include "tonegen/SoundFields.h"

#include <cstring>

namespace ovri::korvane::synth {

namespace {
void blankName(char* name) {
  std::memset(name, ' ', kPresetNameLength);
  name[kPresetNameLength] = 0;
}
}  // namespace

void TonePreset::setDefaults() {
  blankName(presetName);
  forEachToneValue(*this, [](int32_t& value, const auto& row) {
    value = row.defaultValue;
    return true;
  });
}

void SamplerPreset::setDefaults() {
  blankName(presetName);
  forEachSamplerValue(*this, [](int32_t& value, const SamplerField& row) {
    value = row.defaultValue;
    return true;
  });
}

void SampleData::clear() {
  if (ownsData) delete[] samples;
  ownsData = 0;
  sampleRate = 0.0f;
  pitch = 0.0f;
  samples = nullptr;
  length = channels = 0;
  logRate = logPitch = pitchOffset = 0;
  start = end = loopEnd = loopLength = loopTail = 0;
}

void SampleData::takeFrom(SampleData& other) {
  if (&other == this) return;
  clear();
  ownsData = other.ownsData;
  sampleRate = other.sampleRate;
  pitch = other.pitch;
  samples = other.samples;
  length = other.length;
  channels = other.channels;
  logRate = other.logRate;
  logPitch = other.logPitch;
  pitchOffset = other.pitchOffset;
  start = other.start;
  end = other.end;
  loopEnd = other.loopEnd;
  loopLength = other.loopLength;
  loopTail = other.loopTail;
  other.ownsData = 0;  // the values now belong here
  other.clear();
}

void PartState::resetRegisters() {
  channelPressure = 0;
  pitchBend = 8192;
  controllers[1] = 0;
  controllers[11] = 127;
  rpnRegister = 0;
  nrpnRegister = 0;
  parameterSelector = 256;
}

void PartState::resetControllers() {
  program = 0;
  channelPressure = 0;
  pitchBend = 8192;
  for (int32_t& c : controllers) c = 0;
  controllers[7] = 100;   // volume
  controllers[10] = 64;   // pan
  controllers[11] = 127;  // expression
  bendRange = 2;
  rpnRegister = 0;
  nrpnRegister = 0;
  parameterSelector = 256;
}

}  // namespace ovri::korvane::synth
