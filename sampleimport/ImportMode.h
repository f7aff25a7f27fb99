#pragma once

#include <cstdint>

namespace ovri::korvane::sampleimport {

// How an imported recording is stored in a sample slot: as it is, or
// through the 4-bit DPCM or ADPCM codec and back (the slot then holds what
// the low-resolution format plays back). The values are those the saved
// state stores and the WAV import's file action tags carry (0x2100 + 0x100
// x mode, EditorProtocol.h).
enum class ImportMode : int32_t { Pcm = 0, Dpcm = 1, Adpcm = 2 };

// The mode a stored value names; an unknown value reads as Pcm.
constexpr ImportMode importModeOf(int32_t value) {
  return value == 1 ? ImportMode::Dpcm : (value == 2 ? ImportMode::Adpcm : ImportMode::Pcm);
}

}  // namespace ovri::korvane::sampleimport
