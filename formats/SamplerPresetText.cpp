#include "formats/SamplerPresetText.h"

#include "formats/PresetTextGrammar.h"

#include <cstring>
#include <exception>

namespace ovri::korvane::formats {

namespace {

constexpr const char* kHeaderLine =
    "# @S(Sampler) 0 ~127, presetName(16 ASCII Chars), smplNum, pan, octv, tune, tl, ar, dr, sl, rr";

// Tokens: slot, name, 9 values. False when any is unusable.
bool recordFromTokens(const std::vector<std::string>& tokens, SamplerRecord& record) {
  if (tokens.size() < 2 + kSamplerValueCount) return false;
  int32_t slot = 0;
  if (!tokenToInt(tokens[0], slot) || slot >= synth::kSamplerPresetCount) return false;
  if (!nameTokenToName(tokens[1], record.values.presetName)) return false;
  std::size_t next = 2;
  const bool complete = synth::forEachSamplerValue(record.values, [&](int32_t& field, const synth::SamplerField& row) {
    int32_t value = 0;
    if (!tokenToInt(tokens[next++], value)) return false;
    field = value & row.textMask;
    return true;
  });
  if (!complete) return false;
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
  for (const synth::SamplerField& row : synth::kSamplerFields)
    preset.*row.member = record.values.*row.member & row.textMask;
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
    synth::forEachSamplerValue(presets[i], [&out](int32_t value, const synth::SamplerField&) {
      out += ' ';
      out += std::to_string(value);
      return true;
    });
    out += '\n';
  }
  return out;
}

}  // namespace ovri::korvane::formats
