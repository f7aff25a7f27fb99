#pragma once

#include "engine/MidiController.h"
#include "engine/ModuleRack.h"
#include "engine/SoundData.h"
#include "engine/SynthesizerFM4.h"

#include <cstdint>
#include <memory>
#include <string>

namespace ovri::korvane {

// Everything the processor owns on the engine side and shares with the
// editor: the rack with the event queue in slot 0 and the synthesizer in
// slot 1, the editor's current selection, and per sample slot the WAV file
// it was last imported from.
class EngineHost {
public:
  static constexpr int32_t kQueueSlot = 0;
  static constexpr int32_t kSynthSlot = 1;
  // Busy flags. While any of bits 0..3 is set the synthesizer's slot is
  // disabled and the block loop skips the engine.
  static constexpr int32_t kBusyPolyphony = 1 << 0;
  static constexpr int32_t kBusyImport = 1 << 1;
  static constexpr int32_t kBusySynthMask = 0xF;
  static constexpr float kMasterTune = 440.0f;   // Hz
  static constexpr float kMasterVolume = 0.8f;   // linear gain

  // Import modes of a sample slot.
  static constexpr uint8_t kImportPlain = 0;
  static constexpr uint8_t kImportDpcm = 1;
  static constexpr uint8_t kImportAdpcm = 2;

  EngineHost();
  ~EngineHost();
  EngineHost(const EngineHost&) = delete;
  EngineHost& operator=(const EngineHost&) = delete;

  void setBusy(int32_t bits);
  void clearBusy(int32_t bits);

  // Selection setters keep the record pointers in step with the indexes.
  void selectPart(int32_t index);           // 0..15
  void selectTone(int32_t index);           // 0..255
  void selectSamplerPreset(int32_t index);  // 0..127
  void selectSample(int32_t index);         // 0..127

  // Null while the slot has no file.
  const char* getSampleFilePath(int32_t slot) const;
  void setSampleFilePath(int32_t slot, const char* path);  // null = absent

  int32_t busyFlags = 0;
  std::unique_ptr<ModuleRack> rack;
  std::unique_ptr<synth::SynthesizerFM4> synth;
  std::unique_ptr<util::MidiController> queue;
  int32_t selectedPart = 0;
  int32_t selectedTone = 0;
  int32_t selectedSamplerPreset = 0;
  int32_t selectedSample = 0;
  synth::PartState* part = nullptr;
  synth::TonePreset* tone = nullptr;
  synth::SamplerPreset* samplerPreset = nullptr;
  synth::SampleData* sample = nullptr;
  std::string sampleFilePaths[synth::kSampleSlotCount];  // empty = absent
  uint8_t importModes[synth::kSampleSlotCount] = {};
};

}  // namespace ovri::korvane
