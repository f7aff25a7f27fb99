#include "plugin/EngineHost.h"

namespace ovri::korvane {

EngineHost::EngineHost()
    : rack(std::make_unique<ModuleRack>()),
      synth(std::make_unique<synth::SynthesizerFM4>(kMasterTune, kMasterVolume)),
      queue(std::make_unique<util::MidiController>(util::MidiController::kDefaultCapacity)) {
  rack->attach(kQueueSlot, queue.get());
  rack->attach(kSynthSlot, synth.get());
  selectPart(0);
  selectTone(0);
  selectSamplerPreset(0);
  selectSample(0);
}

EngineHost::~EngineHost() {
  // The rack goes first so that no slot outlives its module.
  rack.reset();
}

void EngineHost::setBusy(int32_t bits) {
  busyFlags |= bits;
  rack->setDisabled(kSynthSlot, (busyFlags & kBusySynthMask) != 0);
}

void EngineHost::clearBusy(int32_t bits) {
  busyFlags &= ~bits;
  rack->setDisabled(kSynthSlot, (busyFlags & kBusySynthMask) != 0);
}

void EngineHost::changePolyphony(int32_t n) {
  const int32_t count = synth::SynthesizerFM4::roundVoiceCount(n);
  {
    auto lock = lockEngine();
    if (n < 1 || n == synth->getPolyphony()) return;
  }
  synth::SynthesizerFM4::VoicePool pool;  // the old voices leave with it
  synth->prepareVoices(pool, count);
  auto lock = lockEngine();
  installVoices(pool);
}

void EngineHost::installVoices(synth::SynthesizerFM4::VoicePool& pool) {
  synth->stopVoices(-1);
  setBusy(kBusyPolyphony);
  synth->adoptVoices(pool);
  clearBusy(kBusyPolyphony);
}

void EngineHost::forgetSampleFile(int32_t slot) {
  slot &= synth::kSampleSlotCount - 1;
  sampleFilePaths[slot].clear();
  importModes[slot] = kImportPlain;
  slotPoints[slot] = SlotPoints{};
}

void EngineHost::selectPart(int32_t index) {
  selectedPart = index & (synth::kPartCount - 1);
  part = &synth->getPart(selectedPart);
}

void EngineHost::selectTone(int32_t index) {
  selectedTone = index & (synth::kToneCount - 1);
  tone = &synth->getTonePreset(selectedTone);
}

void EngineHost::selectSamplerPreset(int32_t index) {
  selectedSamplerPreset = index & (synth::kSamplerPresetCount - 1);
  samplerPreset = &synth->getSamplerPreset(selectedSamplerPreset);
}

void EngineHost::selectSample(int32_t index) {
  selectedSample = index & (synth::kSampleSlotCount - 1);
  sample = &synth->getSampleData(selectedSample);
}

const char* EngineHost::getSampleFilePath(int32_t slot) const {
  const std::string& path = sampleFilePaths[slot & (synth::kSampleSlotCount - 1)];
  return path.empty() ? nullptr : path.c_str();
}

void EngineHost::setSampleFilePath(int32_t slot, const char* path) {
  sampleFilePaths[slot & (synth::kSampleSlotCount - 1)] = path != nullptr ? path : "";
}

}  // namespace ovri::korvane
