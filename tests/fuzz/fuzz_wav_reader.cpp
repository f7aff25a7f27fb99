// Fuzz target: the WAV container walk and the sample conversions on
// arbitrary bytes. Beyond the sanitizers it checks that whatever the reader
// accepts lies inside the input and that the conversions give exactly
// channels x frames values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sampleimport/WavReader.h"

using namespace ovri::korvane::sampleimport;

namespace {
void check(bool condition) {
  if (!condition) std::abort();
}

volatile int64_t sink;  // keeps the reads below from being optimised away
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  const WavInfo info = parseWav(bytes, length);
  if (info.data == nullptr) return 0;

  check(info.file == bytes);
  check(info.data >= bytes + 12 && info.data <= bytes + length);
  check(static_cast<size_t>(info.data - bytes) + info.dataSize <= length);
  check(info.channels > 0 && info.bitsPerSample >= 8);
  const uint64_t count = uint64_t{info.frames} * info.channels;
  check(count * (info.bitsPerSample / 8u) <= info.dataSize);

  // Touch every converted value so that a wrong count shows as a read past
  // the array.
  int64_t sum = 0;
  if (const auto s8 = toSigned8(info)) {
    for (uint64_t i = 0; i < count; ++i) sum += s8[i];
  }
  if (const auto s16 = toSigned16(info)) {
    for (uint64_t i = 0; i < count; ++i) sum += s16[i];
  }
  sink = sum;
  return 0;
}
