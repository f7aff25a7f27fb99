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
#include <functional>
#include <string>
#include <fstream>
#include <malloc.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

using namespace ovri::korvane;
using namespace Steinberg;
using namespace Steinberg::Vst;

class HandOffTest : public test::ProcessorFixture {
protected:
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

// The saved state is what the engine plays: for every kind of main-thread
// change, made before activation, while active or across a deactivation,
// followed by every kind of change MIDI makes, the state saved while
// playing equals the engine's own records (read once it is inactive).
class SavedStateFollowsEngineTest : public HandOffTest {
protected:
  void SetUp() override {
    HandOffTest::SetUp();
    // A state to load, with values unlike the defaults.
    message("GUIEditor:kvValueChange", 0x0001, 0.5);  // master volume
    changes.add(0x10507, 0, 77.0 / 127.0);
    process(kFrames);
    stateToLoad = saved();
    processor->setActive(false);
    processor->setActive(true);
    message("GUIEditor:kvValueChange", 0x0001, 0.8);
    process(kFrames);
    tonesFile = dir.file("tones.txt");
    test::writeWholeFile(tonesFile, "@I:7 \"Imported        \" 64 64 0 2816 100 3 5 1 8192 0 0 44 127 42 127 72 1 48 "
                                       "2 1 8192 0 0 29 127 34 127 76 1 48 5 14 8192 0 0 56 127 76 127 72 1 48 2 1 "
                                       "8198 0 0 31 127 36 127 76 1 48\n");
  }
  std::vector<uint8_t> stateToLoad;
  std::string tonesFile;
};

TEST_F(SavedStateFollowsEngineTest, AfterEveryEditEveryMidiChangeIsSaved) {
  using Edit = std::function<void()>;
  const std::pair<const char*, Edit> edits[] = {
      {"load state", [this] { EXPECT_EQ(load(stateToLoad), kResultOk); }},
      {"import text",
       [this] { message("GUIEditor:kvFileSelect", 0x1100, 0.0, tonesFile); }},
      {"value tags",
       [this] {
         for (const auto& [tag, value] : std::vector<std::pair<int32, double>>{
                  {0x0001, 0.25}, {0x0083, 1.0}, {0x0090, 0.5}, {0x0103, 9.0 / 127.0}, {0x0107, 0.3}})
           message("GUIEditor:kvValueChange", tag, value);
       }},
      {"tone name",
       [this] {
         auto lock = host->lockMain();
         std::memcpy(host->selectedPresetName(true), "Renamed Tone    ", 16);
         lock.unlock();
         message("GUIEditor:kvValueChange", 0x1002, 0.0);
       }},
  };
  enum When { kBeforeActivation, kWhileActive, kAcrossDeactivation };
  using Midi = std::function<void()>;
  const std::pair<const char*, Midi> midi[] = {
      {"CC 7", [this] { changes.add(0x10307, 3, 20.0 / 127.0); }},
      {"pitch bend", [this] { changes.add(0x10281, 3, 0.75); }},
      {"program change", [this] { changes.add(0x10182, 3, 33.0 / 127.0); }},
      {"NRPN part mode",
       [this] {
         for (const auto& [cc, value] : std::vector<std::pair<int, int>>{{99, 0}, {98, 33}, {6, 2}})
           changes.add(0x10400 + static_cast<ParamID>(cc), 3, value / 127.0);
       }},
      {"tone dump",
       [this] {
         std::vector<uint8_t> dump = {0xF0, 0x7D, 0x10, 0x22, 0x04, 0x07, 0x00};
         for (char c : std::string("Dumped by sysex ")) dump.push_back(static_cast<uint8_t>(c));
         dump.push_back(0xF7);
         events.addSysEx(3, dump.data(), static_cast<uint32>(dump.size()));
       }},
      {"master volume",
       [this] {
         const uint8_t volume[] = {0xF0, 0x7D, 0x10, 0x22, 0x00, 0x00, 0x00, 0x7F, 0xF7};
         events.addSysEx(3, volume, sizeof volume);
       }},
  };
  int32_t rows = 0;
  for (const auto& [editName, edit] : edits)
    for (When when : {kBeforeActivation, kWhileActive, kAcrossDeactivation})
      for (const auto& [midiName, change] : midi) {
        SCOPED_TRACE(std::string(editName) + " / " + std::to_string(when) + " / " + midiName);
        processor->setActive(false);
        processor->terminate();
        ASSERT_EQ(processor->initialize(nullptr), kResultOk);
        ProcessSetup setup{kRealtime, kSample32, kFrames, 44100.0};
        ASSERT_EQ(processor->setupProcessing(setup), kResultOk);
        host = processor->getEngineHost();
        if (when == kBeforeActivation) edit();
        ASSERT_EQ(processor->setActive(true), kResultOk);
        message("GUIEditor:kvValueChange", 0x0083, 1.0);  // system exclusive on
        message("GUIEditor:kvValueChange", 0x0084, 1.0);  // NRPN on
        process(kFrames);
        if (when == kWhileActive) edit();
        if (when == kAcrossDeactivation) {
          processor->setActive(false);
          edit();
          processor->setActive(true);
        }
        process(kFrames);
        // Many blocks of MIDI with no main-thread call between them.
        for (int32_t block = 0; block < 200; ++block) {
          changes.add(0x10001 + 256 * static_cast<ParamID>(block % 16), 0, (block % 128) / 127.0);
          process(kFrames);
        }
        change();
        process(kFrames);
        const auto whilePlaying = saved();
        processor->setActive(false);
        EXPECT_EQ(whilePlaying, saved()) << "saved while playing = the engine's records";
        processor->setActive(true);
        ++rows;
      }
  EXPECT_EQ(rows, 4 * 3 * 6);
}

// A stream that answers its last, short read with kResultFalse (as the
// SDK's own file stream does) still delivers the whole state.
TEST_F(HandOffTest, AShortLastReadReportedAsFalseStillLoads) {
  message("GUIEditor:kvValueChange", 0x0001, 0.25);
  process(kFrames);
  const auto image = saved();
  message("GUIEditor:kvValueChange", 0x0001, 0.75);
  class ShortReadStream : public MemoryStream {
  public:
    tresult PLUGIN_API read(void* buffer, int32 count, int32* got) SMTG_OVERRIDE {
      int32 n = 0;
      MemoryStream::read(buffer, count, &n);
      if (got != nullptr) *got = n;
      return n == count ? kResultOk : kResultFalse;
    }
  };
  ShortReadStream stream;
  int32 written = 0;
  stream.write(const_cast<uint8_t*>(image.data()), static_cast<int32>(image.size()), &written);
  stream.seek(0, IBStream::kIBSeekSet, nullptr);
  ASSERT_EQ(image.size() % 4096 == 0, false) << "the image must end in a short read";
  EXPECT_EQ(processor->setState(&stream), kResultOk);
  process(kFrames);
  EXPECT_EQ(saved(), image);
}

// Resident memory of the process, in bytes, after free memory has been
// handed back to the system.
size_t residentBytes() {
  malloc_trim(0);
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * static_cast<size_t>(sysconf(_SC_PAGESIZE));
}

// A host browsing presets loads state after state without ever saving:
// whether the audio thread renders meanwhile or not, what was replaced is
// freed, and the engine ends with the last one.
TEST_F(HandOffTest, ManyLoadsWithoutASaveHoldAtMostTwoStates) {
  constexpr int32_t kSlots = 4;
  constexpr int32_t kFramesPerSlot = 131072;  // 16-bit stereo: 512 KiB a file
  for (int32_t slot = 0; slot < kSlots; ++slot) {
    const std::string wav = dir.file("slot" + std::to_string(slot) + ".wav");
    ASSERT_TRUE(test::writeWav16(wav, kFramesPerSlot, 2, 44100,
                                 [slot](int32_t f, int32_t c) { return static_cast<int16_t>((f * 7 + c + slot) & 0x3FFF); }));
    message("GUIEditor:kvFileSelect", 0x2100 | slot, 0.0, wav);
  }
  message("GUIEditor:kvValueChange", 0x0001, 0.25);
  process(kFrames);
  const auto quiet = saved();
  message("GUIEditor:kvValueChange", 0x0001, 0.75);
  process(kFrames);
  const auto loud = saved();
  const size_t stateBytes = size_t{kSlots} * kFramesPerSlot * 2 * sizeof(int16_t);

  for (const bool rendering : {true, false}) {
    SCOPED_TRACE(rendering ? "the audio thread renders" : "no block is rendered");
    ASSERT_EQ(load(quiet), kResultOk);
    process(kFrames);
    const size_t before = residentBytes();
    std::atomic<bool> done{false};
    std::thread audio([&] {
      while (rendering && !done.load()) {
        data.numSamples = 64;
        processor->process(data);
      }
    });
    for (int32_t n = 0; n < 100; ++n) ASSERT_EQ(load(n == 99 ? loud : quiet), kResultOk);
    done.store(true);
    audio.join();
    for (int32_t block = 0; block < 4; ++block) process(kFrames);
#ifndef __SANITIZE_ADDRESS__  // the sanitizer keeps freed memory in quarantine
    EXPECT_LT(residentBytes(), before + 2 * stateBytes);
#endif
    processor->setActive(false);
    EXPECT_FLOAT_EQ(host->synth->getMasterVolume(), 0.75f) << "the engine plays the last state";
    processor->setActive(true);
  }
}

// A WAV chosen by a relative path is saved by its absolute path, so that
// the project reloads it wherever the host was started from.
TEST_F(HandOffTest, AWavImportedByARelativePathReloadsFromTheProject) {
  const std::string wav = dir.file("relative.wav");
  ASSERT_TRUE(test::writeWav16(wav, 4000, 1, 44100, [](int32_t f, int32_t) { return static_cast<int16_t>(f * 8); }));
  const auto startedIn = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  message("GUIEditor:kvFileSelect", 0x2100 | 5, 0.0, "relative.wav");
  std::filesystem::current_path(startedIn);
  process(kFrames);
  const auto image = saved();
  plugin::StateImage read;
  plugin::parseStateImage(image.data(), image.size(), read);
  ASSERT_TRUE(read.slots[5].present);
  EXPECT_EQ(std::filesystem::path(read.slots[5].path), std::filesystem::absolute(wav));
  ASSERT_EQ(load(image), kResultOk);
  process(kFrames);
  processor->setActive(false);
  EXPECT_EQ(host->synth->getSampleData(5).length, 4000);
  processor->setActive(true);
}

// Ten seconds of pitch bend and modulation on every channel at every block,
// with no call on the main thread, then a few last changes: the next save
// holds the last values.
TEST_F(HandOffTest, TenSecondsOfControllersThenTheLastValuesAreSaved) {
  for (int32_t block = 0; block < 10 * 44100 / kFrames; ++block) {
    for (ParamID channel = 0; channel < 16; ++channel) {
      changes.add(0x10081 + 256 * channel, 0, (block % 100) / 100.0);
      changes.add(0x10001 + 256 * channel, 0, (block % 127) / 127.0);
    }
    process(kFrames);
  }
  changes.add(0x10081, 5, 0.5);                // channel 0 bend back to the centre
  changes.add(0x10307, 5, 20.0 / 127.0);       // channel 3 volume 20
  changes.add(0x10582, 5, 33.0 / 127.0);       // channel 5 program 33
  process(kFrames);
  const auto image = saved();
  plugin::StateImage read;
  plugin::parseStateImage(image.data(), image.size(), read);
  ASSERT_TRUE(read.complete);
  EXPECT_EQ(read.parts[0].pitchBend, 8192);
  EXPECT_EQ(read.parts[3].volume, 20);
  EXPECT_EQ(read.parts[5].program, 33);
  EXPECT_EQ(read.parts[9].modulation, (10 * 44100 / kFrames - 1) % 127);
}
