#include "tools/factory/FactoryTones.h"

#include "tools/factory/FactoryToneDesign.h"

#include <cstring>

namespace ovri::korvane::factory {

namespace {

constexpr int32_t kToneCentre = 8192;  // tune: no detune
constexpr int32_t kCentrePan = 64;

// The blip on percussion keys without a drum: one sine that falls silent
// in about 50 ms (decay 96 reaches sl 127 in 0.8 x 62 ms), 18 dB down.
constexpr ToneDesign kEmptyDrumKey = {
    "Empty Drum Key  ", 0, 127, kLfoTriangle, 0, {
        kOff,
        kOff,
        kOff,
        { 1,    0, kSin, 24, 127,  96, 127,  96, 0, 127, 2, 0}}};

void applyDesign(const ToneDesign& design, int32_t key, int32_t pan, synth::TonePreset& tone) {
  tone.setDefaults();
  std::memcpy(tone.presetName, design.name, synth::kPresetNameLength);
  tone.presetName[synth::kPresetNameLength] = '\0';
  tone.key = key;
  tone.pan = pan;
  tone.lfoWave = design.lfoWave;
  tone.lfoFreq = design.lfoFreq;
  tone.fl = design.fl;
  tone.strc = design.strc;
  for (int32_t i = 0; i < synth::kOperatorCount; ++i) {
    const OperatorDesign& op = design.op[i];
    tone.tlVelCtrl[i] = op.vel;
    tone.mul[i] = op.mul;
    tone.tune[i] = kToneCentre + op.detune;
    tone.lms[i] = op.lms;
    tone.wave[i] = op.wave;
    tone.tl[i] = op.tl;
    tone.ar[i] = op.ar;
    tone.dr[i] = op.dr;
    tone.sl[i] = op.sl;
    tone.rr[i] = op.rr;
    tone.kf[i] = op.kf;
    tone.kfStart[i] = op.kfStart;
  }
}

}  // namespace

void buildFactoryTones(synth::TonePreset* tones) {
  // Instrument parts ignore key and pan; they keep the centre values.
  for (int32_t p = 0; p < kInstrumentCount; ++p)
    applyDesign(kInstrumentDesigns[p], 64, kCentrePan, tones[p]);
  for (int32_t key = 0; key < 128; ++key)
    applyDesign(kEmptyDrumKey, key, kCentrePan, tones[synth::kPercussionToneBase + key]);
  for (const DrumDesign& drum : kDrumDesigns)
    applyDesign(drum.tone, drum.pitchKey, drum.pan, tones[synth::kPercussionToneBase + drum.drumKey]);
}

}  // namespace ovri::korvane::factory
