#pragma once

#include "tonegen/FmVector.h"
#include "tonegen/OperatorState.h"
#include "tonegen/SoundData.h"
#include "tonegen/VoiceTableSet.h"
#include "tonegen/VoiceUnit.h"

#include <cstdint>

namespace ovri::korvane::synth {

// The voice LFO: a stepped wave of 128 steps per cycle.
struct VoiceLfo {
  const int32_t* wave = nullptr;  // lfoWaveTable + 256 x lfoWave: (bipolar, unipolar) pairs
  int32_t lfoIndex = 0;     // entry read at the next step, 0..255; even = bipolar, odd = unipolar
  int32_t lfoCounter = 0;   // countdown to the next step; a step when it falls below 1
  int32_t step = 0;         // lfoStepUnit x lfoFreq, subtracted per sample
};

// Gains applied when the voice adds into its output pair.
struct VoiceMix {
  int32_t panOffset = 64;     // 0..127: 64 melodic, the tone's pan for drums, the preset's for samples
  float volume = 1.0f;        // gainCurve[controller 7]
  float expression = 1.0f;    // gainCurve[controller 11]
  float velocityGain = 1.0f;  // gainCurve[velocity]
  float masterGain = 1.0f;    // the engine's master volume
  float velGain = 1.0f;       // velocityGain x masterGain
  float total = 1.0f;         // expression x volume x velGain
  float panL = 1.0f;          // panTable[part pan + panOffset]
  float panR = 1.0f;          // panTable[256 - panOffset - part pan]
  float gainL = 0.0f;         // panL x total
  float gainR = 0.0f;         // panR x total
};

// Sampler playback bounds, in frames. All of them are kept within
// 0..length of the slot, so the read position never leaves the data.
struct SamplerBounds {
  int32_t endInUse = 0;       // playback stops or wraps at this frame
  int32_t loopInUse = 0;      // frames subtracted at endInUse; below 1 = no loop
  int32_t releaseEnd = 0;     // endInUse after release or damp
  int32_t releaseLoop = 0;    // loopInUse after release or damp
  int32_t sampleFraction = 0; // 16-bit fraction of the frame position
};

// One voice of the FM4 engine: four operators, a stepped LFO and the
// sampler playback mode.
//
// CONTRACT WITH THE ENGINE (SynthesizerFM4, which knows it as
// SynthesizerFM4::VoiceUnitFM4, relies on exactly this):
//  - default constructible (the pool is an array);
//  - attach(): called once after construction;
//  - setRateConstants(): stores the five constants and makes the voice idle;
//  - start()/startSample(): note-on for FM parts / sampler parts;
//  - the VoiceUnitBase virtuals and renderUntil.
//
// Values read from the tone, preset and part records are bounded where
// they index a table, give a shift count or could overflow a sum; the
// records themselves are never written:
//   part: controllers 1, 7, 10, 11, program, key, velocity AND 127; bendRange
//         AND 127; pitchBend AND 0x3FFF; the part index AND 15
//   tone: strc AND 15, lfoWave AND 3, lfoFreq AND 0x3FFF, fl 0..255, key and
//         pan AND 127; per operator wave AND 7, mul AND 15, tune AND 0x3FFF,
//         lms AND 15, tlVelCtrl AND 7, kf AND 3, tl 0..255 (level capped at
//         127), sl 0..128, ar/dr/rr 0..255 (ar of 127 or more: no attack),
//         key-follow index key - kfStart + 127 clamped to 0..255
//   sampler preset: smplNum AND 127, pan AND 127, octv AND 15, tune AND
//         0x3FFF, tl 0..255 with sustainTable[128 - tl] clamped to 0..128,
//         sl 0..128, ar/dr/rr 0..255; sample slot bounds: see SamplerVoice.cpp
//   increment() and rate(): x below 0 reads as 0, octave x >> 13 capped at 127
class VoiceUnitFM4 final : public VoiceUnitBase {
public:
  static constexpr int32_t kRenderTableSize = 18;  // 16 FM structures + sampler mono, stereo
  static constexpr int32_t kSamplerMono = 16;
  static constexpr int32_t kSamplerStereo = 17;

  VoiceUnitFM4();

  void attach(VoiceTableSet& tables, PartState* parts, const int32_t* waveTable,
              const TonePreset* tones, const SampleData* samples, const SamplerPreset* samplerPresets,
              float masterGain);
  void setRateConstants(const RateConstants& constants);
  void startSample(int32_t part, int32_t key, int32_t velocity);

  void stop() override;
  void release() override;
  void damp() override;
  void start(int32_t part, int32_t key, int32_t velocity) override;
  void masterVolumeChanged(float gain) override;
  void bendRangeChanged(int32_t semitones) override;
  void pitchBendChanged(int32_t bend14) override;
  void modulationChanged(int32_t value) override;
  void volumeChanged(int32_t value) override;
  void expressionChanged(int32_t value) override;
  void panChanged(int32_t value) override;
  int32_t quietUntil() const override;

