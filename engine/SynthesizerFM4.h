#pragma once

#include "engine/MultiTimberSynthBase.h"
#include "tonegen/FmVector.h"
#include "tonegen/SoundData.h"
#include "tonegen/WaveMemory.h"

#include <cstdint>

namespace ovri::korvane::synth {

class VoiceTableSet;
class VoiceUnitFM4;

// The FM4 tone module: 256 tone presets, 128 sampler presets, 128 sample
// slots, the eight oscillator waves and a pool of VoiceUnitFM4 voices.
class SynthesizerFM4 : public MultiTimberSynthBase {
public:
  using VoiceUnitFM4 = synth::VoiceUnitFM4;  // tonegen/VoiceUnitFM4.h

  static constexpr uint8_t kModelId = 0x22;

  // The voice count setPolyphony would give for a request of n (n itself
  // below 1).
  static int32_t roundVoiceCount(int32_t n);

  SynthesizerFM4(float masterTune, float masterVolume);
  ~SynthesizerFM4() override;

  void allocateVoices(int32_t count) override;
  void updateRateConstants() override;
  void initializeSoundData() override;
  void onNoteOn(MidiEvent& event) override;
  void onSystemExclusive(MidiEvent& event) override;
  // Voices that play the same FM routine render side by side in vector
  // lanes at the engine's vector level.
  void renderVoiceGroup(VoiceUnitBase* const* group, float* const* lefts, float* const* rights, int32_t count,
                        int32_t end) override;
  bool rendersSideBySide() const override { return vectorLevel != VectorLevel::Scalar; }
  // The instruction set the FM voices render with: the best the processor
  // supports unless set lower (a higher request gives the best). The output
  // is the same at every level.
  void setVectorLevel(VectorLevel level);
  VectorLevel getVectorLevel() const { return vectorLevel; }

  TonePreset& getTonePreset(int32_t index) { return tonePresets[index & 255]; }
  SamplerPreset& getSamplerPreset(int32_t index) { return samplerPresets[index & 127]; }
  SampleData& getSampleData(int32_t index) { return sampleData[index & 127]; }
  const int32_t* getWaveTable() const { return waveTable; }
  const RateConstants& getRateConstants() const { return rateConstants; }
  VoiceUnitFM4& getVoiceUnit(int32_t index);
  VoiceTableSet& getVoiceTables() { return *voiceTables; }

private:
  void writeSystemBlock(int32_t address, int32_t value);
  void writePartBlock(int32_t part, int32_t address, int32_t value);
  void writeToneBlock(TonePreset& tone, int32_t address, int32_t value);
  void writeSamplerBlock(SamplerPreset& preset, int32_t address, int32_t value);

  VoiceTableSet* voiceTables = nullptr;
  int32_t* waveTable = nullptr;          // kWaveCount waves of kWaveLength logSample codes
  SampleData* sampleData = nullptr;      // [kSampleSlotCount]
  TonePreset* tonePresets = nullptr;     // [kToneCount]
  SamplerPreset* samplerPresets = nullptr;  // [kSamplerPresetCount]
  VoiceUnitFM4* voiceStorage = nullptr;  // [kMaxVoices], voices[] points into it; the first voiceCount are in use
  RateConstants rateConstants;
  VectorLevel vectorLevel = VectorLevel::Scalar;
  // A catch-up's voices sorted by render routine ([kMaxVoices] each).
  VoiceUnitFM4** sortedVoices = nullptr;
  float** sortedLefts = nullptr;
  float** sortedRights = nullptr;
};

// The voices' sample-rate and tuning dependent constants for rate r (Hz)
// and master tune t (Hz).
RateConstants computeRateConstants(double r, double t);

}  // namespace ovri::korvane::synth
