#include "engine/SynthesizerFM4.h"

#include "tonegen/LogCode.h"
#include "tonegen/VoiceTableSet.h"
#include "tonegen/VoiceUnitFM4.h"

#include <algorithm>
#include <cmath>

namespace ovri::korvane::synth {

SynthesizerFM4::SynthesizerFM4(float masterTuneHz, float masterGain) : MultiTimberSynthBase(masterTuneHz, masterGain) {
  modelId = kModelId;
  maxPartMode = kModeSampler;
  voiceTables = new VoiceTableSet();
  sortedVoices = new VoiceUnitFM4*[kMaxVoices];
  sortedLefts = new float*[kMaxVoices];
  sortedRights = new float*[kMaxVoices];
  initializeSoundData();
  allocateVoices(voiceCount);
  updateRateConstants();
}


SynthesizerFM4::~SynthesizerFM4() {
  delete[] voices;
  voices = nullptr;
  delete[] waveTable;
  delete[] sampleData;  // each slot frees its own values
  delete[] tonePresets;
  delete[] samplerPresets;
  delete[] voiceStorage;
  delete voiceTables;
  delete[] sortedVoices;
  delete[] sortedLefts;
  delete[] sortedRights;
}

void SynthesizerFM4::setVectorLevel(VectorLevel level) {
  vectorLevel = level > supportedVectorLevel() ? supportedVectorLevel() : level;
}

// A counting sort by routine keeps each routine's voices together, in the
// order given; every voice renders into buffers of its own, so the order
// between routines changes nothing.
void SynthesizerFM4::renderVoiceGroup(VoiceUnitBase* const* group, float* const* lefts, float* const* rights,
                                      int32_t count, int32_t end) {
  constexpr int32_t kRoutines = VoiceUnitFM4::kRenderTableSize;
  if (vectorLevel == VectorLevel::Scalar || count < 2) {
    MultiTimberSynthBase::renderVoiceGroup(group, lefts, rights, count, end);
    return;
  }
  int32_t start[kRoutines + 1] = {};
  auto routineOf = [](const VoiceUnitBase* v) {
    const int32_t r = static_cast<const VoiceUnitFM4*>(v)->getRoutine();
    return r >= 0 && r < kRoutines ? r : 0;
  };
  for (int32_t g = 0; g < count; ++g) ++start[routineOf(group[g]) + 1];
  for (int32_t r = 0; r < kRoutines; ++r) start[r + 1] += start[r];
  for (int32_t g = 0; g < count; ++g) {
    const int32_t at = start[routineOf(group[g])]++;
    sortedVoices[at] = static_cast<VoiceUnitFM4*>(group[g]);
    sortedLefts[at] = lefts[g];
    sortedRights[at] = rights[g];
  }
  VoiceUnitFM4::renderGroup(sortedVoices, sortedLefts, sortedRights, count, end, vectorLevel);
}

SynthesizerFM4::VoiceUnitFM4& SynthesizerFM4::getVoiceUnit(int32_t index) { return voiceStorage[index]; }

int32_t SynthesizerFM4::roundVoiceCount(int32_t n) {
  if (n < 1) return n;
  int32_t count = 1;
  while (count < n && count < kMaxVoices) count <<= 1;
  return count;
}

// The pool is built once, for kMaxVoices voices, by the first call (from
// the constructor). Every later call brings the first count voices into use
// without allocating: every sounding note ends, and each voice that has
// played since it was built is made as new again, so a voice coming into
// use behaves exactly as a newly built one. Each voice in use takes the
// master volume in force.
void SynthesizerFM4::allocateVoices(int32_t count) {
  count = count < 1 ? 1 : (count > kMaxVoices ? kMaxVoices : count);
  if (voiceStorage == nullptr) {
    voiceStorage = new VoiceUnitFM4[kMaxVoices];
    voices = new VoiceUnitBase*[kMaxVoices];
    for (int32_t i = 0; i < kMaxVoices; ++i) {
      voiceStorage[i].attach(*voiceTables, parts, waveTable, tonePresets, sampleData, samplerPresets, 0.0f);
      voices[i] = &voiceStorage[i];
    }
  } else {
    stopVoices(-1);
    forEachVoiceBit(kMaxVoices, [this](int32_t w) { return usedVoices.words[w]; }, [this](int32_t i) {
      VoiceUnitFM4& voice = voiceStorage[i];
      voice = VoiceUnitFM4();
      voice.attach(*voiceTables, parts, waveTable, tonePresets, sampleData, samplerPresets, 0.0f);
    });
    usedVoices.fill(false);
  }
  voiceCount = count;
  trackAllVoicesIdle();
  for (int32_t i = 0; i < voiceCount; ++i) voiceStorage[i].masterVolumeChanged(masterVolume);
}

// Constants in 1/8192 octave, from the sample rate r and the master tune t:
//   samplePitchBase = 131072 - L(r)              131072 = log2(2^16) x 8192: 16.16 sample steps
//   pitchBase       = 221184 - L(r) + L(t/2^5.75) 221184 = log2(2^27) x 8192: the 27-bit phase;
//                                                t / 2^5.75 is the frequency of key 0
//   rateBase        = L(2^30 / (256 r))          a full envelope sweep in 256 s at rate 0
//   dampRate        = 2^30 / (r / 512)           a full sweep in 1/512 s
//   lfoStepUnit     = 65540.00024415553 / max(1, r / 4096)
RateConstants computeRateConstants(double r, double t) {
  RateConstants rc;
  rc.samplePitchBase = 131072 - logPitchUnits(r);
  rc.pitchBase = 221184 - logPitchUnits(r) + logPitchUnits(std::pow(2.0, -5.75) * t);
  rc.rateBase = logPitchUnits(1073741824.0 / (256.0 * r));
  rc.dampRate = static_cast<int32_t>(1073741824.0 / (r * 0.001953125) + 0.5);
  rc.lfoStepUnit = static_cast<int32_t>(65540.00024415553 / std::max(1.0, r * 0.03125 * 0.0078125) + 0.5);
  return rc;
}

void SynthesizerFM4::updateRateConstants() {
  const RateConstants rc = computeRateConstants(sampleRate, masterTune);
  rateConstants = rc;
  if (voiceStorage == nullptr) return;
  // Every voice in use takes the new values and falls silent (the others
  // take them when they come into use, which ends with this call).
  for (int32_t i = 0; i < voiceCount; ++i) voiceStorage[i].setRateConstants(rc);
  trackAllVoicesIdle();
}

void SynthesizerFM4::initializeSoundData() {
  if (voices != nullptr) stopVoices(-1);
  if (waveTable == nullptr) waveTable = new int32_t[kWaveMemorySize];
  buildWaveMemory(waveTable);
  if (tonePresets == nullptr) tonePresets = new TonePreset[kToneCount];
  for (int32_t i = 0; i < kToneCount; ++i) tonePresets[i].setDefaults();
  if (sampleData == nullptr) sampleData = new SampleData[kSampleSlotCount];
  if (samplerPresets == nullptr) samplerPresets = new SamplerPreset[kSamplerPresetCount];
  for (int32_t i = 0; i < kSampleSlotCount; ++i) {
    sampleData[i].clear();
    samplerPresets[i].setDefaults();
  }
}

void SynthesizerFM4::onNoteOn(MidiEvent& event) {
  const int32_t index = findVoice();
  if (index < 0) return;
  VoiceUnitFM4& voice = voiceStorage[index];
  voice.renderPosition = event.sampleOffset;
  if (parts[event.channel & 15].mode == kModeSampler)
    voice.startSample(event.channel, event.data1, event.data2);
  else
    voice.start(event.channel, event.data1, event.data2);
  voiceStarted(index);
}

}  // namespace ovri::korvane::synth
