#pragma once

#include "engine/MidiController.h"
#include "engine/ModuleRack.h"
#include "engine/SoundData.h"
#include "engine/SynthesizerFM4.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace ovri::korvane {

// Everything the processor owns on the engine side and shares with the
// editor: the rack with the event queue in slot 0 and the synthesizer in
// slot 1, the editor's current selection, and per sample slot the WAV file
// it was last imported from.
//
// Threads. The audio thread renders with the engine's records while the
// main thread (editor messages, file actions, state calls) changes them.
// Every access to the engine (rack, synthesizer, queue) happens inside the
// engine lock: the audio thread holds it for the length of one block, the
// main thread for short steps that only copy or swap what was prepared
// outside it. Files are read, parsed, decoded and encoded, and voices and
// sample arrays are allocated and freed, before the lock is taken or after
// it is released, so the audio thread never waits on any of that. The
// selection, the file paths and the slot memory below belong to the main
// thread alone.
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

  // The engine lock (see above).
  std::unique_lock<std::mutex> lockEngine() { return std::unique_lock<std::mutex>(engineMutex); }
  std::unique_lock<std::mutex> lockEngine(std::defer_lock_t) { return std::unique_lock<std::mutex>(engineMutex, std::defer_lock); }

  // Busy flags; call with the engine lock held.
  void setBusy(int32_t bits);
  void clearBusy(int32_t bits);

  // The polyphony change of the editor and the saved state: n = 0 or the
  // current count changes nothing; otherwise every voice stops and the
  // synthesizer's slot is disabled while the new voices (built beforehand)
  // go in. Takes the engine lock itself.
  void changePolyphony(int32_t n);
  // The same with a pool already built; call with the engine lock held.
  void installVoices(synth::SynthesizerFM4::VoicePool& pool);

  // Selection setters keep the record pointers in step with the indexes.
  void selectPart(int32_t index);           // 0..15
  void selectTone(int32_t index);           // 0..255
  void selectSamplerPreset(int32_t index);  // 0..127
  void selectSample(int32_t index);         // 0..127

  // Null while the slot has no file.
  const char* getSampleFilePath(int32_t slot) const;
  void setSampleFilePath(int32_t slot, const char* path);  // null = absent

  // What a saved state said of a slot's play range and loop, kept while the
  // slot's file could not be re-imported, so that the next save writes it
  // back unchanged.
  struct SlotPoints {
    bool valid = false;
    int32_t start = 0;
    int32_t end = 0;
    int32_t loopStart = 0;
    int32_t loopEnd = 0;
  };
  // Forgets the slot's file, import mode and remembered points.
  void forgetSampleFile(int32_t slot);

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
  SlotPoints slotPoints[synth::kSampleSlotCount];

private:
  std::mutex engineMutex;
};

}  // namespace ovri::korvane
