// The factory set loaded into the built plug-in through its own file
// actions, in the order the tools load it, then every mapped sampler key
// played on a sampler part.
#include "host/PluginHost.h"
#include "tools/samples/FactorySampleSet.h"

#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::host::ProcessOptions;
namespace samples = ovri::korvane::samples;

constexpr double kRate = 44100.0;
constexpr int32 kBlock = 512;
constexpr int32 kSamplerPart = 0;

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The loaded plug-in, shared by the suite (loading is the expensive part).
class FactoryLoad : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    std::string error;
    module = PluginModule::load(KORVANE_TEST_BUNDLE, error).release();
    ASSERT_NE(module, nullptr) << error;
    plugin = PluginInstance::create(*module, error).release();
    ASSERT_NE(plugin, nullptr) << error;
    ProcessOptions options;
    options.sampleRate = kRate;
    options.maxBlockSize = kBlock;
    options.processMode = kOffline;
    ASSERT_TRUE(plugin->start(options, error)) << error;
    for (const auto& import : samples::factoryImports(KORVANE_PRESET_DIR, KORVANE_FACTORY_SAMPLE_DIR))
      fileSelect(import.tag, import.path);
    // The part plays sampler presets (mode 3 of 0..3).
    valueChange(0x0101, kSamplerPart / 15.0);
    valueChange(0x0102, 1.0);
  }
  static void TearDownTestSuite() {
    delete plugin;
    plugin = nullptr;
    delete module;
    module = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(plugin, nullptr);
    ASSERT_TRUE(std::filesystem::exists(std::string(KORVANE_FACTORY_SAMPLE_DIR) + "/choir.wav"))
        << "the factory samples are built into " << KORVANE_FACTORY_SAMPLE_DIR;
  }

  static void fileSelect(int32 tag, const std::string& path) {
    auto m = owned(new HostMessage);
    m->setMessageID("GUIEditor:kvFileSelect");
    m->getAttributes()->setInt("tag", tag);
    m->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
    plugin->notifyProcessor(m);
  }
  static void valueChange(int32 tag, double value) {
    auto m = owned(new HostMessage);
    m->setMessageID("GUIEditor:kvValueChange");
    m->getAttributes()->setInt("tag", tag);
    m->getAttributes()->setFloat("val", value);
    plugin->notifyProcessor(m);
  }

  // Renders `seconds` and returns the summed output as left/right frames
  // of |left| + |right| (all parts play into output 1).
  std::vector<float> render(double seconds) {
    std::vector<float> out;
    const int64_t total = std::llround(seconds * kRate);
    for (int64_t done = 0; done < total; done += kBlock) {
      const int32 frames = static_cast<int32>(std::min<int64_t>(kBlock, total - done));
      plugin->process(frames);
      plugin->clearInput();
      const float* left = plugin->output(0, 0);
      const float* right = plugin->output(0, 1);
      for (int32 i = 0; i < frames; ++i) out.push_back(std::fabs(left[i]) + std::fabs(right[i]));
    }
    return out;
  }
  void noteOn(int16 key) { plugin->events().addNoteOn(0, kSamplerPart, key, 100 / 127.0f); }
  void noteOff(int16 key) { plugin->events().addNoteOff(0, kSamplerPart, key); }

  static PluginModule* module;
  static PluginInstance* plugin;
};

PluginModule* FactoryLoad::module = nullptr;
PluginInstance* FactoryLoad::plugin = nullptr;

float peak(const std::vector<float>& v, size_t from, size_t to) {
  float p = 0.0f;
  for (size_t i = from; i < std::min(to, v.size()); ++i) p = std::max(p, v[i]);
  return p;
}

double meanLevel(const std::vector<float>& v, size_t from, size_t to) {
  double sum = 0.0;
  for (size_t i = from; i < to; ++i) sum += v[i];
  return to > from ? sum / static_cast<double>(to - from) : 0.0;
}

size_t frames(double seconds) { return static_cast<size_t>(std::llround(seconds * kRate)); }

const samples::SampleSlot& slotOf(int32_t slot) {
  for (const samples::SampleSlot& s : samples::sampleSlots())
    if (s.slot == slot) return s;
  throw std::out_of_range("slot");
}

