// The audio processor driven through the built bundle, as hosts drive it:
// bus layout, the block loop with events and parameter changes, and what
// hosts do that a processor must survive.
#include "host/PluginHost.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::host::PluginInstance;
using ovri::korvane::host::PluginModule;
using ovri::korvane::host::ProcessOptions;

constexpr ParamID kBypass = 0x01000001;

class ProcessorTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string error;
    module = PluginModule::load(KORVANE_TEST_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    instance = newInstance();
  }
  void TearDown() override {
    instance.reset();
    module.reset();
  }
  std::unique_ptr<PluginInstance> newInstance() {
    std::string error;
    auto created = PluginInstance::create(*module, error);
    EXPECT_TRUE(created) << error;
    return created;
  }
  static void start(PluginInstance& plugin, ProcessOptions options = {}) {
    std::string error;
    ASSERT_TRUE(plugin.start(options, error)) << error;
  }
  // Samples [from, to) of one channel.
  static std::vector<float> samples(const PluginInstance& plugin, int32 bus, int32 channel, int32 from, int32 to) {
    const float* data = plugin.output(bus, channel);
    return std::vector<float>(data + from, data + to);
  }
  static bool allZero(const std::vector<float>& v) {
    for (float x : v)
      if (x != 0.0f) return false;
    return true;
  }
  // Runs length samples in blocks of blockSize, a note-on at sample noteAt,
  // and returns the left channel of output 1.
  static std::vector<float> renderNote(PluginInstance& plugin, int32 length, int32 blockSize, int32 noteAt) {
    std::vector<float> out;
    for (int32 pos = 0; pos < length; pos += blockSize) {
      const int32 n = std::min(blockSize, length - pos);
      plugin.clearInput();
      if (noteAt >= pos && noteAt < pos + n) plugin.events().addNoteOn(noteAt - pos, 0, 69, 0.8f);
      plugin.process(n);
      const float* left = plugin.output(0, 0);
      out.insert(out.end(), left, left + n);
    }
    return out;
  }

  std::unique_ptr<PluginModule> module;
  std::unique_ptr<PluginInstance> instance;
};

TEST_F(ProcessorTest, DeclaresSixteenStereoOutputsAndOneEventInput) {
  IComponent* c = instance->component;
  ASSERT_EQ(c->getBusCount(kAudio, kOutput), 16);
  EXPECT_EQ(c->getBusCount(kAudio, kInput), 0);
  EXPECT_EQ(c->getBusCount(kEvent, kOutput), 0);
  ASSERT_EQ(c->getBusCount(kEvent, kInput), 1);
  for (int32 i = 0; i < 16; ++i) {
    BusInfo info{};
    ASSERT_EQ(c->getBusInfo(kAudio, kOutput, i, info), kResultTrue);
    std::string name;
    for (const char16* p = info.name; *p != 0; ++p) name.push_back(static_cast<char>(*p));
    EXPECT_EQ(name, "out " + std::to_string(i + 1));
    EXPECT_EQ(info.channelCount, 2);
    // The first output is the main one, on by default; the others are
    // auxiliary, off until the host switches them on.
    EXPECT_EQ(info.busType, i == 0 ? kMain : kAux);
    EXPECT_EQ(info.flags, i == 0 ? static_cast<uint32>(BusInfo::kDefaultActive) : 0u);
  }
  BusInfo events{};
  ASSERT_EQ(c->getBusInfo(kEvent, kInput, 0, events), kResultTrue);
  EXPECT_EQ(events.channelCount, 16);
  EXPECT_EQ(events.busType, kMain);
  EXPECT_EQ(events.flags, static_cast<uint32>(BusInfo::kDefaultActive));
}

