#pragma once

#include "plugin/EditorProtocol.h"
#include "plugin/EngineHost.h"

#include <cstdint>
#include <string>

namespace ovri::korvane::plugin {

// The file-action tags are described in EditorProtocol.h.
namespace fileactions = protocol::fileactions;

// What became of a file action. The processor answers every action with
// it ("Processor:fileResult", EditorProtocol.h) and the editor's status
// line says it in words (describeFileAction).
enum class FileOutcome : int32_t {
  Done = 0,        // count records read or written (frames for a WAV import)
  Refused = 1,     // the file was read but nothing in it was usable: reason
  Unreadable = 2,  // an import's file could not be opened or read
  Unwritable = 3,  // an export's file could not be created or written
};
struct FileActionResult {
  bool redraw = false;  // the editor must redraw ("Processor:uiUpdate")
  FileOutcome outcome = FileOutcome::Done;
  int32_t count = 0;
  std::string reason;
};

// Carries out the action on path (a narrow file name, used as it comes).
// Returns true when the editor must redraw ("Processor:uiUpdate"): after
// every text import, and after a WAV import into the selected slot. When
// result is given it receives the whole outcome.
bool runFileAction(EngineHost& host, int32_t tag, const std::string& path, FileActionResult* result = nullptr);

// The status line's sentence for an outcome: "Imported 128 tones from
// bank.txt", "Refused KICK.wav: not a RIFF/WAVE file", "Exported 128
// sampler presets to /home/me/SamplerPresets.txt", "Could not write
// /no/such/dir/x.txt". A tag that is no file action gives "".
std::string describeFileAction(int32_t tag, const std::string& path, FileOutcome outcome, int32_t count,
                               const std::string& reason);

// Imports a WAV file into a slot as the file action does (voices stop, the
// synthesizer's slot is disabled while the slot's data are swapped).
// Returns false only when the file cannot be opened.
bool importWav(EngineHost& host, int32_t slot, const std::string& path, sampleimport::ImportMode mode);

}  // namespace ovri::korvane::plugin
