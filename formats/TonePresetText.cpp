#include "formats/TonePresetText.h"

#include "formats/PresetTextGrammar.h"

#include <cstring>
#include <exception>

namespace ovri::korvane::formats {

namespace {

using synth::ToneParameters;

// Stores the value of each field of `from` into `to`, ANDed with the field's
// text mask.
void copyMasked(const ToneParameters& from, ToneParameters& to) {
  for (const synth::ToneField& row : synth::kToneFields) to.*row.member = from.*row.member & row.textMask;
  for (int32_t j = 0; j < synth::kOperatorCount; ++j)
    for (const synth::OperatorField& row : synth::kOperatorFields)
      (to.*row.member)[j] = (from.*row.member)[j] & row.textMask;
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
  std::size_t next = 2;
  const bool complete = synth::forEachToneValue(record.values, [&](int32_t& field, const auto& row) {
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
  copyMasked(record.values, tone);
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
    synth::forEachToneValue(tones[i], [&out](int32_t value, const auto&) {
      out += ' ';
      out += std::to_string(value);
      return true;
    });
    out += '\n';
  }
  return out;
}

}  // namespace ovri::korvane::formats
