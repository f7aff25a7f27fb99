#pragma once

#include "plugin/EngineHost.h"

#include <cstdint>
#include <optional>

namespace ovri::korvane::plugin {

// Value tags: the 16-bit address of every value the editor can change.
// High byte = page, low byte = item.
//
//   page  0x00 system        0x01 master volume  0x02 master tune
//                            0x81 reset parts    0x83 receive sysex (toggle)
//                            0x84 NRPN (toggle)  0x90 polyphony 4 << (int)(v x 8)
//   page  0x01 part (selected part)
//                            0x01 select part    0x02 mode         0x03 program
//                            0x04 bend range     0x05 pitch bend   0x06..0x09 CC 1, 7, 10, 11
//                            0x81 reset part     0x82 reset controllers
//                            0x83 sound off      0x90 output pair
//   page  0x10 tone (selected tone)
//                            0x01 select tone    0x03 key  0x04 pan  0x05 strc  0x06 fl
//                            0x07 lfoWave        0x08 lfoFreq        0x81 reset tone
//                            0x10 + 0x10 j + k   operator j (0..3) field k:
//                              0 wave 1 mul 2 tune 3 lms 4 tlVelCtrl 5 tl 6 ar 7 dr
//                              8 sl 9 rr A kf B kfStart
//   page  0x20 sampler preset (selected preset)
//                            0x01 select preset  0x03 smplNum  0x04 pan  0x05 octv
//                            0x06 tune  0x07 tl  0x08 ar  0x09 dr  0x0A sl  0x0B rr
//                            0x81 reset preset
//   page  0x30 sample data (selected slot; values in Hz or frames, not normalised)
//                            0x01 select slot    0x04 sample rate  0x05 pitch
//                            0x07 start  0x08 end  0x09 loop start  0x0A loop end
//                            0x81 clear slot
//
// Normalised values v (0..1) become n = (int)(v x R + 0.5) for the item's
// range R, and the answer is n / R. A value outside 0..1 is taken as the
// nearest end.
namespace tags {
constexpr int32_t kMasterVolume = 0x0001;
constexpr int32_t kMasterTune = 0x0002;
constexpr int32_t kResetAllParts = 0x0081;
constexpr int32_t kReceiveSysEx = 0x0083;
constexpr int32_t kNrpnEnable = 0x0084;
constexpr int32_t kPolyphony = 0x0090;
constexpr int32_t kSelectPart = 0x0101;
constexpr int32_t kPartMode = 0x0102;
constexpr int32_t kSelectTone = 0x1001;
constexpr int32_t kSelectSamplerPreset = 0x2001;
constexpr int32_t kSelectSample = 0x3001;
constexpr int32_t kClearSample = 0x3081;
}  // namespace tags

// Applies a value change; returns the value now in force, or nothing for a
// tag that is not handled (no answer is sent for it).
std::optional<float> applyValueChange(EngineHost& host, int32_t tag, float value);

}  // namespace ovri::korvane::plugin
