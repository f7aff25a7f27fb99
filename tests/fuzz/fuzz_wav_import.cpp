// Fuzz target: the whole import of a WAV file held in memory, in each of
// the three modes. Checks that a loaded record keeps the sampler's
// invariants and holds only valid logSample codes, and that a refusal
// leaves the record as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sampleimport/SampleImport.h"
#include "tonegen/LogCode.h"
#include "tonegen/SoundData.h"

using namespace ovri::korvane;
using namespace ovri::korvane::sampleimport;

namespace {
void check(bool condition) {
  if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length) {
  for (ImportMode mode : {ImportMode::Pcm, ImportMode::Dpcm, ImportMode::Adpcm}) {
    synth::SampleData record;
    record.length = -7;  // marks an untouched record
    const WavLoadResult result = decodeWav(bytes, length, mode, record);
    if (result != WavLoadResult::Loaded) {
      check(result == WavLoadResult::Refused && record.length == -7 && record.samples == nullptr);
      record.length = 0;
      continue;
    }
    check(record.length >= 0 && record.start == 0);
    check(record.end == record.length && record.loopEnd == record.length);
    check(record.loopLength == 0 && record.loopTail == 0 && record.pitchOffset == record.logRate);
    if (record.samples == nullptr) {
      check(mode == ImportMode::Pcm && record.length == 0);
      continue;
    }
    check(record.ownsData == 1 && (record.channels == 1 || record.channels == 2));
    const int64_t count = int64_t{record.length} * record.channels;
    for (int64_t i = 0; i < count; ++i) check(record.samples[i] >= 0 && record.samples[i] <= kLogSilence + 1);
  }
  return 0;
}
