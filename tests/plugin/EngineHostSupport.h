#pragma once

// Helpers for tests that drive an EngineHost directly: value changes, the
// saved state as bytes, the byte layout of that image (worked out here
// independently of the writer) and block rendering.

#include "engine/ModuleRack.h"
#include "plugin/EngineHost.h"
#include "plugin/StateImage.h"
#include "plugin/StateLoad.h"
#include "plugin/ValueTags.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ovri::korvane::test {


// The model takes what a test wrote into the engine directly (in a running
// plug-in the audio thread's echoes do this).
inline void engineChanged(EngineHost& host) { host.model.copyFrom(*host.synth); }

// A value change, after whatever the test wrote into the engine.
inline std::optional<float> change(EngineHost& host, int32_t tag, float value) {
  engineChanged(host);
  return plugin::applyValueChange(host, tag, value);
}

// What getState writes (after whatever the test wrote into the engine).
inline std::vector<uint8_t> saveState(EngineHost& host) {
  engineChanged(host);
  auto image = std::make_unique<plugin::StateImage>();
  plugin::captureStateImage(host, *image);
  return plugin::serializeStateImage(*image);
}

// What setState does with the bytes; true for a complete image.
inline bool loadState(EngineHost& host, const std::vector<uint8_t>& bytes) {
  auto image = std::make_unique<plugin::StateImage>();
  plugin::parseStateImage(bytes.data(), bytes.size(), *image);
  return plugin::loadStateImage(host, *image);
}

// The version 3 image: 13 header bytes, 16 parts of 11, 256 tones of 75,
// 128 sampler presets of 26, then the slot records.
namespace layout {
constexpr size_t kMasterVolume = 3;
constexpr size_t kMasterTune = 7;
constexpr size_t kPolyphony = 11;
constexpr size_t part(int32_t i) { return 13 + 11 * static_cast<size_t>(i); }
constexpr size_t tone(int32_t i) { return 13 + 16 * 11 + 75 * static_cast<size_t>(i); }
// Within a tone: the name, key, pan, lfoWave, lfoFreq (2), fl, strc, then
// 13 bytes per operator.
constexpr size_t operatorField(int32_t j, size_t offset) { return 23 + 13 * static_cast<size_t>(j) + offset; }
constexpr size_t sampler(int32_t i) { return tone(256) + 26 * static_cast<size_t>(i); }
constexpr size_t kSlots = sampler(128);
constexpr size_t kEmptyImageSize = kSlots + 128;
static_assert(kEmptyImageSize == 22845, "the image without samples");

// Offset of a slot's record (its present byte).
inline size_t slot(const std::vector<uint8_t>& image, int32_t index) {
  size_t at = kSlots;
  for (int32_t i = 0; i < index && at < image.size(); ++i) {
    if (image[at] == 0) {
      ++at;
      continue;
    }
    int32_t n;
    std::memcpy(&n, &image[at + 1], 4);
    at += 1 + 4 + static_cast<size_t>(n) + 1 + 6 * 4;
  }
  return at;
}
}  // namespace layout

inline int32_t getI32(const std::vector<uint8_t>& b, size_t at) {
  int32_t v;
  std::memcpy(&v, &b[at], 4);  // the tests run on little-endian machines, as the image is
  return v;
}
inline float getF32(const std::vector<uint8_t>& b, size_t at) {
  float v;
  std::memcpy(&v, &b[at], 4);
  return v;
}
inline void putI32(std::vector<uint8_t>& b, size_t at, int32_t v) { std::memcpy(&b[at], &v, 4); }
inline void putF32(std::vector<uint8_t>& b, size_t at, float v) { std::memcpy(&b[at], &v, 4); }

// One slot record of a version 3 image, read field by field.
struct SlotRecord {
  bool present = false;
  std::string path;
  int32_t mode = 0;
  float sampleRate = 0.0f, pitch = 0.0f;
  int32_t start = 0, end = 0, loopStart = 0, loopEnd = 0;
};
inline SlotRecord readSlot(const std::vector<uint8_t>& image, int32_t index) {
  SlotRecord r;
  size_t at = layout::slot(image, index);
  r.present = image[at] != 0;
  if (!r.present) return r;
  const int32_t n = getI32(image, at + 1);
  r.path.assign(reinterpret_cast<const char*>(&image[at + 5]), static_cast<size_t>(n - 1));
  at += 5 + static_cast<size_t>(n);
  r.mode = image[at];
  r.sampleRate = getF32(image, at + 1);
  r.pitch = getF32(image, at + 5);
  r.start = getI32(image, at + 9);
  r.end = getI32(image, at + 13);
  r.loopStart = getI32(image, at + 17);
  r.loopEnd = getI32(image, at + 21);
  return r;
}

// Renders a host's rack block by block, as the processor does, keeping
// every channel of everything rendered.
class HostRenderer {
public:
  explicit HostRenderer(EngineHost& host) : host(host), rendered(kChannelCount) {}

  void noteOn(int32_t channel, int32_t key, int32_t velocity) { queue(0x90, channel, key, velocity); }
  void noteOff(int32_t channel, int32_t key) { queue(0x80, channel, key, 0); }

  void render(int32_t samples, int32_t blockSize = 256) {
    std::vector<std::vector<float>> block(kChannelCount, std::vector<float>(static_cast<size_t>(blockSize)));
    for (int32_t done = 0; done < samples; done += blockSize) {
      const int32_t n = samples - done < blockSize ? samples - done : blockSize;
      float* channels[kChannelCount];
      for (int32_t c = 0; c < kChannelCount; ++c) {
        std::fill(block[c].begin(), block[c].end(), 0.0f);
        channels[c] = block[c].data();
      }
      host.rack->runBlock(channels, n);
      for (int32_t c = 0; c < kChannelCount; ++c)
        rendered[c].insert(rendered[c].end(), block[c].begin(), block[c].begin() + n);
    }
  }

  const std::vector<float>& channel(int32_t c) const { return rendered[c]; }
  const std::vector<std::vector<float>>& all() const { return rendered; }

private:
  void queue(int32_t status, int32_t channel, int32_t d1, int32_t d2) {
    MidiEvent e;
    e.status = status;
    e.channel = channel;
    e.data1 = d1;
    e.data2 = d2;
    host.queue->append(e);
  }

  EngineHost& host;
  std::vector<std::vector<float>> rendered;
};

inline bool hasSound(const std::vector<float>& v) {
  for (float x : v)
    if (x != 0.0f) return true;
  return false;
}

}  // namespace ovri::korvane::test
