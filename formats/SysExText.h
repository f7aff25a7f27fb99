#pragma once

// System-exclusive text export: the tone presets (default file name
// "TonePresetSysEx.txt") and the sampler presets ("SamplerPresetSysEx.txt")
// as one complete system-exclusive message per line, in hexadecimal. Names
// are not exported, and nothing reads these files back.
//
// Fixed bytes are written in upper case, data bytes as a blank and two
// lower-case hexadecimal digits. The model byte written is 21, so an engine
// listening for its own model id ignores these messages unless set to 21.

#include "tonegen/SoundData.h"

#include <string>

namespace ovri::korvane::formats {

// Eight header comment lines, then one 79-byte message per tone (kToneCount
// tones), each line ended by '\n'.
std::string writeToneSysExText(const synth::TonePreset* tones);

// Four header comment lines, then one 18-byte message per sampler preset
// (kSamplerPresetCount presets), each line ended by '\n'.
std::string writeSamplerSysExText(const synth::SamplerPreset* presets);

}  // namespace ovri::korvane::formats
