// System-exclusive reception: any payload, through the direct operation and
// through the block loop, on an engine that is sounding notes.
#include "engine/MidiController.h"
#include "engine/ModuleRack.h"
#include "engine/SynthesizerFM4.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using namespace ovri::korvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static synth::SynthesizerFM4* synthesizer = [] {
    auto* s = new synth::SynthesizerFM4(440.0f, 0.8f);
    s->setReceiveSysEx(true);
    return s;
  }();
  static ModuleRack rack;
  static util::MidiController queue;
  static std::vector<std::vector<float>> buffers(kChannelCount, std::vector<float>(64));
  if (rack.module(1) == nullptr) {
    rack.attach(0, &queue);
    rack.attach(1, synthesizer);
  }
  if (size == 0) return 0;

  // The first byte picks the identity the message claims, so that most
  // inputs reach the block and address decoding.
  std::vector<uint8_t> payload;
  if ((data[0] & 1) != 0) payload = {0x7D, 0x10, 0x22};
  payload.insert(payload.end(), data + 1, data + size);
  synthesizer->setReceiveSysEx(true);
  synthesizer->systemExclusive(payload.data(), static_cast<int32_t>(payload.size()));

  MidiEvent note;
  note.status = 0x90;
  note.channel = data[0] & 15;
  note.data1 = 60;
  note.data2 = 100;
  queue.append(note);
  MidiEvent sysex;
  sysex.status = 0xF0;
  sysex.sampleOffset = 10;
  for (size_t i = 0; i < payload.size() && i < 256; ++i) sysex.sysexData[sysex.sysexLength++] = payload[i];
  queue.append(sysex);
  float* channels[kChannelCount];
  for (int32_t c = 0; c < kChannelCount; ++c) {
    std::fill(buffers[c].begin(), buffers[c].end(), 0.0f);
    channels[c] = buffers[c].data();
  }
  rack.runBlock(channels, 64);
  if (synthesizer->getActiveVoiceCount() > 64) synthesizer->stopVoices(-1);
  return 0;
}
