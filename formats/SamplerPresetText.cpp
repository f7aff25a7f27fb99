#include "formats/SamplerPresetText.h"

#include "formats/PresetTextGrammar.h"

#include <cstring>
#include <exception>

namespace ovri::korvane::formats {

namespace {

using synth::SamplerPreset;

// The 9 values of a record in file order, each with the mask it is stored with.
struct SamplerField {
  int32_t SamplerPreset::*field;
  int32_t mask;
};
constexpr SamplerField kSamplerFields[] = {
    {&SamplerPreset::smplNum, 0x7F}, {&SamplerPreset::pan, 0x7F}, {&SamplerPreset::octv, 0xF},
    {&SamplerPreset::tune, 0x3FFF},  {&SamplerPreset::tl, 0x7F},  {&SamplerPreset::ar, 0x7F},
    {&SamplerPreset::dr, 0x7F},      {&SamplerPreset::sl, 0x7F},  {&SamplerPreset::rr, 0x7F},
};
static_assert(sizeof(kSamplerFields) / sizeof(kSamplerFields[0]) == kSamplerValueCount);

constexpr const char* kHeaderLine =
    "# @S(Sampler) 0 ~127, presetName(16 ASCII Chars), smplNum, pan, octv, tune, tl, ar, dr, sl, rr";

// Tokens: slot, name, 9 values. False when any is unusable.
bool recordFromTokens(const std::vector<std::string>& tokens, SamplerRecord& record) {
  if (tokens.size() < 2 + kSamplerValueCount) return false;
  int32_t slot = 0;
  if (!tokenToInt(tokens[0], slot) || slot >= synth::kSamplerPresetCount) return false;
  if (!nameTokenToName(tokens[1], record.values.presetName)) return false;
  for (std::size_t i = 0; i < kSamplerValueCount; ++i) {
    int32_t value = 0;
    if (!tokenToInt(tokens[2 + i], value)) return false;
    record.values.*kSamplerFields[i].field = value & kSamplerFields[i].mask;
  }
  record.slot = slot;
  return true;
}

}  // namespace

std::vector<SamplerRecord> parseSamplerPresets(const std::string& text) {
  std::vector<SamplerRecord> records;
  try {
    for (const std::string& match : findRecords(text, RecordKind::kSamplerPreset)) {
      SamplerRecord record;
      if (recordFromTokens(recordTokens(match, RecordKind::kSamplerPreset), record))
        records.push_back(record);
    }
  } catch (const std::exception&) {
    // Out of memory while collecting: keep what was read so far.
  }
  return records;
}

void applySamplerPreset(const SamplerRecord& record, synth::SamplerPreset& preset) {
  std::memcpy(preset.presetName, record.values.presetName, synth::kPresetNameLength);
  for (const SamplerField& f : kSamplerFields) preset.*f.field = record.values.*f.field & f.mask;
}

void applySamplerPresets(const std::vector<SamplerRecord>& records, synth::SamplerPreset* presets) {
  for (const SamplerRecord& record : records)
    if (record.slot >= 0 && record.slot < synth::kSamplerPresetCount)
      applySamplerPreset(record, presets[record.slot]);
}

void readSamplerPresets(const std::string& text, synth::SamplerPreset* presets) {
  applySamplerPresets(parseSamplerPresets(text), presets);
}

std::string writeSamplerPresets(const synth::SamplerPreset* presets) {
  std::string out;
  out.reserve(synth::kSamplerPresetCount * 80 + 100);
  out += kHeaderLine;
  out += '\n';
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i) {
    out += "@S:";
    out += std::to_string(i);
    out += " \"";
    appendStoredName(out, presets[i].presetName);
    out += '"';
    for (const SamplerField& f : kSamplerFields) {
      out += ' ';
      out += std::to_string(presets[i].*f.field);
    }
    out += '\n';
  }
  return out;
}

}  // namespace ovri::korvane::formats
