// Sampler preset text reader: any bytes as a file's text. Every record read
// is applied to a fresh preset and to a preset set; the values must lie
// within their field masks, and the set must survive export and import.
#include "formats/SamplerPresetText.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace ovri::korvane;

namespace {

bool withinMasks(const synth::SamplerPreset& p) {
  return !((p.smplNum & ~0x7F) || (p.pan & ~0x7F) || (p.octv & ~0xF) || (p.tune & ~0x3FFF) ||
           (p.tl & ~0x7F) || (p.ar & ~0x7F) || (p.dr & ~0x7F) || (p.sl & ~0x7F) || (p.rr & ~0x7F));
}

bool samePreset(const synth::SamplerPreset& a, const synth::SamplerPreset& b) {
  return std::memcmp(a.presetName, b.presetName, synth::kPresetNameLength + 1) == 0 &&
         a.smplNum == b.smplNum && a.pan == b.pan && a.octv == b.octv && a.tune == b.tune &&
         a.tl == b.tl && a.ar == b.ar && a.dr == b.dr && a.sl == b.sl && a.rr == b.rr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<formats::SamplerRecord> records = formats::parseSamplerPresets(text);
  if (records.empty()) return 0;

  std::vector<synth::SamplerPreset> presets(synth::kSamplerPresetCount);
  for (const formats::SamplerRecord& record : records) {
    if (record.slot < 0 || record.slot >= synth::kSamplerPresetCount) __builtin_trap();
    synth::SamplerPreset fresh;
    formats::applySamplerPreset(record, fresh);
    if (!withinMasks(fresh) || fresh.presetName[synth::kPresetNameLength] != 0) __builtin_trap();
  }
  formats::applySamplerPresets(records, presets.data());

  std::vector<synth::SamplerPreset> restored(synth::kSamplerPresetCount);
  formats::readSamplerPresets(formats::writeSamplerPresets(presets.data()), restored.data());
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i)
    if (!samePreset(presets[i], restored[i])) __builtin_trap();
  return 0;
}
