#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ovri::korvane::presets {

// A VST 3 preset file (.vstpreset) holding one component state chunk.
// Layout (integers little-endian):
//
//   offset  size  field
//   0       4     "VST3"
//   4       4     version (1)
//   8       32    the processor's class ID as 32 ASCII hex digits
//   40      8     offset of the chunk list (int64)
//   48      n     chunk data: the component state ("Comp")
//   48 + n  4     "List"
//           4     entry count (int32)
//           20    per entry: chunk id (4), data offset (int64), data size (int64)
//
// Hosts list such files under ~/.vst3/presets/<vendor>/<plug-in name>/
// and hand the "Comp" chunk to the processor's setState.

constexpr size_t kClassIdLength = 32;

// classId: 32 hex digits.
std::vector<uint8_t> writeVstPreset(const std::string& classId, const std::vector<uint8_t>& componentState);

// Finds the "Comp" chunk; false with a reason for a file that is not a
// preset, is cut short or has no component state.
bool readVstPreset(const std::vector<uint8_t>& file, std::string& classId, std::vector<uint8_t>& componentState,
                   std::string& error);

}  // namespace ovri::korvane::presets
