#include "tools/samples/FactorySampleSet.h"

#include "formats/SampleDataParameterText.h"
#include "formats/SamplerPresetText.h"
#include "plugin/EditorProtocol.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ovri::korvane::samples {

using sampleimport::ImportMode;
namespace fileactions = protocol::fileactions;

namespace {

constexpr int32_t kDrumBarFrames = kDrumSteps * kDrumStepFrames;  // 44096

// The recordings. Looped ones sustain over their last loopFrames frames;
// the loop ends at the last frame, so it also runs on after the key is
// released until the preset's release rate has faded it.
//
//   name        rate   ch  frames  loop   root
//   choir.wav   22050  2   33075   26460  C4 (60)   1.5 s, loop 1.2 s
//   flute.wav   22050  1   18742   13230  C6 (84)   0.85 s, loop 0.6 s
//   pluck.wav   32000  1   44800   -      C2 (36)   1.4 s
//   mallet.wav  32000  1   51200   -      C7 (96)   1.6 s
//   drums.wav   22050  1   44096   44096  -         one bar, 120 bpm
const std::vector<SampleFile>& fileTable() {
  static const std::vector<SampleFile> files = {
    {"choir.wav", SampleKind::Choir, 22050, 2, 33075, 26460, 60, ImportMode::Pcm},
    {"flute.wav", SampleKind::Flute, 22050, 1, 18742, 13230, 84, ImportMode::Pcm},
    {"pluck.wav", SampleKind::Pluck, 32000, 1, 44800, 0, 36, ImportMode::Pcm},
    {"mallet.wav", SampleKind::Mallet, 32000, 1, 51200, 0, 96, ImportMode::Pcm},
    // Stored through the 4-bit ADPCM codec: the hits keep their attack, and
    // the slot's data come from a quarter of the bits of a 16-bit import.
    {"drums.wav", SampleKind::Drums, kDrumRate, 1, kDrumBarFrames, kDrumBarFrames, -1, ImportMode::Adpcm},
  };
  return files;
}

constexpr int32_t kChoir = 0, kFlute = 1, kPluck = 2, kMallet = 3, kDrums = 4;

// Slots 5-8 are two-step slices of the drum bar, each holding one hit that
// has died away before the slice ends (see DrumSynthesis.cpp).
constexpr int32_t step(int32_t n) { return n * kDrumStepFrames; }

// Every preset plays at full level (tl 0; the recordings all peak at
// -1 dBFS), starts at full level and holds it (ar 127, dr 0, sl 0), so the
// recording's own shape plays; only the release rate differs. Release rate
// r fades 96 dB in 256 x 2^(-r/8) s.

// A range of keys playing one recording, each key at its own pitch.
struct Zone {
  const char* name;  // name prefix; the key's note name follows
  int32_t slot;
  int32_t firstKey, lastKey;
  int32_t pan;
  int32_t rr;
};

//   rr 40: about 8 s for 96 dB, the ring goes on after the key is up
//   rr 62: about 1.2 s, a choir fading out
//   rr 72: about 0.5 s, a string damped by the hand
//   rr 84: about 0.18 s, a flute stopping
const Zone kZones[] = {
    {"Pluck", 2, 24, 47, 64, 72},
    {"Choir Aah", 0, 48, 71, 64, 62},
    {"Flute", 1, 72, 95, 64, 84},
    {"Glock", 3, 96, 119, 64, 40},
};

// A single key: one recording, shifted by whole semitones.
struct Hit {
  int32_t key;
  const char* name;
  int32_t slot;
  int32_t semitones;
  int32_t pan;
  int32_t rr;
};

//   rr 96: about 60 ms, the loop stops with the key
//   rr 24: about 32 s, release changes nothing; the slice's end ends the hit
const Hit kHits[] = {
    {0, "Drum Loop 120bpm", 4, 0, 64, 96},
    {1, "Drum Loop 60bpm", 4, -12, 64, 96},
    {12, "Kick", 5, 0, 64, 24},
    {13, "Snare High", 6, 5, 60, 24},
    {14, "Snare", 6, 0, 64, 24},
    {15, "Snare Low", 6, -3, 68, 24},
    {16, "Kick Low", 5, -3, 64, 24},
    {17, "Tom Low", 5, 7, 44, 24},
    {18, "Hat Closed", 7, 0, 76, 24},
    {19, "Tom Mid", 5, 10, 56, 24},
    {20, "Hat Pedal", 7, -4, 76, 24},
    {21, "Tom High", 5, 14, 72, 24},
    {22, "Hat Open", 8, 0, 80, 24},
    {23, "Tom Top", 5, 17, 84, 24},
};

void setName(synth::SamplerPreset& preset, const std::string& name) {
  std::memset(preset.presetName, ' ', synth::kPresetNameLength);
  std::memcpy(preset.presetName, name.data(), std::min<size_t>(name.size(), synth::kPresetNameLength));
  preset.presetName[synth::kPresetNameLength] = '\0';
}

std::string noteName(int32_t key) {
  static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  return std::string(names[key % 12]) + std::to_string(key / 12 - 1);
}

// The pitch a slot's recording plays at its own speed (0 when unpitched).
double slotPitch(int32_t slot) {
  for (const SampleSlot& s : sampleSlots())
    if (s.slot == slot) return recordedPitch(sampleFiles()[static_cast<size_t>(s.file)]);
  return 0.0;
}

void setEnvelope(synth::SamplerPreset& preset, int32_t releaseRate) {
  preset.ar = 127;
  preset.dr = 0;
  preset.sl = 0;
  preset.rr = releaseRate;
}

}  // namespace

