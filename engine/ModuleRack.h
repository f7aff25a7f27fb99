#pragma once

#include "engine/KorvaneModule.h"
#include "engine/MidiEvent.h"

#include <cstdint>

namespace ovri::korvane {

constexpr int32_t kOutputPairCount = 16;
constexpr int32_t kChannelCount = 2 * kOutputPairCount;  // channel 2k left, 2k+1 right of pair k

// What every module receives for one block.
struct RenderContext {
  float sampleRate = 44100.0f;
  int32_t channelCount = kChannelCount;
  int32_t blockSize = 2048;  // largest block the host will ask for
  float* channels[kChannelCount] = {};
  MidiEvent* events = nullptr;  // list head; the block's events follow through next
  int32_t startSample = 0;
  int32_t sampleCount = 0;
};

// The module host: a few slots run in index order once per block, the head
// of the block's event list and the render context.
class ModuleRack {
public:
  static constexpr int32_t kSlotCount = 4;

  ModuleRack() = default;
  ModuleRack(const ModuleRack&) = delete;
  ModuleRack& operator=(const ModuleRack&) = delete;

  // Values below 1 are ignored; returns the stored rate.
  float setSampleRate(float hz);
  void setBlockSize(int32_t samples);
  // Places m at index (emptying any other slot that held it); null when the
  // index is outside the rack.
  IKorvaneModule* attach(int32_t index, IKorvaneModule* module);
  void setDisabled(int32_t index, bool disabled);
  bool isDisabled(int32_t index) const;
  IKorvaneModule* module(int32_t index) const;

  // Calls activate() or deactivate() on every module.
  void activateAll();
  void deactivateAll();

  // Runs one block: every non-empty, enabled slot in index order. The
  // caller has filled context.channels, sampleCount and startSample.
  void processBlock();

  // One whole block as the processor runs it: an empty event list (the
  // queue in slot 0 fills it), the kChannelCount buffers (cleared by the
  // caller; the modules add into them) from sample 0 on, processBlock(),
  // and the context emptied again.
  void runBlock(float* const* channels, int32_t sampleCount);

  MidiEvent head;
  RenderContext context;
  int32_t slotCount = kSlotCount;
  IKorvaneModule* modules[kSlotCount] = {};
  uint8_t disabled[kSlotCount] = {};
};

}  // namespace ovri::korvane
