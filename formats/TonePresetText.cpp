#include "formats/TonePresetText.h"

#include "formats/PresetRecordText.h"

namespace ovri::korvane::formats {

namespace {

constexpr const char* kHeaderLines[] = {
    "# @I (Insturument) 0 ~ 255, presetName(16 ASCII Chars), key, pan, lfoWave, lfoFreq, fl, strc,",
    "#                           tlVelCtrl_0, mul_0, tune_0, lms_0, wave_0, tl_0, ar_0, dr_0, sl_0, rr_0, kf_0, kfStart_0,",
    "#                           tlVelCtrl_1, mul_1, tune_1, lms_1, wave_1, tl_1, ar_1, dr_1, sl_1, rr_1, kf_1, kfStart_1,",
    "#                           tlVelCtrl_2, mul_2, tune_2, lms_2, wave_2, tl_2, ar_2, dr_2, sl_2, rr_2, kf_2, kfStart_2,",
    "#                           tlVelCtrl_3, mul_3, tune_3, lms_3, wave_3, tl_3, ar_3, dr_3, sl_3, rr_3, kf_3, kfStart_3",
};

struct ToneText {
  using Record = ToneRecord;
  using Preset = synth::TonePreset;
  static constexpr RecordKind kKind = RecordKind::kTonePreset;
  static constexpr const char* kMarker = "@I:";
  static constexpr int32_t kSlotCount = synth::kToneCount;
  static constexpr std::size_t kValueCount = kToneValueCount;
  template <class Values, class Visit> static bool forEachValue(Values& values, Visit&& visit) {
    return synth::forEachToneValue(values, visit);
  }
};

}  // namespace

std::vector<ToneRecord> parseTonePresets(const std::string& text) { return presettext::parse<ToneText>(text); }

void applyTonePreset(const ToneRecord& record, synth::TonePreset& tone) { presettext::apply<ToneText>(record, tone); }

void applyTonePresets(const std::vector<ToneRecord>& records, synth::TonePreset* tones) {
  presettext::applyAll<ToneText>(records, tones);
}

void readTonePresets(const std::string& text, synth::TonePreset* tones) {
  applyTonePresets(parseTonePresets(text), tones);
}

std::string writeTonePresets(const synth::TonePreset* tones) { return presettext::write<ToneText>(tones, kHeaderLines); }

}  // namespace ovri::korvane::formats
