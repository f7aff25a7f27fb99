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

void SampleParameters::setPlayParameters(const SampleParameters& p) {
  const int32_t keptLength = length;
  const int32_t keptChannels = channels;
  *this = p;
  length = keptLength;
  channels = keptChannels;
}

void SampleData::clear() {
  if (ownsData) delete[] samples;
  ownsData = 0;
  samples = nullptr;
  static_cast<SampleParameters&>(*this) = SampleParameters{};
}

void SampleData::takeFrom(SampleData& other) {
  if (&other == this) return;
  clear();
  static_cast<SampleParameters&>(*this) = other;
  ownsData = other.ownsData;
  samples = other.samples;
  other.ownsData = 0;  // the values now belong here
  other.clear();
}

SampleParameters SampleData::parameters() const {
  SampleParameters p = *this;
  if (samples == nullptr) p.length = 0;
  return p;
}

void SampleData::assignParameters(const SampleParameters& p) {
  clear();
  static_cast<SampleParameters&>(*this) = p;
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
