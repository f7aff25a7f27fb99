#pragma once

#include "engine/MidiController.h"
#include "engine/ModuleRack.h"
#include "engine/SynthesizerFM4.h"
#include "plugin/EngineAudioSide.h"
#include "plugin/EngineCommand.h"
#include "plugin/EngineMailbox.h"
#include "plugin/EngineView.h"
#include "plugin/SoundModel.h"
#include "sampleimport/ImportMode.h"
#include "tonegen/SoundData.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

namespace ovri::korvane {

// Everything the processor owns on the engine side: the rack with the
// event queue in slot 0 and the synthesizer in slot 1, the main thread's
// copy of the sound data, the editor's current selection, and per sample
// slot the WAV file it was last imported from.
//
// Threads. While the processor is active the audio thread owns the engine
// (rack, synthesizer, queue) through the EngineAudioSide: nothing else reads
// or writes it. This class is the main thread's side. It keeps its own copy
// of everything editable (`model`) and changes the engine only by numbered
// commands through the EngineMailbox. Large things (record sets,
// recordings, whole loaded states) are built and checked here, handed over
// whole, swapped in by the audio thread and sent back to be freed here.
// What the audio thread changes itself (controllers, RPN/NRPN, system
// exclusive) comes back as the newest copy of each changed record, which
// synchronize() takes into the model unless a later command of ours to the
// record is still on its way.
//
// While the processor is inactive no audio thread runs: commands are
// applied to the engine here, and the model is read from the engine.
//
// Main-side calls may come from more than one host thread (a worker that
// saves the state while the user edits): they serialise on lockMain(). The
// audio thread never takes that lock.
class EngineHost final : public EngineView {
public:
  static constexpr int32_t kQueueSlot = 0;
  static constexpr int32_t kSynthSlot = 1;
  static constexpr float kMasterTune = 440.0f;   // Hz
  static constexpr float kMasterVolume = 0.8f;   // linear gain

  EngineHost();
  ~EngineHost();
  EngineHost(const EngineHost&) = delete;
  EngineHost& operator=(const EngineHost&) = delete;

  // ---- main thread ------------------------------------------------------

  std::unique_lock<std::mutex> lockMain() override { return std::unique_lock<std::mutex>(mainMutex); }
  std::unique_lock<std::mutex> lockMain(std::defer_lock_t) {
    return std::unique_lock<std::mutex>(mainMutex, std::defer_lock);
  }

  // Numbers a command and sends it (keeping it while the ring is full).
  // While no audio thread runs it is applied at once. Takes ownership of
  // command.object.
  void submit(EngineCommand command);
  // Hands a set of records to the engine (one kRecords command).
  void submitRecords(std::unique_ptr<RecordUpdate> update);
  // Frees what came back, brings the model up to date with what the audio
  // thread did and sends what was kept. Cheap; call it before reading the
  // model, at every entry point from the host and from the editor's timer.
  void synchronize() override;
  // The processor's activation: hands the engine to the audio thread, or
  // takes it back (everything sent is applied first).
  void setAudioRunning(bool running);
  bool isAudioRunning() const { return audioRunning.load(std::memory_order_relaxed); }

  // The polyphony change of the editor and the saved state: n = 0 or the
  // count in force changes nothing; otherwise every voice stops and the new
  // count comes into force.
  void changePolyphony(int32_t n);

  // Selection setters keep the record pointers (into the model) in step.
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

  // EngineView
  const SoundModel& soundModel() const override { return model; }
  EditorSelection selection() const override {
    return {selectedPart, selectedTone, selectedSamplerPreset, selectedSample};
  }
  char* selectedPresetName(bool ofTone) override {
    return ofTone ? model.tones[selectedTone].presetName : model.samplers[selectedSamplerPreset].presetName;
  }
  const LoopEntry& enteredLoop(int32_t slot) const override {
    return loopEntries[slot & (synth::kSampleSlotCount - 1)];
  }

  SoundModel model;
  int32_t selectedPart = 0;
  int32_t selectedTone = 0;
  int32_t selectedSamplerPreset = 0;
  int32_t selectedSample = 0;
  synth::PartState* part = nullptr;
  synth::TonePreset* tone = nullptr;
  synth::SamplerPreset* samplerPreset = nullptr;
  SampleParameters* sample = nullptr;
  std::string sampleFilePaths[synth::kSampleSlotCount];  // empty = absent
  sampleimport::ImportMode importModes[synth::kSampleSlotCount] = {};
  SlotPoints slotPoints[synth::kSampleSlotCount];
  LoopEntry loopEntries[synth::kSampleSlotCount];  // see ValueTags

  // The engine. Owned by the audio thread while it runs (see above).
  std::unique_ptr<ModuleRack> rack;
  std::unique_ptr<synth::SynthesizerFM4> synth;
  std::unique_ptr<util::MidiController> queue;

  // ---- audio thread -----------------------------------------------------

  EngineAudioSide& audioSide() { return *audio; }

private:
  // The number of the last command sent to each record.
  struct SentNumbers {
    uint32_t settings[1] = {};
    uint32_t parts[synth::kPartCount] = {};
    uint32_t tones[synth::kToneCount] = {};
    uint32_t samplers[synth::kSamplerPresetCount] = {};
  };

  // Applies everything sent and kept, with no audio thread, and reads the
  // model back from the engine.
  void applyAllOnMainThread();
  void flushPending();
  void freeReturned();

  std::mutex mainMutex;
  uint64_t serial = 0;
  std::atomic<bool> audioRunning{false};

  std::unique_ptr<EngineMailbox> mailbox;
  std::unique_ptr<EngineAudioSide> audio;

  uint32_t nextSequence = 1;
  std::deque<EngineCommand> pending;  // numbered, not yet in the ring
  SentNumbers sent;
};

}  // namespace ovri::korvane