  // Render operations: add the voice from renderPosition up to end into
  // left and right. Entry n of renderTable; renderAlgorithmN plays strc N.
  virtual void renderAlgorithm0(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm1(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm2(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm3(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm4(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm5(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm6(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm7(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm8(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm9(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm10(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm11(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm12(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm13(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm14(float*& left, float*& right, int32_t& end);
  virtual void renderAlgorithm15(float*& left, float*& right, int32_t& end);
  virtual void renderSamplerMono(float*& left, float*& right, int32_t& end);
  virtual void renderSamplerStereo(float*& left, float*& right, int32_t& end);

  // Read-only views of the voice state (tests, displays).
  const OperatorState& operatorState(int32_t index) const { return operators[index & 3]; }
  const VoiceLfo& lfo() const { return lfoState; }
  const VoiceMix& mix() const { return mixState; }
  const SamplerBounds& samplerBounds() const { return sampler; }
  int32_t getBendOffset() const { return bendOffset; }
  int32_t getFeedbackLevel() const { return feedbackLevel; }
  // The entry of renderTable the voice plays with (set at note start).
  int32_t getRoutine() const { return routine; }

  // Renders each of count voices from its position up to end into its own
  // buffers (lefts[i], rights[i]), as renderUntil would. Voices playing the
  // same FM routine advance side by side in the lanes of the kernels of
  // level (none: one after the other); the output is the same at every
  // level, sample for sample.
  static void renderGroup(VoiceUnitFM4* const* voices, float* const* lefts, float* const* rights, int32_t count,
                          int32_t end, VectorLevel level);
  const RenderOp* getRenderTable() const { return renderTable; }

private:
  // The one FM loop, specialised per connection structure (strc AND 7) and
  // LFO target (strc >> 3: false = pitch, true = attenuation).
  template <int Structure, bool AmplitudeLfo> void renderAlgorithm(float* left, float* right, int32_t end);
  template <int Structure, bool AmplitudeLfo, int Op>
  bool renderOperator(int32_t (&modulation)[4], float& out);
  struct RunPlan {
    int32_t quiet;   // samples without an LFO step or envelope limit
    int32_t steady;  // of those, samples without an envelope curve index change
  };
  RunPlan planRun(int32_t limit) const;
  template <int Structure, bool AmplitudeLfo, bool AllSounding, bool Steady>
  void renderRun(float* left, float* right, int32_t position, int32_t n);
  template <bool Stereo> void renderSampler(float* left, float* right, int32_t end);
  // Renders the samples that need the per-sample path, from renderPosition
  // on, until a run can start (true, plan set, renderPosition at its start)
  // or the voice has reached end or ended (false).
  template <int Structure, bool AmplitudeLfo> bool nextRun(float* left, float* right, int32_t end, RunPlan& plan);
  template <int Structure, bool AmplitudeLfo>
  static void renderLanes(VoiceUnitFM4* const* voices, float* const* lefts, float* const* rights, int32_t count,
                          int32_t end, VectorLevel level);
  // Puts the run state into lane l; false when the voice's waves or curves
  // lie outside the tables the kernels read.
  bool loadLane(FmLaneState& lanes, int32_t l, const FmTables& tables, bool amplitudeLfo, bool steady) const;

  // 2^(x/8192) as an oscillator increment (saturates near 2^31) and as an
  // envelope rate (saturates near 2^30); x below 0 reads as 0.
  int32_t increment(int32_t x) const;
  int32_t rate(int32_t x) const;

  void setupOperator(int32_t index, const TonePreset& tone, int32_t pitchKey, int32_t velocity, bool keyFollow,
                     int32_t modulation);
  void setupMix(const PartState& partState, int32_t velocity, int32_t panOffset);
  void setupBend(const PartState& partState);
  void stepLfo(bool amplitudeLfo);
  // An operator's envelope reached its limit during a render; true when
  // the voice has ended as a result.
  bool envelopeLimitReached(int32_t index, bool endsVoice);
  void becomeIdle();
  void retune();
  void updateGains();

  RenderOp renderTable[kRenderTableSize];
  int32_t routine = 0;

  OperatorState operators[4];
  VoiceLfo lfoState;
  VoiceMix mixState;
  SamplerBounds sampler;
  int32_t bend = 0;          // part pitch bend - 8192
  int32_t range = 0;         // keyPitch[bend range], 1/8192 octave
  int32_t bendOffset = 0;    // (bend x range) >> 13, 1/8192 octave
  int32_t feedbackLevel = 0; // levelTable[fl], logSample units
  RateConstants rates;

  // Engine data.
  PartState* parts = nullptr;
  const int32_t* waveTable = nullptr;
  const TonePreset* tones = nullptr;
  const SampleData* sampleSlots = nullptr;
  const SamplerPreset* samplerPresets = nullptr;

  // Shared tables (see VoiceTableSet).
  const float* gainCurve = nullptr;
  const float* panTable = nullptr;
  const float* expTableF = nullptr;
  const int32_t* expTableI = nullptr;
  const int32_t* rateMantissa = nullptr;
  const int32_t* pitchShift = nullptr;
  const int32_t* rateShift = nullptr;
  const int32_t* keyPitch = nullptr;
  const int32_t* levelTable = nullptr;
  const int32_t* attackCurve = nullptr;
  const int32_t* linearCurve = nullptr;
  const int32_t* keyFollowTable = nullptr;
  const int32_t* sustainTable = nullptr;
  const int32_t* mulTable = nullptr;
  const int32_t* lfoWaveTable = nullptr;
};

}  // namespace ovri::korvane::synth
