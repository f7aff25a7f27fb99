#pragma once

// Sampler preset text: the 128 sampler presets as "@S:" records (default file
// name "SamplerPresets.txt"). Record layout after the marker and slot number:
//
//   "name16chars....."  smplNum pan octv tune tl ar dr sl rr
//
// The values are the rows of kSamplerFields (SoundFields.h) in row order; on
// reading each is ANDed with its row's textMask. Values are written as stored.

#include "tonegen/SoundData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::formats {

// One "@S:" record as read from a file.
struct SamplerRecord {
  int32_t slot = 0;              // 0..127
  synth::SamplerPreset values;   // name (16 characters and a zero byte), masked values
};

// Every well-formed "@S:" record with a slot of 0..127, in file order. Does
// not throw; touches no engine data.
std::vector<SamplerRecord> parseSamplerPresets(const std::string& text);

// Stores a record into a preset: the 16 name characters (the preset's
// terminating zero byte is left as it is) and every value ANDed with its mask.
void applySamplerPreset(const SamplerRecord& record, synth::SamplerPreset& preset);

// Applies each record to presets[record.slot] in order; presets holds
// kSamplerPresetCount presets. Records with a slot outside 0..127 are ignored.
void applySamplerPresets(const std::vector<SamplerRecord>& records, synth::SamplerPreset* presets);

// Parses text and applies its records to presets (kSamplerPresetCount).
void readSamplerPresets(const std::string& text, synth::SamplerPreset* presets);

// The whole sampler preset file: one header comment line, then one "@S:" line
// per preset, each line ended by '\n'.
std::string writeSamplerPresets(const synth::SamplerPreset* presets);

}  // namespace ovri::korvane::formats
