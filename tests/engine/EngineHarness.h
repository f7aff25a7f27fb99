#pragma once

#include "engine/EngineRack.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace ovri::korvane::test {

// The engine rack driven block by block the way the plug-in's processor
// drives it, with buffers of its own.
struct EngineHarness : EngineRack {
  explicit EngineHarness(int32_t blockSize = 256, float sampleRate = 48000.0f)
      : EngineRack(sampleRate, blockSize), buffers(kChannelCount) {
    for (auto& b : buffers) b.assign(static_cast<size_t>(blockSize), 0.0f);
  }

  void noteOn(int32_t ch, int32_t key, int32_t vel, int32_t offset = 0) { queue3(0x90, ch, key, vel, offset); }
  void noteOff(int32_t ch, int32_t key, int32_t offset = 0) { queue3(0x80, ch, key, 0, offset); }
  void cc(int32_t ch, int32_t number, int32_t value, int32_t offset = 0) { queue3(0xB0, ch, number, value, offset); }
  void sysex(std::initializer_list<int> bytesAfterF0, int32_t offset = 0) {
    MidiEvent e;
    e.status = 0xF0;
    e.sampleOffset = offset;
    for (int b : bytesAfterF0) e.sysexData[e.sysexLength++] = static_cast<uint8_t>(b);
    queue.append(e);
  }

  // Renders one block of n samples into cleared buffers.
  void render(int32_t n) {
    float* channels[kChannelCount];
    for (int32_t c = 0; c < kChannelCount; ++c) {
      if (static_cast<int32_t>(buffers[c].size()) < n) buffers[c].resize(n);
      std::fill(buffers[c].begin(), buffers[c].end(), 0.0f);
      channels[c] = buffers[c].data();
    }
    rack.runBlock(channels, n);
  }

  const std::vector<float>& channel(int32_t c) const { return buffers[c]; }

  // First sample index with a non-zero value on channel c within n samples, or -1.
  int32_t firstSound(int32_t c, int32_t n) const {
    for (int32_t i = 0; i < n; ++i)
      if (buffers[c][i] != 0.0f) return i;
    return -1;
  }

  std::vector<std::vector<float>> buffers;
};

}  // namespace ovri::korvane::test