TEST_F(ProcessorTest, AcceptsOnlySixteenOutputsWithAStereoFirst) {
  IAudioProcessor* p = instance->processor;
  std::vector<SpeakerArrangement> stereo(17, SpeakerArr::kStereo);
  EXPECT_EQ(p->setBusArrangements(nullptr, 0, stereo.data(), 15), kResultFalse);
  EXPECT_EQ(p->setBusArrangements(nullptr, 0, stereo.data(), 17), kResultFalse);
  std::vector<SpeakerArrangement> monoFirst = stereo;
  monoFirst[0] = SpeakerArr::kMono;
  EXPECT_EQ(p->setBusArrangements(nullptr, 0, monoFirst.data(), 16), kResultFalse);
  std::vector<SpeakerArrangement> monoSixth = stereo;
  monoSixth[5] = SpeakerArr::kMono;
  EXPECT_EQ(p->setBusArrangements(nullptr, 0, monoSixth.data(), 16), kResultTrue);
  SpeakerArrangement arrangement = 0;
  EXPECT_EQ(p->getBusArrangement(kOutput, 5, arrangement), kResultTrue);
  EXPECT_EQ(arrangement, SpeakerArr::kMono);
}

TEST_F(ProcessorTest, NamesTheControllerClassAndProcessesOnly32BitSamples) {
  const unsigned char controllerBytes[16] = {0xEB, 0x95, 0xFF, 0x58, 0xE7, 0x14, 0x36, 0x4C,
                                             0xBF, 0x81, 0x29, 0x2F, 0x0E, 0xA4, 0x72, 0x7E};
  TUID cid;
  ASSERT_EQ(instance->component->getControllerClassId(cid), kResultTrue);
  EXPECT_EQ(std::memcmp(cid, controllerBytes, 16), 0);
  EXPECT_EQ(instance->processor->canProcessSampleSize(kSample32), kResultTrue);
  EXPECT_EQ(instance->processor->canProcessSampleSize(kSample64), kResultFalse);
  EXPECT_EQ(instance->processor->getLatencySamples(), 0u);
  EXPECT_EQ(instance->processor->getTailSamples(), 0u);
  FUnknownPtr<IProcessContextRequirements> requirements(instance->processor);
  ASSERT_TRUE(requirements);
  EXPECT_EQ(requirements->getProcessContextRequirements(), 0u);
}

TEST_F(ProcessorTest, NoteStartsAtItsSampleOffset) {
  start(*instance, {44100.0, 256});
  instance->events().addNoteOn(100, 0, 69, 0.8f);
  instance->process(256);
  EXPECT_TRUE(allZero(samples(*instance, 0, 0, 0, 100)));
  EXPECT_TRUE(allZero(samples(*instance, 0, 1, 0, 100)));
  EXPECT_FALSE(allZero(samples(*instance, 0, 0, 100, 256)));
  EXPECT_FALSE(allZero(samples(*instance, 0, 1, 100, 256)));
  for (int32 bus = 1; bus < 16; ++bus) EXPECT_TRUE(allZero(samples(*instance, bus, 0, 0, 256))) << bus;
}

TEST_F(ProcessorTest, OutputDoesNotDependOnTheBlockSize) {
  start(*instance, {44100.0, 512});
  const std::vector<float> reference = renderNote(*instance, 1024, 512, 300);
  ASSERT_FALSE(allZero(reference));
  for (int32 blockSize : {1, 7, 256}) {
    auto other = newInstance();
    start(*other, {44100.0, blockSize});
    EXPECT_EQ(renderNote(*other, 1024, blockSize, 300), reference) << "block size " << blockSize;
  }
}

TEST_F(ProcessorTest, BlockLongerThanTheAnnouncedMaximumRendersCompletely) {
  start(*instance, {44100.0, 2048});
  const std::vector<float> reference = renderNote(*instance, 2048, 2048, 1500);
  auto shortMax = newInstance();
  ProcessOptions options{44100.0, 64};
  options.bufferFrames = 2048;
  start(*shortMax, options);
  EXPECT_EQ(renderNote(*shortMax, 2048, 2048, 1500), reference);
}

