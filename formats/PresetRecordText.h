#pragma once

// The text of the named preset records, "@I:" tone presets and "@S:"
// sampler presets: one reader, one apply and one writer for both, each
// kind described by its traits (TonePresetText.cpp, SamplerPresetText.cpp):
//   Record, Preset      the parsed record and the engine's preset
//   kKind, kMarker      the grammar's record kind and its "@X:" marker
//   kSlotCount          slots 0..kSlotCount-1
//   kValueCount         values after the name
//   forEachValue(v, f)  the kind's rows of SoundFields.h, in text order
// Internal to the formats library.

#include "formats/PresetTextGrammar.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace ovri::korvane::formats::presettext {

// Every record of the kind whose tokens are all usable: a slot in range, a
// name, then kValueCount values, each ANDed with its row's text mask. Out
// of memory while collecting keeps the records read so far rather than let
// the exception reach the caller's thread.
template <class Kind> std::vector<typename Kind::Record> parse(const std::string& text) {
  using Record = typename Kind::Record;
  std::vector<Record> records;
  try {
    for (const std::string& match : findRecords(text, Kind::kKind)) {
      const std::vector<std::string> tokens = recordTokens(match, Kind::kKind);
      Record record;
      int32_t slot = 0;
      if (tokens.size() < 2 + Kind::kValueCount) continue;
      if (!tokenToInt(tokens[0], slot) || slot >= Kind::kSlotCount) continue;
      if (!nameTokenToName(tokens[1], record.values.presetName)) continue;
      std::size_t next = 2;
      const bool complete = Kind::forEachValue(record.values, [&](int32_t& field, const auto& row) {
        int32_t value = 0;
        if (!tokenToInt(tokens[next++], value)) return false;
        field = value & row.textMask;
        return true;
      });
      if (!complete) continue;
      record.slot = slot;
      records.push_back(record);
    }
  } catch (const std::exception&) {
  }
  return records;
}

// The record's name and values into the preset, each value ANDed with its
// row's text mask.
template <class Kind> void apply(const typename Kind::Record& record, typename Kind::Preset& preset) {
  int32_t values[Kind::kValueCount];
  std::size_t n = 0;
  Kind::forEachValue(record.values, [&](int32_t value, const auto& row) {
    values[n++] = value & row.textMask;
    return true;
  });
  n = 0;
  Kind::forEachValue(preset, [&](int32_t& field, const auto&) {
    field = values[n++];
    return true;
  });
  std::memcpy(preset.presetName, record.values.presetName, synth::kPresetNameLength);
}

// Each record with a slot in range into its preset, in order.
template <class Kind>
void applyAll(const std::vector<typename Kind::Record>& records, typename Kind::Preset* presets) {
  for (const auto& record : records)
    if (record.slot >= 0 && record.slot < Kind::kSlotCount) apply<Kind>(record, presets[record.slot]);
}

// The header lines, then one record per slot with the values as stored.
template <class Kind, std::size_t N>
std::string write(const typename Kind::Preset* presets, const char* const (&header)[N]) {
  std::string out;
  out.reserve(static_cast<std::size_t>(Kind::kSlotCount) * (24 + 6 * Kind::kValueCount) + 100 * N);
  for (const char* line : header) {
    out += line;
    out += '\n';
  }
  for (int32_t i = 0; i < Kind::kSlotCount; ++i) {
    out += Kind::kMarker;
    out += std::to_string(i);
    out += " \"";
    appendStoredName(out, presets[i].presetName);
    out += '"';
    Kind::forEachValue(presets[i], [&out](int32_t value, const auto&) {
      out += ' ';
      out += std::to_string(value);
      return true;
    });
    out += '\n';
  }
  return out;
}

}  // namespace ovri::korvane::formats::presettext
