#include "plugin/StateStream.h"

#include <algorithm>

namespace ovri::korvane::plugin {

bool readStateStream(Steinberg::IBStream& stream, std::vector<uint8_t>& bytes) {
  bytes.clear();
  Steinberg::uint8 chunk[4096];
  for (;;) {
    Steinberg::int32 got = 0;
    // Streams differ in what they answer for the last, short read (some
    // say kResultFalse with the bytes they did read): the end is the read
    // that brings nothing.
    stream.read(chunk, sizeof chunk, &got);
    if (got <= 0) return true;
    const size_t n = std::min<size_t>(static_cast<size_t>(got), sizeof chunk);
    if (bytes.size() + n > kMaxStateBytes) return false;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
}

}  // namespace ovri::korvane::plugin