TEST_F(ProcessorTest, BypassSilencesEveryOutputExactlyAndEndsTheNotes) {
  start(*instance, {44100.0, 128});
  instance->events().addNoteOn(0, 0, 60, 1.0f);
  instance->process(128);
  ASSERT_FALSE(allZero(samples(*instance, 0, 0, 0, 128)));

  instance->clearInput();
  instance->changes().add(kBypass, 0, 1.0);
  instance->events().addNoteOn(10, 0, 64, 1.0f);  // queued, never played
  instance->process(128);
  for (int32 bus = 0; bus < 16; ++bus) {
    EXPECT_TRUE(allZero(samples(*instance, bus, 0, 0, 128))) << bus;
    EXPECT_TRUE(allZero(samples(*instance, bus, 1, 0, 128))) << bus;
  }

  instance->clearInput();
  instance->changes().add(kBypass, 0, 0.0);
  instance->process(128);
  EXPECT_TRUE(allZero(samples(*instance, 0, 0, 0, 128)));  // the held note was stopped

  instance->clearInput();
  instance->events().addNoteOn(0, 0, 60, 1.0f);
  instance->process(128);
  EXPECT_FALSE(allZero(samples(*instance, 0, 0, 0, 128)));
}

TEST_F(ProcessorTest, SurvivesOutputsWithoutBuffers) {
  ProcessOptions options{44100.0, 256};
  options.connectedOutputs = 2;  // buses 3..16 get 0 channels and null pointers
  start(*instance, options);
  EXPECT_EQ(instance->output(2, 0), nullptr);
  instance->events().addNoteOn(0, 0, 69, 1.0f);
  EXPECT_EQ(instance->process(256), kResultOk);
  EXPECT_FALSE(allZero(samples(*instance, 0, 0, 0, 256)));
}

TEST_F(ProcessorTest, EventsOfAnEmptyBlockWaitForTheNextOne) {
  start(*instance, {44100.0, 256});
  instance->events().addNoteOn(0, 0, 69, 1.0f);
  instance->process(0);
  instance->clearInput();
  instance->process(256);
  EXPECT_FALSE(allZero(samples(*instance, 0, 0, 0, 256)));
}

TEST_F(ProcessorTest, BlocksWithoutEventOrParameterListsRender) {
  start(*instance, {44100.0, 256});
  instance->events().addNoteOn(0, 0, 69, 1.0f);
  instance->process(256);
  ProcessData& data = instance->processData();
  data.inputEvents = nullptr;
  data.inputParameterChanges = nullptr;
  EXPECT_EQ(instance->process(256), kResultOk);
  EXPECT_FALSE(allZero(samples(*instance, 0, 0, 0, 256)));  // the note goes on
}

// A host that hands over fewer outputs than declared gets every buffer it
// gave written, and the block's notes are not lost: output 1 carries the
// note (or, with no outputs at all, the note sounds in the next block).
TEST_F(ProcessorTest, FewerOutputsThanDeclaredStillPlayTheBlock) {
  for (const int32 given : {15, 1, 0}) {
    SCOPED_TRACE(given);
    auto plugin = newInstance();
    start(*plugin, {44100.0, 64});
    ProcessData& data = plugin->processData();
    float* left = data.outputs[0].channelBuffers32[0];
    float* unused = data.outputs[15].channelBuffers32[0];
    std::fill_n(left, 64, 0.25f);
    std::fill_n(unused, 64, 0.25f);
    data.numOutputs = given;
    plugin->events().addNoteOn(0, 0, 69, 1.0f);
    plugin->process(64);
    if (given > 0) {
      EXPECT_FALSE(allZero(samples(*plugin, 0, 0, 0, 64)));
    }
    if (given > 0) {
      EXPECT_NE(left[0], 0.25f);
    }
    if (given < 16) {
      EXPECT_EQ(unused[0], 0.25f) << "a buffer not handed over is not touched";
    }
    data.numOutputs = 16;
    plugin->clearInput();
    plugin->process(64);
    EXPECT_FALSE(allZero(samples(*plugin, 0, 0, 0, 64))) << "the note of the block went in";
  }
}

