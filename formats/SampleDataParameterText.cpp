#include "formats/SampleDataParameterText.h"

#include "formats/PresetTextGrammar.h"
#include "tonegen/LogCode.h"

#include <charconv>
#include <exception>
#include <limits>

namespace ovri::korvane::formats {

namespace {

constexpr const char* kHeaderLines[] = {
    "# SampleData Parameters",
    "# @:SampleDataNum(0-127), PlayBackStartPoint, PlayBackEndPoint, LoopStartPoint, LoopEndPoint, Pitch(0.0-x Hz)",
};

// Tokens: slot, start, end, loop start, loop end, pitch.
bool recordFromTokens(const std::vector<std::string>& tokens, SampleParamRecord& record) {
  if (tokens.size() < kSampleDataTokenCount) return false;
  int32_t slot = 0;
  if (!tokenToInt(tokens[0], slot) || slot >= synth::kSampleSlotCount) return false;
  int32_t* const points[] = {&record.start, &record.end, &record.loopStart, &record.loopEnd};
  for (std::size_t i = 0; i < 4; ++i)
    if (!tokenToInt(tokens[1 + i], *points[i])) return false;
  if (!tokenToPitch(tokens[5], record.pitch)) return false;
  record.slot = slot;
  return true;
}

void clearLoop(synth::SampleData& slot) {
  slot.loopEnd = slot.end;
  slot.loopLength = 0;
  slot.loopTail = 0;
}

// The record's pitch as the float the slot stores; values beyond a float's
// range (only a hand-made record holds one) are held at its largest value.
float storedPitch(double pitch) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  if (pitch > kLargest) return std::numeric_limits<float>::max();
  if (pitch < -kLargest) return -std::numeric_limits<float>::max();
  return static_cast<float>(pitch);
}

// "%f" of the C locale: fixed notation, six digits after the point, whatever
// locale the host process has set.
void appendPitch(std::string& out, float pitch) {
  char digits[64];
  const auto result = std::to_chars(digits, digits + sizeof(digits), static_cast<double>(pitch),
                                    std::chars_format::fixed, 6);
  out.append(digits, result.ptr);
}

}  // namespace

std::vector<SampleParamRecord> parseSampleDataParameters(const std::string& text) {
  std::vector<SampleParamRecord> records;
  try {
    for (const std::string& match : findRecords(text, RecordKind::kSampleDataParameters)) {
      SampleParamRecord record;
      if (recordFromTokens(recordTokens(match, RecordKind::kSampleDataParameters), record))
        records.push_back(record);
    }
  } catch (const std::exception&) {
    // Out of memory while collecting: keep what was read so far.
  }
  return records;
}

void applySampleDataParameters(const SampleParamRecord& record, synth::SampleData& slot) {
  if (record.start < record.end && record.end <= slot.length) {
    slot.start = record.start;
    slot.end = record.end;
    clearLoop(slot);
  }
  if (record.loopStart < slot.start) {
    clearLoop(slot);
  } else if (record.loopStart < record.loopEnd && record.loopEnd <= slot.end) {
    slot.loopEnd = record.loopEnd;
    slot.loopLength = record.loopEnd - record.loopStart;
    slot.loopTail = record.loopEnd == slot.end ? slot.loopLength : 0;
  } else {
    clearLoop(slot);
  }
  slot.pitch = storedPitch(record.pitch);
  slot.logPitch = logPitchUnitsF(slot.pitch);
  // Wrapping subtraction: logRate comes from elsewhere and is not checked here.
  slot.pitchOffset = static_cast<int32_t>(static_cast<uint32_t>(slot.logRate) -
                                          static_cast<uint32_t>(slot.logPitch));
}

void applySampleDataParameterRecords(const std::vector<SampleParamRecord>& records,
                                     synth::SampleData* slots) {
  for (const SampleParamRecord& record : records)
    if (record.slot >= 0 && record.slot < synth::kSampleSlotCount)
      applySampleDataParameters(record, slots[record.slot]);
}

void readSampleDataParameters(const std::string& text, synth::SampleData* slots) {
  applySampleDataParameterRecords(parseSampleDataParameters(text), slots);
}

std::string writeSampleDataParameters(const synth::SampleData* slots) {
  std::string out;
  out.reserve(synth::kSampleSlotCount * 64 + 160);
  for (const char* line : kHeaderLines) {
    out += line;
    out += '\n';
  }
  for (int32_t i = 0; i < synth::kSampleSlotCount; ++i) {
    const synth::SampleData& slot = slots[i];
    const bool looped = slot.loopLength > 0;
    out += "@:";
    out += std::to_string(i);
    for (int32_t point : {slot.start, slot.end, looped ? slot.loopEnd - slot.loopLength : 0,
                          looped ? slot.loopEnd : 0}) {
      out += ' ';
      out += std::to_string(point);
    }
    out += ' ';
    appendPitch(out, slot.pitch);
    out += '\n';
  }
  return out;
}

}  // namespace ovri::korvane::formats