const std::vector<SampleFile>& sampleFiles() { return fileTable(); }

const std::vector<SampleSlot>& sampleSlots() {
  static const std::vector<SampleSlot> slots = {
      {0, kChoir, 0, 33075, 33075 - 26460, 33075},  // attack, then the loop to the end
      {1, kFlute, 0, 18742, 18742 - 13230, 18742},
      {2, kPluck, 0, 44800, 0, 0},
      {3, kMallet, 0, 51200, 0, 0},
      {4, kDrums, 0, kDrumBarFrames, 0, kDrumBarFrames},  // the whole bar, looped
      {5, kDrums, step(0), step(2), 0, 0},                 // kick
      {6, kDrums, step(4), step(6), 0, 0},                 // snare
      {7, kDrums, step(2), step(4), 0, 0},                 // closed hi-hat
      {8, kDrums, step(6), step(8), 0, 0},                 // open hi-hat
  };
  return slots;
}

double keyFrequency(int32_t key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

double recordedPitch(const SampleFile& file) {
  if (file.rootKey < 0) return 0.0;
  const double frequency = keyFrequency(file.rootKey);
  if (file.loopFrames == 0) return frequency;
  const double cycles = std::round(frequency * file.loopFrames / file.rate);
  return cycles * file.rate / file.loopFrames;
}

void pitchShift(double from, double to, int32_t& octv, int32_t& tune) {
  const int32_t total = 9 * 8192 + static_cast<int32_t>(std::lround(8192.0 * std::log2(to / from)));
  octv = std::clamp(static_cast<int32_t>(std::lround((total - 8192) / 8192.0)), 0, 15);
  tune = std::clamp(total - octv * 8192, 0, 16383);
}

std::vector<synth::SamplerPreset> samplerPresets() {
  std::vector<synth::SamplerPreset> presets(synth::kSamplerPresetCount);
  for (synth::SamplerPreset& p : presets) p.smplNum = kSilentSlot;

  for (const Zone& zone : kZones) {
    const double recorded = slotPitch(zone.slot);
    for (int32_t key = zone.firstKey; key <= zone.lastKey; ++key) {
      synth::SamplerPreset& p = presets[static_cast<size_t>(key)];
      setName(p, std::string(zone.name) + " " + noteName(key));
      p.smplNum = zone.slot;
      p.pan = zone.pan;
      p.tl = 0;
      pitchShift(recorded, keyFrequency(key), p.octv, p.tune);
      setEnvelope(p, zone.rr);
    }
  }
  for (const Hit& hit : kHits) {
    synth::SamplerPreset& p = presets[static_cast<size_t>(hit.key)];
    setName(p, hit.name);
    p.smplNum = hit.slot;
    p.pan = hit.pan;
    p.tl = 0;
    pitchShift(1.0, std::pow(2.0, hit.semitones / 12.0), p.octv, p.tune);
    setEnvelope(p, hit.rr);
  }
  return presets;
}

std::string samplerPresetText() {
  const std::vector<synth::SamplerPreset> presets = samplerPresets();
  return formats::writeSamplerPresets(presets.data());
}

std::string sampleDataParameterText() {
  std::vector<synth::SampleData> slots(synth::kSampleSlotCount);
  for (const SampleSlot& s : sampleSlots()) {
    synth::SampleData& d = slots[static_cast<size_t>(s.slot)];
    d.start = s.start;
    d.end = s.end;
    const bool looped = s.loopEnd > s.loopStart;
    d.loopEnd = looped ? s.loopEnd : s.end;
    d.loopLength = looped ? s.loopEnd - s.loopStart : 0;
    d.loopTail = looped && s.loopEnd == s.end ? d.loopLength : 0;
    d.pitch = static_cast<float>(recordedPitch(sampleFiles()[static_cast<size_t>(s.file)]));
  }
  return formats::writeSampleDataParameters(slots.data());
}

std::vector<FactoryImport> factoryImports(const std::string& presetDir, const std::string& sampleDir) {
  std::vector<FactoryImport> imports;
  imports.push_back({fileactions::kImportTones, presetDir + "/" + kToneBankFile});
  imports.push_back({fileactions::kImportSamplerPresets, presetDir + "/" + kSamplerPresetFile});
  for (const SampleSlot& s : sampleSlots()) {
    const SampleFile& file = sampleFiles()[static_cast<size_t>(s.file)];
    imports.push_back({fileactions::importWavTag(file.storage, s.slot), sampleDir + "/" + file.name});
  }
  imports.push_back({fileactions::kImportSampleParameters, presetDir + "/" + kSampleDataFile});
  return imports;
}

}  // namespace ovri::korvane::samples
