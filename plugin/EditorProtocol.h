#pragma once

// The messages between the editor, the controller and the processor: their
// ids, their attributes, the value tags and the file-action tags. Every
// sender and receiver (processor, controller, editor, tools and tests)
// takes them from here.
//
//   editor -> processor
//     "GUIEditor:openGUI"        (none)                  the editor opened
//     "GUIEditor:kvValueChange"  tag (int), val (float)  a value tag changed
//     "GUIEditor:kvFileSelect"   tag (int), path (bytes) a file dialog's choice
//   processor -> controller (-> editor)
//     "GUIEditor:kvValueUpdate"  tag, val                the value in force
//     "Processor:openGUI"        kvset                   the engine host's address
//     "Processor:uiUpdate"       kvnames                 redraw after a file action
//     "Processor:fileResult"     tag, path, outcome,     what became of every file action
//                                count, reason           (FileActions.h: FileOutcome)
//     "Processor:getState"       kvset, kvnames          after a save
//     "Processor:setState"       kvset, kvnames          after a load (whatever the result)
//
//   kvset    the address of the processor's EngineHost, as 8 raw bytes
//   kvnames  the names of the instrument tones 0..127, 16 bytes each

#include "sampleimport/ImportMode.h"

#include <cstdint>

namespace ovri::korvane::protocol {

namespace message {
inline constexpr const char* kEditorOpened = "GUIEditor:openGUI";
inline constexpr const char* kValueChange = "GUIEditor:kvValueChange";
inline constexpr const char* kFileSelect = "GUIEditor:kvFileSelect";
inline constexpr const char* kValueUpdate = "GUIEditor:kvValueUpdate";
inline constexpr const char* kOpenGui = "Processor:openGUI";
inline constexpr const char* kUiUpdate = "Processor:uiUpdate";
inline constexpr const char* kFileResult = "Processor:fileResult";
inline constexpr const char* kGetState = "Processor:getState";
inline constexpr const char* kSetState = "Processor:setState";
// Prefix of every message the editor sends.
inline constexpr const char* kEditorPrefix = "GUIEditor:";
}  // namespace message

namespace attribute {
inline constexpr const char* kTag = "tag";
inline constexpr const char* kValue = "val";
inline constexpr const char* kPath = "path";
inline constexpr const char* kEngineHost = "kvset";
inline constexpr const char* kProgramNames = "kvnames";
// Of "Processor:fileResult": the outcome (int, FileOutcome), the records
// read or written (int; frames for a WAV import) and why a file was
// refused (bytes with the closing zero, empty when it was not). "tag" and
// "path" are those of the action.
inline constexpr const char* kOutcome = "outcome";
inline constexpr const char* kCount = "count";
inline constexpr const char* kReason = "reason";
}  // namespace attribute

// Value tags: the 16-bit address of every value the editor can change.
// High byte = page, low byte = item.
//
//   page  0x00 system        0x01 master volume  0x02 master tune
//                            0x81 reset parts    0x83 receive sysex (toggle)
//                            0x84 NRPN (toggle)  0x85 sustain pedal (CC 64) switch, on for v >= 0.5
//                            0x90 polyphony 4 << (int)(v x 8)
//   page  0x01 part (selected part)
//                            0x01 select part    0x02 mode         0x03 program
//                            0x04 bend range     0x05 pitch bend   0x06..0x09 CC 1, 7, 10, 11
//                            0x81 reset part     0x82 reset controllers
//                            0x83 sound off      0x90 output pair
//   page  0x10 tone (selected tone)
//                            0x01 select tone    0x02 name (the editor wrote it into the model)
//                            0x03 key  0x04 pan  0x05 strc  0x06 fl
//                            0x07 lfoWave        0x08 lfoFreq        0x81 reset tone
//                            0x10 + 0x10 j + k   operator j (0..3) field k:
//                              0 wave 1 mul 2 tune 3 lms 4 tlVelCtrl 5 tl 6 ar 7 dr
//                              8 sl 9 rr A kf B kfStart
//   page  0x20 sampler preset (selected preset)
//                            0x01 select preset  0x02 name (as for tones)
//                            0x03 smplNum  0x04 pan  0x05 octv
//                            0x06 tune  0x07 tl  0x08 ar  0x09 dr  0x0A sl  0x0B rr
//                            0x81 reset preset
//   page  0x30 sample data (selected slot; values in Hz or frames, not normalised)
//                            0x01 select slot    0x04 sample rate  0x05 pitch
//                            0x07 start  0x08 end  0x09 loop start  0x0A loop end
//                            0x81 clear slot
//
// Normalised values v (0..1) become n = (int)(v x R + 0.5) for the item's
// range R, and the answer is n / R. A value outside 0..1 is taken as the
// nearest end. Each item's range, field and texts: plugin/PageItems.h.
namespace tags {
constexpr int32_t kPageMask = 0xFF00;
constexpr int32_t kItemMask = 0x00FF;
constexpr int32_t kSystemPage = 0x0000;
constexpr int32_t kPartPage = 0x0100;
constexpr int32_t kTonePage = 0x1000;
constexpr int32_t kSamplerPage = 0x2000;
constexpr int32_t kSamplePage = 0x3000;

constexpr int32_t kMasterVolume = 0x0001;
constexpr int32_t kMasterTune = 0x0002;
constexpr int32_t kResetAllParts = 0x0081;
constexpr int32_t kReceiveSysEx = 0x0083;
constexpr int32_t kNrpnEnable = 0x0084;
constexpr int32_t kSustainPedal = 0x0085;  // the processor's own switch, saved in the state trailer
constexpr int32_t kPolyphony = 0x0090;
constexpr int32_t kSelectPart = 0x0101;
constexpr int32_t kPartMode = 0x0102;
constexpr int32_t kProgram = 0x0103;
constexpr int32_t kPartOutput = 0x0190;
constexpr int32_t kSelectTone = 0x1001;
constexpr int32_t kToneName = 0x1002;
constexpr int32_t kSelectSamplerPreset = 0x2001;
constexpr int32_t kSamplerName = 0x2002;
constexpr int32_t kSelectSample = 0x3001;
constexpr int32_t kClearSample = 0x3081;
}  // namespace tags

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
// A WAV import: 0x2100 + 0x100 x import mode + the target slot.
constexpr int32_t kImportWav = 0x2100;
constexpr int32_t importWavTag(sampleimport::ImportMode mode, int32_t slot = 0) {
  return kImportWav + 0x100 * static_cast<int32_t>(mode) + slot;
}
constexpr sampleimport::ImportMode importModeOfTag(int32_t tag) {
  return sampleimport::importModeOf(((tag & 0xFF00) - kImportWav) >> 8);
}
constexpr int32_t kImportWavPcm = importWavTag(sampleimport::ImportMode::Pcm);
constexpr int32_t kImportWavDpcm = importWavTag(sampleimport::ImportMode::Dpcm);
constexpr int32_t kImportWavAdpcm = importWavTag(sampleimport::ImportMode::Adpcm);
constexpr int32_t kExportTones = 0x9100;
constexpr int32_t kExportSamplerPresets = 0x9200;
constexpr int32_t kExportToneSysEx = 0x9300;
constexpr int32_t kExportSamplerSysEx = 0x9400;
constexpr int32_t kExportSampleParameters = 0x9500;
constexpr int32_t kSlotMask = 0x7F;
}  // namespace fileactions

}  // namespace ovri::korvane::protocol
