#include "engine/SoundData.h"

#include <cstring>

namespace ovri::korvane::synth {

namespace {
void blankName(char* name) {
  std::memset(name, ' ', kPresetNameLength);
  name[kPresetNameLength] = 0;
}
}  // namespace

TonePreset::TonePreset() {
  setDefaults();
  linkOperatorFields();
}

TonePreset::TonePreset(const TonePreset& other) : ToneParameters(other) {
  linkOperatorFields();
}

TonePreset& TonePreset::operator=(const TonePreset& other) {
  static_cast<ToneParameters&>(*this) = other;
  return *this;
}

void TonePreset::linkOperatorFields() {
  for (int32_t op = 0; op < kOperatorCount; ++op) {
    int32_t** row = operatorFields + op * kOperatorFieldCount;
    row[0] = &tlVelCtrl[op];
    row[1] = &mul[op];
    row[2] = &tune[op];
    row[3] = &lms[op];
    row[4] = &wave[op];
    row[5] = &tl[op];
    row[6] = &ar[op];
    row[7] = &dr[op];
    row[8] = &sl[op];
    row[9] = &rr[op];
    row[10] = &kf[op];
    row[11] = &kfStart[op];
  }
}

void TonePreset::setDefaults() {
  blankName(presetName);
  key = 64;
  pan = 64;
  lfoWave = 0;
  lfoFreq = 2048;
  fl = 127;
  strc = 0;
  for (int32_t op = 0; op < kOperatorCount; ++op) {
    tlVelCtrl[op] = 0;
    mul[op] = 1;
    tune[op] = 8192;
    lms[op] = 0;
    wave[op] = 0;
    tl[op] = 0;
    ar[op] = 124;
    dr[op] = 100;
    sl[op] = 0;
    rr[op] = 120;
    kf[op] = 0;
    kfStart[op] = 48;
  }
}

void SamplerPreset::setDefaults() {
  blankName(presetName);
  smplNum = 0;
  pan = 64;
  octv = 8;
  tune = 8192;
  tl = 0;
  ar = 127;
  dr = 0;
  sl = 127;
  rr = 120;
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
