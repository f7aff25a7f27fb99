#pragma once

// Tone preset text: the 256 tone presets as "@I:" records (default file name
// "TonePresets.txt"). Record layout after the marker and slot number:
//
//   "name16chars....."  key pan lfoWave lfoFreq fl strc            (6 values)
//                       tlVelCtrl_j mul_j tune_j lms_j wave_j tl_j
//                       ar_j dr_j sl_j rr_j kf_j kfStart_j          (12 per operator j = 0..3)
//
// The values are those of the tone and operator rows of SoundFields.h in
// their row order; on reading each is ANDed with its row's textMask. Values
// are written as stored.

#include "tonegen/SoundData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::formats {

// One "@I:" record as read from a file.
struct ToneRecord {
  int32_t slot = 0;                // 0..255
  synth::ToneParameters values{};  // name (16 characters and a zero byte), masked values
};

// Every well-formed "@I:" record with a slot of 0..255, in file order (a slot
// may appear more than once). Does not throw; touches no engine data, so it
// may run while the tones are in use.
std::vector<ToneRecord> parseTonePresets(const std::string& text);

// Stores a record into a tone: the 16 name characters (the tone's terminating
// zero byte is left as it is) and every value ANDed with its field's mask.
void applyTonePreset(const ToneRecord& record, synth::TonePreset& tone);

// Applies each record to tones[record.slot] in order; tones holds
// kToneCount presets. Records with a slot outside 0..255 are ignored.
void applyTonePresets(const std::vector<ToneRecord>& records, synth::TonePreset* tones);

// Parses text and applies its records to tones (kToneCount presets). Tones
// that the text does not name keep their values.
void readTonePresets(const std::string& text, synth::TonePreset* tones);

// The whole tone preset file for kToneCount tones: five header comment lines,
// then one "@I:" line per tone, each line ended by '\n'.
std::string writeTonePresets(const synth::TonePreset* tones);

}  // namespace ovri::korvane::formats
