#include "engine/ModuleRack.h"

namespace ovri::korvane {

float ModuleRack::setSampleRate(float hz) {
  if (!(hz >= 1.0f)) return context.sampleRate;
  context.sampleRate = hz;
  for (IKorvaneModule* m : modules)
    if (m != nullptr) m->setSampleRate(hz);
  return context.sampleRate;
}

void ModuleRack::setBlockSize(int32_t samples) {
  if (samples < 1) return;
  context.blockSize = samples;
  for (IKorvaneModule* m : modules)
    if (m != nullptr) m->setBlockSize(samples);
}

IKorvaneModule* ModuleRack::attach(int32_t index, IKorvaneModule* module) {
  if (index < 0 || index >= slotCount) return nullptr;
  for (IKorvaneModule*& slot : modules) {
    if (module != nullptr && slot == module) {
      slot = nullptr;
      module->detached();
    }
  }
  modules[index] = module;
  if (module != nullptr) module->attached(this);
  return module;
}

void ModuleRack::setDisabled(int32_t index, bool value) {
  if (index < 0 || index >= slotCount) return;
  const uint8_t flag = value ? 1 : 0;
  if (disabled[index] == flag) return;
  disabled[index] = flag;
  if (modules[index] != nullptr) modules[index]->disabledChanged(value);
}

bool ModuleRack::isDisabled(int32_t index) const {
  return index >= 0 && index < slotCount && disabled[index] != 0;
}

IKorvaneModule* ModuleRack::module(int32_t index) const {
  return index >= 0 && index < slotCount ? modules[index] : nullptr;
}

void ModuleRack::activateAll() {
  for (IKorvaneModule* m : modules)
    if (m != nullptr) m->activate();
}

void ModuleRack::deactivateAll() {
  for (IKorvaneModule* m : modules)
    if (m != nullptr) m->deactivate();
}

void ModuleRack::processBlock() {
  context.events = &head;
  for (int32_t i = 0; i < slotCount; ++i)
    if (modules[i] != nullptr && disabled[i] == 0) modules[i]->process(context);
}

void ModuleRack::runBlock(float* const* channels, int32_t sampleCount) {
  head.reset();
  for (int32_t c = 0; c < kChannelCount; ++c) context.channels[c] = channels[c];
  context.startSample = 0;
  context.sampleCount = sampleCount;
  processBlock();
  for (float*& channel : context.channels) channel = nullptr;
  context.events = nullptr;
  context.sampleCount = 0;
}

}  // namespace ovri::korvane
