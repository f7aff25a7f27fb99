#pragma once

// The voice as the engine drives it: what every voice of the pool offers
// (VoiceUnitBase, known to the engine as MultiTimberSynthBase::VoiceUnitBase),
// its state bits and the rate constants it keeps. The engine depends on
// this header; nothing here depends on the engine.
#include <cstdint>

namespace ovri::korvane::synth {

// Voice state bits.
constexpr int32_t kOperatorBits = 0x0F;
constexpr int32_t kKeyHeld = 0x10;
constexpr int32_t kReleased = 0x20;
constexpr int32_t kDamped = 0x40;

// Sample-rate and tuning dependent constants every voice keeps.
struct RateConstants {
  int32_t samplePitchBase = 0;  // 131072 - L(fs): sample playback pitch base
  int32_t pitchBase = 0;        // 221184 - L(fs) + L(key 0 frequency): oscillator pitch base
  int32_t rateBase = 0;         // L(2^30 / (256 fs)): envelope rate base
  int32_t dampRate = 0;         // counter increment sweeping 2^30 in 1/512 s
  int32_t lfoStepUnit = 0;      // LFO countdown per sample per lfoFreq unit
};

// What the engine requires of a voice: the virtual operations in the order
// the engine calls them, and the fields it reads and writes.
class VoiceUnitBase {
public:
  // Renders from renderPosition up to end into the two buffers and
  // advances renderPosition (or leaves the voice idle when its sound ends).
  using RenderOp = void (VoiceUnitBase::*)(float*& left, float*& right, int32_t& end);

  virtual void stop() = 0;                              // 0
  virtual void release() = 0;                           // 1
  virtual void damp() = 0;                              // 2
  virtual void start(int32_t part, int32_t key, int32_t velocity) = 0;  // 3
  virtual void masterVolumeChanged(float gain) = 0;     // 4
  virtual void bendRangeChanged(int32_t semitones) = 0; // 5
  virtual void pitchBendChanged(int32_t bend14) = 0;    // 6
  virtual void modulationChanged(int32_t value) = 0;    // 7
  virtual void volumeChanged(int32_t value) = 0;        // 8
  virtual void expressionChanged(int32_t value) = 0;    // 9
  virtual void panChanged(int32_t value) = 0;           // 10
  // The first sample position, from renderPosition on, whose render could
  // change stateByte (an envelope reaching its limit, a sample reaching
  // its end): rendering up to any end at or before it leaves stateByte as
  // it is. A voice that cannot tell answers renderPosition.
  virtual int32_t quietUntil() const { return renderPosition; }  // 11
  virtual ~VoiceUnitBase() = default;

  void renderUntilPosition(float* left, float* right, int32_t end) { (this->*renderUntil)(left, right, end); }

  RenderOp renderUntil = nullptr;
  int32_t outputPair = 0;      // left channel index, 2 x part output
  int32_t stateByte = 0;       // 0 idle; operator bits, kKeyHeld, kReleased, kDamped
  int32_t part = -1;           // channel of the note, -1 when idle or damped
  int32_t key = 0;
  int32_t renderPosition = 0;  // sample index rendered up to in this block
};

}  // namespace ovri::korvane::synth
