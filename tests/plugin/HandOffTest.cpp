// The processor while it plays: what the audio thread changes reaches the
// saved state, a refused state changes nothing, nothing unbounded reaches
// the engine, and files that are not plain files are never read.
#include "tests/plugin/ProcessorFixture.h"
#include "tests/plugin/TestFiles.h"

#include "plugin/StateImage.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <sys/stat.h>

namespace {

using namespace ovri::korvane;
using namespace Steinberg;
using namespace Steinberg::Vst;

class HandOffTest : public test::ProcessorFixture {
protected:
  std::vector<uint8_t> saved() {
    MemoryStream stream;
    EXPECT_EQ(processor->getState(&stream), kResultOk);
    const auto* bytes = reinterpret_cast<const uint8_t*>(stream.getData());
    return std::vector<uint8_t>(bytes, bytes + stream.getSize());
  }
  tresult load(const std::vector<uint8_t>& image) {
    MemoryStream stream;
    int32 written = 0;
    stream.write(const_cast<uint8_t*>(image.data()), static_cast<int32>(image.size()), &written);
    stream.seek(0, IBStream::kIBSeekSet, nullptr);
    return processor->setState(&stream);
  }
  void message(const char* id, int32 tag, double value, const std::string& path = {}) {
    IPtr<HostMessage> m = owned(new HostMessage);
    m->setMessageID(id);
    m->getAttributes()->setInt("tag", tag);
    m->getAttributes()->setFloat("val", value);
    if (!path.empty()) m->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
    processor->notify(m);
  }
  void sysEx(std::vector<uint8_t> bytes) {
    events.addSysEx(0, bytes.data(), static_cast<uint32>(bytes.size()));
    process(kFrames);
  }
  float masterVolumeInState() {
    const auto image = saved();
    float v;
    std::memcpy(&v, &image[3], 4);
    return v;
  }
  // The image with the master volume replaced.
  std::vector<uint8_t> withMasterVolume(float v) {
    auto image = saved();
    std::memcpy(&image[3], &v, 4);
    return image;
  }

