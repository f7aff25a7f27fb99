// Tone preset text reader: any bytes as a file's text. Every record read is
// applied to a fresh tone and to a tone set; the values must lie within their
// field masks, and the changed tones must survive export and import unchanged.
#include "formats/TonePresetText.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace ovri::korvane;

namespace {

bool withinMasks(const synth::ToneParameters& t) {
  if ((t.key & ~0x7F) || (t.pan & ~0x7F) || (t.lfoWave & ~0x3) || (t.lfoFreq & ~0x3FFF) ||
      (t.fl & ~0x7F) || (t.strc & ~0x7))
    return false;
  for (int op = 0; op < synth::kOperatorCount; ++op)
    if ((t.tlVelCtrl[op] & ~0x7) || (t.mul[op] & ~0xF) || (t.tune[op] & ~0x3FFF) || (t.lms[op] & ~0xF) ||
        (t.wave[op] & ~0x7F) || (t.tl[op] & ~0x7F) || (t.ar[op] & ~0x7F) || (t.dr[op] & ~0x7F) ||
        (t.sl[op] & ~0x7F) || (t.rr[op] & ~0x7F) || (t.kf[op] & ~0x3) || (t.kfStart[op] & ~0x7F))
      return false;
  return true;
}

bool sameTone(const synth::TonePreset& a, const synth::TonePreset& b) {
  if (std::memcmp(a.presetName, b.presetName, synth::kPresetNameLength + 1) != 0) return false;
  return a.key == b.key && a.pan == b.pan && a.lfoWave == b.lfoWave && a.lfoFreq == b.lfoFreq &&
         a.fl == b.fl && a.strc == b.strc &&
         std::memcmp(a.tlVelCtrl, b.tlVelCtrl, sizeof(int32_t) * 4 * synth::kOperatorFieldCount) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<formats::ToneRecord> records = formats::parseTonePresets(text);
  if (records.empty()) return 0;

  std::vector<synth::TonePreset> tones(synth::kToneCount);
  for (const formats::ToneRecord& record : records) {
    if (record.slot < 0 || record.slot >= synth::kToneCount) __builtin_trap();
    synth::TonePreset fresh;
    formats::applyTonePreset(record, fresh);
    if (!withinMasks(fresh) || fresh.presetName[synth::kPresetNameLength] != 0) __builtin_trap();
  }
  formats::applyTonePresets(records, tones.data());

  // Export, then import the lines of the tones that changed (importing all
  // 256 each run would make the target too slow to explore).
  const std::string exported = formats::writeTonePresets(tones.data());
  std::vector<std::string> lines;
  for (size_t start = 0; start < exported.size();) {
    const size_t end = exported.find('\n', start);
    lines.push_back(exported.substr(start, end - start + 1));
    start = end + 1;
  }
  if (lines.size() != 5 + static_cast<size_t>(synth::kToneCount)) __builtin_trap();
  std::string changed;
  for (const formats::ToneRecord& record : records) changed += lines[5 + record.slot];
  std::vector<synth::TonePreset> restored(synth::kToneCount);
  formats::readTonePresets(changed, restored.data());
  for (const formats::ToneRecord& record : records)
    if (!sameTone(tones[record.slot], restored[record.slot])) __builtin_trap();
  return 0;
}
