// What strict hosts and their validators check, through the built bundle:
// every mapped MIDI controller is a registered parameter, no program
// change is read-only, bypass can be automated and survives a preset
// reload in the controller, bus layout, program lists that name the tones,
// and every parameter point played where it lies whatever the block size.
#include "host/PluginHost.h"
#include "tests/plugin/TestFiles.h"
#include "tests/plugin/TestSupport.h"

#include "pluginterfaces/vst/ivstmidicontrollers.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
namespace test = ovri::korvane::test;

constexpr ParamID kBypass = 0x01000001;

class HostConformanceTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    module = PluginModule::load(KORVANE_TEST_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    plugin = PluginInstance::create(*module, error);
    ASSERT_TRUE(plugin) << error;
  }
  void TearDown() override {
    plugin.reset();
    module.reset();
  }
  void start(int32 block) {
    std::string error;
    ovri::korvane::host::ProcessOptions options;
    options.maxBlockSize = block;
    ASSERT_TRUE(plugin->start(options, error)) << error;
  }
  void fileSelect(int64 tag, const std::string& path) {
    auto m = owned(new HostMessage);
    m->setMessageID("GUIEditor:kvFileSelect");
    m->getAttributes()->setInt("tag", tag);
    m->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
    EXPECT_EQ(plugin->notifyProcessor(m), kResultOk);
  }

  std::unique_ptr<PluginModule> module;
  std::unique_ptr<PluginInstance> plugin;
};

TEST_F(HostConformanceTest, EveryParameterFlagAndMappingIsOneAHostAccepts) {
  IEditController* controller = plugin->controller;
  for (int32 i = 0; i < controller->getParameterCount(); ++i) {
    ParameterInfo info{};
    ASSERT_EQ(controller->getParameterInfo(i, info), kResultOk);
    const bool program = (info.flags & ParameterInfo::kIsProgramChange) != 0;
    EXPECT_FALSE(program && (info.flags & ParameterInfo::kIsReadOnly) != 0) << info.id;
    if ((info.flags & ParameterInfo::kIsBypass) != 0) {
      EXPECT_EQ(info.id, kBypass);
      EXPECT_NE(info.flags & ParameterInfo::kCanAutomate, 0) << "hosts list only automatable bypasses";
    }
  }
  IMidiMapping* mapping = plugin->midiMapping;
  ASSERT_NE(mapping, nullptr);
  for (int16 channel = 0; channel < 16; ++channel) {
    for (CtrlNumber number = 0; number <= kCtrlProgramChange; ++number) {
      ParamID id = 0;
      if (mapping->getMidiControllerAssignment(0, channel, number, id) != kResultTrue) continue;
      ParameterInfo found{};
      bool registered = false;
      for (int32 i = 0; i < controller->getParameterCount() && !registered; ++i)
        registered = controller->getParameterInfo(i, found) == kResultOk && found.id == id;
      ASSERT_TRUE(registered) << "channel " << channel << " controller " << number << " id " << id;
    }
  }
}

TEST_F(HostConformanceTest, BypassComesBackInTheControllerAfterAPresetLoad) {
  start(256);
  plugin->changes().add(kBypass, 0, 1.0);
  plugin->process(256);
  plugin->clearInput();
  const std::vector<uint8_t> preset = test::savedBytes(plugin->component);

  IEditController* controller = plugin->controller;
  controller->setParamNormalized(kBypass, 0.0);
  plugin->changes().add(kBypass, 0, 0.0);
  plugin->process(256);
  plugin->clearInput();
  EXPECT_EQ(test::savedBytes(plugin->component).back(), 0) << "saved without bypass now";

  ASSERT_EQ(plugin->component->setState(test::streamOf(preset)), kResultOk);
  ASSERT_EQ(controller->setComponentState(test::streamOf(preset)), kResultOk);
  EXPECT_EQ(controller->getParamNormalized(kBypass), 1.0);
  plugin->events().addNoteOn(0, 0, 60, 1.0f);
  plugin->process(256);
  for (int32 i = 0; i < 256; ++i) ASSERT_EQ(plugin->output(0, 0)[i], 0.0f) << "the processor is bypassed again";

  // An image saved before the trailer existed: not bypassed.
  std::vector<uint8_t> plain = preset;
  plain.resize(plain.size() - 9);
  ASSERT_EQ(controller->setComponentState(test::streamOf(plain)), kResultOk);
  EXPECT_EQ(controller->getParamNormalized(kBypass), 0.0);
}

TEST_F(HostConformanceTest, ProgramListsNameTheTonesAnImportWrote) {
  test::TempDir dir;
  const std::string file = dir.file("tones.txt");
  {
    std::ofstream out(file);
    out << "@I:5 \"Glass Harp      \" 64 64 0 2048 127 0"
        << " 0 1 8192 0 0 0 124 100 0 120 0 48 0 1 8192 0 0 0 124 100 0 120 0 48"
        << " 0 1 8192 0 0 0 124 100 0 120 0 48 0 1 8192 0 0 0 124 100 0 120 0 48\n";
  }
  fileSelect(0x1100, file);
  FUnknownPtr<IUnitInfo> units(plugin->controller);
  ASSERT_TRUE(units);
  String128 name{};
  ASSERT_EQ(units->getProgramName(0x100000 + 3, 5, name), kResultOk);
  EXPECT_EQ(test::ascii(name).rfind("Glass Harp", 0), 0u) << test::ascii(name);
}

// Controllers, bend and pressure, several in a block and some on the same
// sample, with notes between: the same output for every block size.
std::vector<float> renderDense(PluginModule& module, int32 block) {
  std::string error;
  auto plugin = PluginInstance::create(module, error);
  ovri::korvane::host::ProcessOptions options;
  options.maxBlockSize = block;
  if (!plugin || !plugin->start(options, error)) return {};
  constexpr int32 kLength = 8192;
  std::vector<float> out;
  for (int32 at = 0; at < kLength; at += block) {
    const int32 n = std::min(block, kLength - at);
    for (int32 s = at; s < at + n; ++s) {
      const int32 offset = s - at;
      if (s % 700 == 0) plugin->events().addNoteOn(offset, static_cast<int16>(s / 700 % 3), static_cast<int16>(48 + s / 700), 0.9f);
      if (s % 97 == 0) plugin->changes().add(0x10007 + 256 * (s % 3), offset, (s % 128) / 127.0);
      if (s % 61 == 0) plugin->changes().add(0x1000A, offset, (s % 100) / 127.0);
      if (s % 131 == 0) plugin->changes().add(0x10181, offset, (s % 16384) / 16383.0);
      if (s % 97 == 0) plugin->changes().add(0x10080, offset, 0.5);
    }
    plugin->process(n);
    plugin->clearInput();
    for (int32 i = 0; i < n; ++i) {
      out.push_back(plugin->output(0, 0)[i]);
      out.push_back(plugin->output(0, 1)[i]);
    }
  }
  return out;
}

TEST_F(HostConformanceTest, EveryParameterPointPlaysWhereItLiesWhateverTheBlockSize) {
  const std::vector<float> reference = renderDense(*module, 4096);
  ASSERT_FALSE(reference.empty());
  bool sound = false;
  for (float x : reference) sound |= x != 0.0f;
  ASSERT_TRUE(sound);
  for (int32 block : {1, 61, 512}) {
    SCOPED_TRACE(block);
    EXPECT_EQ(renderDense(*module, block), reference);
  }
}

}  // namespace
