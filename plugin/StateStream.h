#pragma once

#include "pluginterfaces/base/ibstream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ovri::korvane::plugin {

// The largest state read from a host's stream.
constexpr size_t kMaxStateBytes = size_t{64} << 20;

// Reads a host's stream to its end into bytes. False when it holds more than
// kMaxStateBytes (bytes is then incomplete and must not be used).
bool readStateStream(Steinberg::IBStream& stream, std::vector<uint8_t>& bytes);

}  // namespace ovri::korvane::plugin
