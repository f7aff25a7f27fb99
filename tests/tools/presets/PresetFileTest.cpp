// The factory presets as a DAW uses them: make-vstpresets writes the
// .vstpreset files, each file's component state chunk is handed to a fresh
// plug-in instance (the built bundle, through the host library) and notes
// are played.
#include "host/PluginHost.h"
#include "tools/presets/VstPresetFile.h"

#include "public.sdk/source/common/memorystream.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::presets::readVstPreset;
using ovri::korvane::presets::writeVstPreset;
namespace fs = std::filesystem;

std::vector<uint8_t> slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Loudest sample of a note held for half a second on a channel.
float playNote(PluginInstance& instance, int16 channel, int16 key) {
  float peak = 0.0f;
  for (int32 block = 0; block < 44; ++block) {
    instance.clearInput();
    if (block == 0) instance.events().addNoteOn(0, channel, key, 0.8f);
    instance.process(512);
    for (int32 bus = 0; bus < instance.outputCount(); ++bus)
      for (int32 c = 0; c < 2; ++c)
        if (const float* out = instance.output(bus, c))
          for (int32 i = 0; i < 512; ++i) peak = std::max(peak, std::fabs(out[i]));
  }
  instance.clearInput();
  instance.events().addNoteOff(0, channel, key, 0.0f);
  instance.process(512);
  return peak;
}

TEST(VstPresetFile, ChunkListPointsAtTheComponentState) {
  const std::vector<uint8_t> state = {1, 2, 3, 4, 5};
  const std::vector<uint8_t> file = writeVstPreset("ABE1F8B04B944950A30D689DEE294B38", state);
  ASSERT_EQ(file.size(), 48u + 5u + 8u + 20u);
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "VST3");
  EXPECT_EQ(file[40], 53);  // the list follows the 48-byte header and the 5 bytes of state
  std::string classId;
  std::vector<uint8_t> read;
  std::string error;
  ASSERT_TRUE(readVstPreset(file, classId, read, error)) << error;
  EXPECT_EQ(classId, "ABE1F8B04B944950A30D689DEE294B38");
  EXPECT_EQ(read, state);
  for (size_t cut : {size_t{10}, size_t{60}, file.size() - 1}) {
    const std::vector<uint8_t> shorter(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(readVstPreset(shorter, classId, read, error)) << cut;
  }
}

TEST(FactoryPresets, EachLoadsThroughThePluginAndPlays) {
  const fs::path folder = fs::temp_directory_path() / ("korvane-presets-" + std::to_string(::getpid()));
  const std::string command = std::string("\"") + KORVANE_MAKE_VSTPRESETS + "\" --plugin \"" + KORVANE_TEST_BUNDLE +
                              "\" --presets \"" KORVANE_PRESET_DIR "\" --samples \"" KORVANE_FACTORY_SAMPLE_DIR
                              "\" --out \"" + folder.string() + "\" > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  std::string error;
  auto module = PluginModule::load(KORVANE_TEST_BUNDLE, error);
  ASSERT_TRUE(module) << error;
  TUID cid;
  ASSERT_TRUE(module->findClass(kVstAudioEffectClass, cid));
  char processorId[33] = {};
  FUID(cid).toString(processorId);

  int presets = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() != ".vstpreset") continue;
    ++presets;
    const std::string name = entry.path().stem().string();
    std::string classId;
    std::vector<uint8_t> state;
    ASSERT_TRUE(readVstPreset(slurp(entry.path()), classId, state, error)) << name << ": " << error;
    EXPECT_EQ(classId, processorId) << name;

    auto instance = PluginInstance::create(*module, error);
    ASSERT_TRUE(instance && instance->start({}, error)) << error;
    MemoryStream stream(state.data(), static_cast<TSize>(state.size()));
    ASSERT_EQ(instance->component->setState(&stream), kResultOk) << name;
    // Channel 10 plays the kit (a kick), channel 2 a piano note; on a
    // sampler part the choir zone plays the sample re-imported from the
    // WAV path the preset keeps.
    EXPECT_GT(playNote(*instance, 9, 36), 0.01f) << name;
    EXPECT_GT(playNote(*instance, 1, 60), 0.01f) << name;
    if (name == "Sampler on Channel 1") {
      EXPECT_GT(playNote(*instance, 0, 60), 0.01f) << name;
    }
  }
  EXPECT_EQ(presets, 3);
  fs::remove_all(folder);
}

// An install writes the presets from the build's WAVs for the folder the
// WAVs are installed in (--sample-path): the presets name that folder and
// nothing of the build tree, and play the WAVs found there.
TEST(FactoryPresets, NameTheSamplePathTheyAreWrittenFor) {
  const fs::path folder = fs::temp_directory_path() / ("korvane-moved-presets-" + std::to_string(::getpid()));
  const fs::path installed = folder / "share" / "samples";
  fs::create_directories(installed);
  for (const auto& wav : fs::directory_iterator(KORVANE_FACTORY_SAMPLE_DIR))
    if (wav.path().extension() == ".wav") fs::copy_file(wav.path(), installed / wav.path().filename());
  const std::string command = std::string("\"") + KORVANE_MAKE_VSTPRESETS + "\" --plugin \"" + KORVANE_TEST_BUNDLE +
                              "\" --presets \"" KORVANE_PRESET_DIR "\" --samples \"" KORVANE_FACTORY_SAMPLE_DIR
                              "\" --sample-path \"" + installed.string() + "\" --out \"" + folder.string() +
                              "\" > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  std::string error;
  auto module = PluginModule::load(KORVANE_TEST_BUNDLE, error);
  ASSERT_TRUE(module) << error;
  std::string classId;
  std::vector<uint8_t> state;
  ASSERT_TRUE(readVstPreset(slurp(folder / "Sampler on Channel 1.vstpreset"), classId, state, error)) << error;
  const std::string bytes(state.begin(), state.end());
  EXPECT_NE(bytes.find((installed / "choir.wav").string()), std::string::npos);
  EXPECT_EQ(bytes.find(KORVANE_FACTORY_SAMPLE_DIR), std::string::npos);

  auto instance = PluginInstance::create(*module, error);
  ASSERT_TRUE(instance && instance->start({}, error)) << error;
  MemoryStream stream(state.data(), static_cast<TSize>(state.size()));
  ASSERT_EQ(instance->component->setState(&stream), kResultOk);
  EXPECT_GT(playNote(*instance, 0, 60), 0.01f);
  fs::remove_all(folder);
}

}  // namespace
