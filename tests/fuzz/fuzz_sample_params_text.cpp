// Sample data parameter text reader: the first four bytes give the slot's
// length in frames, the rest is a file's text. Every record read is applied
// to a slot of that length; the slot's points must keep their invariants
// (start < end <= length; start <= loop start < loopEnd <= end when looped;
// loopEnd = end and no tail when not), and its pitch must be consistent.
#include "formats/SampleDataParameterText.h"
#include "tonegen/LogCode.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace ovri::korvane;

namespace {

bool consistent(const synth::SampleData& s) {
  if (s.length > 0 && !(0 <= s.start && s.start < s.end && s.end <= s.length)) return false;
  if (s.loopLength > 0) {
    const int32_t loopStart = s.loopEnd - s.loopLength;
    if (!(s.start <= loopStart && loopStart < s.loopEnd && s.loopEnd <= s.end)) return false;
    if (s.loopTail != (s.loopEnd == s.end ? s.loopLength : 0)) return false;
  } else if (s.loopLength != 0 || s.loopTail != 0 || s.loopEnd != s.end) {
    return false;
  }
  return s.logPitch == logPitchUnitsF(s.pitch) && s.pitchOffset == s.logRate - s.logPitch;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const int32_t length = static_cast<int32_t>((uint32_t{data[0]} | uint32_t{data[1]} << 8 |
                                               uint32_t{data[2]} << 16 | uint32_t{data[3]} << 24) &
                                              0x7FFFFFFF);
  const std::string text(reinterpret_cast<const char*>(data) + 4, size - 4);
  const std::vector<formats::SampleParamRecord> records = formats::parseSampleDataParameters(text);

  synth::SampleData slot;
  slot.length = length;
  slot.end = length;
  slot.loopEnd = length;
  slot.sampleRate = 44100.0f;
  slot.logRate = logPitchUnitsF(slot.sampleRate);
  for (const formats::SampleParamRecord& record : records) {
    if (record.slot < 0 || record.slot >= synth::kSampleSlotCount) __builtin_trap();
    formats::applySampleDataParameters(record, slot);
    if (!consistent(slot)) __builtin_trap();
  }

  // What the slot now holds survives export and import.
  if (!records.empty()) {
    std::vector<synth::SampleData> slots(synth::kSampleSlotCount);
    synth::SampleData& written = slots[records.back().slot];
    written.length = slot.length;
    written.start = slot.start;
    written.end = slot.end;
    written.loopEnd = slot.loopEnd;
    written.loopLength = slot.loopLength;
    written.loopTail = slot.loopTail;
    written.pitch = slot.pitch;
    written.logRate = slot.logRate;
    const std::string exported = formats::writeSampleDataParameters(slots.data());
    // The slot's own line (the two header lines come first).
    size_t lineStart = 0;
    for (int32_t line = 0; line < 2 + records.back().slot; ++line) lineStart = exported.find('\n', lineStart) + 1;
    const std::vector<formats::SampleParamRecord> reread =
        formats::parseSampleDataParameters(exported.substr(lineStart, exported.find('\n', lineStart) - lineStart));
    if (reread.size() != 1 || reread[0].slot != records.back().slot) __builtin_trap();
    synth::SampleData copy;
    copy.length = slot.length;
    copy.end = slot.length;
    copy.loopEnd = slot.length;
    copy.logRate = slot.logRate;
    formats::applySampleDataParameters(reread[0], copy);
    if (slot.length > 0 && (copy.start != slot.start || copy.end != slot.end || copy.loopEnd != slot.loopEnd ||
                            copy.loopLength != slot.loopLength || copy.loopTail != slot.loopTail))
      __builtin_trap();
  }
  return 0;
}