  test::TempDir dir;
};

TEST_F(HandOffTest, WhatTheAudioThreadChangesIsSaved) {
  message("GUIEditor:kvValueChange", 0x0083, 1.0);  // system exclusive on
  changes.add(0x10307, 10, 90.0 / 127.0);           // channel 3, CC 7
  process(kFrames);
  // Tone 5 operator 2 tl = 0x33, sampler preset 4 tl = 0x22, part 6 mode = sampler.
  sysEx({0xF0, 0x7D, 0x10, 0x22, 0x04, 0x05, 35 + 32 + 6, 0x33, 0xF7});
  sysEx({0xF0, 0x7D, 0x10, 0x22, 0x06, 0x04, 21, 0x22, 0xF7});
  sysEx({0xF0, 0x7D, 0x10, 0x22, 0x02, 0x06, 0x01, 0x03, 0xF7});
  const auto image = saved();
  plugin::StateImage read;
  plugin::parseStateImage(image.data(), image.size(), read);
  ASSERT_TRUE(read.complete);
  EXPECT_EQ(read.parts[3].volume, 90);
  EXPECT_EQ(read.tones[5].tl[2], 0x33);
  EXPECT_EQ(read.samplers[4].tl, 0x22);
  EXPECT_EQ(read.parts[6].mode, synth::kModeSampler);
  EXPECT_TRUE(read.receiveSysEx);
}

TEST_F(HandOffTest, ARefusedImageChangesNothing) {
  message("GUIEditor:kvValueChange", 0x0084, 1.0);  // NRPN on
  message("GUIEditor:kvValueChange", 0x1015, 0.5);  // a tone field
  events.addNoteOn(0, 0, 60, 1.0f);
  process(kFrames);
  const auto before = saved();
  const auto imageEnd = before.end() - 9;  // the image, without the trailer that follows it
  const std::vector<std::vector<uint8_t>> refused = {
      {},
      {0x07, 0x01, 0x01},
      std::vector<uint8_t>(before.begin(), before.begin() + 10000),
      std::vector<uint8_t>(before.begin(), imageEnd - 1),
      std::vector<uint8_t>(30000, 0x00),
  };
  for (const auto& image : refused) {
    SCOPED_TRACE(image.size());
    EXPECT_EQ(load(image), kResultFalse);
    process(kFrames);
    EXPECT_EQ(host->synth->getActiveVoiceCount(), 1) << "the note plays on";
    EXPECT_EQ(saved(), before);
  }
}

TEST_F(HandOffTest, MasterVolumeStaysWithinZeroAndOne) {
  struct Case {
    float image;
    float expected;
  };
  for (const Case c : {Case{3e38f, 1.0f}, Case{1e6f, 1.0f}, Case{-2.0f, 0.0f}, Case{0.5f, 0.5f}}) {
    SCOPED_TRACE(c.image);
    ASSERT_EQ(load(withMasterVolume(c.image)), kResultOk);
    process(kFrames);
    EXPECT_EQ(host->synth->getMasterVolume(), c.expected);
    EXPECT_EQ(masterVolumeInState(), c.expected);
  }
  for (double tag : {std::nan(""), HUGE_VAL, -1.0, 7.0}) {
    message("GUIEditor:kvValueChange", 0x0001, tag);
    process(kFrames);
    EXPECT_GE(host->synth->getMasterVolume(), 0.0f);
    EXPECT_LE(host->synth->getMasterVolume(), 1.0f);
  }
  // NRPN 0/0 and system exclusive name steps of the volume table: 1.0 at most.
  message("GUIEditor:kvValueChange", 0x0084, 1.0);
  changes.add(0x10063, 0, 0.0);  // NRPN MSB 0
  changes.add(0x10062, 1, 0.0);  // NRPN LSB 0
  changes.add(0x10006, 2, 1.0);  // data entry 127
  process(kFrames);
  EXPECT_EQ(host->synth->getMasterVolume(), 1.0f);
  message("GUIEditor:kvValueChange", 0x0083, 1.0);
  sysEx({0xF0, 0x7D, 0x10, 0x22, 0x00, 0x00, 0x00, 0x7F, 0xF7});
  EXPECT_EQ(host->synth->getMasterVolume(), 1.0f);
}

TEST_F(HandOffTest, ATinyMasterVolumeGivesNoDenormalOutput) {
  ASSERT_EQ(load(withMasterVolume(1e-40f)), kResultOk);
  for (int32 key = 48; key < 72; ++key) events.addNoteOn(0, 0, static_cast<int16>(key), 1.0f);
  for (int32 block = 0; block < 8; ++block) {
    process(kFrames);
    for (float x : storage) ASSERT_TRUE(x == 0.0f || std::isnormal(x)) << x;
  }
}

TEST_F(HandOffTest, StateFilesThatAreNotPlainFilesAreMissingFiles) {
  ASSERT_TRUE(dir.valid());
  const std::string fifo = dir.file("pipe.wav");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string wav = dir.file("real.wav");
  ASSERT_TRUE(test::writeSawWav(wav, 1000));
  message("GUIEditor:kvFileSelect", 0x2100, 0.0, wav);  // slot 0, to give the image a slot record
  const auto image = saved();
  plugin::StateImage read;
  plugin::parseStateImage(image.data(), image.size(), read);
  ASSERT_TRUE(read.slots[0].present);
  const std::string names[] = {fifo, "/proc/self/pagemap", "/dev/zero", dir.path(), "relative/real.wav",
                               "real.wav"};
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    plugin::StateImage edited = read;
    for (int32_t slot = 0; slot < 8; ++slot) {
      edited.slots[slot] = read.slots[0];
      edited.slots[slot].path = name;
    }
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(load(plugin::serializeStateImage(edited)), kResultOk);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << "never read";
    process(kFrames);
    EXPECT_EQ(host->synth->getSampleData(0).samples, nullptr);
    auto expected = plugin::serializeStateImage(edited);
    plugin::appendStateTrailer(expected, {});
    EXPECT_EQ(saved(), expected) << "the slots keep their records";
  }
}

TEST_F(HandOffTest, TextImportsReadOnlyPlainFiles) {
  ASSERT_TRUE(dir.valid());
  const std::string fifo = dir.file("tones.txt");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const auto before = saved();
  for (const std::string& name : {fifo, std::string("/dev/zero"), dir.path()}) {
    SCOPED_TRACE(name);
    for (int32 tag : {0x1100, 0x1200, 0x1500}) message("GUIEditor:kvFileSelect", tag, 0.0, name);
    process(kFrames);
    EXPECT_EQ(saved(), before);
  }
}

TEST_F(HandOffTest, ManyZeroLengthBlocksThenANoteSound) {
  for (int32 i = 0; i < 600; ++i) {
    changes.add(0x10007, 0, (i % 128) / 127.0);  // CC 7 on channel 0, one per zero-length block
    process(0);
  }
  EXPECT_EQ(host->synth->getPart(0).controllers[7], 599 % 128);
  events.addNoteOn(0, 0, 60, 1.0f);
  process(kFrames);
  bool sound = false;
  for (float x : storage) sound |= x != 0.0f;
  EXPECT_TRUE(sound);
}

}  // namespace