TEST_F(ProcessorTest, RestartsWithANewSampleRateAndBlockSize) {
  start(*instance, {44100.0, 256});
  instance->events().addNoteOn(0, 0, 69, 1.0f);
  instance->process(256);
  start(*instance, {96000.0, 1024});  // stop, setupProcessing, setActive(true) again
  EXPECT_EQ(instance->component->setActive(true), kResultOk);  // a repeated activation
  instance->clearInput();
  instance->process(1024);
  EXPECT_TRUE(allZero(samples(*instance, 0, 0, 0, 1024)));  // activation stops all sound
  instance->events().addNoteOn(0, 0, 69, 1.0f);
  instance->process(1024);
  EXPECT_FALSE(allZero(samples(*instance, 0, 0, 0, 1024)));
}

// Calls a host should not make, made on a processor straight from the
// factory: none may crash, and audio that is asked for is silence.
TEST_F(ProcessorTest, ToleratesCallsOutOfOrder) {
  void* object = nullptr;
  const unsigned char processorBytes[16] = {0xB0, 0xF8, 0xE1, 0xAB, 0x94, 0x4B, 0x50, 0x49,
                                            0xA3, 0x0D, 0x68, 0x9D, 0xEE, 0x29, 0x4B, 0x38};
  ASSERT_EQ(module->getFactory()->createInstance(reinterpret_cast<const char*>(processorBytes),
                                                 IAudioProcessor::iid, &object),
            kResultOk);
  auto* processor = static_cast<IAudioProcessor*>(object);
  FUnknownPtr<IComponent> component(processor);

  std::vector<float> storage(32 * 64, 0.5f);
  std::vector<float*> pointers(32);
  AudioBusBuffers buses[16] = {};
  for (int32 i = 0; i < 32; ++i) pointers[i] = storage.data() + i * 64;
  for (int32 b = 0; b < 16; ++b) {
    buses[b].numChannels = 2;
    buses[b].channelBuffers32 = pointers.data() + 2 * b;
  }
  ProcessData data{};
  data.symbolicSampleSize = kSample32;
  data.numSamples = 64;
  data.numOutputs = 16;
  data.outputs = buses;
  auto isSilent = [&] {
    for (float x : storage)
      if (x != 0.0f) return false;
    return true;
  };

  EXPECT_EQ(processor->process(data), kResultOk);  // before initialize
  EXPECT_TRUE(isSilent());
  EXPECT_EQ(component->setActive(true), kResultOk);
  EXPECT_EQ(component->setActive(false), kResultOk);

  ProcessSetup setup{kRealtime, kSample32, 64, 48000.0};
  EXPECT_EQ(processor->setupProcessing(setup), kResultOk);  // before initialize, too
  ASSERT_EQ(component->initialize(nullptr), kResultOk);
  EXPECT_EQ(component->initialize(nullptr), kResultFalse);  // twice
  EXPECT_EQ(component->getBusCount(kAudio, kOutput), 16);
  EXPECT_EQ(processor->process(data), kResultOk);  // initialised, never activated
  data.numSamples = -5;
  EXPECT_EQ(processor->process(data), kResultOk);
  data.numSamples = 64;

  EXPECT_EQ(component->terminate(), kResultOk);
  std::fill(storage.begin(), storage.end(), 0.5f);
  EXPECT_EQ(processor->process(data), kResultOk);  // after terminate
  EXPECT_TRUE(isSilent());
  EXPECT_EQ(component->setActive(true), kResultOk);
  EXPECT_EQ(component->getBusCount(kAudio, kOutput), 0);
  component->setActive(false);
  processor->release();
}

}  // namespace
