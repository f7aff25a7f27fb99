#pragma once

// Sample data parameter text: the playback points and pitch of the 128 sample
// slots (not the sample values) as "@:" records (default file name
// "SampleDataParameters.txt"). Record layout after the marker and slot:
//
//   PlayBackStartPoint PlayBackEndPoint LoopStartPoint LoopEndPoint Pitch
//
// The four points are frame numbers; LoopStartPoint and LoopEndPoint are 0
// when the slot has no loop; Pitch is in Hz, written with "%f" (six digits
// after the point) and read only when it holds a point.

#include "tonegen/SoundData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::formats {

// One "@:" record as read from a file.
struct SampleParamRecord {
  int32_t slot = 0;  // 0..127
  int32_t start = 0;
  int32_t end = 0;
  int32_t loopStart = 0;
  int32_t loopEnd = 0;
  double pitch = 0.0;  // Hz, within the range of a float
};

// Every well-formed "@:" record with a slot of 0..127, in file order. Does
// not throw; touches no engine data.
std::vector<SampleParamRecord> parseSampleDataParameters(const std::string& text);

// Applies a record to a slot, checked against the slot's current length:
//  1. start and end are taken only if start < end <= length; they then also
//     clear the loop (loopEnd = end, loopLength = loopTail = 0);
//  2. the loop, against the start and end now in force: a loop start before
//     start, or a loop that is empty or reaches beyond end, clears the loop;
//     otherwise loopEnd = loop end, loopLength = loop end - loop start, and
//     loopTail = loopLength when the loop ends at end, else 0;
//  3. pitch is stored as a float, logPitch = L(pitch) in single precision,
//     pitchOffset = logRate - logPitch.
void applySampleDataParameters(const SampleParamRecord& record, synth::SampleData& slot);

// Applies each record to slots[record.slot] in order; slots holds
// kSampleSlotCount slots. Records with a slot outside 0..127 are ignored.
void applySampleDataParameterRecords(const std::vector<SampleParamRecord>& records,
                                     synth::SampleData* slots);

// Parses text and applies its records to slots (kSampleSlotCount).
void readSampleDataParameters(const std::string& text, synth::SampleData* slots);

// The whole sample data parameter file: two header comment lines, then one
// "@:" line per slot (empty slots included), each line ended by '\n'.
std::string writeSampleDataParameters(const synth::SampleData* slots);

}  // namespace ovri::korvane::formats
