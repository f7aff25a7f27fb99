#pragma once

#include <cstdint>

namespace ovri::korvane::synth {

constexpr int32_t kToneCount = 256;           // 0..127 programs, 128 + key percussion
constexpr int32_t kPercussionToneBase = 128;
constexpr int32_t kSamplerPresetCount = 128;  // chosen by key on sampler parts
constexpr int32_t kSampleSlotCount = 128;
constexpr int32_t kOperatorCount = 4;
constexpr int32_t kPresetNameLength = 16;
constexpr int32_t kOperatorFieldCount = 12;   // per operator, see TonePreset
constexpr int32_t kWaveCount = 8;
constexpr int32_t kWaveLength = 2048;          // one period, entry j = phase j/2048
constexpr int32_t kWaveMemorySize = kWaveCount * kWaveLength;

// Every parameter is stored as int32 even where it is 7-bit. The values are
// as written by their source (system exclusive masks, a saved state does
// not): whoever uses one as an index bounds it there.
struct ToneParameters {
  char presetName[kPresetNameLength + 1];
  int32_t key;      // percussion: key whose pitch the tone sounds at
  int32_t pan;      // percussion: pan position, 64 = centre
  int32_t lfoWave;  // 0 triangle, 1 square, 2 saw, 3 noise
  int32_t lfoFreq;  // 14-bit LFO rate, about 512 per Hz
  int32_t fl;       // operator 0 feedback level, 0 = strongest, 0.75 dB per step
  int32_t strc;     // bits 0-2 connection structure, bit 3 LFO to attenuation
  // Operator fields, each indexed by operator 0..3.
  int32_t tlVelCtrl[kOperatorCount];  // 0..7 velocity sensitivity of tl
  int32_t mul[kOperatorCount];        // 0..15 frequency multiple (0 = 1/2)
  int32_t tune[kOperatorCount];       // 14-bit detune in 1/8192 octave, 8192 = none
  int32_t lms[kOperatorCount];        // 0..15 LFO sensitivity
  int32_t wave[kOperatorCount];       // 0..7 oscillator wave
  int32_t tl[kOperatorCount];         // total level, 0.75 dB attenuation per step
  int32_t ar[kOperatorCount];         // attack rate, 127 = no attack
  int32_t dr[kOperatorCount];         // decay rate
  int32_t sl[kOperatorCount];         // sustain level, 0.75 dB per step
  int32_t rr[kOperatorCount];         // release rate
  int32_t kf[kOperatorCount];         // 0..3 key follow of the rates
  int32_t kfStart[kOperatorCount];    // key at which key follow starts
};

// A tone preset. Defaults, masks and the field order of every format are
// in SoundFields.h (kToneFields, kOperatorFields).
struct TonePreset : ToneParameters {
  TonePreset() { setDefaults(); }
  void setDefaults();
};

struct SamplerPreset {
  SamplerPreset() { setDefaults(); }
  void setDefaults();

  char presetName[kPresetNameLength + 1];
  int32_t smplNum;  // sample slot 0..127
  int32_t pan;      // 64 = centre
  int32_t octv;     // 0..15, 8 = the recording's own pitch
  int32_t tune;     // 14-bit, 1/8192 octave, 8192 = none
  int32_t tl;       // attenuation, 0.75 dB per step
  int32_t ar;       // attack rate, above 126 = no attack
  int32_t dr;
  int32_t sl;
  int32_t rr;
};

// A sample slot's parameters: everything of a slot but its sample values.
// The main thread's copy of a slot, the saved state and the parameter text
// keep these; SampleData adds the values.
struct SampleParameters {
  float sampleRate = 0.0f;  // Hz of the recording
  float pitch = 0.0f;       // Hz of the note the recording holds
  int32_t length = 0;       // frames; 0 = the slot is empty
  int32_t channels = 0;
  int32_t logRate = 0;      // L(sampleRate), 1/8192 octave
  int32_t logPitch = 0;     // L(pitch)
  int32_t pitchOffset = 0;  // logRate - logPitch
  int32_t start = 0;        // first frame played
  int32_t end = 0;          // frame at which playback stops (exclusive)
  int32_t loopEnd = 0;      // loop wraps here while the key is held
  int32_t loopLength = 0;   // 0 = no loop
  int32_t loopTail = 0;     // loop length after release (loopLength if loopEnd == end)

  // Takes the play parameters of p (rates, range and loop); the
  // recording's length and channels stay as they are.
  void setPlayParameters(const SampleParameters& p);
};

// One recorded sample in the log encoding (see LogCode.h).
struct SampleData : SampleParameters {
  SampleData() = default;
  SampleData(const SampleData&) = delete;
  SampleData& operator=(const SampleData&) = delete;
  ~SampleData() { clear(); }

  // Frees owned values and zeroes every field.
  void clear();
  // Frees owned values, then takes every field of other (and the ownership
  // of its values); other is left cleared.
  void takeFrom(SampleData& other);
  // The slot's parameters; length 0 where the slot holds no values.
  SampleParameters parameters() const;
  // Clears the record, then takes every parameter of p: a record without
  // values, for code that reads or writes parameter records (text import
  // and export), not for playing.
  void assignParameters(const SampleParameters& p);

  uint8_t ownsData = 0;
  int32_t* samples = nullptr;  // length x channels codes, interleaved; null = empty
};

// The part record, one per MIDI channel.
struct PartState {
  static constexpr int32_t kControllerCount = 120;

  int32_t output = 0;       // output pair 0..15
  int32_t mode = 1;         // 0 mute, 1 instrument, 2 percussion, 3 sampler
  int32_t defaultMode = 1;  // restored by a system reset
  int32_t program = 0;
  int32_t channelPressure = 0;
  int32_t pitchBend = 8192;  // 14-bit, 8192 = centre
  int32_t controllers[kControllerCount] = {};
  int32_t bendRange = 2;    // semitones
  int32_t rpnRegister = 0;  // bits 0-6 LSB, 7-13 MSB, 0x4000 LSB seen, 0x8000 MSB seen
  int32_t nrpnRegister = 0;
  int32_t parameterSelector = 256;  // 0..127 RPN, 128..255 NRPN 0/n, 256 none

  PartState() { resetControllers(); }
  // The part reset: everything but output and the modes.
  void resetControllers();
  // What "reset all controllers" and switching RPN or NRPN reception
  // restore: pressure, pitch bend, modulation, expression and the RPN/NRPN
  // selection.
  void resetRegisters();
};

enum PartMode : int32_t { kModeMute = 0, kModeInstrument = 1, kModePercussion = 2, kModeSampler = 3 };

}  // namespace ovri::korvane::synth
