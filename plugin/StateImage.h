#pragma once

#include "engine/MultiTimberSynthBase.h"
#include "plugin/SoundModel.h"
#include "tonegen/SoundData.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::plugin {

// The saved state image, as bytes: its reader and writer. Loading an image
// into the engine and taking one from it is StateLoad's.
//
// The image holds the engine settings, the parts and all sound data,
// and for every sample slot the WAV file it is re-imported from. Values are
// little-endian; floats IEEE single precision; "u8" is the low 8 bits of
// the stored int32, "u16" the low 16 bits.
//
//   header (13 bytes)
//     u8 version (3 written, 1..3 read; later versions read as 3)
//     u8 receiveSysEx   u8 nrpnEnabled   f32 masterVolume   f32 masterTune (Hz)
//     u16 polyphony
//   16 parts (11 bytes; 10 in versions 1 and 2, which lack the output)
//     u8 output (version 3)  u8 defaultMode  u8 mode  u8 program  u8 bendRange
//     u16 pitchBend  u8 modulation (CC 1)  u8 volume (CC 7)  u8 pan (CC 10)
//     u8 expression (CC 11)
//   256 tone presets (75 bytes)
//     16 name characters  u8 key  u8 pan  u8 lfoWave  u16 lfoFreq  u8 fl  u8 strc
//     per operator 0..3:  u8 tlVelCtrl  u8 mul  u16 tune  u8 lms  u8 wave  u8 tl
//                         u8 ar  u8 dr  u8 sl  u8 rr  u8 kf  u8 kfStart
//   128 sampler presets (26 bytes)
//     16 name characters  u8 smplNum  u8 pan  u8 octv  u16 tune
//     u8 tl  u8 ar  u8 dr  u8 sl  u8 rr
//   128 sample slots (1 byte when absent)
//     u8 present (the slot has a file)  -- nothing else follows when 0
//     i32 N  N path bytes, the last one 0 (1 <= N <= 4096)
//     u8 import mode (version 2 on): 0 PCM, 1 DPCM, 2 ADPCM
//     f32 sampleRate  f32 pitch  i32 start  i32 end
//     i32 loop start  i32 loop end  (both 0 without a loop)
//
// With no sample slot in use the image is 22845 bytes.
struct StateImage {
  static constexpr uint8_t kVersion = 3;
  static constexpr int32_t kMaxPathBytes = 4096;

  using Part = PartSettings;
  struct Slot {
    bool present = false;
    std::string path;
    uint8_t mode = 0;
    float sampleRate = 0.0f;
    float pitch = 0.0f;
    int32_t start = 0, end = 0, loopStart = 0, loopEnd = 0;
  };

  uint8_t version = kVersion;
  bool receiveSysEx = false;
  bool nrpnEnabled = false;
  float masterVolume = 0.0f;
  float masterTune = 0.0f;
  int32_t polyphony = 0;
  Part parts[synth::kPartCount] = {};
  synth::ToneParameters tones[synth::kToneCount] = {};
  synth::SamplerPreset samplers[synth::kSamplerPresetCount];
  Slot slots[synth::kSampleSlotCount];

  // How many values a read took before the image ended (or was refused),
  // and the bytes they took.
  int32_t valuesRead = 0;
  size_t bytesRead = 0;
  bool complete = false;
};

// Reads an image. A short or malformed image (a value missing, version 0, a
// float that is not finite, a path length of 0, above kMaxPathBytes or
// beyond the image, a path without its closing zero) stops the read there:
// the result is incomplete and valuesRead counts what came before.
void parseStateImage(const uint8_t* bytes, size_t length, StateImage& image);

// Writes an image (version 3).
std::vector<uint8_t> serializeStateImage(const StateImage& image);

// What the plug-in saves after the image, as a tagged trailer that readers
// of the image alone never reach:
//   "KVtr"  u32 N (bytes that follow, at least 1)  u8 flags: bit 0 bypass,
//                                                  bit 1 sustain pedal switch
// Later versions may make N larger; readers take what they know and skip
// the rest. An image without it (or with another tag) means not bypassed
// and the pedal switch off; so does a clear bit of an older trailer.
struct StateTrailer {
  bool bypass = false;
  bool sustainPedal = false;
};
void appendStateTrailer(std::vector<uint8_t>& bytes, const StateTrailer& trailer);
// The trailer that follows an image of imageLength bytes.
StateTrailer readStateTrailer(const uint8_t* bytes, size_t length, size_t imageLength);

}  // namespace ovri::korvane::plugin
