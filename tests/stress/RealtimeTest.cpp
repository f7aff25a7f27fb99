// process() never waits, allocates or frees, whatever the main thread does
// meanwhile. The audio thread renders 64-sample blocks with notes and
// controllers while the main thread loads states, imports WAV and text
// files, changes the polyphony and sends value tags. Counted on the audio
// thread, inside process() only: calls of operator new and delete (this
// test program replaces them) and voluntary context switches (the thread
// went to sleep in the kernel: a lock, a wait, blocking I/O).
#include "host/HostEventList.h"
#include "host/HostParameterChanges.h"
#include "public.sdk/source/common/memorystream.h"
#include "tests/stress/StressSupport.h"
#include "tests/support/CountedAllocations.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <random>
#include <sys/resource.h>
#include <thread>


namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using ovri::korvane::test::Messages;

constexpr int32 kFrames = 64;

long voluntarySwitches() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_nvcsw;
}

TEST(Realtime, ProcessNeitherWaitsNorAllocatesWhileTheMainThreadWorks) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("korvane-realtime-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string wav = (dir / "stereo.wav").string();
  ovri::korvane::test::writeWav(wav, 2, 48000);
  const std::string tones = (dir / "tones.txt").string();

  auto* processor = new KorvaneVSTProcessor;
  ASSERT_EQ(processor->initialize(nullptr), kResultOk);
  ProcessSetup setup{kRealtime, kSample32, kFrames, 48000.0};
  processor->setupProcessing(setup);
  processor->setActive(true);
  Messages messages(processor);
  messages.file(0x9100, tones);
  messages.value(0x0101, 1.0 / 15.0);  // part 1 plays samples from slot 0
  messages.value(0x0102, 1.0);
  messages.file(0x2100, wav);
  MemoryStream saved;
  processor->getState(&saved);

  std::atomic<bool> running{true};
  int64_t blocks = 0;
  long switches = 0;
  std::thread audio([&] {
    ovri::korvane::test::AudioBlock block(kFrames);
    auto& events = block.events;
    auto& changes = block.changes;
    auto& data = block.data;
    std::mt19937 random(3);
    while (running.load()) {
      events.clear();
      changes.clear();
      for (int32 n = 0; n < 4; ++n) {
        const int16 channel = static_cast<int16>(random() % 2);
        const int16 key = static_cast<int16>(36 + random() % 48);
        events.addNoteOn(static_cast<int32>(random() % kFrames), channel, key, 0.8f);
        events.addNoteOff(static_cast<int32>(random() % kFrames), channel, static_cast<int16>(key - 12), 0.0f);
      }
      changes.add(0x10007, 5, (random() % 128) / 127.0);
      const long before = voluntarySwitches();
      ovri::korvane::test::countAllocations = true;
      processor->process(data);
      ovri::korvane::test::countAllocations = false;
      switches += voluntarySwitches() - before;
      ++blocks;
    }
  });

  std::mt19937 random(5);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(
                                                                ovri::korvane::test::stressSeconds());
  while (std::chrono::steady_clock::now() < deadline) {
    switch (random() % 6) {
      case 0:
        saved.seek(0, IBStream::kIBSeekSet, nullptr);
        processor->setState(&saved);
        break;
      case 1: messages.file(0x2100 + static_cast<int32>(random() % 3) * 0x100, wav); break;
      case 2: messages.file(0x1100, tones); break;
      case 3: messages.value(0x0090, random() % 2 ? 0.5 : 1.0); break;  // 64 or 1024 voices
      case 4: {
        MemoryStream stream;
        processor->getState(&stream);
        break;
      }
      default: messages.value(0x1015, (random() % 128) / 127.0); break;
    }
  }
  running.store(false);
  audio.join();

  EXPECT_GT(blocks, 100);
  EXPECT_EQ(ovri::korvane::test::countedAllocations.load(), 0) << "allocations or frees inside process()";
  EXPECT_EQ(switches, 0) << "times process() went to sleep in the kernel";
  processor->setActive(false);
  processor->terminate();
  processor->release();
  std::filesystem::remove_all(dir);
}

}  // namespace
