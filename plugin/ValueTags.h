#pragma once

#include "plugin/EditorProtocol.h"
#include "plugin/EngineHost.h"

#include <cstdint>
#include <optional>

namespace ovri::korvane::plugin {

// The value tags are described in EditorProtocol.h.
namespace tags = protocol::tags;

// Applies a value change; returns the value now in force, or nothing for a
// tag that is not handled (no answer is sent for it).
std::optional<float> applyValueChange(EngineHost& host, int32_t tag, float value);

}  // namespace ovri::korvane::plugin