// Seconds of output a stretch of the slot's frames takes at the preset's pitch.
double playSeconds(const ovri::korvane::synth::SamplerPreset& preset, const samples::SampleSlot& slot, int32_t slotFrames) {
  const samples::SampleFile& file = samples::sampleFiles()[static_cast<size_t>(slot.file)];
  const double speed = std::exp2((preset.octv - 8) + (preset.tune - 8192) / 8192.0);
  return slotFrames / (file.rate * speed);
}

TEST_F(FactoryLoad, ThePluginHoldsTheCommittedPresetsAndEveryPlaybackPoint) {
  // Exported from the plug-in after the load, both files come out as
  // committed: every "@:" record was accepted against the length of the
  // WAV in its slot (a rejected one would leave that slot's points at
  // 0 .. length), and every "@S" record was taken as written.
  const std::string sampler = ::testing::TempDir() + "/korvane-exported-sampler.txt";
  const std::string params = ::testing::TempDir() + "/korvane-exported-sample-data.txt";
  fileSelect(0x9200, sampler);
  fileSelect(0x9500, params);
  EXPECT_EQ(readAll(sampler), readAll(std::string(KORVANE_PRESET_DIR) + "/" + samples::kSamplerPresetFile));
  EXPECT_EQ(readAll(params), readAll(std::string(KORVANE_PRESET_DIR) + "/" + samples::kSampleDataFile));
  std::remove(sampler.c_str());
  std::remove(params.c_str());
}

TEST_F(FactoryLoad, EveryMappedKeySoundsWhileHeldAndEndsWhenItShould) {
  const auto presets = samples::samplerPresets();
  int32_t played = 0;
  for (int16 key = 0; key < 128; ++key) {
    const auto& preset = presets[static_cast<size_t>(key)];
    if (preset.smplNum == samples::kSilentSlot) continue;
    SCOPED_TRACE(testing::Message() << "key " << key << " (" << std::string(preset.presetName, 16) << ")");
    ++played;
    const samples::SampleSlot& slot = slotOf(preset.smplNum);
    const bool looped = slot.loopEnd > slot.loopStart;
    const double once = playSeconds(preset, slot, slot.end - slot.start);

    // Held: one-shots long enough to end by themselves, loops long
    // enough to wrap twice.
    const double loopSeconds = looped ? playSeconds(preset, slot, slot.loopEnd - slot.loopStart) : 0.0;
    const double held = looped ? once + loopSeconds + 0.1 : once + 0.15;
    noteOn(key);
    const std::vector<float> holding = render(held);
    EXPECT_GT(peak(holding, 0, frames(0.05)), 1e-3f) << "sounds at once";
    if (looped) {
      // The last pass through the loop is as lively as the first.
      const size_t lastPass = holding.size() - frames(loopSeconds);
      const double first = meanLevel(holding, frames(once - loopSeconds), frames(once));
      const double last = meanLevel(holding, lastPass, holding.size());
      EXPECT_GT(last, 0.5 * first) << "keeps sounding while held";
      for (size_t at = lastPass; at + frames(0.05) <= holding.size(); at += frames(0.05))
        ASSERT_GT(peak(holding, at, at + frames(0.05)), 0.0f) << "no gap in the loop at " << at / kRate << " s";
    } else {
      EXPECT_EQ(peak(holding, frames(once + 0.01), holding.size()), 0.0f) << "ends by itself while held";
    }

    noteOff(key);
    const std::vector<float> released = render(3.0);
    EXPECT_EQ(peak(released, frames(2.5), released.size()), 0.0f) << "silent after the release";
  }
  EXPECT_EQ(played, 4 * 24 + 14);
}

TEST_F(FactoryLoad, KeysOutsideTheMapStaySilent) {
  for (int16 key : {2, 11, 120, 127}) {
    noteOn(key);
    EXPECT_EQ(peak(render(0.2), 0, frames(0.2)), 0.0f) << "key " << key;
    noteOff(key);
  }
  render(0.1);
}

}  // namespace
