#pragma once

// The factory sampler set: which recordings it holds, which sample slot
// each one fills and with which playback points, and the key map of the 128
// sampler presets. One table drives the generator of the WAV files
// (make-factory-samples), the two committed text files
// presets/FactorySampler.txt ("@S") and presets/FactorySampleData.txt ("@:"),
// and the order in which the tools import the whole factory set.
//
// Key map (on a sampler part the key chooses the preset; it does not
// transpose, so every melodic key carries its own octv/tune):
//
//   keys     zone              slot  recording     pitch
//   0        drum loop 120 bpm   4   drums.wav     as recorded, loops while held
//   1        drum loop, slow     4   drums.wav     an octave down, half tempo
//   12-23    drum hits           5-8 drums.wav     slices; toms are the kick retuned
//   24-47    pluck   C1-B2       2   pluck.wav     each key at its own pitch
//   48-71    choir   C3-B4       0   choir.wav     each key at its own pitch, looped
//   72-95    flute   C5-B6       1   flute.wav     each key at its own pitch, looped
//   96-119   glock   C7-B8       3   mallet.wav    each key at its own pitch
//   others   silent            127   (empty)       slot 127 is left empty
//
// Load order: tone presets, sampler presets, every WAV into its slot, then
// the sample data parameters, which are checked against the length each
// slot holds and so must follow the WAVs.

#include "sampleimport/ImportMode.h"
#include "tonegen/SoundData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::samples {

enum class SampleKind { Choir, Flute, Pluck, Mallet, Drums };

// One WAV file of the set, as the generator writes it (16-bit integer PCM).
struct SampleFile {
  const char* name;   // file name in the sample folder
  SampleKind kind;
  int32_t rate;       // Hz
  int32_t channels;   // 1 or 2
  int32_t frames;
  int32_t loopFrames; // length of the loop that ends at the last frame; 0 = one-shot
  int32_t rootKey;    // MIDI key the recording plays; -1 = unpitched
  sampleimport::ImportMode storage;  // how the set imports it
};

// One filled sample slot: a file and the part of it that plays.
struct SampleSlot {
  int32_t slot;
  int32_t file;       // index into sampleFiles()
  int32_t start;      // first frame played
  int32_t end;        // playback stops here (exclusive)
  int32_t loopStart;  // loop start and end; both 0 = no loop
  int32_t loopEnd;
};

// The slot every key outside the zones names; the set never fills it, so
// those keys stay silent.
constexpr int32_t kSilentSlot = 127;

// The drum loop: one bar of 16 steps at 22050 Hz, 2756 frames per step
// (120.01 bpm). The hit slices are whole steps of it.
constexpr int32_t kDrumRate = 22050;
constexpr int32_t kDrumStepFrames = 2756;
constexpr int32_t kDrumSteps = 16;

const std::vector<SampleFile>& sampleFiles();
const std::vector<SampleSlot>& sampleSlots();

// The frequency in Hz the recording of a pitched file actually holds. A
// looped recording repeats exactly once per loop, so its fundamental is a
// whole number of cycles per loop: the nearest such frequency to the root
// key's (a fraction of a cent away). 0 for unpitched files.
double recordedPitch(const SampleFile& file);

// Frequency of a MIDI key at A = 440 Hz.
double keyFrequency(int32_t key);

// octv and tune that play a recording of pitch `from` Hz at `to` Hz:
// octv x 8192 + tune = 9 x 8192 + round(8192 x log2(to / from)), with tune
// kept as near to 8192 (no detune) as the octave allows.
void pitchShift(double from, double to, int32_t& octv, int32_t& tune);

// The 128 sampler presets of the key map.
std::vector<synth::SamplerPreset> samplerPresets();

// The two committed text files, written with the preset text writers.
std::string samplerPresetText();
std::string sampleDataParameterText();

// Committed file names (in the source tree's presets/ folder).
constexpr const char* kToneBankFile = "FactoryTones.txt";  // the factory FM tone bank
constexpr const char* kSamplerPresetFile = "FactorySampler.txt";
constexpr const char* kSampleDataFile = "FactorySampleData.txt";

struct FactoryImport {
  int32_t tag;
  std::string path;
};

// Every import of the factory set, in load order: tone presets, sampler
// presets, each slot's WAV (with its storage), sample data parameters.
std::vector<FactoryImport> factoryImports(const std::string& presetDir, const std::string& sampleDir);

}  // namespace ovri::korvane::samples
