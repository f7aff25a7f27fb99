#include "formats/SamplerPresetText.h"

#include "formats/PresetRecordText.h"

namespace ovri::korvane::formats {

namespace {

constexpr const char* kHeaderLines[] = {
    "# @S(Sampler) 0 ~127, presetName(16 ASCII Chars), smplNum, pan, octv, tune, tl, ar, dr, sl, rr",
};

struct SamplerText {
  using Record = SamplerRecord;
  using Preset = synth::SamplerPreset;
  static constexpr RecordKind kKind = RecordKind::kSamplerPreset;
  static constexpr const char* kMarker = "@S:";
  static constexpr int32_t kSlotCount = synth::kSamplerPresetCount;
  static constexpr std::size_t kValueCount = kSamplerValueCount;
  template <class Values, class Visit> static bool forEachValue(Values& values, Visit&& visit) {
    return synth::forEachSamplerValue(values, visit);
  }
};

}  // namespace

std::vector<SamplerRecord> parseSamplerPresets(const std::string& text) {
  return presettext::parse<SamplerText>(text);
}

void applySamplerPreset(const SamplerRecord& record, synth::SamplerPreset& preset) {
  presettext::apply<SamplerText>(record, preset);
}

void applySamplerPresets(const std::vector<SamplerRecord>& records, synth::SamplerPreset* presets) {
  presettext::applyAll<SamplerText>(records, presets);
}

void readSamplerPresets(const std::string& text, synth::SamplerPreset* presets) {
  applySamplerPresets(parseSamplerPresets(text), presets);
}

std::string writeSamplerPresets(const synth::SamplerPreset* presets) {
  return presettext::write<SamplerText>(presets, kHeaderLines);
}

}  // namespace ovri::korvane::formats
