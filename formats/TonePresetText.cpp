#include "formats/TonePresetText.h"

#include "formats/PresetTextGrammar.h"

#include <cstring>
#include <exception>

namespace ovri::korvane::formats {

namespace {

using synth::ToneParameters;

// The 54 values of a record in file order: six tone fields, then twelve
// fields for each operator in turn, each with the mask it is stored with.
struct ToneField {
  int32_t ToneParameters::*field;
  int32_t mask;
};
struct ToneOperatorField {
  int32_t (ToneParameters::*field)[synth::kOperatorCount];
  int32_t mask;
};

constexpr ToneField kToneFields[] = {
    {&ToneParameters::key, 0x7F},     {&ToneParameters::pan, 0x7F},
    {&ToneParameters::lfoWave, 0x3},  {&ToneParameters::lfoFreq, 0x3FFF},
    {&ToneParameters::fl, 0x7F},      {&ToneParameters::strc, 0x7},
};
constexpr ToneOperatorField kOperatorFields[] = {
    {&ToneParameters::tlVelCtrl, 0x7}, {&ToneParameters::mul, 0xF},
    {&ToneParameters::tune, 0x3FFF},   {&ToneParameters::lms, 0xF},
    {&ToneParameters::wave, 0x7F},     {&ToneParameters::tl, 0x7F},
    {&ToneParameters::ar, 0x7F},       {&ToneParameters::dr, 0x7F},
    {&ToneParameters::sl, 0x7F},       {&ToneParameters::rr, 0x7F},
    {&ToneParameters::kf, 0x3},        {&ToneParameters::kfStart, 0x7F},
};
constexpr std::size_t kToneFieldCount = sizeof(kToneFields) / sizeof(kToneFields[0]);
static_assert(sizeof(kOperatorFields) / sizeof(kOperatorFields[0]) == synth::kOperatorFieldCount);
static_assert(kToneFieldCount + synth::kOperatorCount * synth::kOperatorFieldCount == kToneValueCount);

int32_t maskAt(std::size_t index) {
  if (index < kToneFieldCount) return kToneFields[index].mask;
  return kOperatorFields[(index - kToneFieldCount) % synth::kOperatorFieldCount].mask;
}

// Value index 0..53 in file order to the field it names (Params is
// ToneParameters, const or not).
template <typename Params>
auto& valueAt(Params& tone, std::size_t index) {
  if (index < kToneFieldCount) return tone.*kToneFields[index].field;
  index -= kToneFieldCount;
  const ToneOperatorField& f = kOperatorFields[index % synth::kOperatorFieldCount];
  return (tone.*f.field)[index / synth::kOperatorFieldCount];
}

constexpr const char* kHeaderLines[] = {
    "# @I (Insturument) 0 ~ 255, presetName(16 ASCII Chars), key, pan, lfoWave, lfoFreq, fl, strc,",
    "#                           tlVelCtrl_0, mul_0, tune_0, lms_0, wave_0, tl_0, ar_0, dr_0, sl_0, rr_0, kf_0, kfStart_0,",
    "#                           tlVelCtrl_1, mul_1, tune_1, lms_1, wave_1, tl_1, ar_1, dr_1, sl_1, rr_1, kf_1, kfStart_1,",
    "#                           tlVelCtrl_2, mul_2, tune_2, lms_2, wave_2, tl_2, ar_2, dr_2, sl_2, rr_2, kf_2, kfStart_2,",
    "#                           tlVelCtrl_3, mul_3, tune_3, lms_3, wave_3, tl_3, ar_3, dr_3, sl_3, rr_3, kf_3, kfStart_3",
};

// Tokens: slot, name, 54 values. False when any is unusable.
bool recordFromTokens(const std::vector<std::string>& tokens, ToneRecord& record) {
  if (tokens.size() < 2 + kToneValueCount) return false;
  int32_t slot = 0;
  if (!tokenToInt(tokens[0], slot) || slot >= synth::kToneCount) return false;
  if (!nameTokenToName(tokens[1], record.values.presetName)) return false;
  for (std::size_t i = 0; i < kToneValueCount; ++i) {
    int32_t value = 0;
    if (!tokenToInt(tokens[2 + i], value)) return false;
    valueAt(record.values, i) = value & maskAt(i);
  }
  record.slot = slot;
  return true;
}

}  // namespace

std::vector<ToneRecord> parseTonePresets(const std::string& text) {
  std::vector<ToneRecord> records;
  try {
    for (const std::string& match : findRecords(text, RecordKind::kTonePreset)) {
      ToneRecord record;
      if (recordFromTokens(recordTokens(match, RecordKind::kTonePreset), record))
        records.push_back(record);
    }
  } catch (const std::exception&) {
    // Out of memory while collecting: keep the records read so far rather
    // than let the exception reach the caller's thread.
  }
  return records;
}

void applyTonePreset(const ToneRecord& record, synth::TonePreset& tone) {
  std::memcpy(tone.presetName, record.values.presetName, synth::kPresetNameLength);
  for (std::size_t i = 0; i < kToneValueCount; ++i) {
    valueAt(tone, i) = valueAt(record.values, i) & maskAt(i);
  }
}

void applyTonePresets(const std::vector<ToneRecord>& records, synth::TonePreset* tones) {
  for (const ToneRecord& record : records)
    if (record.slot >= 0 && record.slot < synth::kToneCount) applyTonePreset(record, tones[record.slot]);
}

void readTonePresets(const std::string& text, synth::TonePreset* tones) {
  applyTonePresets(parseTonePresets(text), tones);
}

std::string writeTonePresets(const synth::TonePreset* tones) {
  std::string out;
  out.reserve(synth::kToneCount * 360 + 600);
  for (const char* line : kHeaderLines) {
    out += line;
    out += '\n';
  }
  for (int32_t i = 0; i < synth::kToneCount; ++i) {
    out += "@I:";
    out += std::to_string(i);
    out += " \"";
    appendStoredName(out, tones[i].presetName);
    out += '"';
    for (std::size_t v = 0; v < kToneValueCount; ++v) {
      out += ' ';
      out += std::to_string(valueAt(tones[i], v));
    }
    out += '\n';
  }
  return out;
}

}  // namespace ovri::korvane::formats
