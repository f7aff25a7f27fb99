#pragma once

#include "plugin/EditorProtocol.h"
#include "plugin/EngineHost.h"

#include <cstdint>
#include <optional>

namespace ovri::korvane::plugin {

// The value tags are described in EditorProtocol.h, each one's range and
// field in PageItems.h.
namespace tags = protocol::tags;

// Applies a value change; returns the value now in force, or nothing for a
// tag that is not handled (no answer is sent for it).
std::optional<float> applyValueChange(EngineHost& host, int32_t tag, float value);

// The loop start and end a slot's boxes show: the loop in force, or while
// there is none the points entered so far (0 for one not entered). A loop
// start or end (0x3009, 0x300A) is kept when it lies in the play range;
// the loop comes on once the two form one, in whichever order they came.
struct LoopPoints {
  int32_t start;
  int32_t end;
};
LoopPoints shownLoopPoints(const EngineView& view, int32_t slot);
// A new recording or a cleared slot: the points entered are forgotten.
void forgetLoopPoints(EngineHost& host, int32_t slot);

}  // namespace ovri::korvane::plugin
