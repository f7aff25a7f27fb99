#pragma once

#include "plugin/EditorProtocol.h"
#include "plugin/EngineHost.h"

#include <cstdint>
#include <string>

namespace ovri::korvane::plugin {

// The file-action tags are described in EditorProtocol.h.
namespace fileactions = protocol::fileactions;

// Carries out the action on path (a narrow file name, used as it comes).
// Returns true when the editor must redraw ("Processor:uiUpdate"): after
// every text import, and after a WAV import into the selected slot.
bool runFileAction(EngineHost& host, int32_t tag, const std::string& path);

// Imports a WAV file into a slot as the file action does (voices stop, the
// synthesizer's slot is disabled while the slot's data are swapped).
// Returns false only when the file cannot be opened.
bool importWav(EngineHost& host, int32_t slot, const std::string& path, uint8_t mode);

}  // namespace ovri::korvane::plugin
