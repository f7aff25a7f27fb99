#pragma once

#include "plugin/EngineHost.h"

#include <cstdint>
#include <string>

namespace ovri::korvane::plugin {

// File actions of the editor's dialogs. The action is the tag's high byte;
// WAV imports carry the target slot in the low 7 bits.
//
//   0x1100 import tone presets text        0x9100 export tone presets text
//   0x1200 import sampler presets text     0x9200 export sampler presets text
//   0x1500 import sample data parameters   0x9300 export tone presets as sysex text
//   0x2100 import WAV into slot, PCM       0x9400 export sampler presets as sysex text
//   0x2200 the same, DPCM                  0x9500 export sample data parameters
//   0x2300 the same, ADPCM
namespace fileactions {
constexpr int32_t kImportTones = 0x1100;
constexpr int32_t kImportSamplerPresets = 0x1200;
constexpr int32_t kImportSampleParameters = 0x1500;
constexpr int32_t kImportWavPcm = 0x2100;
constexpr int32_t kImportWavDpcm = 0x2200;
constexpr int32_t kImportWavAdpcm = 0x2300;
constexpr int32_t kExportTones = 0x9100;
constexpr int32_t kExportSamplerPresets = 0x9200;
constexpr int32_t kExportToneSysEx = 0x9300;
constexpr int32_t kExportSamplerSysEx = 0x9400;
constexpr int32_t kExportSampleParameters = 0x9500;
}  // namespace fileactions

// Carries out the action on path (a narrow file name, used as it comes).
// Returns true when the editor must redraw ("Processor:uiUpdate"): after
// every text import, and after a WAV import into the selected slot.
bool runFileAction(EngineHost& host, int32_t tag, const std::string& path);

// Imports a WAV file into a slot as the file action does (voices stop, the
// synthesizer's slot is disabled while the slot's data are swapped).
// Returns false only when the file cannot be opened.
bool importWav(EngineHost& host, int32_t slot, const std::string& path, uint8_t mode);

}  // namespace ovri::korvane::plugin
