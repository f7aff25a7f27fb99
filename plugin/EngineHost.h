#pragma once

#include "engine/MidiController.h"
#include "engine/ModuleRack.h"
#include "engine/SoundData.h"
#include "engine/SynthesizerFM4.h"
#include "plugin/EngineCommand.h"
#include "plugin/SoundModel.h"
#include "plugin/SpscRing.h"

#include <atomic>
#include <bitset>
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
// Threads. While the processor is active the audio thread owns the
// engine (rack, synthesizer, queue): nothing else reads or writes it. The
// main thread keeps its own copy of everything editable (`model`), and
// changes the engine only by fixed-size commands through a single-producer
// single-consumer ring, which process() drains at the start of each block,
// a bounded number at a time. Large things (record sets, recordings, voice
// pools, whole loaded states) are built and checked on the main thread,
// handed over whole by a command, swapped in by the audio thread and sent
// back through a return ring to be freed on the main thread. What the audio
// thread changes itself (controllers, RPN/NRPN, system exclusive) flows
// back as copies of the changed records through echo rings, so the model
// follows the engine; every command is numbered, and an echo older than
// the main thread's last command to the same record is dropped, since the
// audio thread sends a fresh one once it has applied that command.
//
// While the processor is inactive no audio thread runs, and the main thread
// applies its commands to the engine itself.
//
// Main-side calls may come from more than one host thread (a worker that
// saves the state while the user edits): they serialise on lockMain(). The
// audio thread never takes that lock.
class EngineHost {
public:
  static constexpr int32_t kQueueSlot = 0;
  static constexpr int32_t kSynthSlot = 1;
  static constexpr float kMasterTune = 440.0f;   // Hz
  static constexpr float kMasterVolume = 0.8f;   // linear gain
  // Commands the audio thread applies in one block at the most.
  static constexpr int32_t kCommandsPerBlock = 32;

  // Import modes of a sample slot.
  static constexpr uint8_t kImportPlain = 0;
  static constexpr uint8_t kImportDpcm = 1;
  static constexpr uint8_t kImportAdpcm = 2;

  EngineHost();
  ~EngineHost();
  EngineHost(const EngineHost&) = delete;
  EngineHost& operator=(const EngineHost&) = delete;

  // A number for this host, unique in the process, while it is alive; 0
  // when no host lives at that address. Lets a holder of the address (the
  // editor) find out that the processor has gone.
  static uint64_t liveSerial(const EngineHost* host);

  // ---- main thread ------------------------------------------------------

  std::unique_lock<std::mutex> lockMain() { return std::unique_lock<std::mutex>(mainMutex); }
  std::unique_lock<std::mutex> lockMain(std::defer_lock_t) {
    return std::unique_lock<std::mutex>(mainMutex, std::defer_lock);
  }

  // Numbers a command and sends it (keeping it while the ring is full).
  // While no audio thread runs it is applied at once. Takes ownership of
  // command.object.
  void submit(EngineCommand command);
  // Hands a set of records to the engine (one kRecords command).
  void submitRecords(std::unique_ptr<RecordUpdate> update);
  // Brings the model up to date with what the audio thread did, frees
  // what came back and sends what was kept. Cheap; call it before reading
  // the model and from the editor's timer.
  void synchronize();
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
  uint8_t importModes[synth::kSampleSlotCount] = {};
  SlotPoints slotPoints[synth::kSampleSlotCount];

  // ---- audio thread -----------------------------------------------------

  // Start of a block: applies waiting commands, at most kCommandsPerBlock.
  void beginBlock();
  // End of a block: sends copies of the records that changed. A block that
  // carried system exclusive has every tone and sampler preset compared.
  void endBlock(bool hadSystemExclusive);

  // The engine. Owned by the audio thread while it runs (see above).
  std::unique_ptr<ModuleRack> rack;
  std::unique_ptr<synth::SynthesizerFM4> synth;
  std::unique_ptr<util::MidiController> queue;

private:
  // Which records a command changes.
  struct RecordSet {
    bool settings = false;
    uint32_t parts = 0;  // bit p = part p
    std::bitset<synth::kToneCount> tones;
    std::bitset<synth::kSamplerPresetCount> samplers;
  };
  static RecordSet recordsOf(const EngineCommand& command);

  // Echoes: the engine's records as the audio thread saw them after the
  // command numbered `sequence`.
  struct SettingsEcho {
    uint32_t sequence;
    EngineSettings settings;
  };
  struct PartEcho {
    uint32_t sequence;
    int32_t index;
    synth::PartState part;
  };
  struct ToneEcho {
    uint32_t sequence;
    int32_t index;
    synth::ToneParameters tone;
  };
  struct SamplerEcho {
    uint32_t sequence;
    int32_t index;
    synth::SamplerPreset preset;
  };

  // Executes a command on the engine (the audio thread, or the main thread
  // while none runs).
  void apply(EngineCommand& command);
  EngineSettings engineSettings() const;
  // Main thread: applies everything sent and kept, with no audio thread.
  void applyAllOnMainThread();
  void flushPending();
  // Audio thread: the shadow copies take the engine's records.
  void resetShadow();

  std::mutex mainMutex;
  uint64_t serial = 0;
  std::atomic<bool> audioRunning{false};

  // Main thread.
  uint32_t nextSequence = 1;
  std::deque<EngineCommand> pending;  // numbered, not yet in the ring
  uint32_t sentSettings = 0;
  uint32_t sentParts[synth::kPartCount] = {};
  uint32_t sentTones[synth::kToneCount] = {};
  uint32_t sentSamplers[synth::kSamplerPresetCount] = {};

  // Rings.
  SpscRing<EngineCommand> commands{1024};
  SpscRing<HandOff*> returns{1024};
  SpscRing<SettingsEcho> settingsEchoes{16};
  SpscRing<PartEcho> partEchoes{64};
  SpscRing<ToneEcho> toneEchoes{512};
  SpscRing<SamplerEcho> samplerEchoes{256};

  // Audio thread.
  uint32_t appliedSequence = 0;
  RecordSet forced;           // records to send whatever they hold
  bool scanPresets = false;   // compare every tone and sampler preset
  EngineSettings shadowSettings;
  synth::PartState shadowParts[synth::kPartCount];
  std::unique_ptr<synth::ToneParameters[]> shadowTones;
  std::unique_ptr<synth::SamplerPreset[]> shadowSamplers;
};

}  // namespace ovri::korvane
