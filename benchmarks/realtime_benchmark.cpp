// process() as a host's audio thread runs it: once per period (32 or 64
// samples at 48 kHz), on a real-time thread where the system allows it
// (SCHED_FIFO; otherwise at normal priority, as the header line says),
// with 128 sounding voices, while the main thread loads states, imports
// WAV and text files, changes the polyphony and sends value tags without
// pause. Prints the distribution of process() times and the blocks that
// took longer than their period.
//
// Then the cost of events with the whole pool held: 1024 voices sounding,
// 64-sample blocks, with no events, 16 note-offs at distinct offsets, 80
// controller changes, and 512 note-ons.
#include "host/HostEventList.h"
#include "host/HostParameterChanges.h"
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
#include <pthread.h>
#include <sched.h>
#include <string>
#include <thread>
#include <time.h>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using Clock = std::chrono::steady_clock;

constexpr double kRate = 48000.0;

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

void send(KorvaneVSTProcessor* p, int32 tag, double value, const std::string& path = {}) {
  IPtr<HostMessage> m = owned(new HostMessage);
  m->setMessageID(path.empty() ? "GUIEditor:kvValueChange" : "GUIEditor:kvFileSelect");
  m->getAttributes()->setInt("tag", tag);
  if (path.empty())
    m->getAttributes()->setFloat("val", value);
  else
    m->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
  p->notify(m);
}

// The host side of one processor: buffers, event list and parameter changes.
struct Rig {
  explicit Rig(int32 frames) : frames(frames), storage(32 * static_cast<size_t>(frames)), pointers(32) {
    processor = new KorvaneVSTProcessor;
    processor->initialize(nullptr);
    ProcessSetup setup{kRealtime, kSample32, frames, kRate};
    processor->setupProcessing(setup);
    processor->setActive(true);
    for (int32 i = 0; i < 32; ++i) pointers[i] = storage.data() + static_cast<size_t>(i) * frames;
    for (int32 b = 0; b < 16; ++b) {
      buses[b].numChannels = 2;
      buses[b].channelBuffers32 = pointers.data() + 2 * b;
    }
    data.symbolicSampleSize = kSample32;
    data.numOutputs = 16;
    data.outputs = buses;
    data.inputEvents = &events;
    data.inputParameterChanges = &changes;
    data.numSamples = frames;
  }
  ~Rig() {
    processor->setActive(false);
    processor->terminate();
    processor->release();
  }
  // Microseconds one process() call took; the event list is emptied after.
  double run() {
    const auto start = Clock::now();
    processor->process(data);
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    events.clear();
    changes.clear();
    return us;
  }
  // The factory tones, every part on a drawbar organ (it sounds while held),
  // and `voices` notes held.
  void hold(int32 voices) {
    send(processor, 0x1100, 0, KORVANE_FACTORY_TONES);
    send(processor, 0x0090, voices > 128 ? 1.0 : 0.625);  // 1024 or 128 voices
    for (int32 c = 0; c < 16; ++c) changes.add(0x10082 + 256 * c, 0, 16.0 / 127.0);
    for (int32 i = 0; i < voices; ++i)
      events.addNoteOn(0, static_cast<int16>(i % 16), static_cast<int16>(24 + (i / 16) % 72), 0.7f);
    run();
  }

  int32 frames;
  KorvaneVSTProcessor* processor = nullptr;
  std::vector<float> storage;
  std::vector<float*> pointers;
  AudioBusBuffers buses[16] = {};
  ProcessData data{};
  ovri::korvane::host::HostEventList events;
  ovri::korvane::host::HostParameterChanges changes;
};

void percentiles(const char* name, std::vector<double> times, double periodUs) {
  std::sort(times.begin(), times.end());
  auto at = [&](double q) { return times.empty() ? 0.0 : times[std::min(times.size() - 1, static_cast<size_t>(q * times.size()))]; };
  const auto over = std::count_if(times.begin(), times.end(), [periodUs](double t) { return t > periodUs; });
  std::printf("%-34s %8zu %9.1f %9.1f %9.1f %9.1f %9.1f %6ld\n", name, times.size(), periodUs, at(0.5), at(0.99),
              at(0.999), times.empty() ? 0.0 : times.back(), static_cast<long>(over));
}

bool makeRealtime() {
  sched_param param{};
  param.sched_priority = std::max(1, sched_get_priority_max(SCHED_FIFO) - 10);
  return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}

