// The editor's messages to the processor of the built bundle and what the
// controller receives back; the state through the host's streams.
#include "host/PluginHost.h"
#include "tests/plugin/TestFiles.h"
#include "tests/plugin/TestSupport.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

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
namespace test = ovri::korvane::test;

// A message as the controller received it.
struct Received {
  std::string id;
  bool hasTag = false;
  int64 tag = 0;
  bool hasValue = false;
  double value = 0.0;
  bool hasKvset = false;
  std::vector<uint8_t> kvset;
  int64 outcome = -1;  // of "Processor:fileResult"
  int64 count = -1;
};

// Offsets in the saved state image (version 3).
constexpr size_t kToneRecords = 13 + 16 * 11;
constexpr size_t kSlotRecords = kToneRecords + 256 * 75 + 128 * 26;

class EditorProtocolTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.valid());
    std::string error;
    module = PluginModule::load(KORVANE_TEST_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    plugin = create();
    ASSERT_TRUE(plugin);
  }
  void TearDown() override {
    plugin.reset();
    module.reset();
  }

  std::unique_ptr<PluginInstance> create() {
    std::string error;
    auto instance = PluginInstance::create(*module, error);
    EXPECT_TRUE(instance) << error;
    if (instance) instance->setMessageObserver([this](IMessage& m) { received.push_back(copy(m)); });
    return instance;
  }

  static Received copy(IMessage& message) {
    Received r;
    r.id = message.getMessageID() != nullptr ? message.getMessageID() : "";
    if (IAttributeList* a = message.getAttributes()) {
      r.hasTag = a->getInt("tag", r.tag) == kResultOk;
      r.hasValue = a->getFloat("val", r.value) == kResultOk;
      const void* data = nullptr;
      uint32 size = 0;
      r.hasKvset = a->getBinary("kvset", data, size) == kResultOk;
      if (r.hasKvset) r.kvset.assign(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
      a->getInt("outcome", r.outcome);
      a->getInt("count", r.count);
    }
    return r;
  }

  // Sends what the editor sends and returns what came back.
  std::vector<Received> send(PluginInstance& to, IMessage* message) {
    received.clear();
    EXPECT_EQ(to.notifyProcessor(message), kResultOk);
    return received;
  }
  std::vector<Received> valueChange(PluginInstance& to, int64 tag, double value) {
    auto m = owned(new HostMessage);
    m->setMessageID("GUIEditor:kvValueChange");
    m->getAttributes()->setInt("tag", tag);
    m->getAttributes()->setFloat("val", value);
    return send(to, m);
  }
  // What came back besides the file action's result, which every action
  // ends with (kept in lastResult).
  std::vector<Received> fileSelect(PluginInstance& to, int64 tag, const std::string& path) {
    auto m = owned(new HostMessage);
    m->setMessageID("GUIEditor:kvFileSelect");
    m->getAttributes()->setInt("tag", tag);
    m->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
    std::vector<Received> answer = send(to, m);
    EXPECT_FALSE(answer.empty());
    if (answer.empty()) return answer;
    lastResult = answer.back();
    EXPECT_EQ(lastResult.id, "Processor:fileResult");
    EXPECT_EQ(lastResult.tag, tag);
    answer.pop_back();
    return answer;
  }

  std::vector<uint8_t> getState(PluginInstance& from) { return test::savedBytes(from.component); }
  tresult setState(PluginInstance& to, const std::vector<uint8_t>& bytes) {
    return to.component->setState(test::streamOf(bytes));
  }

  test::TempDir dir;
  std::unique_ptr<PluginModule> module;
  std::unique_ptr<PluginInstance> plugin;
  std::vector<Received> received;
  Received lastResult;
};

TEST_F(EditorProtocolTest, AValueChangeIsAnsweredWithTheValueInForce) {
  auto answer = valueChange(*plugin, 0x0101, 0.49);
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].id, "GUIEditor:kvValueUpdate");
  EXPECT_EQ(answer[0].tag, 0x0101);
  ASSERT_TRUE(answer[0].hasValue);
  EXPECT_EQ(answer[0].value, static_cast<double>(7.0f / 15.0f)) << "part 7, not the value sent";

  answer = valueChange(*plugin, 0x1003, 2.0);
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].tag, 0x1003);
  EXPECT_EQ(answer[0].value, 1.0);

  answer = valueChange(*plugin, 0x0190, 0.52);
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].value, static_cast<double>(8.0f / 15.0f)) << "output 8";

  answer = valueChange(*plugin, 0x0090, 0.3);
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].value, 0.25) << "16 voices";

  answer = valueChange(*plugin, 0x3008, 100.0);  // an empty slot has no end to move
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].value, 0.0);
}

TEST_F(EditorProtocolTest, TagsTheProcessorDoesNotHandleGetNoAnswer) {
  for (int64 tag : {0x1002, 0x2002, 0x1080, 0x4001, 0x0000, 0x30FF})
    EXPECT_TRUE(valueChange(*plugin, tag, 0.5).empty()) << std::hex << tag;
  auto other = owned(new HostMessage);
  other->setMessageID("GUIEditor:somethingElse");
  received.clear();
  plugin->notifyProcessor(other);
  EXPECT_TRUE(received.empty());
}

