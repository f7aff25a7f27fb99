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

// Operators heard at the output for each structure (bit n = operator n);
// the others modulate. See the structure table in FactoryInstruments.cpp.
constexpr int32_t kCarriers[8] = {0xF, 0xE, 0xE, 0xA, 0x8, 0x8, 0x8, 0x8};

// Levels and brightness as real General MIDI songs need them, on top of the
// design rows (which balance single notes at velocity 100 and part volume
// 100). Songs play at velocity and volume up to 127 (+8 dB) with up to
// sixteen parts at once; scripts/gm-level-check.sh measures the result on
// real songs (docs/levels.md has the figures).
//   trim        extra carrier attenuation in 0.75 dB steps;
//   brightness  modulator tl lowered by this many steps: each 8 steps
//               double the modulation index (more and stronger partials);
//   release     0, or the fastest release rate a carrier keeps: struck and
//               plucked families ring on after the key is let go. 57 falls
//               30 dB in about 0.4 s at middle C (96 dB take
//               256 x 2^(-r/8) s, key follow kf 1 adds about 4 there).
struct FamilyVoicing {
  int32_t trim;
  int32_t brightness;
  int32_t release = 0;
};
constexpr int32_t kNaturalRelease = 57;

// The whole bank: 13.5 dB of headroom. A piano chord of three notes at
// full velocity and volume reached 1.0 without it, and the densest test
// song peaked at +14 dBFS.
constexpr int32_t kBankTrim = 18;

// Indexed by program / 8, in General MIDI family order. Trims bring the
// families' loudness while playing (measured over the songs, where each
// song's own part volumes already balance them) closer together: pianos
// and leads were 3 to 4 dB above the rest, strings and reeds 7 to 12 dB
// below. Brass and reeds get their bite back: their spectral centroid was
// far below that of real brass and reeds.
constexpr FamilyVoicing kFamilyVoicing[16] = {
    {4, 0, kNaturalRelease},    // pianos
    {-4, 0, kNaturalRelease},   // chromatic percussion
    {-3, 0},   // organs
    {2, 0, kNaturalRelease},    // guitars
    {0, 0},    // basses
    {-7, 0},   // strings
    {0, 0},    // ensembles
    {-1, 11},  // brass
    {-9, 2},   // reeds
    {-4, 0},   // pipes
    {4, 0},    // synth leads
    {0, 0},    // synth pads
    {0, 0},    // synth effects
    {0, 0, kNaturalRelease},    // ethnic
    {0, 0, kNaturalRelease},    // percussive
    {0, 0},    // sound effects
};

// Single programs on top of their family: the two driven guitars lose
// much of their level to the saw and chain structure and sat 11 dB under
// the other guitars in songs.
struct ProgramTrim {
  int32_t program;
  int32_t trim;
};
constexpr ProgramTrim kProgramTrims[] = {{29, -6}, {30, -10}};

// The drum kit against the instruments: 1.5 dB up. Against a General MIDI
// SoundFont's kit on the same songs it stood 1.4 dB further forward (and
// up to 6.6 dB on songs with busy drum parts) with 4.5 dB up. Its
// modulators 8 steps down (half the modulation index): less hiss.
constexpr FamilyVoicing kDrumVoicing = {-2, -8};

// Hats and cymbals further down against the rest of the kit: the aliasing
// noise they are made of put the kit's spectral centroid at 1.7 times that
// of a General MIDI SoundFont's kit on the same songs (up to 2.8 times);
// played alone, the rides and the open hi-hat stood 8 to 10 dB, the
// crashes 4 dB, the closed hi-hats 2 dB above the SoundFont's.
// The snares' wires (a noise-modulated pair) were the brightest part of
// songs whose drums are mostly snare: their modulation is halved.
struct KeyTrim {
  int32_t key;
  int32_t trim;
  int32_t brightness;
};
constexpr KeyTrim kDrumKeyTrims[] = {{38, 0, -8},  {40, 0, -8},  {42, 6, 0},  {44, 6, 0},  {46, 14, 0}, {49, 10, 0},
                                     {51, 14, 0}, {52, 10, 0}, {53, 14, 0}, {55, 10, 0}, {57, 10, 0}, {59, 14, 0}};

int32_t clampLevel(int32_t level) { return level < 0 ? 0 : (level > 127 ? 127 : level); }

void applyDesign(const ToneDesign& design, int32_t key, int32_t pan, synth::TonePreset& tone,
                 FamilyVoicing voicing = {0, 0}) {
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
    const bool carrier = (kCarriers[design.strc & 7] >> i) & 1;
    // An operator at 127 is switched off and stays so.
    if (op.tl < 127)
      tone.tl[i] = clampLevel(carrier ? op.tl + kBankTrim + voicing.trim : op.tl - voicing.brightness);
    else
      tone.tl[i] = op.tl;
    tone.ar[i] = op.ar;
    tone.dr[i] = op.dr;
    tone.sl[i] = op.sl;
    tone.rr[i] = carrier && voicing.release > 0 && op.rr > voicing.release ? voicing.release : op.rr;
    tone.kf[i] = op.kf;
    tone.kfStart[i] = op.kfStart;
  }
}

}  // namespace

void buildFactoryTones(synth::TonePreset* tones) {
  // Instrument parts ignore key and pan; they keep the centre values.
  for (int32_t p = 0; p < kInstrumentCount; ++p) {
    FamilyVoicing voicing = kFamilyVoicing[p / 8];
    for (const ProgramTrim& extra : kProgramTrims)
      if (extra.program == p) voicing.trim += extra.trim;
    applyDesign(kInstrumentDesigns[p], 64, kCentrePan, tones[p], voicing);
  }
  for (int32_t key = 0; key < 128; ++key)
    applyDesign(kEmptyDrumKey, key, kCentrePan, tones[synth::kPercussionToneBase + key]);
  for (const DrumDesign& drum : kDrumDesigns) {
    FamilyVoicing voicing = kDrumVoicing;
    for (const KeyTrim& extra : kDrumKeyTrims) {
      if (extra.key != drum.drumKey) continue;
      voicing.trim += extra.trim;
      voicing.brightness += extra.brightness;
    }
    applyDesign(drum.tone, drum.pitchKey, drum.pan, tones[synth::kPercussionToneBase + drum.drumKey], voicing);
  }
}

}  // namespace ovri::korvane::factory
