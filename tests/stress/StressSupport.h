#pragma once

// What the stress and real-time tests share: WAV files to import and the
// editor's messages to the processor.
#include "host/HostEventList.h"
#include "host/HostParameterChanges.h"
#include "plugin/KorvaneVSTProcessor.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace ovri::korvane::test {

using namespace Steinberg;
using namespace Steinberg::Vst;

inline double stressSeconds() {
  const char* text = std::getenv("KORVANE_STRESS_SECONDS");
  const double s = text != nullptr ? std::atof(text) : 3.0;
  return s > 0.0 ? s : 3.0;
}


// A 16-bit PCM WAV file of a decaying tone.
inline void writeWav(const std::string& path, int32 channels, int32 frames) {
  std::vector<int16_t> samples(static_cast<size_t>(frames * channels));
  for (int32 f = 0; f < frames; ++f)
    for (int32 c = 0; c < channels; ++c)
      samples[f * channels + c] =
          static_cast<int16_t>(20000.0 * std::sin(0.05 * (c + 1) * f) * (1.0 - static_cast<double>(f) / frames));
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::ofstream out(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + dataBytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(static_cast<uint16_t>(channels));
  u32(22050);
  u32(22050u * 2u * static_cast<uint32_t>(channels));
  u16(static_cast<uint16_t>(2 * channels));
  u16(16);
  out.write("data", 4);
  u32(dataBytes);
  out.write(reinterpret_cast<const char*>(samples.data()), dataBytes);
}

class Messages {
public:
  explicit Messages(KorvaneVSTProcessor* p) : processor(p) {}
  void value(int32 tag, double v) {
    IPtr<HostMessage> m = owned(new HostMessage);
    m->setMessageID("GUIEditor:kvValueChange");
    m->getAttributes()->setInt("tag", tag);
    m->getAttributes()->setFloat("val", v);
    processor->notify(m);
  }
  void file(int32 tag, const std::string& path) {
    IPtr<HostMessage> m = owned(new HostMessage);
    m->setMessageID("GUIEditor:kvFileSelect");
    m->getAttributes()->setInt("tag", tag);
    m->getAttributes()->setBinary("path", path.c_str(), static_cast<uint32>(path.size() + 1));
    processor->notify(m);
  }

private:
  KorvaneVSTProcessor* processor;
};

// What an audio thread hands the processor each block: sixteen stereo
// outputs of `frames` samples, an event list and parameter changes.
struct AudioBlock {
  explicit AudioBlock(int32 frames) : storage(32 * static_cast<size_t>(frames)), pointers(32) {
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
  AudioBlock(const AudioBlock&) = delete;
  AudioBlock& operator=(const AudioBlock&) = delete;

  std::vector<float> storage;
  std::vector<float*> pointers;
  AudioBusBuffers buses[16];
  host::HostEventList events;
  host::HostParameterChanges changes;
  ProcessData data;
};

}  // namespace ovri::korvane::test