TEST_F(EditorProtocolTest, OpenGuiIsAnsweredWithTheEngineAddress) {
  auto open = owned(new HostMessage);
  open->setMessageID("GUIEditor:openGUI");
  const auto answer = send(*plugin, open);
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].id, "Processor:openGUI");
  ASSERT_TRUE(answer[0].hasKvset);
  ASSERT_EQ(answer[0].kvset.size(), 8u);
  EXPECT_NE(answer[0].kvset, std::vector<uint8_t>(8, 0));

  received.clear();
  getState(*plugin);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].id, "Processor:getState");
  EXPECT_EQ(received[0].kvset, answer[0].kvset) << "the same engine";
}

TEST_F(EditorProtocolTest, TonePresetsExportedByOneInstanceImportIntoAnother) {
  valueChange(*plugin, 0x1001, 5.0 / 255.0);
  valueChange(*plugin, 0x1005, 3.0 / 15.0);  // tone 5 strc 3
  valueChange(*plugin, 0x1036, 0.5);         // operator 2 ar 64
  const std::string file = dir.file("TonePresets.txt");
  EXPECT_TRUE(fileSelect(*plugin, 0x9100, file).empty()) << "an export asks for no redraw";
  EXPECT_EQ(lastResult.outcome, 0);
  EXPECT_EQ(lastResult.count, 256) << "tones written";
  ASSERT_TRUE(test::fileExists(file));

  auto other = create();
  const auto before = getState(*other);
  const auto answer = fileSelect(*other, 0x1100, file);
  ASSERT_EQ(answer.size(), 1u);
  EXPECT_EQ(answer[0].id, "Processor:uiUpdate");
  EXPECT_EQ(lastResult.count, 256) << "tones read";
  fileSelect(*other, 0x9100, dir.file("no/such/folder/x.txt"));
  EXPECT_EQ(lastResult.outcome, 3) << "could not write";
  const auto mine = getState(*plugin), theirs = getState(*other);
  EXPECT_NE(before, theirs);
  EXPECT_EQ(std::vector<uint8_t>(mine.begin() + kToneRecords, mine.begin() + kToneRecords + 256 * 75),
            std::vector<uint8_t>(theirs.begin() + kToneRecords, theirs.begin() + kToneRecords + 256 * 75));
  EXPECT_EQ(theirs[kToneRecords + 5 * 75 + 22], 3);
}

TEST_F(EditorProtocolTest, AWavImportRedrawsOnlyForTheSelectedSlot) {
  const std::string wav = dir.file("tone.wav");
  ASSERT_TRUE(test::writeSawWav(wav, 1200));
  EXPECT_TRUE(fileSelect(*plugin, 0x2105, wav).empty()) << "slot 5 is not selected";
  const auto uiUpdate = fileSelect(*plugin, 0x2300, wav);
  ASSERT_EQ(uiUpdate.size(), 1u);
  EXPECT_EQ(uiUpdate[0].id, "Processor:uiUpdate");

  const auto image = getState(*plugin);
  size_t at = kSlotRecords;
  ASSERT_EQ(image[at], 1) << "slot 0";
  const int32 n = static_cast<int32>(image[at + 1] | image[at + 2] << 8 | image[at + 3] << 16 | image[at + 4] << 24);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[at + 5])), wav);
  EXPECT_EQ(image[at + 5 + static_cast<size_t>(n)], 2) << "ADPCM";
  at += 5 + static_cast<size_t>(n) + 25;
  for (int32 slot = 1; slot < 5; ++slot) ASSERT_EQ(image[at++], 0) << slot;
  ASSERT_EQ(image[at], 1) << "slot 5";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&image[at + 5])), wav);
  EXPECT_EQ(image[at + 5 + static_cast<size_t>(n)], 0) << "PCM";
}

TEST_F(EditorProtocolTest, StateThroughTheHostsStreams) {
  const std::string wav = dir.file("loop.wav");
  ASSERT_TRUE(test::writeSawWav(wav, 4000, 2, 48000));
  fileSelect(*plugin, 0x2200, wav);
  valueChange(*plugin, 0x300A, 3000.0);
  valueChange(*plugin, 0x3009, 500.0);
  valueChange(*plugin, 0x0001, 0.25);
  valueChange(*plugin, 0x0090, 0.375);  // 32 voices
  const auto image = getState(*plugin);

  auto other = create();
  received.clear();
  ASSERT_EQ(setState(*other, image), kResultOk);
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].id, "Processor:setState");
  EXPECT_EQ(received[0].kvset.size(), 8u);
  EXPECT_EQ(getState(*other), image);

  received.clear();
  EXPECT_EQ(setState(*other, std::vector<uint8_t>(image.begin(), image.begin() + 5000)), kResultFalse);
  ASSERT_EQ(received.size(), 1u) << "sent whatever the result";
  EXPECT_EQ(received[0].id, "Processor:setState");
  EXPECT_EQ(setState(*other, {}), kResultFalse);
  EXPECT_EQ(getState(*other), image) << "a refused image changes nothing";
}

}  // namespace
