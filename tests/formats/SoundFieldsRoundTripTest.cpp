// The field tables across formats: what the system-exclusive text export
// writes, the engine's system-exclusive reception reads back field for field.
#include "engine/SynthesizerFM4.h"
#include "formats/SysExText.h"
#include "tonegen/SoundFields.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace ovri::korvane::formats {
namespace {

// The bytes after F0 of every message line of an export.
std::vector<std::vector<uint8_t>> messages(const std::string& text) {
  std::vector<std::vector<uint8_t>> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("F0 ", 0) != 0) continue;
    std::istringstream bytes(line.substr(3));
    std::vector<uint8_t> message;
    for (std::string hex; bytes >> hex;) message.push_back(static_cast<uint8_t>(std::stoi(hex, nullptr, 16)));
    out.push_back(message);
  }
  return out;
}

// A value every format keeps unchanged: within the row's masks and its
// value tag range.
template <typename Row> int32_t keptValue(const Row& row, std::mt19937& rng) {
  const int32_t mask = row.bytes == 2 ? 0x3FFF : row.rxMask & row.txMask & row.textMask & 0x7F;
  return static_cast<int32_t>(rng() % (static_cast<uint32_t>(mask) + 1)) % (row.tagRange + 1);
}

struct SysExRoundTrip : ::testing::Test {
  SysExRoundTrip() {
    engine.setReceiveSysEx(true);
    engine.setModelId(0x21);  // the model the export writes
  }
  void play(const std::string& text) {
    for (const std::vector<uint8_t>& m : messages(text))
      engine.systemExclusive(m.data(), static_cast<int32_t>(m.size()));
  }
  synth::SynthesizerFM4 engine{440.0f, 0.8f};
  std::mt19937 rng{8};
};

TEST_F(SysExRoundTrip, ToneExportPlayedIntoTheEngineSetsEveryFieldOfEveryTone) {
  std::vector<synth::TonePreset> tones(synth::kToneCount);
  for (synth::TonePreset& t : tones)
    synth::forEachToneValue(t, [this](int32_t& v, const auto& row) { return (v = keptValue(row, rng)), true; });
  play(writeToneSysExText(tones.data()));
  for (int32_t i = 0; i < synth::kToneCount; ++i) {
    std::vector<int32_t> sent, received;
    auto collect = [](std::vector<int32_t>& to) { return [&to](int32_t v, const auto&) { return to.push_back(v), true; }; };
    synth::forEachToneValue(tones[i], collect(sent));
    synth::forEachToneValue(engine.getTonePreset(i), collect(received));
    ASSERT_EQ(received, sent) << "tone " << i;
  }
}

TEST_F(SysExRoundTrip, SamplerExportPlayedIntoTheEngineSetsEveryFieldOfEveryPreset) {
  std::vector<synth::SamplerPreset> presets(synth::kSamplerPresetCount);
  for (synth::SamplerPreset& p : presets)
    synth::forEachSamplerValue(p, [this](int32_t& v, const auto& row) { return (v = keptValue(row, rng)), true; });
  play(writeSamplerSysExText(presets.data()));
  for (int32_t i = 0; i < synth::kSamplerPresetCount; ++i)
    for (const synth::SamplerField& row : synth::kSamplerFields)
      ASSERT_EQ(engine.getSamplerPreset(i).*row.member, presets[i].*row.member) << "preset " << i << " " << row.name;
}

}  // namespace
}  // namespace ovri::korvane::formats
