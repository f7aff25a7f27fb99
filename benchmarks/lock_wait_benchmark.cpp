// How long can the audio thread be held up by the main thread? One thread
// takes the engine lock as process() does, as often as it can, spinning on
// try_lock so that the figure is the main thread's hold time rather than
// the scheduler's wake-up delay, while the main thread runs each kind of
// edit in a loop. Prints, per kind of edit, how many acquisitions had to
// wait, the longest wait and the 99th percentile of the waits. On a busy
// machine the longest wait also holds preemptions of either thread.
#include "plugin/KorvaneVSTProcessor.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using Clock = std::chrono::steady_clock;

void writeWav(const std::string& path, int32 frames) {
  std::vector<int16_t> samples(static_cast<size_t>(frames) * 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>(12000.0 * std::sin(0.01 * i));
  const uint32_t bytes = static_cast<uint32_t>(samples.size() * 2);
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(2);
  u32(44100);
  u32(44100 * 4);
  u16(4);
  u16(16);
  out.write("data", 4);
  u32(bytes);
  out.write(reinterpret_cast<const char*>(samples.data()), bytes);
}

void send(KorvaneVSTProcessor* p, const char* id, int32 tag, double value, const std::string& path = {}) {
  IPtr<HostMessage> m = owned(new HostMessage);
  m->setMessageID(id);
  m->getAttributes()->setInt("tag", tag);
  if (path.empty())
    m->getAttributes()->setFloat("val", value);
  else
    m->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
  p->notify(m);
}

}  // namespace

int main() {
  const auto dir = std::filesystem::temp_directory_path() / "korvane-lock-wait";
  std::filesystem::create_directories(dir);
  const std::string wav = (dir / "long.wav").string();
  writeWav(wav, 44100 * 20);  // 20 s of stereo
  const std::string tones = (dir / "tones.txt").string();

  auto* processor = new KorvaneVSTProcessor;
  processor->initialize(nullptr);
  ovri::korvane::EngineHost& host = *processor->getEngineHost();
  send(processor, "GUIEditor:kvFileSelect", 0x9100, 0, tones);
  send(processor, "GUIEditor:kvFileSelect", 0x2100, 0, wav);
  MemoryStream saved;
  processor->getState(&saved);

  struct Edit {
    const char* name;
    std::function<void()> run;
  };
  bool wide = false;
  const std::vector<Edit> edits = {
      {"value tag (tone field)", [&] { send(processor, "GUIEditor:kvValueChange", 0x1015, 0.5); }},
      {"polyphony 128 <-> 1024", [&] {
         send(processor, "GUIEditor:kvValueChange", 0x0090, wide ? 0.625 : 1.0);
         wide = !wide;
       }},
      {"tone text import (256 tones)", [&] { send(processor, "GUIEditor:kvFileSelect", 0x1100, 0, tones); }},
      {"WAV import, 20 s stereo, ADPCM", [&] { send(processor, "GUIEditor:kvFileSelect", 0x2301, 0, wav); }},
      {"getState", [&] {
         MemoryStream s;
         processor->getState(&s);
       }},
      {"setState (one 20 s sample)", [&] {
         saved.seek(0, IBStream::kIBSeekSet, nullptr);
         processor->setState(&saved);
       }},
  };

  std::printf("%-32s %8s %8s %12s %12s\n", "main-thread edit", "edits", "waits", "max wait us", "p99 us");
  for (const Edit& edit : edits) {
    std::atomic<bool> running{true};
    std::vector<double> waits;
    waits.reserve(1 << 22);
    std::thread audio([&] {
      while (running.load(std::memory_order_relaxed)) {
        auto lock = host.lockEngine(std::defer_lock);
        if (lock.try_lock()) continue;
        const auto before = Clock::now();
        while (!lock.try_lock()) {
        }
        waits.push_back(std::chrono::duration<double, std::micro>(Clock::now() - before).count());
      }
    });
    int32 count = 0;
    const auto end = Clock::now() + std::chrono::seconds(2);
    while (Clock::now() < end) {
      edit.run();
      ++count;
    }
    running.store(false);
    audio.join();
    std::sort(waits.begin(), waits.end());
    const double maxWait = waits.empty() ? 0.0 : waits.back();
    const double p99 = waits.empty() ? 0.0 : waits[static_cast<size_t>(waits.size() * 0.99)];
    std::printf("%-32s %8d %8zu %12.1f %12.1f\n", edit.name, count, waits.size(), maxWait, p99);
  }
  processor->terminate();
  processor->release();
  std::filesystem::remove_all(dir);
  return 0;
}
