// One thread renders blocks with notes, controllers and system exclusive
// while another applies random value tags, imports text and WAV files (all
// three encodings), saves and loads states and changes the polyphony, and a
// third saves the state as a host's worker thread does. Run under
// ThreadSanitizer this proves that the threads share no memory but through
// the processor's rings; under AddressSanitizer that nothing is freed while
// the audio thread still reads it.
#include "host/HostEventList.h"
#include "host/HostParameterChanges.h"
#include "public.sdk/source/common/memorystream.h"
#include "tests/stress/StressSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::test::Messages;
using ovri::korvane::test::writeWav;

constexpr int32 kFrames = 256;

TEST(ProcessorStress, RenderingWhileEditingImportingAndLoadingStates) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("korvane-stress-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string monoWav = (dir / "mono.wav").string();
  const std::string stereoWav = (dir / "stereo.wav").string();
  writeWav(monoWav, 1, 12000);
  writeWav(stereoWav, 2, 9000);
  const std::string tones = (dir / "tones.txt").string();
  const std::string samplers = (dir / "samplers.txt").string();
  const std::string params = (dir / "params.txt").string();

  auto* processor = new KorvaneVSTProcessor;
  ASSERT_EQ(processor->initialize(nullptr), kResultOk);
  ProcessSetup setup{kRealtime, kSample32, kFrames, 48000.0};
  processor->setupProcessing(setup);
  processor->setActive(true);
  Messages messages(processor);
  // Parts 0..3 instrument, 4 percussion, 5 sampler; sample slots 0 and 1 filled.
  messages.value(0x0101, 4.0 / 15.0);
  messages.value(0x0102, 2.0 / 3.0);
  messages.value(0x0101, 5.0 / 15.0);
  messages.value(0x0102, 1.0);
  messages.file(0x2100, monoWav);
  messages.file(0x2201, stereoWav);
  messages.file(0x9100, tones);
  messages.file(0x9200, samplers);
  messages.file(0x9500, params);

  std::atomic<bool> running{true};
  std::atomic<int64_t> blocks{0};
  bool finite = true;
  std::thread audio([&] {
    ovri::korvane::test::AudioBlock block(kFrames);
    auto& events = block.events;
    auto& changes = block.changes;
    auto& data = block.data;
    auto& storage = block.storage;
    std::mt19937 random(7);
    while (running.load()) {
      events.clear();
      changes.clear();
      const int32 channel = static_cast<int32>(random() % 6);
      changes.add(0x10000 + 256 * channel + 7, static_cast<int32>(random() % kFrames), (random() % 128) / 127.0);
      if (random() % 8 == 0) {  // a tone's level by system exclusive
        const uint8_t sysex[] = {0xF0, 0x7D, 0x10, 0x22, 0x04, static_cast<uint8_t>(random() % 128), 41,
                                 static_cast<uint8_t>(random() % 128), 0xF7};
        events.addSysEx(0, sysex, sizeof sysex);
      }
      for (int32 n = 0; n < 6; ++n) {
        const int16 channel = static_cast<int16>(random() % 6);
        const int16 key = static_cast<int16>(36 + random() % 48);
        const int32 offset = static_cast<int32>(random() % kFrames);
        if (random() % 3 == 0)
          events.addNoteOff(offset, channel, key, 0.0f);
        else
          events.addNoteOn(offset, channel, key, 0.8f);
      }
      processor->process(data);
      for (float v : storage)
        if (!std::isfinite(v)) finite = false;
      blocks.fetch_add(1);
    }
  });

  // Tags that change what the audio thread reads, with random values.
  const int32 valueTags[] = {0x0001, 0x0002, 0x0083, 0x0084, 0x0101, 0x0102, 0x0103, 0x0104, 0x0105, 0x0106,
                             0x0107, 0x0108, 0x0109, 0x0182, 0x0183, 0x0190, 0x1001, 0x1003, 0x1004, 0x1005,
                             0x1006, 0x1007, 0x1008, 0x1010, 0x1021, 0x1032, 0x1043, 0x1014, 0x1025, 0x1036,
                             0x1047, 0x1018, 0x1029, 0x103A, 0x104B, 0x1081, 0x2001, 0x2003, 0x2004, 0x2005,
                             0x2006, 0x2007, 0x2008, 0x200A, 0x200B, 0x3001, 0x3004, 0x3005, 0x3007, 0x3008,
                             0x3009, 0x300A};
  // The host's worker thread saves the state now and then.
  std::thread worker([&] {
    while (running.load()) {
      MemoryStream stream;
      processor->getState(&stream);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(ovri::korvane::test::stressSeconds());
  int64_t operations = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    switch (random() % 12) {
      case 0: messages.file(0x1100, tones); break;
      case 1: messages.file(0x1200, samplers); break;
      case 2: messages.file(0x1500, params); break;
      case 3: messages.file(0x2100 + static_cast<int32>(random() % 3) * 0x100 + static_cast<int32>(random() % 4),
                            random() % 2 ? monoWav : stereoWav); break;
      case 4: {
        MemoryStream stream;
        processor->getState(&stream);
        stream.seek(0, IBStream::kIBSeekSet, nullptr);
        processor->setState(&stream);
        break;
      }
      case 5: messages.value(0x0090, unit(random) < 0.5 ? 0.5 : 0.625); break;  // 64 or 128 voices
      case 6: messages.file(0x9100, tones); break;
      case 7: messages.value(0x3081, 0.0); break;
      default: {
        const int32 tag = valueTags[random() % (sizeof valueTags / sizeof valueTags[0])];
        const bool raw = (tag & 0xFF00) == 0x3000 && (tag & 0xFF) >= 4;
        messages.value(tag, raw ? unit(random) * 20000.0 : unit(random));
        break;
      }
    }
    ++operations;
  }
  running.store(false);
  audio.join();
  worker.join();
  std::printf("%lld blocks rendered during %lld edits\n", static_cast<long long>(blocks.load()),
              static_cast<long long>(operations));

  EXPECT_TRUE(finite);
  EXPECT_GT(blocks.load(), 0);
  EXPECT_GT(operations, 0);
  processor->setActive(false);
  processor->terminate();
  processor->release();
  std::filesystem::remove_all(dir);
}

}  // namespace