// Blocks on a real-time clock while the main thread works.
void underLoad(int32 frames, const std::string& wav, const std::string& tones, double seconds) {
  Rig rig(frames);
  send(rig.processor, 0x2100, 0, wav);
  rig.hold(128);
  send(rig.processor, 0x9100, 0, tones);
  MemoryStream saved;
  rig.processor->getState(&saved);

  const double periodUs = 1e6 * frames / kRate;
  std::atomic<bool> running{true};
  std::atomic<bool> replay{false};
  std::vector<double> times;
  times.reserve(static_cast<size_t>(seconds * kRate / frames) + 16);
  bool realtime = false;
  std::thread audio([&] {
    realtime = makeRealtime();
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    const long periodNs = static_cast<long>(periodUs * 1000.0);
    while (running.load(std::memory_order_relaxed)) {
      next.tv_nsec += periodNs;
      while (next.tv_nsec >= 1000000000L) {
        next.tv_nsec -= 1000000000L;
        ++next.tv_sec;
      }
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
      rig.changes.add(0x10007, 3, 0.5);
      if (replay.exchange(false))
        for (int32 i = 0; i < 128; ++i)
          rig.events.addNoteOn(0, static_cast<int16>(i % 16), static_cast<int16>(24 + (i / 16) % 72), 0.7f);
      times.push_back(rig.run());
    }
  });
  bool wide = false;
  int32 step = 0;
  const auto end = Clock::now() + std::chrono::duration<double>(seconds);
  while (Clock::now() < end) {
    switch (step++ % 5) {
      case 0:
        saved.seek(0, IBStream::kIBSeekSet, nullptr);
        rig.processor->setState(&saved);  // every voice stops: the audio thread plays the chord again
        replay.store(true);
        break;
      case 1: send(rig.processor, 0x2301, 0, wav); break;
      case 2: send(rig.processor, 0x1100, 0, tones); break;
      case 3:
        send(rig.processor, 0x0090, wide ? 0.625 : 1.0);  // every voice stops
        wide = !wide;
        replay.store(true);
        break;
      default: send(rig.processor, 0x1015, (step % 128) / 127.0); break;
    }
  }
  running.store(false);
  audio.join();
  char name[64];
  std::snprintf(name, sizeof name, "%d samples, %s", frames, realtime ? "SCHED_FIFO" : "normal priority");
  percentiles(name, times, periodUs);
  std::printf("%-34s %d\n", "  voices sounding at the end", rig.processor->getEngineHost()->synth->getActiveVoiceCount());
}

// 1024 voices held; each case's events sent every block.
void eventCost(const char* name, const std::function<void(Rig&, int32)>& fill) {
  Rig rig(64);
  rig.hold(1024);
  std::vector<double> times;
  for (int32 block = 0; block < 400; ++block) {
    fill(rig, block);
    times.push_back(rig.run());
  }
  percentiles(name, times, 1e6 * 64 / kRate);
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
  const auto dir = std::filesystem::temp_directory_path() / "korvane-realtime-benchmark";
  std::filesystem::create_directories(dir);
  const std::string wav = (dir / "long.wav").string();
  writeWav(wav, 44100 * 10);  // 10 s of stereo
  const std::string tones = (dir / "tones.txt").string();

  std::printf("%-34s %8s %9s %9s %9s %9s %9s %6s\n", "process() in microseconds", "blocks", "period", "p50",
              "p99", "p99.9", "max", "over");
  std::printf("-- 128 voices, main thread loading states, importing, changing polyphony:\n");
  for (int32 frames : {32, 64}) underLoad(frames, wav, tones, seconds);
  std::printf("-- 1024 voices held, 64 samples, events in every block:\n");
  eventCost("no events", [](Rig&, int32) {});
  eventCost("16 note-offs at distinct offsets", [](Rig& r, int32 block) {
    for (int32 i = 0; i < 16; ++i)
      r.events.addNoteOff(i * 4, static_cast<int16>(i), static_cast<int16>(24 + (block + i) % 96), 0.0f);
  });
  eventCost("80 controller changes", [](Rig& r, int32 block) {
    for (int32 i = 0; i < 80; ++i)
      r.changes.add(0x10000 + 256 * (i % 16) + (i % 5 == 0 ? 7 : 10 + i % 5), i % 64, ((block + i) % 128) / 127.0);
  });
  eventCost("512 note-ons", [](Rig& r, int32 block) {
    for (int32 i = 0; i < 512; ++i)
      r.events.addNoteOn(i % 64, static_cast<int16>(i % 16), static_cast<int16>(24 + (block + i) % 96), 0.7f);
  });
  std::filesystem::remove_all(dir);
  return 0;
}
